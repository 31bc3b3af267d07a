#pragma once
// The paste engine: puts a history item back on the clipboard (as copied, or as plain text) and
// types the paste chord into the application the user was working in.
//
// It keeps no state of its own; the order of the whole "use an item" operation lives in
// AppDelegate::activate, which calls the pieces here. Main thread only.

#include "capture/ClipModel.h"
#include "platform/Clock.h"
#include "platform/KeySynthesiser.h"
#include "platform/KeyboardLayout.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <functional>
#include <memory>
#include <optional>

namespace mendrake {

class HistoryStore;

class PasteEngine {
public:
    // Time for the target application to become active before the keystroke reaches it.
    static constexpr double pasteDelay = 0.08;
    // X keycode of the V position on a US keyboard, used when the layout has no key for "v".
    static constexpr std::uint32_t usVKeycode = 55;

    PasteEngine(Pasteboard& pasteboard, KeySynthesiser& keys, const KeyboardLayout& layout,
                Workspace& workspace, Clock& clock);

    // Clears the clipboard and writes the item: its files as file references, else (unless `plain`
    // asks for text and it is not an image) every stored representation as one item, else its full
    // text. Stored representations are used only when their content gives the row's hash back.
    // Returns the clipboard's change count after the write.
    qint64 writeToPasteboard(const ClipItem& item, HistoryStore& store, bool plain);

    // Brings `target` to the front unless it already is, then, `pasteDelay` seconds later, posts the
    // paste chord if the target's window is in front and holds the keyboard focus. Otherwise (or
    // without a target) nothing is typed, the item stays on the clipboard and `onPasteRefused` runs.
    void pasteInto(const std::optional<RunningApplication>& target);
    std::function<void()> onPasteRefused;

    // One press of Control and the key that types "v" under the current layout, nothing else held.
    void postPasteChord();

    bool isTrusted() const { return keys_.isTrusted(); }

private:
    Pasteboard& pasteboard_;
    KeySynthesiser& keys_;
    const KeyboardLayout& layout_;
    Workspace& workspace_;
    Clock& clock_;
    // The pending keystroke: destroying the engine cancels it.
    std::unique_ptr<Clock::Timer> pasteTimer_;
};

}  // namespace mendrake
