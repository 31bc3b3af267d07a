#pragma once
// Login items on Linux: the XDG autostart entry `mendrake.desktop` in $XDG_CONFIG_HOME/autostart.
// Enabled means the entry exists and does not say Hidden=true (how desktops switch an entry off).
// Enabling writes the entry atomically, replacing any switched-off one; disabling removes it.

#include "platform/LoginItems.h"

namespace mendrake {

class XdgAutostartLoginItems final : public LoginItems {
public:
    // `executable` is the command the session starts, normally the running binary's path.
    XdgAutostartLoginItems(QString executable, QString autostartDirectory = defaultDirectory());

    // $XDG_CONFIG_HOME/autostart (~/.config/autostart when the variable is unset).
    static QString defaultDirectory();

    bool isEnabled() const override;
    std::optional<QString> enable() override;
    std::optional<QString> disable() override;

    QString entryPath() const;

private:
    QString executable_;
    QString directory_;
};

// The Exec value for `program`: quoted and escaped as desktop entries require when it holds
// spaces or shell characters.
QString desktopEntryExec(const QString& program);

}  // namespace mendrake
