#include "settings/SettingsIcon.h"

#include "ui/SymbolIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace mendrake {

SettingsIcon::SettingsIcon(QString symbol, QColor tint, int size, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), tint_(tint), size_(size) {
    setFixedSize(size, size);
}

static void paintTile(QPainter& p, const QString& symbol, const QColor& tint, int size, qreal dpr) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, size);
    gradient.setColorAt(0, tint.lighter(118));
    gradient.setColorAt(1, tint.darker(108));
    QPainterPath tile;
    tile.addRoundedRect(QRectF(0, 0, size, size), 0.26 * size, 0.26 * size);
    p.fillPath(tile, gradient);
    const int glyph = qRound(0.55 * size);
    const QPixmap pixmap = symbolPixmap(symbol, glyph, Qt::white, dpr);
    const qreal offset = (size - glyph) / 2.0;
    p.drawPixmap(QRectF(offset, offset, glyph, glyph), pixmap, QRectF(pixmap.rect()));
}

QPixmap SettingsIcon::render(const QString& symbol, const QColor& tint, int size, qreal dpr) {
    QPixmap pixmap(QSize(size, size) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintTile(p, symbol, tint, size, dpr);
    return pixmap;
}

void SettingsIcon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintTile(p, symbol_, tint_, size_, devicePixelRatioF());
}

}  // namespace mendrake
