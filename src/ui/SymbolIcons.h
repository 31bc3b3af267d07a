#pragma once
// Icons for the symbol names the app's windows use ("magnifyingglass", "pin.fill", "gearshape", ...).
//
// One table maps every symbol name to freedesktop icon names, tried in order through the icon theme
// (QIcon::fromTheme, the "-symbolic" variant first). When the theme has none of them, a glyph drawn
// here stands in, so no icon is ever blank; an unknown name also gets a drawn placeholder.
// Symbols are monochrome: the tinted forms paint the icon's shape in one colour, like a template
// image. GUI thread only (QIcon, QPixmap). Never fails.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace mendrake {

// Every symbol name the table knows, in table order.
QStringList symbolNames();

// The freedesktop icon names tried for `symbol`, best first; empty for an unknown name.
QStringList themeIconNamesForSymbol(const QString& symbol);

// True when the icon theme supplies one of the symbol's icon names.
bool symbolHasThemeIcon(const QString& symbol);

// The symbol as an icon: the theme's icon, or the drawn glyph in the palette's text colour.
QIcon symbolIcon(const QString& symbol);

// The symbol tinted with `color`, as an icon for buttons and menu entries.
QIcon symbolIcon(const QString& symbol, const QColor& color);

// The symbol at `size` device-independent pixels, its shape filled with `color`.
QPixmap symbolPixmap(const QString& symbol, int size, const QColor& color, qreal devicePixelRatio = 1.0);

// The drawn glyph alone (what stands in when the theme has no icon); exposed for tests and previews.
QPixmap drawnSymbolPixmap(const QString& symbol, int size, const QColor& color, qreal devicePixelRatio = 1.0);

}  // namespace mendrake
