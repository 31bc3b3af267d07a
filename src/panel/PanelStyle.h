#pragma once
// The panel's look in one place: semantic colours taken from the palette (primary, secondary and
// tertiary text, the accent), the named ones (orange, white), fonts sized in points as logical
// pixels, and cached symbol and application-icon pixmaps for painting.

#include "capture/ClipModel.h"

#include <QColor>
#include <QFont>
#include <QPixmap>

#include <optional>

namespace mendrake {

class AppIcons;

namespace panelstyle {

QColor primary();
QColor secondary();
QColor tertiary();
QColor accent();
QColor orange();
QColor withAlpha(QColor color, qreal alpha);

enum class Design { standard, monospaced, rounded };
// A system font of `size` points (one point = one logical pixel, as the panel's sizes are given).
QFont font(qreal size, QFont::Weight weight = QFont::Normal, Design design = Design::standard);

// A symbol tinted with `color`, cached by name, size and colour.
QPixmap symbol(const QString& name, int size, const QColor& color, qreal devicePixelRatio = 1.0);

// The application's icon scaled to `size` with smooth interpolation, or none.
std::optional<QPixmap> appIconPixmap(AppIcons& icons, const std::optional<QString>& appId, int size,
                                     qreal devicePixelRatio = 1.0);

// Style sheet for a slim scroll bar without arrows, like an overlay scroller.
QString slimScrollBarStyle();

}  // namespace panelstyle
}  // namespace mendrake
