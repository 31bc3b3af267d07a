#include "onboarding/OnboardingWindowController.h"

#include "hotkey/HotKeyCombo.h"
#include "prefs/Preferences.h"
#include "settings/WindowShortcuts.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace mendrake {

// Reports its closing to the controller. Deleted later, never from inside its own close.
class OnboardingWindowController::GuideWindow : public QWidget {
public:
    explicit GuideWindow(std::function<void()> willClose)
        : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
          willClose_(std::move(willClose)) {}
    void detach() { willClose_ = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->accept();
        if (auto callback = willClose_) callback();
    }

private:
    std::function<void()> willClose_;
};

OnboardingWindowController::OnboardingWindowController(OnboardingServices services,
                                                       std::function<void()> onFinish)
    : services_(std::move(services)), onFinish_(std::move(onFinish)) {}

OnboardingWindowController::~OnboardingWindowController() {
    if (window_) {
        static_cast<GuideWindow*>(window_.data())->detach();
        window_->hide();
        window_->deleteLater();
    }
}

void OnboardingWindowController::show(bool startOnPermissions) {
    const bool firstShowing = !window_;
    if (firstShowing) {
        auto* window = new GuideWindow([this] { windowWillClose(); });
        window->setWindowTitle("Welcome to Mendrake");
        window->setObjectName("MendrakeGuide");
        window->setFixedSize(500, 400);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        installWindowShortcuts(window, services_.quit);
        window_ = window;
    }
    delete view_;
    QPointer<QWidget> window = window_;
    // The icon is there only with a tray to hold it and while the user has not hidden it.
    const bool trayIconShown =
        services_.trayAvailable && services_.trayAvailable() && services_.prefs.showMenuBarIcon();
    view_ = new OnboardingView(
        startOnPermissions ? OnboardingView::Page::permissions : OnboardingView::Page::welcome,
        displayString(services_.prefs.hotKey(), services_.keyboardLayout), trayIconShown,
        services_.keySynthesiser, services_.clock, [window] {
            if (window) window->close();
        });
    window_->layout()->addWidget(view_);
    if (firstShowing) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            window_->move(screen->availableGeometry().center() - QPoint(250, 200));
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void OnboardingWindowController::windowWillClose() {
    if (finished_) return;
    finished_ = true;
    QWidget* window = window_;
    window_ = nullptr;
    view_ = nullptr;
    if (window) {
        static_cast<GuideWindow*>(window)->detach();
        window->deleteLater();
    }
    // Last: the owner may destroy this controller from inside onFinish.
    if (auto finish = onFinish_) finish();
}

}  // namespace mendrake
