// Atlas pixel reader on arbitrary bytes, handed over as they are.
#include "files/texture_image.h"
#include "fuzz/fuzz_check.h"

namespace {
uint8_t rgb[kAtlasBytes];

VORN_NO_COVERAGE void checkPixels(const uint8_t* data, size_t size) {
    size_t have = size > 54 ? size - 54 : 0;
    bool ok = true;
    for (size_t i = 0; i < static_cast<size_t>(kAtlasBytes); ++i) {
        size_t from = i - i % 3 + 2 - i % 3;  // first and third byte exchanged
        ok &= rgb[i] == (from < have ? data[54 + from] : 0);
    }
    fuzzCheck(ok, "pixel bytes, or 0 past the end");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readAtlasBytes(data, size, rgb);
    checkPixels(data, size);
    return 0;
}
