// Blob files may hold anything: the reader takes only a binary dictionary of data values, and round-trips it.
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
