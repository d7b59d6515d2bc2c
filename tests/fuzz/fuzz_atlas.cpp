// Atlas pixel reader on arbitrary bytes, handed over as they are.
#include <cstring>

#include "files/texture_image.h"
#include "fuzz/fuzz_check.h"

namespace {
uint8_t rgb[kAtlasBytes];

const uint8_t zeros[kAtlasBytes] = {};

VORN_UNINSTRUMENTED void checkPixels(const uint8_t* data, size_t size) {
    size_t have = size > 54 ? size - 54 : 0;
    if (have > static_cast<size_t>(kAtlasBytes)) have = kAtlasBytes;
    size_t reached = (have + 2) / 3 * 3;  // whole pixels the file's bytes reach
    bool ok = true;
    for (size_t i = 0; i < reached; ++i) {
        size_t from = i - i % 3 + 2 - i % 3;  // first and third byte exchanged
        ok &= rgb[i] == (from < have ? data[54 + from] : 0);
    }
    fuzzCheck(ok, "the file's pixel bytes, first and third exchanged");
    fuzzCheck(std::memcmp(rgb + reached, zeros, kAtlasBytes - reached) == 0, "black past the end");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readAtlasBytes(data, size, rgb);
    checkPixels(data, size);
    return 0;
}
