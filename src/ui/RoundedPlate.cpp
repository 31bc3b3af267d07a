#include "ui/RoundedPlate.h"

#include <QPainterPath>

namespace mendrake {

void paintRoundedPlate(QPainter& painter, const QRectF& rect, const QColor& ink, const PlateStyle& style) {
    QColor fill = ink;
    fill.setAlphaF(float(style.fillAlpha));
    QColor line = ink;
    line.setAlphaF(float(style.lineAlpha));
    const qreal inset = style.lineWidth / 2;
    QPainterPath shape;
    shape.addRoundedRect(rect.adjusted(inset, inset, -inset, -inset), style.radius, style.radius);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(line, style.lineWidth));
    painter.drawPath(shape);
}

}  // namespace mendrake
