#include "panel/PanelStyle.h"

#include "capture/AppIcon.h"
#include "ui/SymbolIcons.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QPalette>

namespace mendrake::panelstyle {

QColor primary() { return QGuiApplication::palette().color(QPalette::WindowText); }
QColor secondary() { return withAlpha(primary(), 0.55); }
QColor tertiary() { return withAlpha(primary(), 0.3); }
QColor accent() { return QColor(0, 122, 255); }
QColor orange() { return QColor(255, 149, 0); }

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

QFont font(qreal size, QFont::Weight weight, Design design) {
    QFont f = design == Design::monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                           : QGuiApplication::font();
    f.setPixelSize(qRound(size));
    f.setWeight(weight);
    return f;
}

QPixmap symbol(const QString& name, int size, const QColor& color, qreal dpr) {
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(name).arg(size).arg(color.rgba()).arg(dpr);
    if (auto it = cache.constFind(key); it != cache.cend()) return *it;
    QPixmap pm = symbolPixmap(name, size, color, dpr);
    cache.insert(key, pm);
    return pm;
}

QString slimScrollBarStyle() {
    const QColor handle = withAlpha(primary(), 0.25);
    return QStringLiteral(
               "QScrollBar:vertical { background: transparent; width: 8px; margin: 2px 1px 2px 1px; }"
               "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 24px; }"
               "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
               "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
        .arg(handle.name(QColor::HexArgb));
}

std::optional<QPixmap> appIconPixmap(AppIcons& icons, const std::optional<QString>& appId, int size, qreal dpr) {
    const std::optional<QImage> icon = icons.appIcon(appId);
    if (!icon || icon->isNull()) return std::nullopt;
    QPixmap pm = QPixmap::fromImage(icon->scaled(QSize(size, size) * dpr, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pm.setDevicePixelRatio(dpr);
    return pm;
}

}  // namespace mendrake::panelstyle
