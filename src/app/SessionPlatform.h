#pragma once
// The platform roles that differ between X11 and Wayland sessions, chosen once at start.
//
// A Wayland session (Qt on its wayland platform, or WAYLAND_DISPLAY set while Qt runs on XWayland)
// whose compositor answers on our own connection gets the Wayland adapters: the data-control
// clipboard where offered, the toplevel workspace where wlroots' or KDE's window list is offered,
// the virtual-keyboard synthesiser, or KWin's fake input where only that is offered (neither:
// not trusted), the keyboard layout of the seat, and the global-shortcuts portal where the session
// bus offers it (else the desktop binds the shortcut).
// Anything the compositor does not offer falls back to the X11 adapter, which works as far as the
// session allows. Every other session gets the X11 adapters. Main thread only.

#include "platform/HotKeyService.h"
#include "platform/KeySynthesiser.h"
#include "platform/KeyboardLayout.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <QString>

#include <memory>

namespace mendrake {

class SessionPlatform {
public:
    SessionPlatform();
    ~SessionPlatform();
    SessionPlatform(const SessionPlatform&) = delete;
    SessionPlatform& operator=(const SessionPlatform&) = delete;

    Pasteboard& pasteboard() { return *pasteboard_; }
    Workspace& workspace() { return workspace_ ? *workspace_ : *desktop_; }
    KeySynthesiser& keys() { return *keys_; }
    KeyboardLayout& keyboardLayout() { return *keyboardLayout_; }
    HotKeyService& hotKeys() { return *hotKeys_; }

    bool isWayland() const { return wayland_ != nullptr; }
    // False in a Wayland session whose compositor offers no data-control protocol (GNOME): other
    // applications' copies are not seen there.
    bool seesOtherCopies() const { return seesOtherCopies_; }
    // Where the desktop binds the global shortcut (a Wayland compositor lets no client grab keys):
    // the line that binds Shift+Super+V to `mendrake --toggle` in its configuration, or the command
    // alone where its form is unknown. Empty where Mendrake registers the shortcut itself.
    QString desktopShortcutLine() const { return desktopShortcutLine_; }

private:
    struct Wayland;
    // Declared first, destroyed last: the adapters below use its connection.
    std::unique_ptr<Wayland> wayland_;
    // The X11 and desktop-entry workspace: the whole role on X11, icons and files on Wayland.
    std::unique_ptr<Workspace> desktop_;
    std::unique_ptr<Pasteboard> pasteboard_;
    std::unique_ptr<Workspace> workspace_;  // the toplevel workspace; none on X11
    std::unique_ptr<KeySynthesiser> keys_;
    std::unique_ptr<KeyboardLayout> keyboardLayout_;
    std::unique_ptr<HotKeyService> hotKeys_;
    bool seesOtherCopies_ = true;
    QString desktopShortcutLine_;
};

}  // namespace mendrake
