#include "panel/FilterBar.h"

#include "hotkey/KeyNames.h"
#include "panel/PanelStyle.h"
#include "panel/PanelViewModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace mendrake {

using namespace panelstyle;

FilterChip::FilterChip(ClipFilter filter, QWidget* parent) : QAbstractButton(parent), filter_(filter) {
    setText(rawValue(filter));
    setFont(panelstyle::font(12, QFont::Medium));
    setFocusPolicy(Qt::NoFocus);  // the search field keeps the keyboard
    setCursor(Qt::PointingHandCursor);
}

void FilterChip::setCurrent(bool current) {
    if (current == current_) return;
    current_ = current;
    QAbstractButton::update();
}

QSize FilterChip::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 20, fm.height() + 8};
}

void FilterChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, current_ ? withAlpha(accent(), 0.22) : withAlpha(primary(), 0.06));
    p.setPen(current_ ? accent() : primary());
    p.drawText(r, Qt::AlignCenter, text());
}

FilterBar::FilterBar(PanelViewModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 8);
    layout->setSpacing(6);
    for (ClipFilter f : allClipFilters()) {
        auto* chip = new FilterChip(f, this);
        connect(chip, &QAbstractButton::clicked, this, [this, f] { model_.setFilter(f); });
        layout->addWidget(chip, 0, Qt::AlignVCenter);
        chips_.append(chip);
    }
    layout->addStretch(1);
    auto* hint = new QLabel(qtKeyName(Qt::Key_Tab) + QStringLiteral(" switch"), this);
    hint->setObjectName(QStringLiteral("filterHint"));
    hint->setFont(panelstyle::font(11));
    QPalette pal = hint->palette();
    pal.setColor(QPalette::WindowText, tertiary());
    hint->setPalette(pal);
    layout->addWidget(hint, 0, Qt::AlignVCenter);

    connect(&model_, &PanelViewModel::filterChanged, this, &FilterBar::refreshChips);
    refreshChips();
}

void FilterBar::refreshChips() {
    for (FilterChip* chip : chips_) chip->setCurrent(chip->filter() == model_.filter());
}

}  // namespace mendrake
