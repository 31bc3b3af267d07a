// The stored shortcut: whatever the settings file holds, fromJson answers a combo or none, and a
// combo it accepts survives being written back and read again.
#include "FuzzCheck.h"

#include "hotkey/HotKeyCombo.h"

using namespace mendrake;

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto combo = HotKeyCombo::fromJson(json);
    if (!combo) return 0;
    const auto again = HotKeyCombo::fromJson(combo->toJson());
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *combo);
    return 0;
}
