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

WaylandKeyboardLayout::WaylandKeyboardLayout(const WaylandConnection& connection,
                                             std::function<unsigned(std::uint32_t)> evdevCodeFor)
    : connection_(connection), evdevCodeFor_(std::move(evdevCodeFor)) {}

std::vector<std::optional<QString>> WaylandKeyboardLayout::characters(const std::vector<std::uint32_t>& keyCodes) const {
    std::unique_ptr<xkb_context, XkbDeleter> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context || !evdevCodeFor_) return std::vector<std::optional<QString>>(keyCodes.size());
    const std::string text = connection_.seatKeymap();
    std::unique_ptr<xkb_keymap, XkbDeleter> keymap;
    if (!text.empty())
        keymap.reset(xkb_keymap_new_from_string(context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) keymap.reset(xkb_keymap_new_from_names(context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return std::vector<std::optional<QString>>(keyCodes.size());
    const auto x11KeycodeFor = [this](std::uint32_t keyCode) {
        const unsigned evdev = evdevCodeFor_(keyCode);
        return evdev ? evdev + 8 : 0;
    };
    return keymapCharacters(keymap.get(), 0, keyCodes, x11KeycodeFor);
}

}  // namespace mendrake
