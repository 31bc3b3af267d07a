// Blob files are read back from disk, where anything may have been written to them. The reader
// refuses what is not a dictionary of data values, and what it accepts round-trips unchanged.
#include "FuzzCheck.h"

#include "store/BlobFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    if (const auto map = mendrake::decodeRepresentations(bytes)) {
        FUZZ_CHECK(bytes.startsWith("bplist00"));
        FUZZ_CHECK(mendrake::decodeRepresentations(mendrake::encodeRepresentations(*map)) == map);
    }
    return 0;
}
