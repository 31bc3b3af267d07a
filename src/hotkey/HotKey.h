#pragma once
// HotKey: one registration of a global shortcut, alive as long as the object.
//
// HotKeyRegistry is the process's one adapter over the hot-key service: it hands out hot key ids
// (counting from 1, advancing on every attempt, also a failed one, so ids are never reused), keeps
// the table from id to action, installs the press handler on first use, and defers every press to
// the main event loop (Clock::after with no delay) so that an action never runs inside the event
// handler. A deferred press looks its id up when it runs: a HotKey destroyed in between is not run.
// The application creates one registry and keeps it for the life of the process; every HotKey must
// be destroyed before its registry. Main thread only.

#include "hotkey/HotKeyCombo.h"
#include "platform/Clock.h"
#include "platform/HotKeyService.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace mendrake {

class HotKeyRegistry {
public:
    HotKeyRegistry(HotKeyService& service, Clock& clock);
    HotKeyRegistry(const HotKeyRegistry&) = delete;
    HotKeyRegistry& operator=(const HotKeyRegistry&) = delete;


private:
    friend class HotKey;

    void pressed(std::uint32_t id);

    HotKeyService& service_;
    Clock& clock_;
    std::vector<std::uint32_t> pendingPresses_;
    std::unique_ptr<Clock::Timer> dispatch_;
    bool handlerInstalled_ = false;
    std::uint32_t nextHotKeyID_ = 1;
    std::map<std::uint32_t, std::function<void()>> hotKeyActions_;
};

class HotKey {
public:
    // Registers `combo` system-wide; `action` runs on the main thread on each press for as long as
    // the HotKey lives. nullptr when the system refused the registration (the id is still used).
    static std::unique_ptr<HotKey> create(HotKeyRegistry& registry, const HotKeyCombo& combo,
                                          std::function<void()> action);

    // Unregisters the shortcut and drops its action; a press already deferred then does nothing.
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    std::uint32_t id() const { return id_; }
    const HotKeyCombo& combo() const { return combo_; }

private:
    HotKey(HotKeyRegistry& registry, std::uint32_t id, HotKeyService::Handle ref, HotKeyCombo combo);

    HotKeyRegistry& registry_;
    std::uint32_t id_;
    std::optional<HotKeyService::Handle> ref_;
    HotKeyCombo combo_;
};

}  // namespace mendrake
