#include "hotkey/KeyCap.h"

#include "ui/RoundedPlate.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>

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
    const QColor primary = palette().color(QPalette::WindowText);
    paintRoundedPlate(p, QRectF(rect()), primary,
                      {.radius = 5, .fillAlpha = 0.07, .lineAlpha = 0.13, .lineWidth = 0.5});
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
