#include "panel/PanelView.h"

#include "panel/FilterBar.h"
#include "panel/FooterBar.h"
#include "panel/PanelStyle.h"
#include "panel/PanelViewModel.h"
#include "panel/PreviewPane.h"
#include "panel/ResultList.h"
#include "prefs/Preferences.h"

#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace mendrake {

using namespace panelstyle;

namespace {

QWidget* line(QWidget* parent, Qt::Orientation orientation) {
    auto* w = new QWidget(parent);
    if (orientation == Qt::Horizontal) w->setFixedHeight(1); else w->setFixedWidth(1);
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, withAlpha(primary(), 0.12));
    w->setPalette(pal);
    return w;
}

}  // namespace

PanelView::PanelView(PanelViewModel& model, Workspace& workspace, AppIcons& icons, QWidget* parent)
    : QWidget(parent), model_(model) {
    setFixedSize(760, 460);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Search header.
    auto* header = new QWidget(this);
    header->setFixedHeight(56);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(18, 0, 18, 0);
    headerLayout->setSpacing(10);
    auto* glass = new QLabel(header);
    glass->setPixmap(symbol(QStringLiteral("magnifyingglass"), 20, secondary(), devicePixelRatioF()));
    headerLayout->addWidget(glass, 0, Qt::AlignVCenter);
    search_ = new QLineEdit(header);
    search_->setObjectName(QStringLiteral("searchField"));
    search_->setFrame(false);
    search_->setPlaceholderText(QStringLiteral("Search your clipboard"));
    search_->setFont(panelstyle::font(20));
    search_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; }"));
    search_->installEventFilter(this);
    headerLayout->addWidget(search_, 1, Qt::AlignVCenter);

    paused_ = new QWidget(header);
    auto* pausedLayout = new QHBoxLayout(paused_);
    pausedLayout->setContentsMargins(0, 0, 0, 0);
    pausedLayout->setSpacing(4);
    auto* pauseIcon = new QLabel(paused_);
    pauseIcon->setPixmap(symbol(QStringLiteral("pause.circle.fill"), 12, orange(), devicePixelRatioF()));
    auto* pauseText = new QLabel(QStringLiteral("Paused"), paused_);
    pauseText->setFont(panelstyle::font(11, QFont::Medium));
    QPalette pal = pauseText->palette();
    pal.setColor(QPalette::WindowText, orange());
    pauseText->setPalette(pal);
    pausedLayout->addWidget(pauseIcon);
    pausedLayout->addWidget(pauseText);
    headerLayout->addWidget(paused_, 0, Qt::AlignVCenter);
    layout->addWidget(header);

    filters_ = new FilterBar(model_, this);
    layout->addWidget(filters_);
    layout->addWidget(line(this, Qt::Horizontal));

    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    results_ = new ResultList(model_, icons, this);
    results_->setFixedWidth(330);
    body->addWidget(results_);
    body->addWidget(line(this, Qt::Vertical));
    preview_ = new PreviewPane(model_, workspace, icons, this);
    body->addWidget(preview_, 1);
    layout->addLayout(body, 1);

    layout->addWidget(line(this, Qt::Horizontal));
    footer_ = new FooterBar(model_, this);
    layout->addWidget(footer_);

    connect(search_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.setQuery(text); });
    connect(&model_, &PanelViewModel::queryChanged, this, [this] {
        if (search_->text() != model_.query()) search_->setText(model_.query());
    });
    connect(&model_, &PanelViewModel::focusTokenChanged, this, [this] {
        updatePaused();
        focusSearch();
    });
    connect(&model_.prefs(), &Preferences::pausedUntilChanged, this, &PanelView::updatePaused);
    updatePaused();
    setFocusProxy(search_);
}

SearchFieldState PanelView::searchFieldState() const {
    return {composing_, search_->hasSelectedText(), preview_->hasTextSelection()};
}

bool PanelView::eventFilter(QObject* watched, QEvent* event) {
    // An input method composing in the field owns Return, arrows and the rest until it commits.
    if (watched == search_ && event->type() == QEvent::InputMethod)
        composing_ = !static_cast<QInputMethodEvent*>(event)->preeditString().isEmpty();
    return QWidget::eventFilter(watched, event);
}

void PanelView::updatePaused() { paused_->setVisible(model_.prefs().isPaused()); }

void PanelView::focusSearch() {
    search_->setFocus(Qt::OtherFocusReason);
}

}  // namespace mendrake
