// The stored shortcut: whatever the settings file holds, fromJson answers a combo or none, and a
// combo it accepts survives being written back and read again.
#include "FuzzCheck.h"

#include "hotkey/HotKeyCombo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const auto combo = mendrake::HotKeyCombo::fromJson(fuzzBytes(data, size)))
        FUZZ_CHECK(mendrake::HotKeyCombo::fromJson(combo->toJson()) == combo);
    return 0;
}
