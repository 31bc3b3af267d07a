#pragma once
// Preferences over in-memory fakes, for every test that needs them: `defaults` holds what is
// stored (`writes` counts the writes), `clock` decides when a pause ends, `loginItems` is the
// autostart entry (`failWith` makes the next change fail with that description and keep the state),
// `log` the log.

#include "platform/DefaultsStore.h"
#include "platform/LoginItems.h"
#include "prefs/Preferences.h"

#include "FakeClock.h"
#include "FakeSystemLog.h"

#include <map>
#include <memory>
#include <utility>

namespace mendrake::test {

class FakeDefaultsStore final : public DefaultsStore {
public:
    std::optional<QVariant> value(const QString& key) const override {
        return values.count(key) ? std::optional(values.at(key)) : std::nullopt;
    }
    void setValue(const QString& key, const QVariant& value) override {
        ++writes;
        values[key] = value;
    }
    void remove(const QString& key) override {
        ++writes;
        values.erase(key);
    }

    std::map<QString, QVariant> values;  // tests may seed it with any type
    int writes = 0;
};

class FakeLoginItems final : public LoginItems {
public:
    bool isEnabled() const override { return enabled; }
    std::optional<QString> enable() override { return change(true); }
    std::optional<QString> disable() override { return change(false); }

    bool enabled = false;
    std::optional<QString> failWith;
    int enables = 0, disables = 0;

private:
    std::optional<QString> change(bool on) {
        ++(on ? enables : disables);
        if (failWith) return std::exchange(failWith, std::nullopt);
        enabled = on;
        return std::nullopt;
    }
};

struct PreferencesFixture {
    FakeClock clock;
    FakeDefaultsStore defaults;
    FakeLoginItems loginItems;
    FakeSystemLog log;
    Preferences prefs{defaults, loginItems, log, clock};

    // Preferences read afresh from what is stored now, as the next start reads them.
    std::unique_ptr<Preferences> reload() { return std::make_unique<Preferences>(defaults, loginItems, log, clock); }
};

}  // namespace mendrake::test
