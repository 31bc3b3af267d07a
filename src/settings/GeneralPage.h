#pragma once
// Start-up, tray, paste and sound switches, and whether Mendrake can type the paste chord on this
// display (the XTEST extension). That is re-read every second while the page exists.

#include "platform/Clock.h"
#include "settings/FormWidgets.h"

#include <memory>

class QLabel;

namespace mendrake {

struct SettingsServices;

class GeneralPage : public FormPage {
public:
    explicit GeneralPage(SettingsServices& services, QWidget* parent = nullptr);
    bool trusted() const { return trusted_; }

private:
    void setTrusted(bool trusted);

    SettingsServices& services_;
    bool trusted_;
    QLabel* stateSymbol_;
    QLabel* stateText_;
    QLabel* keystrokeDetail_;
    std::unique_ptr<Clock::Timer> timer_;
};

}  // namespace mendrake
