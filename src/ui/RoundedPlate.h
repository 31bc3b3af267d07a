#pragma once
// The faint rounded plate behind key caps and settings groups: the text colour at low opacity,
// filled and outlined, so it reads on light and dark palettes alike.

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace mendrake {

struct PlateStyle {
    qreal radius;
    qreal fillAlpha;
    qreal lineAlpha;
    qreal lineWidth;
};

// Paints the plate inside `rect` (the outline stays within it) and leaves the painter's pen set to
// the outline colour, for hairlines drawn after it.
void paintRoundedPlate(QPainter& painter, const QRectF& rect, const QColor& ink, const PlateStyle& style);

}  // namespace mendrake
