#include "hotkey/KeyCap.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace mendrake {

namespace {
QFont capFont(const QFont& base) {
    QFont font = base;
    font.setPixelSize(12);
    font.setWeight(QFont::Medium);
    return font;
}
}  // namespace

KeyCap::KeyCap(QString text, QWidget* parent) : QWidget(parent), text_(std::move(text)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QSize KeyCap::sizeHint() const {
    const QFontMetrics metrics(capFont(font()));
    return {std::max(24, metrics.horizontalAdvance(text_) + 12), 22};
}

void KeyCap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor primary = palette().color(QPalette::WindowText);
    QColor fill = primary;
    fill.setAlphaF(0.07f);
    QColor stroke = primary;
    stroke.setAlphaF(0.13f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 5, 5);
    p.fillPath(shape, fill);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 5, 5);
    p.setPen(QPen(stroke, 0.5));
    p.drawPath(outline);
    p.setFont(capFont(font()));
    p.setPen(primary);
    p.drawText(rect(), Qt::AlignCenter, text_);
}

KeyCaps::KeyCaps(const QStringList& keys, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setKeys(keys);
}

void KeyCaps::setKeys(const QStringList& keys) {
    if (keys == keys_ && layout()->count() == keys.size()) return;
    keys_ = keys;
    while (QLayoutItem* item = layout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QString& key : keys) layout()->addWidget(new KeyCap(key));
    layout()->setAlignment(Qt::AlignVCenter);
}

}  // namespace mendrake
