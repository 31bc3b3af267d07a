#pragma once
// The product texts that would otherwise name macOS-only things, in their Linux wording: the tray
// instead of the menu bar, Ctrl+V as the paste chord, and what the session needs for Mendrake to
// type that chord (the X server's XTEST extension, or the Wayland compositor's virtual keyboard;
// there is no permission to grant either way).

#include "platform/KeySynthesiser.h"

#include <QString>

namespace mendrake::desktopTexts {

inline QString showInFiles() { return QStringLiteral("Show in Files"); }
inline QString historyStaysHere() { return QStringLiteral("History stays on this computer"); }
inline QString showInTray() { return QStringLiteral("Show in tray"); }
inline QString menuBarHiddenHint() {
    return QStringLiteral("When hidden, run Mendrake again to get back to Settings.");
}
inline QString pasteYourselfHint() { return QStringLiteral("Turn off to only copy, then press Ctrl+V yourself."); }

// The General page's row on typing the paste chord, and its state.
inline QString pasteKeystrokeTitle() { return QStringLiteral("Paste keystroke"); }
inline QString pasteKeystrokeState(bool available) {
    return available ? QStringLiteral("Available") : QStringLiteral("Unavailable");
}
inline QString pasteKeystrokeDetail(bool available, KeySynthesiser::Mechanism mechanism) {
    if (mechanism == KeySynthesiser::Mechanism::virtualKeyboard)
        return available ? QStringLiteral("Mendrake presses Ctrl+V through the compositor's virtual keyboard. "
                                          "Nothing needs to be allowed.")
                         : QStringLiteral("This compositor offers no virtual keyboard, so choosing an item copies "
                                          "it and you press Ctrl+V yourself.");
    return available ? QStringLiteral("Mendrake presses Ctrl+V through the X server's XTEST extension. "
                                      "Nothing needs to be allowed.")
                     : QStringLiteral("The X server's XTEST extension is disabled. Enable it in the X server "
                                      "configuration; until then, press Ctrl+V yourself.");
}

// The first-run guide's permission page.
inline QString pasteAccessExplanation(bool available, KeySynthesiser::Mechanism mechanism) {
    if (mechanism == KeySynthesiser::Mechanism::virtualKeyboard)
        return available ? QStringLiteral("To paste straight into the app you're using, Mendrake presses Ctrl+V "
                                          "for you through the compositor's virtual keyboard. On this desktop "
                                          "there is nothing to allow.")
                         : QStringLiteral("To paste straight into the app you're using, Mendrake would press "
                                          "Ctrl+V for you through a virtual keyboard, which this compositor does "
                                          "not offer. Choosing an item copies it and you press Ctrl+V yourself.");
    return available ? QStringLiteral("To paste straight into the app you're using, Mendrake presses Ctrl+V "
                                      "for you through the X server's XTEST extension. On this desktop there "
                                      "is nothing to allow.")
                     : QStringLiteral("To paste straight into the app you're using, Mendrake presses Ctrl+V "
                                      "for you through the X server's XTEST extension, which this display "
                                      "does not offer. Enable XTEST in the X server configuration (the server "
                                      "must not run with \"-extension XTEST\"). Until then, choosing an item "
                                      "copies it and you press Ctrl+V yourself.");
}
inline QString pasteAccessReady() { return QStringLiteral("Ready to paste"); }

// The Shortcuts page where the desktop binds the shortcut (a Wayland compositor without the
// global-shortcuts portal): what to do, and the command to bind.
inline QString desktopBindsShortcut() {
    return QStringLiteral("This desktop lets no app take a global shortcut: bind a key to "
                          "\"mendrake --toggle\" in its keyboard settings or its configuration (the line above).");
}

// Where Settings and Pause are found: the tray icon when one is shown, else the panel's gear.
inline QString settingsAndPauseHint(bool trayIconShown, const QString& hotKey) {
    return trayIconShown ? QStringLiteral("Settings and Pause live in the tray icon.")
                         : QStringLiteral("Settings and Pause live behind the panel's gear: run mendrake "
                                          "again or press %1.")
                               .arg(hotKey);
}

}  // namespace mendrake::desktopTexts
