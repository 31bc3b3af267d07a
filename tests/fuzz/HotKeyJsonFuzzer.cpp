// Whatever the settings file holds, a stored shortcut that reads at all survives being written back.
#include "FuzzCheck.h"
#include "hotkey/HotKeyCombo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const auto combo = mendrake::HotKeyCombo::fromJson(fuzzBytes(data, size)))
        FUZZ_CHECK(mendrake::HotKeyCombo::fromJson(combo->toJson()) == combo);
    return 0;
}
