#include "platform/wayland/VirtualKeyboardKeySynthesiser.h"

#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>

namespace mendrake {

namespace {

// The keymap as text: the one given when it compiles, else xkbcommon's default (XKB_DEFAULT_* or
// "us"); `keymap` receives it compiled.
QByteArray keymapOrDefault(QByteArray text, xkb_context* context, xkb_keymap** keymap) {
    if (!text.isEmpty()) {
        *keymap = xkb_keymap_new_from_string(context, text.constData(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (*keymap) return text;
    }
    *keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!*keymap) return {};
    char* compiled = xkb_keymap_get_as_string(*keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    QByteArray out(compiled);
    std::free(compiled);
    return out;
}

std::uint32_t milliseconds() {
    using namespace std::chrono;
    return std::uint32_t(duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

struct VirtualKeyboardKeySynthesiser::Keyboard {
    zwp_virtual_keyboard_v1* keyboard = nullptr;
    std::uint32_t control = 0, shift = 0, alt = 0, super = 0;  // modifier masks in the keymap

    ~Keyboard() {
        if (keyboard) zwp_virtual_keyboard_v1_destroy(keyboard);
    }
};

VirtualKeyboardKeySynthesiser::VirtualKeyboardKeySynthesiser(WaylandConnection& connection, QByteArray keymapText)
    : connection_(connection), followsSeat_(keymapText.isEmpty()) {
    const WaylandConnection::Globals& g = connection_.globals();
    if (!connection_.isConnected() || !g.virtualKeyboard || !g.seat) return;
    auto keyboard = std::make_unique<Keyboard>();
    connection_.call([&] {
        keyboard->keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(g.virtualKeyboard, g.seat);
    });
    if (!keyboard->keyboard) return;
    keyboard_ = std::move(keyboard);
    if (followsSeat_) {
        seatKeymap_ = connection_.seatKeymap();
        keymapText = QByteArray::fromStdString(seatKeymap_);
    }
    if (!upload(std::move(keymapText))) connection_.call([this] { keyboard_.reset(); });
}

bool VirtualKeyboardKeySynthesiser::upload(QByteArray keymapText) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) return false;
    xkb_keymap* keymap = nullptr;
    const QByteArray text = keymapOrDefault(std::move(keymapText), context, &keymap);
    if (!keymap) {
        xkb_context_unref(context);
        return false;
    }
    auto mask = [keymap](const char* name) {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
        return index == XKB_MOD_INVALID ? 0u : 1u << index;
    };
    Keyboard& k = *keyboard_;
    k.control = mask(XKB_MOD_NAME_CTRL);
    k.shift = mask(XKB_MOD_NAME_SHIFT);
    k.alt = mask(XKB_MOD_NAME_ALT);
    k.super = mask(XKB_MOD_NAME_LOGO);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);

    // The compositor maps the keymap from a file; it includes the terminating NUL.
    const int fd = memfd_create("mendrake-keymap", MFD_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.constData(), size_t(text.size()) + 1) == text.size() + 1;
    if (written) {
        connection_.call([&] {
            zwp_virtual_keyboard_v1_keymap(k.keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                           std::uint32_t(text.size() + 1));
        });
    }
    ::close(fd);
    return written;
}

VirtualKeyboardKeySynthesiser::~VirtualKeyboardKeySynthesiser() {
    connection_.call([this] { keyboard_.reset(); });
}

bool VirtualKeyboardKeySynthesiser::isTrusted() const { return keyboard_ && connection_.isConnected(); }

void VirtualKeyboardKeySynthesiser::postKeyPress(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) {
    if (!isTrusted() || keycode <= 8 || keycode > 255) return;
    // The caller chose the key by the layout the seat has now: after a layout switch, type with it.
    if (followsSeat_) {
        std::string seat = connection_.seatKeymap();
        if (!seat.empty() && seat != seatKeymap_) {
            seatKeymap_ = std::move(seat);
            upload(QByteArray::fromStdString(seatKeymap_));
        }
    }
    // The protocol names keys by evdev code, the X keycode less 8.
    const std::uint32_t key = keycode - 8;
    const Keyboard& k = *keyboard_;
    std::uint32_t mask = 0;
    if (modifiers & Qt::ControlModifier) mask |= k.control;
    if (modifiers & Qt::ShiftModifier) mask |= k.shift;
    if (modifiers & Qt::AltModifier) mask |= k.alt;
    if (modifiers & Qt::MetaModifier) mask |= k.super;
    connection_.call([&] {
        const std::uint32_t time = milliseconds();
        zwp_virtual_keyboard_v1_modifiers(k.keyboard, mask, 0, 0, 0);
        zwp_virtual_keyboard_v1_key(k.keyboard, time, key, WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_key(k.keyboard, time, key, WL_KEYBOARD_KEY_STATE_RELEASED);
        zwp_virtual_keyboard_v1_modifiers(k.keyboard, 0, 0, 0, 0);
    });
}

}  // namespace mendrake
