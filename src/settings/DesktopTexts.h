#pragma once
// The product texts that would otherwise name macOS-only things, in their Linux wording.

#include <QString>

namespace mendrake::desktopTexts {

inline QString showInFiles() { return QStringLiteral("Show in Files"); }
inline QString historyStaysHere() { return QStringLiteral("History stays on this computer"); }
inline QString menuBarHiddenHint() {
    return QStringLiteral("When hidden, run Mendrake again to get back to Settings.");
}
inline QString accessibilityExplanation() {
    return QString::fromUtf8(
        "To paste straight into the app you're using, your desktop needs to let Mendrake send key "
        "presses (the XTest input extension of the X server). Mendrake only uses it to press ⌘V.");
}

}  // namespace mendrake::desktopTexts
