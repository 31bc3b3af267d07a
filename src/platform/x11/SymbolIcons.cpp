#include "platform/x11/SymbolIcons.h"

#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStandardPaths>

#include <cmath>

namespace mendrake {
namespace {

struct SymbolEntry {
    const char* symbol;
    QStringList themeNames;  // freedesktop names, best first; empty: always drawn
};

// Every symbol used by the panel, the tray menu, the settings window and the first-run guide.
const std::vector<SymbolEntry>& symbolTable() {
    static const std::vector<SymbolEntry> table = {
        // search panel
        {"magnifyingglass", {"system-search", "edit-find"}},
        {"pause.circle.fill", {"media-playback-pause"}},
        {"pin.fill", {"view-pin"}},
        {"text.alignleft", {"format-justify-left"}},
        {"textformat", {"format-text-rich", "font-x-generic"}},
        {"link", {"insert-link"}},
        {"photo", {"image-x-generic"}},
        {"doc", {"text-x-generic"}},
        {"paintpalette", {"applications-graphics", "color-select"}},
        {"scissors", {"edit-cut"}},
        {"gearshape", {"emblem-system", "preferences-system"}},
        // settings window
        {"gearshape.fill", {"preferences-system", "emblem-system"}},
        {"command", {"preferences-desktop-keyboard-shortcuts", "input-keyboard"}},
        {"clock.arrow.circlepath", {"document-open-recent"}},
        {"hand.raised.fill", {"preferences-system-privacy", "security-high"}},
        {"info.circle.fill", {"help-about", "dialog-information"}},
        {"xmark.circle.fill", {"edit-clear", "window-close"}},
        {"exclamationmark.triangle.fill", {"dialog-warning"}},
        {"checkmark.circle.fill", {"emblem-ok", "emblem-default"}},
        {"lock.fill", {"changes-prevent", "system-lock-screen"}},
        {"internaldrive.fill", {"drive-harddisk"}},
        {"app.dashed", {"application-x-executable"}},
        {"minus.circle", {"list-remove"}},
        {"globe", {"web-browser", "applications-internet"}},
        {"sparkles", {"starred"}},
        {"envelope.fill", {"mail-unread", "mail-message-new"}},
        {"arrow.counterclockwise", {"edit-undo"}},
        // first-run guide
        {"checkmark", {"object-select"}},
        {"1.circle.fill", {}},
        {"2.circle.fill", {}},
        {"3.circle.fill", {}},
        {"menubar.rectangle", {}},
    };
    return table;
}

const SymbolEntry* findEntry(const QString& symbol) {
    for (const auto& e : symbolTable())
        if (symbol == QLatin1String(e.symbol)) return &e;
    return nullptr;
}

// Without a desktop session (or on the offscreen platform) Qt may know no theme and no icon
// directory at all; Adwaita is installed with the app, so it stands in.
void ensureThemeFallback() {
    static const bool done = [] {
        QStringList paths = QIcon::themeSearchPaths();
        const QStringList dataDirs =
            QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                      QStandardPaths::LocateDirectory);
        for (const QString& dir : dataDirs)
            if (!paths.contains(dir)) paths << dir;
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::themeName().isEmpty()) QIcon::setThemeName(QStringLiteral("Adwaita"));
        if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
            QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    (void)done;
}

QIcon themeIcon(const QString& symbol) {
    ensureThemeFallback();
    static QHash<QString, QIcon> cache;
    if (auto it = cache.constFind(symbol); it != cache.cend()) return *it;
    QIcon icon;
    if (const SymbolEntry* e = findEntry(symbol)) {
        for (const QString& name : e->themeNames) {
            for (const QString& candidate : {name + QLatin1String("-symbolic"), name}) {
                if (QIcon::hasThemeIcon(candidate)) {
                    icon = QIcon::fromTheme(candidate);
                    break;
                }
            }
            if (!icon.isNull()) break;
        }
    }
    cache.insert(symbol, icon);
    return icon;
}

// ---- drawn glyphs, in a 24 x 24 design space ----

QPen strokePen(const QColor& c, qreal width) {
    QPen pen(c, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void clearPath(QPainter& p, const QPainterPath& path) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(path, Qt::transparent);
    p.restore();
}

void clearStroke(QPainter& p, const QPainterPath& path, qreal width) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.strokePath(path, strokePen(Qt::black, width));
    p.restore();
}

QPainterPath circle(qreal cx, qreal cy, qreal r) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first) path.moveTo(pt); else path.lineTo(pt);
        first = false;
    }
    return path;
}

QPainterPath textPath(const QString& text, qreal pixelSize, const QPointF& centre) {
    QFont font;
    font.setPixelSize(int(pixelSize));
    font.setBold(true);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF r = path.boundingRect();
    path.translate(centre - r.center());
    return path;
}

QPainterPath gearPath() {
    QPainterPath gear = circle(12, 12, 6.5);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-1.8, -10, 3.6, 5), 0.8, 0.8);
        QTransform t;
        t.translate(12, 12);
        t.rotate(i * 45.0);
        gear = gear.united(t.map(tooth));
    }
    return gear.subtracted(circle(12, 12, 3));
}

QPainterPath handPath() {
    QPainterPath hand;
    hand.addRoundedRect(QRectF(6, 11, 12, 10), 4, 4);
    const qreal xs[] = {6, 9.2, 12.4, 15.6};
    const qreal tops[] = {6, 3.5, 3, 5};
    for (int i = 0; i < 4; ++i) hand.addRoundedRect(QRectF(xs[i], tops[i], 2.6, 11 - tops[i] + 2), 1.3, 1.3);
    hand.addRoundedRect(QRectF(16, 12, 5, 2.6), 1.3, 1.3);
    return hand.simplified();
}

void drawGlyph(QPainter& p, const QString& symbol, const QColor& c) {
    const bool filled = symbol.endsWith(QLatin1String(".fill"));
    const QPen pen = strokePen(c, 2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);

    if (symbol == QLatin1String("magnifyingglass")) {
        p.drawEllipse(QPointF(10, 10), 6, 6);
        p.setPen(strokePen(c, 2.6));
        p.drawLine(QPointF(14.6, 14.6), QPointF(20, 20));
    } else if (symbol.endsWith(QLatin1String(".circle.fill"))) {
        p.fillPath(circle(12, 12, 10), c);
        const QString inner = symbol.left(symbol.indexOf(QLatin1Char('.')));
        if (inner == QLatin1String("pause")) {
            QPainterPath bars;
            bars.addRoundedRect(QRectF(8.3, 7, 2.6, 10), 1, 1);
            bars.addRoundedRect(QRectF(13.1, 7, 2.6, 10), 1, 1);
            clearPath(p, bars);
        } else if (inner == QLatin1String("info")) {
            QPainterPath i = circle(12, 7.5, 1.5);
            i.addRoundedRect(QRectF(10.8, 10.5, 2.4, 7.5), 1, 1);
            clearPath(p, i);
        } else if (inner == QLatin1String("xmark")) {
            QPainterPath x = polyline({{8.5, 8.5}, {15.5, 15.5}});
            x.addPath(polyline({{15.5, 8.5}, {8.5, 15.5}}));
            clearStroke(p, x, 2.2);
        } else if (inner == QLatin1String("checkmark")) {
            clearStroke(p, polyline({{7.5, 12.5}, {10.8, 15.8}, {16.5, 8.5}}), 2.2);
        } else if (inner == QLatin1String("hand")) {
            clearPath(p, handPath());
        } else {
            clearPath(p, textPath(inner, 13, {12, 12}));
        }
    } else if (symbol == QLatin1String("exclamationmark.triangle.fill")) {
        QPainterPath triangle = polyline({{12, 3}, {21.5, 20}, {2.5, 20}});
        triangle.closeSubpath();
        p.setBrush(c);
        p.drawPath(triangle);
        QPainterPath mark = circle(12, 16.8, 1.3);
        mark.addRoundedRect(QRectF(10.9, 8, 2.2, 6.5), 1.1, 1.1);
        clearPath(p, mark);
    } else if (symbol.startsWith(QLatin1String("pin"))) {
        QPainterPath pin;
        pin.addRoundedRect(QRectF(7.5, 2.5, 9, 3.5), 1.2, 1.2);
        pin.addPolygon(QPolygonF({{9.5, 6}, {14.5, 6}, {17, 13.5}, {7, 13.5}}));
        pin = pin.simplified();
        if (filled) p.fillPath(pin, c); else p.drawPath(pin);
        p.drawLine(QPointF(12, 13.5), QPointF(12, 21.5));
    } else if (symbol == QLatin1String("text.alignleft")) {
        const qreal lengths[] = {16, 10, 16, 10};
        for (int i = 0; i < 4; ++i) p.drawLine(QPointF(4, 6 + 4 * i), QPointF(4 + lengths[i], 6 + 4 * i));
    } else if (symbol == QLatin1String("textformat")) {
        p.fillPath(textPath(QStringLiteral("Aa"), 15, {12, 12.5}), c);
    } else if (symbol == QLatin1String("link")) {
        p.save();
        p.translate(12, 12);
        p.rotate(-45);
        p.drawRoundedRect(QRectF(-9.5, -3, 10, 6), 3, 3);
        p.drawRoundedRect(QRectF(-0.5, -3, 10, 6), 3, 3);
        p.restore();
    } else if (symbol == QLatin1String("photo")) {
        p.drawRoundedRect(QRectF(3, 5, 18, 14), 2.5, 2.5);
        QPainterPath mountain = polyline({{5, 17.5}, {10, 11.5}, {13, 14.5}, {15.5, 12}, {19, 17.5}});
        mountain.closeSubpath();
        p.fillPath(mountain, c);
        p.fillPath(circle(16, 9, 1.6), c);
    } else if (symbol == QLatin1String("doc")) {
        QPainterPath page = polyline({{6, 3}, {14, 3}, {18.5, 7.5}, {18.5, 21}, {6, 21}});
        page.closeSubpath();
        p.drawPath(page);
        p.drawPath(polyline({{14, 3}, {14, 7.5}, {18.5, 7.5}}));
    } else if (symbol == QLatin1String("paintpalette")) {
        QPainterPath palette = circle(12, 12, 9).subtracted(circle(15.5, 16, 2.6));
        p.drawPath(palette);
        for (QPointF dot : {QPointF(7.5, 11), QPointF(10, 7), QPointF(14.5, 7), QPointF(17, 10.5)})
            p.fillPath(circle(dot.x(), dot.y(), 1.5), c);
    } else if (symbol == QLatin1String("scissors")) {
        p.drawEllipse(QPointF(7, 17.5), 3, 3);
        p.drawEllipse(QPointF(17, 17.5), 3, 3);
        p.drawLine(QPointF(9, 15.2), QPointF(17, 3));
        p.drawLine(QPointF(15, 15.2), QPointF(7, 3));
    } else if (symbol.startsWith(QLatin1String("gearshape"))) {
        if (filled) p.fillPath(gearPath(), c);
        else {
            p.setPen(strokePen(c, 1.6));
            p.drawPath(gearPath());
        }
    } else if (symbol == QLatin1String("command")) {
        p.fillPath(textPath(QStringLiteral("\u2318"), 20, {12, 12}), c);
    } else if (symbol == QLatin1String("clock.arrow.circlepath")) {
        p.drawArc(QRectF(4, 4, 16, 16), 150 * 16, -300 * 16);
        p.fillPath([] {
            QPainterPath head = polyline({{1.8, 9}, {6.5, 12.5}, {7.6, 7}});
            head.closeSubpath();
            return head;
        }(), c);
        p.drawPath(polyline({{12, 8}, {12, 12}, {15, 14}}));
    } else if (symbol.startsWith(QLatin1String("hand"))) {
        if (filled) p.fillPath(handPath(), c); else p.drawPath(handPath());
    } else if (symbol == QLatin1String("checkmark")) {
        p.setPen(strokePen(c, 2.6));
        p.drawPath(polyline({{5, 12.5}, {10, 17.5}, {19, 6.5}}));
    } else if (symbol.startsWith(QLatin1String("lock"))) {
        p.drawArc(QRectF(7.5, 3, 9, 10), 0, 180 * 16);
        p.drawLine(QPointF(7.5, 8), QPointF(7.5, 11));
        p.drawLine(QPointF(16.5, 8), QPointF(16.5, 11));
        QPainterPath body;
        body.addRoundedRect(QRectF(5, 11, 14, 10), 2, 2);
        if (filled) p.fillPath(body, c); else p.drawPath(body);
    } else if (symbol.startsWith(QLatin1String("internaldrive"))) {
        QPainterPath drive;
        drive.addRoundedRect(QRectF(2.5, 7, 19, 10), 2.5, 2.5);
        p.fillPath(drive, c);
        clearPath(p, circle(17.5, 12, 1.4));
    } else if (symbol == QLatin1String("app.dashed")) {
        QPen dashed = strokePen(c, 1.8);
        dashed.setDashPattern({2.0, 1.6});
        p.setPen(dashed);
        p.drawRoundedRect(QRectF(4, 4, 16, 16), 4, 4);
    } else if (symbol == QLatin1String("minus.circle")) {
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
    } else if (symbol == QLatin1String("globe")) {
        p.setPen(strokePen(c, 1.6));
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawEllipse(QPointF(12, 12), 4, 9);
        p.drawLine(QPointF(3, 12), QPointF(21, 12));
        p.drawLine(QPointF(5, 7.5), QPointF(19, 7.5));
        p.drawLine(QPointF(5, 16.5), QPointF(19, 16.5));
    } else if (symbol == QLatin1String("sparkles")) {
        auto star = [](QPointF o, qreal r) {
            QPainterPath s;
            s.moveTo(o.x(), o.y() - r);
            s.quadTo(o, QPointF(o.x() + r, o.y()));
            s.quadTo(o, QPointF(o.x(), o.y() + r));
            s.quadTo(o, QPointF(o.x() - r, o.y()));
            s.quadTo(o, QPointF(o.x(), o.y() - r));
            return s;
        };
        p.fillPath(star({10, 13}, 8), c);
        p.fillPath(star({18.5, 5.5}, 3.5), c);
    } else if (symbol.startsWith(QLatin1String("envelope"))) {
        QPainterPath body;
        body.addRoundedRect(QRectF(3, 6, 18, 13), 2, 2);
        if (filled) {
            p.fillPath(body, c);
            clearStroke(p, polyline({{4.5, 8}, {12, 13.5}, {19.5, 8}}), 1.6);
        } else {
            p.drawPath(body);
            p.drawPath(polyline({{4.5, 8}, {12, 13.5}, {19.5, 8}}));
        }
    } else if (symbol == QLatin1String("arrow.counterclockwise")) {
        p.drawArc(QRectF(4, 4, 16, 16), 120 * 16, 300 * 16);
        QPainterPath head = polyline({{3.2, 5}, {8.8, 4.3}, {5.2, 10}});
        head.closeSubpath();
        p.fillPath(head, c);
    } else if (symbol == QLatin1String("menubar.rectangle")) {
        p.drawRoundedRect(QRectF(3, 5, 18, 14), 2.5, 2.5);
        p.fillRect(QRectF(3, 5, 18, 4), c);
    } else {
        // Unknown name: a framed question mark keeps the slot visibly occupied.
        p.setPen(strokePen(c, 1.6));
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 4, 4);
        p.fillPath(textPath(QStringLiteral("?"), 13, {12, 12}), c);
    }
}

QPixmap transparentPixmap(int size, qreal dpr) {
    QPixmap pm(QSize(size, size) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}

QColor paletteTextColor() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::palette().color(QPalette::WindowText)
               : QColor(Qt::black);
}

}  // namespace

QStringList symbolNames() {
    QStringList names;
    for (const auto& e : symbolTable()) names << QString::fromLatin1(e.symbol);
    return names;
}

QStringList themeIconNamesForSymbol(const QString& symbol) {
    const SymbolEntry* e = findEntry(symbol);
    return e ? e->themeNames : QStringList();
}

bool symbolHasThemeIcon(const QString& symbol) { return !themeIcon(symbol).isNull(); }

QPixmap drawnSymbolPixmap(const QString& symbol, int size, const QColor& color, qreal dpr) {
    QPixmap pm = transparentPixmap(size, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    drawGlyph(p, symbol, color);
    return pm;
}

QPixmap symbolPixmap(const QString& symbol, int size, const QColor& color, qreal dpr) {
    const QIcon icon = themeIcon(symbol);
    if (icon.isNull()) return drawnSymbolPixmap(symbol, size, color, dpr);
    QPixmap pm = transparentPixmap(size, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRect(0, 0, size, size), icon.pixmap(QSize(size, size), dpr));
    // Keep the icon's shape, replace its colours: symbols are monochrome like template images.
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRect(0, 0, size, size), color);
    return pm;
}

QIcon symbolIcon(const QString& symbol) {
    const QIcon themed = themeIcon(symbol);
    return themed.isNull() ? symbolIcon(symbol, paletteTextColor()) : themed;
}

QIcon symbolIcon(const QString& symbol, const QColor& color) {
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        icon.addPixmap(symbolPixmap(symbol, size, color, 1.0));
        icon.addPixmap(symbolPixmap(symbol, size, color, 2.0));
    }
    return icon;
}

}  // namespace mendrake
