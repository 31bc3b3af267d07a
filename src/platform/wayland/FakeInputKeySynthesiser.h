#pragma once
// The key synthesiser on KDE Plasma: KWin's org_kde_kwin_fake_input on Mendrake's own connection.
// It introduces itself once (`authenticate`, the name and reason KWin may show the user) and then
// types with KWin's own keyboard: the key goes by its position (the evdev code), so the caller's
// key that types "v" in the session's layout types it here too; each modifier is pressed around
// the key as its left-hand key and released after it. Trusted means the compositor offers the
// protocol (KWin hands it only to programs whose desktop entry asks for it).

#include "platform/KeySynthesiser.h"

struct org_kde_kwin_fake_input;

namespace mendrake {

class WaylandConnection;

class FakeInputKeySynthesiser final : public KeySynthesiser {
public:
    explicit FakeInputKeySynthesiser(WaylandConnection& connection);

    bool isTrusted() const override;
    void postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) override;
    Mechanism mechanism() const override { return Mechanism::virtualKeyboard; }

private:
    WaylandConnection& connection_;
    org_kde_kwin_fake_input* input_ = nullptr;
};

}  // namespace mendrake
