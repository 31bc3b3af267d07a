#include "panel/FooterBar.h"

#include "hotkey/KeyNames.h"
#include "panel/PanelStyle.h"
#include "panel/PanelViewModel.h"
#include "ui/SymbolIcons.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <tuple>

namespace mendrake {

using namespace panelstyle;

namespace {
QFont keyFont() { return panelstyle::font(10, QFont::DemiBold, Design::rounded); }
constexpr int capPadX = 5, capPadY = 1, gap = 4;
}  // namespace

KeyHint::KeyHint(const QString& key, const QString& label, QWidget* parent)
    : QWidget(parent), key_(key), label_(label) {
    setFont(panelstyle::font(11));
}

QSize KeyHint::sizeHint() const {
    const QFontMetrics keys(keyFont()), labels(font());
    return {keys.horizontalAdvance(key_) + 2 * capPadX + gap + labels.horizontalAdvance(label_),
            std::max(keys.height() + 2 * capPadY, labels.height())};
}

void KeyHint::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics keys(keyFont());
    const int capWidth = keys.horizontalAdvance(key_) + 2 * capPadX;
    const int capHeight = keys.height() + 2 * capPadY;
    const QRectF cap(0, (height() - capHeight) / 2.0, capWidth, capHeight);
    QPainterPath shape;
    shape.addRoundedRect(cap, 4, 4);
    p.fillPath(shape, withAlpha(primary(), 0.08));
    p.setPen(secondary());
    p.setFont(keyFont());
    p.drawText(cap, Qt::AlignCenter, key_);
    p.setFont(font());
    p.drawText(QRectF(capWidth + gap, 0, width() - capWidth - gap, height()), Qt::AlignLeft | Qt::AlignVCenter, label_);
}

FooterBar::FooterBar(PanelViewModel& model, QWidget* parent) : QWidget(parent) {
    setFixedHeight(32);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->setSpacing(14);
    layout->addStretch(1);
    const std::tuple<Qt::KeyboardModifiers, Qt::Key, const char*> hints[] = {
        {Qt::NoModifier, Qt::Key_Return, "Paste"},
        {Qt::AltModifier, Qt::Key_Return, "Plain text"},
        {Qt::ControlModifier, Qt::Key_P, "Pin"},
        {Qt::ShiftModifier, Qt::Key_Delete, "Delete"}};
    for (auto [modifiers, key, label] : hints)
        layout->addWidget(new KeyHint(shortcutLabel(modifiers, key), QString::fromUtf8(label), this), 0,
                          Qt::AlignVCenter);

    settings_ = new QToolButton(this);
    settings_->setObjectName(QStringLiteral("settingsButton"));
    settings_->setAutoRaise(true);
    settings_->setFocusPolicy(Qt::NoFocus);
    settings_->setIcon(symbolIcon(QStringLiteral("gearshape"), secondary()));
    settings_->setIconSize(QSize(14, 14));
    settings_->setToolTip(QStringLiteral("Settings"));
    settings_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    connect(settings_, &QToolButton::clicked, this, [&model] {
        if (model.onOpenSettings) model.onOpenSettings();
    });
    layout->addWidget(settings_, 0, Qt::AlignVCenter);
}

}  // namespace mendrake
