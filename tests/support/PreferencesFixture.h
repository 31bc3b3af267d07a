#pragma once
// Preferences over in-memory fakes, for every test that needs them: `defaults` holds what is
// stored, `clock` decides when a pause ends, `loginItems` is the autostart entry, `log` the log.

#include "prefs/Preferences.h"

#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeLoginItems.h"
#include "FakeSystemLog.h"

#include <memory>

namespace mendrake::test {

struct PreferencesFixture {
    FakeClock clock;
    FakeDefaultsStore defaults;
    FakeLoginItems loginItems;
    FakeSystemLog log;
    Preferences prefs{defaults, loginItems, log, clock};

    // Preferences read afresh from what is stored now, as the next start reads them.
    std::unique_ptr<Preferences> reload() {
        return std::make_unique<Preferences>(defaults, loginItems, log, clock);
    }
};

}  // namespace mendrake::test
