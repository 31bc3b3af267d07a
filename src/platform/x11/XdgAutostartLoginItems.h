#pragma once
// Login items on Linux: the XDG autostart entry `<application id>.desktop` in
// $XDG_CONFIG_HOME/autostart. Enabled means the entry exists, is not switched off (Hidden=true, or
// GNOME's X-GNOME-Autostart-enabled=false) and its Exec names an executable program: an entry whose
// binary has moved would fail silently at login, so it does not count. Enabling writes the entry
// atomically, replacing any switched-off one; disabling removes it.

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

    // At start: an entry that is switched on but names a program that is no longer executable (the
    // binary moved or was removed) is written again for `executable`; an entry under the older name
    // `mendrake.desktop` moves to the current one. Nullopt when nothing failed.
    std::optional<QString> repairStaleEntry();

    QString entryPath() const;

private:
    QString executable_;
    QString directory_;
};

// The Exec value for `program`: quoted and escaped as desktop entries require when it holds
// spaces or shell characters.
QString desktopEntryExec(const QString& program);

// The program an Exec value runs (its first argument, unquoted and unescaped); empty when malformed.
QString desktopEntryProgram(const QString& exec);

// The program the autostart entry runs: the installed binary when the running one is it (through
// whatever link it was started), else the running binary's absolute path.
QString autostartProgram(const QString& runningBinary, const QString& installedBinary);

}  // namespace mendrake
