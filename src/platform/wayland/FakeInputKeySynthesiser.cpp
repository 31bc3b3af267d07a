#include "platform/wayland/FakeInputKeySynthesiser.h"

#include "platform/wayland/WaylandConnection.h"

#include "fake-input-client-protocol.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <vector>

namespace mendrake {

FakeInputKeySynthesiser::FakeInputKeySynthesiser(WaylandConnection& connection) : connection_(connection) {
    if (!connection_.isConnected() || !connection_.globals().fakeInput) return;
    input_ = connection_.globals().fakeInput;
    connection_.call([this] {
        org_kde_kwin_fake_input_authenticate(input_, "Mendrake", "Pastes the item chosen from the clipboard history");
    });
}

bool FakeInputKeySynthesiser::isTrusted() const { return input_ && connection_.isConnected(); }

void FakeInputKeySynthesiser::postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) {
    if (!isTrusted() || keycode <= 8 || keycode > 255) return;
    std::vector<std::uint32_t> held;
    if (modifiers & Qt::ControlModifier) held.push_back(KEY_LEFTCTRL);
    if (modifiers & Qt::ShiftModifier) held.push_back(KEY_LEFTSHIFT);
    if (modifiers & Qt::AltModifier) held.push_back(KEY_LEFTALT);
    if (modifiers & Qt::MetaModifier) held.push_back(KEY_LEFTMETA);
    // The protocol names keys by evdev code, the X keycode less 8.
    const std::uint32_t key = keycode - 8;
    connection_.call([&] {
        for (std::uint32_t modifier : held)
            org_kde_kwin_fake_input_keyboard_key(input_, modifier, WL_KEYBOARD_KEY_STATE_PRESSED);
        org_kde_kwin_fake_input_keyboard_key(input_, key, WL_KEYBOARD_KEY_STATE_PRESSED);
        org_kde_kwin_fake_input_keyboard_key(input_, key, WL_KEYBOARD_KEY_STATE_RELEASED);
        for (auto it = held.rbegin(); it != held.rend(); ++it)
            org_kde_kwin_fake_input_keyboard_key(input_, *it, WL_KEYBOARD_KEY_STATE_RELEASED);
    });
}

}  // namespace mendrake
