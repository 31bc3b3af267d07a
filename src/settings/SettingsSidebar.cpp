#include "settings/SettingsSidebar.h"

#include "ui/SymbolIcons.h"
#include "settings/SettingsIcon.h"
#include "settings/SettingsRouter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace mendrake {

namespace {
constexpr int pageRole = Qt::UserRole + 1;
constexpr int separatorRole = Qt::UserRole + 2;
}  // namespace

SidebarSearchField::SidebarSearchField(QWidget* parent) : QWidget(parent) {
    setFixedHeight(30);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->setSpacing(6);
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    auto* glass = new QLabel;
    glass->setPixmap(symbolPixmap("magnifyingglass", 13, secondary, devicePixelRatioF()));
    layout->addWidget(glass);
    edit_ = new QLineEdit;
    edit_->setPlaceholderText("Search");
    edit_->setFrame(false);
    edit_->setStyleSheet("QLineEdit { background: transparent; }");
    layout->addWidget(edit_, 1);
    clear_ = new QToolButton;
    clear_->setAutoRaise(true);
    clear_->setIcon(symbolIcon("xmark.circle.fill", secondary));
    clear_->setIconSize(QSize(13, 13));
    clear_->setCursor(Qt::ArrowCursor);
    clear_->setStyleSheet("QToolButton { border: none; padding: 0; }");
    clear_->hide();
    layout->addWidget(clear_);
    connect(clear_, &QToolButton::clicked, edit_, [this] { edit_->clear(); });
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        clear_->setVisible(!text.isEmpty());
        emit textChanged(text);
    });
}

QString SidebarSearchField::text() const { return edit_->text(); }
void SidebarSearchField::setText(const QString& text) { edit_->setText(text); }

void SidebarSearchField::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.08f);
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
    p.fillPath(capsule, fill);
}

SettingsSidebar::SettingsSidebar(SettingsRouter& router, QWidget* parent)
    : QWidget(parent), router_(router) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 0);
    layout->setSpacing(8);
    search_ = new SidebarSearchField;
    layout->addWidget(search_);
    list_ = new QListWidget;
    list_->setFrameShape(QFrame::NoFrame);
    list_->setIconSize(QSize(20, 20));
    list_->setSpacing(1);
    list_->viewport()->setAutoFillBackground(false);
    list_->setAutoFillBackground(false);
    list_->setStyleSheet(
        "QListWidget { background: transparent; outline: 0; }"
        "QListWidget::item { padding: 4px 6px; border-radius: 6px; }"
        "QListWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }");
    layout->addWidget(list_, 1);

    connect(search_, &SidebarSearchField::textChanged, this, [this] { rebuild(); });
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item && !item->data(separatorRole).toBool())
            router_.setPage(static_cast<SettingsPage>(item->data(pageRole).toInt()));
    });
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        // A selection cleared to nothing (or moved onto a gap) leaves the page as it is.
        if (rebuilding_ || !item || item->data(separatorRole).toBool()) return;
        router_.setPage(static_cast<SettingsPage>(item->data(pageRole).toInt()));
    });
    connect(&router_, &SettingsRouter::pageSelected, this, [this] { showRouterPage(); });
    rebuild();
}

void SettingsSidebar::rebuild() {
    rebuilding_ = true;
    list_->clear();
    bool first = true;
    for (const auto& section : filteredSections(search_->text())) {
        if (!first) {
            auto* gap = new QListWidgetItem;
            gap->setFlags(Qt::NoItemFlags);
            gap->setData(separatorRole, true);
            gap->setSizeHint(QSize(1, 8));
            list_->addItem(gap);
        }
        first = false;
        for (SettingsPage page : section) {
            auto* item = new QListWidgetItem(
                QIcon(SettingsIcon::render(iconSymbol(page), tint(page), 20, devicePixelRatioF())),
                title(page));
            item->setData(pageRole, static_cast<int>(page));
            item->setSizeHint(QSize(1, 30));
            list_->addItem(item);
        }
    }
    rebuilding_ = false;
    showRouterPage();
}

void SettingsSidebar::showRouterPage() {
    rebuilding_ = true;
    list_->clearSelection();
    list_->setCurrentItem(nullptr);
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        if (!item->data(separatorRole).toBool() &&
            item->data(pageRole).toInt() == static_cast<int>(router_.page())) {
            list_->setCurrentItem(item);
            break;
        }
    }
    rebuilding_ = false;
}

std::vector<std::vector<SettingsPage>> SettingsSidebar::listedSections() const {
    std::vector<std::vector<SettingsPage>> sections(1);
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        if (item->data(separatorRole).toBool())
            sections.emplace_back();
        else
            sections.back().push_back(static_cast<SettingsPage>(item->data(pageRole).toInt()));
    }
    if (sections.back().empty()) sections.pop_back();
    return sections;
}

std::optional<SettingsPage> SettingsSidebar::selectedPage() const {
    const QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected() || item->data(separatorRole).toBool()) return std::nullopt;
    return static_cast<SettingsPage>(item->data(pageRole).toInt());
}

void SettingsSidebar::select(SettingsPage page) {
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        if (!item->data(separatorRole).toBool() && item->data(pageRole).toInt() == static_cast<int>(page)) {
            list_->setCurrentItem(item);
            emit list_->itemClicked(item);
            return;
        }
    }
}

}  // namespace mendrake
