#pragma once
// Owns the first-run guide's 500 x 400 window. Each `show` puts a fresh OnboardingView in it (so
// its page, permission state and shortcut text start over), creating the window the first time.
// Closing the window by any means (the last page's button, the close button, Ctrl+W) runs
// `onFinish` once per controller; the controller may be destroyed from inside `onFinish`.
// Main thread only.

#include "onboarding/OnboardingView.h"

#include <QPointer>

#include <functional>

namespace mendrake {

class Clock;
class KeyboardLayout;
class KeySynthesiser;
class Preferences;

// What the guide uses. References must outlive the controller.
struct OnboardingServices {
    Preferences& prefs;               // the shortcut shown in the guide
    KeyboardLayout& keyboardLayout;   // its key name
    KeySynthesiser& keySynthesiser;   // whether the paste chord can be typed
    Clock& clock;                     // the one-second trust poll
    std::function<void()> quit;       // Ctrl+Q
    // Whether the desktop has a system tray, asked at each showing; none: the guide does not
    // point to a tray icon.
    std::function<bool()> trayAvailable;
};

class OnboardingWindowController {
public:
    OnboardingWindowController(OnboardingServices services, std::function<void()> onFinish);
    ~OnboardingWindowController();

    void show(bool startOnPermissions);

    QWidget* window() const { return window_; }  // null before the first show and after closing
    OnboardingView* view() const { return view_; }
    bool finished() const { return finished_; }

private:
    class GuideWindow;
    void windowWillClose();

    OnboardingServices services_;
    std::function<void()> onFinish_;
    bool finished_ = false;
    QPointer<QWidget> window_;
    QPointer<OnboardingView> view_;
};

}  // namespace mendrake
