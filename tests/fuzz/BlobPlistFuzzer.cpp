// Blob files are read back from disk, where anything may have been written to them. The reader
// must refuse what is not a dictionary of data values, and what it accepts must round-trip through
// the writer unchanged.
#include "FuzzCheck.h"

#include "store/BlobFile.h"

using namespace mendrake;

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto map = decodeRepresentations(bytes);
    if (!map) return 0;
    FUZZ_CHECK(bytes.startsWith("bplist00"));
    const QByteArray encoded = encodeRepresentations(*map);
    FUZZ_CHECK(!encoded.isEmpty());
    const auto again = decodeRepresentations(encoded);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *map);
    return 0;
}
