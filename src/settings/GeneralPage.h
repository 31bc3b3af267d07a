#pragma once
// Start-up, menu-bar, paste and sound switches, and whether the desktop lets Mendrake press keys.
// The permission is re-read every second while the page exists.

#include "platform/Clock.h"
#include "settings/FormWidgets.h"

#include <memory>

class QPushButton;

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
    QWidget* allowed_;
    QPushButton* allow_;
    std::unique_ptr<Clock::Timer> timer_;
};

}  // namespace mendrake
