#pragma once
// KeySynthesiser: posts synthetic key presses into the user's session and says whether the
// process is allowed to.
//
// Contract: the key is an X keycode (a physical position: the evdev code plus 8); modifiers are
// Ctrl, Alt, Shift and Meta (Super), any other flag ignored. `postKeyPress` sends one key down
// and one key up carrying exactly the given modifiers: modifiers the user happens to hold are not
// carried. It fails silently (nothing is posted) when the key has no code on this machine or
// synthesising is not available. `isTrusted` (synthesising is available: on X11, the XTEST
// extension is present; on Wayland, the compositor offers a virtual keyboard; there is no permission
// to ask for) is cheap and may be called once a second. `mechanism` names what the keys go through,
// so that texts can say what the session needs. Main thread only. Owns its connection to the
// display server.

#include <Qt>

#include <cstdint>

namespace mendrake {

class KeySynthesiser {
public:
    enum class Mechanism { xtest, virtualKeyboard };

    virtual ~KeySynthesiser() = default;

    virtual bool isTrusted() const = 0;
    virtual void postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) = 0;
    virtual Mechanism mechanism() const { return Mechanism::xtest; }
};

}  // namespace mendrake
