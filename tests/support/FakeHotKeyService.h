#pragma once
// A hot-key service that grants every registration unless a combination is `taken` or
// `failNextRegistration` is set. `press(keycode, modifiers)` plays the system's press: it calls the
// installed handler with the id of the matching live registration, as the real service would.

#include "platform/HotKeyService.h"

#include <map>
#include <set>
#include <utility>

namespace mendrake::test {

class FakeHotKeyService final : public HotKeyService {
public:
    struct Registration {
        std::uint32_t keycode;
        Qt::KeyboardModifiers modifiers;
        std::uint32_t id;
    };

    void installHandler(std::function<void(std::uint32_t)> h) override { handler = std::move(h); }

    std::optional<Handle> registerHotKey(std::uint32_t keycode, Qt::KeyboardModifiers modifiers,
                                         std::uint32_t id) override {
        attempts.push_back({keycode, modifiers, id});
        if (std::exchange(failNextRegistration, false) || taken.contains({keycode, modifiers.toInt()})) return std::nullopt;
        live[nextHandle] = {keycode, modifiers, id};
        return nextHandle++;
    }

    void unregisterHotKey(Handle handle) override {
        unregistered.push_back(handle);
        live.erase(handle);
    }

    // Returns false when no live registration matches (the press goes to the focused window).
    bool press(std::uint32_t keycode, Qt::KeyboardModifiers modifiers) {
        for (const auto& [handle, r] : live)
            if (r.keycode == keycode && r.modifiers == modifiers) {
                if (handler) handler(r.id);
                return true;
            }
        return false;
    }

    std::function<void(std::uint32_t)> handler;
    bool failNextRegistration = false;
    std::set<std::pair<std::uint32_t, int>> taken;  // keycode, modifiers.toInt()
    std::vector<Registration> attempts;
    std::map<Handle, Registration> live;
    std::vector<Handle> unregistered;
    Handle nextHandle = 1;
};

}  // namespace mendrake::test
