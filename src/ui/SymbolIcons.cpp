#include "ui/SymbolIcons.h"

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

// One painter per glyph family. Each starts with a 2-point round pen in the glyph's colour and no
// brush; `filled` is true for the ".fill" variant of a name.
using GlyphPainter = void (*)(QPainter& p, const QColor& c, bool filled);

void fillOrStroke(QPainter& p, const QPainterPath& path, const QColor& c, bool filled) {
    if (filled) p.fillPath(path, c); else p.drawPath(path);
}

// "<inner>.circle.fill": a filled disc with the inner sign cut out of it.
void drawCircleBadge(QPainter& p, const QColor& c, const QString& inner) {
    p.fillPath(circle(12, 12, 10), c);
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
        clearPath(p, textPath(inner, 13, {12, 12}));  // digits
    }
}

void drawMagnifyingGlass(QPainter& p, const QColor& c, bool) {
    p.drawEllipse(QPointF(10, 10), 6, 6);
    p.setPen(strokePen(c, 2.6));
    p.drawLine(QPointF(14.6, 14.6), QPointF(20, 20));
}

void drawWarningTriangle(QPainter& p, const QColor& c, bool) {
    QPainterPath triangle = polyline({{12, 3}, {21.5, 20}, {2.5, 20}});
    triangle.closeSubpath();
    p.setBrush(c);
    p.drawPath(triangle);
    QPainterPath mark = circle(12, 16.8, 1.3);
    mark.addRoundedRect(QRectF(10.9, 8, 2.2, 6.5), 1.1, 1.1);
    clearPath(p, mark);
}

void drawPin(QPainter& p, const QColor& c, bool filled) {
    QPainterPath pin;
    pin.addRoundedRect(QRectF(7.5, 2.5, 9, 3.5), 1.2, 1.2);
    pin.addPolygon(QPolygonF({{9.5, 6}, {14.5, 6}, {17, 13.5}, {7, 13.5}}));
    fillOrStroke(p, pin.simplified(), c, filled);
    p.drawLine(QPointF(12, 13.5), QPointF(12, 21.5));
}

void drawTextLines(QPainter& p, const QColor&, bool) {
    const qreal lengths[] = {16, 10, 16, 10};
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(4, 6 + 4 * i), QPointF(4 + lengths[i], 6 + 4 * i));
}

void drawTextFormat(QPainter& p, const QColor& c, bool) { p.fillPath(textPath(QStringLiteral("Aa"), 15, {12, 12.5}), c); }

void drawLink(QPainter& p, const QColor&, bool) {
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    p.drawRoundedRect(QRectF(-9.5, -3, 10, 6), 3, 3);
    p.drawRoundedRect(QRectF(-0.5, -3, 10, 6), 3, 3);
    p.restore();
}

void drawPhoto(QPainter& p, const QColor& c, bool) {
    p.drawRoundedRect(QRectF(3, 5, 18, 14), 2.5, 2.5);
    QPainterPath mountain = polyline({{5, 17.5}, {10, 11.5}, {13, 14.5}, {15.5, 12}, {19, 17.5}});
    mountain.closeSubpath();
    p.fillPath(mountain, c);
    p.fillPath(circle(16, 9, 1.6), c);
}

void drawDocument(QPainter& p, const QColor&, bool) {
    QPainterPath page = polyline({{6, 3}, {14, 3}, {18.5, 7.5}, {18.5, 21}, {6, 21}});
    page.closeSubpath();
    p.drawPath(page);
    p.drawPath(polyline({{14, 3}, {14, 7.5}, {18.5, 7.5}}));
}

void drawPalette(QPainter& p, const QColor& c, bool) {
    p.drawPath(circle(12, 12, 9).subtracted(circle(15.5, 16, 2.6)));
    for (QPointF dot : {QPointF(7.5, 11), QPointF(10, 7), QPointF(14.5, 7), QPointF(17, 10.5)})
        p.fillPath(circle(dot.x(), dot.y(), 1.5), c);
}

void drawScissors(QPainter& p, const QColor&, bool) {
    p.drawEllipse(QPointF(7, 17.5), 3, 3);
    p.drawEllipse(QPointF(17, 17.5), 3, 3);
    p.drawLine(QPointF(9, 15.2), QPointF(17, 3));
    p.drawLine(QPointF(15, 15.2), QPointF(7, 3));
}

void drawGear(QPainter& p, const QColor& c, bool filled) {
    if (!filled) p.setPen(strokePen(c, 1.6));
    fillOrStroke(p, gearPath(), c, filled);
}

void drawCommand(QPainter& p, const QColor& c, bool) { p.fillPath(textPath(QStringLiteral("\u2318"), 20, {12, 12}), c); }

void drawHistoryClock(QPainter& p, const QColor& c, bool) {
    p.drawArc(QRectF(4, 4, 16, 16), 150 * 16, -300 * 16);
    QPainterPath head = polyline({{1.8, 9}, {6.5, 12.5}, {7.6, 7}});
    head.closeSubpath();
    p.fillPath(head, c);
    p.drawPath(polyline({{12, 8}, {12, 12}, {15, 14}}));
}

void drawHand(QPainter& p, const QColor& c, bool filled) { fillOrStroke(p, handPath(), c, filled); }

void drawCheckmark(QPainter& p, const QColor& c, bool) {
    p.setPen(strokePen(c, 2.6));
    p.drawPath(polyline({{5, 12.5}, {10, 17.5}, {19, 6.5}}));
}

void drawLock(QPainter& p, const QColor& c, bool filled) {
    p.drawArc(QRectF(7.5, 3, 9, 10), 0, 180 * 16);
    p.drawLine(QPointF(7.5, 8), QPointF(7.5, 11));
    p.drawLine(QPointF(16.5, 8), QPointF(16.5, 11));
    QPainterPath body;
    body.addRoundedRect(QRectF(5, 11, 14, 10), 2, 2);
    fillOrStroke(p, body, c, filled);
}

void drawDrive(QPainter& p, const QColor& c, bool) {
    QPainterPath drive;
    drive.addRoundedRect(QRectF(2.5, 7, 19, 10), 2.5, 2.5);
    p.fillPath(drive, c);
    clearPath(p, circle(17.5, 12, 1.4));
}

void drawDashedApp(QPainter& p, const QColor& c, bool) {
    QPen dashed = strokePen(c, 1.8);
    dashed.setDashPattern({2.0, 1.6});
    p.setPen(dashed);
    p.drawRoundedRect(QRectF(4, 4, 16, 16), 4, 4);
}

void drawMinusCircle(QPainter& p, const QColor&, bool) {
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.drawLine(QPointF(8, 12), QPointF(16, 12));
}

void drawGlobe(QPainter& p, const QColor& c, bool) {
    p.setPen(strokePen(c, 1.6));
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.drawEllipse(QPointF(12, 12), 4, 9);
    p.drawLine(QPointF(3, 12), QPointF(21, 12));
    p.drawLine(QPointF(5, 7.5), QPointF(19, 7.5));
    p.drawLine(QPointF(5, 16.5), QPointF(19, 16.5));
}

QPainterPath fourPointStar(QPointF o, qreal r) {
    QPainterPath s;
    s.moveTo(o.x(), o.y() - r);
    s.quadTo(o, QPointF(o.x() + r, o.y()));
    s.quadTo(o, QPointF(o.x(), o.y() + r));
    s.quadTo(o, QPointF(o.x() - r, o.y()));
    s.quadTo(o, QPointF(o.x(), o.y() - r));
    return s;
}

void drawSparkles(QPainter& p, const QColor& c, bool) {
    p.fillPath(fourPointStar({10, 13}, 8), c);
    p.fillPath(fourPointStar({18.5, 5.5}, 3.5), c);
}

void drawEnvelope(QPainter& p, const QColor& c, bool filled) {
    QPainterPath body;
    body.addRoundedRect(QRectF(3, 6, 18, 13), 2, 2);
    const QPainterPath flap = polyline({{4.5, 8}, {12, 13.5}, {19.5, 8}});
    if (filled) {
        p.fillPath(body, c);
        clearStroke(p, flap, 1.6);
    } else {
        p.drawPath(body);
        p.drawPath(flap);
    }
}

void drawUndoArrow(QPainter& p, const QColor& c, bool) {
    p.drawArc(QRectF(4, 4, 16, 16), 120 * 16, 300 * 16);
    QPainterPath head = polyline({{3.2, 5}, {8.8, 4.3}, {5.2, 10}});
    head.closeSubpath();
    p.fillPath(head, c);
}

void drawMenuBar(QPainter& p, const QColor& c, bool) {
    p.drawRoundedRect(QRectF(3, 5, 18, 14), 2.5, 2.5);
    p.fillRect(QRectF(3, 5, 18, 4), c);
}

// An unknown name: a framed question mark keeps the slot visibly occupied.
void drawUnknown(QPainter& p, const QColor& c, bool) {
    p.setPen(strokePen(c, 1.6));
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 4, 4);
    p.fillPath(textPath(QStringLiteral("?"), 13, {12, 12}), c);
}

struct GlyphEntry {
    const char* name;
    bool family;  // also draws every name that starts with `name` ("pin.fill", "hand.raised.fill")
    GlyphPainter draw;
};

const GlyphEntry glyphs[] = {
    {"magnifyingglass", false, drawMagnifyingGlass},
    {"exclamationmark.triangle.fill", false, drawWarningTriangle},
    {"pin", true, drawPin},
    {"text.alignleft", false, drawTextLines},
    {"textformat", false, drawTextFormat},
    {"link", false, drawLink},
    {"photo", false, drawPhoto},
    {"doc", false, drawDocument},
    {"paintpalette", false, drawPalette},
    {"scissors", false, drawScissors},
    {"gearshape", true, drawGear},
    {"command", false, drawCommand},
    {"clock.arrow.circlepath", false, drawHistoryClock},
    {"hand", true, drawHand},
    {"checkmark", false, drawCheckmark},
    {"lock", true, drawLock},
    {"internaldrive", true, drawDrive},
    {"app.dashed", false, drawDashedApp},
    {"minus.circle", false, drawMinusCircle},
    {"globe", false, drawGlobe},
    {"sparkles", false, drawSparkles},
    {"envelope", true, drawEnvelope},
    {"arrow.counterclockwise", false, drawUndoArrow},
    {"menubar.rectangle", false, drawMenuBar},
};

void drawGlyph(QPainter& p, const QString& symbol, const QColor& c) {
    p.setPen(strokePen(c, 2));
    p.setBrush(Qt::NoBrush);
    if (symbol.endsWith(QLatin1String(".circle.fill")))
        return drawCircleBadge(p, c, symbol.left(symbol.indexOf(QLatin1Char('.'))));
    const bool filled = symbol.endsWith(QLatin1String(".fill"));
    for (const GlyphEntry& g : glyphs)
        if (g.family ? symbol.startsWith(QLatin1String(g.name)) : symbol == QLatin1String(g.name))
            return g.draw(p, c, filled);
    drawUnknown(p, c, filled);
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
