#include "platform/wayland/WaylandKeyboardLayout.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/x11/XkbKeyboardLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <memory>

namespace mendrake {

namespace {
struct XkbDeleter {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
}  // namespace

WaylandKeyboardLayout::WaylandKeyboardLayout(const WaylandConnection& connection) : connection_(connection) {}

std::vector<std::optional<QString>> WaylandKeyboardLayout::characters(const std::vector<std::uint32_t>& keycodes) const {
    std::unique_ptr<xkb_context, XkbDeleter> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context) return std::vector<std::optional<QString>>(keycodes.size());
    const std::string text = connection_.seatKeymap();
    std::unique_ptr<xkb_keymap, XkbDeleter> keymap;
    if (!text.empty())
        keymap.reset(xkb_keymap_new_from_string(context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) keymap.reset(xkb_keymap_new_from_names(context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return std::vector<std::optional<QString>>(keycodes.size());
    return keymapCharacters(keymap.get(), 0, keycodes);
}

}  // namespace mendrake
