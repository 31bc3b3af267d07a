#include "hotkey/HotKey.h"

#include <utility>

namespace mendrake {

HotKeyRegistry::HotKeyRegistry(HotKeyService& service, Clock& clock)
    : service_(service), clock_(clock) {}

void HotKeyRegistry::pressed(std::uint32_t id) {
    // Deferred so the action never runs inside the event handler; the lookup happens when the task
    // runs, so a HotKey destroyed in the meantime is skipped. Presses queue in order behind one task.
    pendingPresses_.push_back(id);
    if (pendingPresses_.size() > 1) return;
    dispatch_ = clock_.after(0, [this] {
        for (const std::uint32_t pressed : std::exchange(pendingPresses_, {})) {
            const auto it = hotKeyActions_.find(pressed);
            if (it == hotKeyActions_.end()) continue;
            // A copy, because the action may destroy its own HotKey.
            auto action = it->second;
            action();
        }
    });
}

std::unique_ptr<HotKey> HotKey::create(HotKeyRegistry& registry, const HotKeyCombo& combo,
                                       std::function<void()> action) {
    if (!registry.handlerInstalled_) {
        registry.handlerInstalled_ = true;
        registry.service_.installHandler([&registry](std::uint32_t id) { registry.pressed(id); });
    }
    const std::uint32_t id = registry.nextHotKeyID_++;
    const auto ref = registry.service_.registerHotKey(combo.keycode, combo.modifiers, id);
    if (!ref || *ref == 0) return nullptr;
    registry.hotKeyActions_[id] = std::move(action);
    return std::unique_ptr<HotKey>(new HotKey(registry, id, *ref, combo));
}

HotKey::HotKey(HotKeyRegistry& registry, std::uint32_t id, HotKeyService::Handle ref,
               HotKeyCombo combo)
    : registry_(registry), id_(id), ref_(ref), combo_(combo) {}

HotKey::~HotKey() {
    if (ref_) registry_.service_.unregisterHotKey(*ref_);
    registry_.hotKeyActions_.erase(id_);
}

}  // namespace mendrake
