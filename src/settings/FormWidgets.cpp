#include "settings/FormWidgets.h"

#include "ui/RoundedPlate.h"
#include "ui/SymbolIcons.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace mendrake {

QLabel* secondaryLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    // Rows show desktop-entry names and identifiers, which any package writes: text, never markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() - 1);
    label->setFont(font);
    return label;
}

QLabel* symbolLabel(const QString& symbol, int size, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(symbolPixmap(symbol, size, color, label->devicePixelRatioF()));
    label->setFixedSize(size, size);
    label->setObjectName(symbol);
    return label;
}

QWidget* formRow(const QString& title, const QString& subtitle, QWidget* value, QWidget* leading) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(10);
    if (leading) layout->addWidget(leading, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleLabel = new QLabel(title);
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setObjectName("title");
    titleLabel->setWordWrap(true);
    texts->addWidget(titleLabel);
    if (!subtitle.isEmpty()) {
        auto* second = secondaryLabel(subtitle);
        second->setObjectName("subtitle");
        texts->addWidget(second);
    }
    layout->addLayout(texts, 1);
    if (value) layout->addWidget(value, 0, Qt::AlignVCenter | Qt::AlignRight);
    return row;
}

// The rounded card behind a group's rows, with hairlines between rows.
class FormGroup::Card : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintRoundedPlate(p, QRectF(rect()), palette().color(QPalette::WindowText),
                          {.radius = 8, .fillAlpha = 0.04, .lineAlpha = 0.10, .lineWidth = 1});
        const auto children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget* child : children) {
            if (!child->isVisible() || child->geometry().top() <= 1) continue;
            const qreal y = child->geometry().top() + 0.5;
            p.drawLine(QPointF(12, y), QPointF(width() - 12, y));
        }
    }
};

FormGroup::FormGroup(const QString& header, const QString& footer, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!header.isEmpty()) {
        auto* label = new QLabel(header);
        label->setObjectName("header");
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        label->setContentsMargins(4, 0, 0, 0);
        layout->addWidget(label);
    }
    card_ = new Card;
    rows_ = new QVBoxLayout(card_);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(0);
    layout->addWidget(card_);
    if (!footer.isEmpty()) {
        footer_ = secondaryLabel(footer);
        footer_->setObjectName("footer");
        footer_->setContentsMargins(4, 0, 0, 0);
        layout->addWidget(footer_);
    }
}

void FormGroup::addRow(QWidget* row) {
    row->setParent(card_);
    rows_->addWidget(row);
}

void FormGroup::clearRows() {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        if (QWidget* w = item->widget()) delete w;
        delete item;
    }
}

FormPage::FormPage(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    groups_ = new QVBoxLayout(content);
    groups_->setContentsMargins(20, 16, 20, 16);
    groups_->setSpacing(18);
    scroll->setWidget(content);
    outer->addWidget(scroll);
}

void FormPage::addGroup(QWidget* group) { groups_->addWidget(group); }

void FormPage::addStretch() { groups_->addStretch(1); }

}  // namespace mendrake
