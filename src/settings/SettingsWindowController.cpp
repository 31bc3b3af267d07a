#include "settings/SettingsWindowController.h"

#include "settings/AboutPage.h"
#include "settings/GeneralPage.h"
#include "settings/HistoryPage.h"
#include "settings/PrivacyPage.h"
#include "settings/SettingsDetail.h"
#include "settings/SettingsSidebar.h"
#include "settings/ShortcutsPage.h"
#include "settings/WindowShortcuts.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QScreen>

namespace mendrake {

namespace {
constexpr int windowWidth = 740;
constexpr int windowHeight = 560;
constexpr int sidebarWidth = 230;
}  // namespace

SettingsWindowController::SettingsWindowController(SettingsServices services, SettingsPage startPage)
    : services_(std::move(services)), router_(startPage) {}

SettingsWindowController::~SettingsWindowController() = default;

void SettingsWindowController::show(std::optional<SettingsPage> page) {
    if (page) router_.setPage(*page);
    if (!window_) createWindow();
    window_->setWindowTitle(windowTitle(router_.page()));
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void SettingsWindowController::createWindow() {
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::WindowTitleHint |
                                                     Qt::WindowCloseButtonHint |
                                                     Qt::WindowMinimizeButtonHint);
    window_->setObjectName("MendrakeSettings");
    window_->setFixedSize(windowWidth, windowHeight);

    auto* layout = new QHBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    sidebar_ = new SettingsSidebar(router_);
    sidebar_->setFixedWidth(sidebarWidth);
    sidebar_->setAutoFillBackground(true);
    QPalette sidebarPalette = sidebar_->palette();
    sidebarPalette.setColor(QPalette::Window, sidebarPalette.color(QPalette::Window).darker(104));
    sidebar_->setPalette(sidebarPalette);
    layout->addWidget(sidebar_);

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setStyleSheet("color: rgba(0,0,0,40);");
    layout->addWidget(divider);

    detail_ = new SettingsDetail(router_, [this](SettingsPage p) { return makePage(p); });
    layout->addWidget(detail_, 1);

    installWindowShortcuts(window_.get(), services_.quit);
    // The page list takes the keyboard first, so the search field shows its placeholder.
    sidebar_->list()->setFocus();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window_->move(area.center() - QPoint(windowWidth / 2, windowHeight / 2));
    }

    QObject::connect(&router_, &SettingsRouter::pageSelected, window_.get(),
                     [window = window_.get()](SettingsPage p) { window->setWindowTitle(windowTitle(p)); });
}

QWidget* SettingsWindowController::makePage(SettingsPage page) {
    switch (page) {
    case SettingsPage::general: return new GeneralPage(services_);
    case SettingsPage::shortcuts: return new ShortcutsPage(services_);
    case SettingsPage::history: return new HistoryPage(services_);
    case SettingsPage::privacy: return new PrivacyPage(services_);
    case SettingsPage::about: return new AboutPage(services_);
    }
    return new QWidget;
}

}  // namespace mendrake
