#include "platform/x11/XkbKeyboardLayout.h"

#include <QGuiApplication>

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>

namespace mendrake {

namespace {

struct KeymapDeleter {
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};

std::optional<QString> printableText(xkb_keysym_t keysym) {
    char buffer[64];
    const int size = xkb_keysym_to_utf8(keysym, buffer, sizeof buffer);
    if (size <= 1) return std::nullopt;  // the size counts the terminating NUL
    const QString text = QString::fromUtf8(buffer, size - 1);
    for (QChar c : text)
        if (c.category() == QChar::Other_Control) return std::nullopt;
    return text;
}

}  // namespace

XkbKeyboardLayout::XkbKeyboardLayout() {
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!app || !app->connection()) return;
    if (!xkb_x11_setup_xkb_extension(app->connection(), XKB_X11_MIN_MAJOR_XKB_VERSION,
                                     XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                     nullptr, nullptr, nullptr, nullptr))
        return;
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context_) connection_ = app->connection();
}

XkbKeyboardLayout::~XkbKeyboardLayout() {
    if (context_) xkb_context_unref(context_);
}

std::vector<std::optional<QString>> XkbKeyboardLayout::characters(
    const std::vector<std::uint32_t>& keycodes) const {
    std::vector<std::optional<QString>> result(keycodes.size());
    if (!connection_) return result;

    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection_);
    if (device < 0) return result;
    std::unique_ptr<xkb_keymap, KeymapDeleter> keymap(
        xkb_x11_keymap_new_from_device(context_, connection_, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return result;
    std::unique_ptr<xkb_state, KeymapDeleter> state(
        xkb_x11_state_new_from_device(keymap.get(), connection_, device));
    if (!state) return result;
    const xkb_layout_index_t group = xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE);
    return keymapCharacters(keymap.get(), group, keycodes);
}

std::vector<std::optional<QString>> keymapCharacters(xkb_keymap* keymap, std::uint32_t group,
                                                     const std::vector<std::uint32_t>& keycodes) {
    std::vector<std::optional<QString>> result(keycodes.size());
    for (std::size_t i = 0; i < keycodes.size(); ++i) {
        const xkb_keycode_t keycode = keycodes[i];
        if (keycode < 8 || keycode > 255) continue;
        const xkb_layout_index_t groups = xkb_keymap_num_layouts_for_key(keymap, keycode);
        if (groups == 0) continue;
        // A key with fewer groups than the keyboard falls back to its first group.
        const xkb_layout_index_t keyGroup = group < groups ? group : 0;
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, keyGroup, 0, &syms);
        if (count == 1) result[i] = printableText(syms[0]);
    }
    return result;
}

}  // namespace mendrake
