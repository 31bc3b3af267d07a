#include "panel/EmptyState.h"

#include "panel/PanelStyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace mendrake {

using namespace panelstyle;

EmptyState::EmptyState(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->setSpacing(8);
    layout->addStretch(1);
    icon_ = new QLabel(this);
    icon_->setAlignment(Qt::AlignCenter);
    text_ = new QLabel(this);
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    text_->setTextFormat(Qt::PlainText);  // the query is shown as typed, never as markup
    text_->setFont(panelstyle::font(13));
    QPalette pal = text_->palette();
    pal.setColor(QPalette::WindowText, secondary());
    text_->setPalette(pal);
    layout->addWidget(icon_);
    layout->addWidget(text_);
    layout->addStretch(1);
    setQuery(QString());
}

void EmptyState::setQuery(const QString& query) {
    symbol_ = query.isEmpty() ? QStringLiteral("scissors") : QStringLiteral("magnifyingglass");
    icon_->setPixmap(symbol(symbol_, 28, secondary(), devicePixelRatioF()));
    text_->setText(query.isEmpty() ? QStringLiteral("Copy something to get started")
                                   : QStringLiteral("No matches for “") + query + QStringLiteral("”"));
}

QString EmptyState::message() const { return text_->text(); }

}  // namespace mendrake
