#pragma once
// The Wayland key synthesiser: a zwp_virtual_keyboard_v1 keyboard on Mendrake's own connection.
// It uploads one keymap (the text given; else the seat keyboard's, the session's current layout;
// else the one xkbcommon compiles from the XKB_DEFAULT_* variables or its defaults) and presses
// keys by their position in it: the caller picks the position that types "v" in that layout, and
// the target reads the key with the keymap uploaded.
// Following the seat, it uploads the seat's keymap again before a key press once the seat's has
// changed (a layout switch), so the key picked under the current layout types the same there.
// Modifiers are sent as this keyboard's own modifier state: modifiers the user holds on another
// keyboard are not carried. Trusted means the compositor offers the protocol and the keyboard
// exists.

#include "platform/KeySynthesiser.h"

#include <QByteArray>

#include <memory>
#include <string>

namespace mendrake {

class WaylandConnection;

class VirtualKeyboardKeySynthesiser final : public KeySynthesiser {
public:
    explicit VirtualKeyboardKeySynthesiser(WaylandConnection& connection, QByteArray keymapText = {});
    ~VirtualKeyboardKeySynthesiser() override;

    VirtualKeyboardKeySynthesiser(const VirtualKeyboardKeySynthesiser&) = delete;
    VirtualKeyboardKeySynthesiser& operator=(const VirtualKeyboardKeySynthesiser&) = delete;

    bool isTrusted() const override;
    void postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) override;
    Mechanism mechanism() const override { return Mechanism::virtualKeyboard; }

    struct Keyboard;

private:
    // Compiles the keymap (or the default), keeps its modifier masks and hands it to the compositor.
    bool upload(QByteArray keymapText);

    WaylandConnection& connection_;
    const bool followsSeat_;  // no keymap was given: the seat's is uploaded, and again when it changes
    std::string seatKeymap_;  // the seat's keymap as last uploaded
    std::unique_ptr<Keyboard> keyboard_;
};

}  // namespace mendrake
