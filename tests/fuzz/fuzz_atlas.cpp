// Atlas pixel reader on arbitrary bytes, handed over as they are.
#include <cstring>

#include "files/image_decode.h"
#include "files/texture_image.h"
#include "fuzz/fuzz_check.h"

namespace {
uint8_t rgb[kAtlasBytes];
uint8_t decoded[kAtlasBytes];
const uint8_t zeros[kAtlasBytes] = {};

// The texels against a plain restatement: the file's pixel bytes (decoded, or
// raw after 54 bytes), each pixel's first and third byte exchanged, 0 past the end.
VORN_UNINSTRUMENTED void checkPixels(const uint8_t* pixels, size_t have) {
    if (have > static_cast<size_t>(kAtlasBytes)) have = kAtlasBytes;
    size_t reached = (have + 2) / 3 * 3;  // whole pixels the file's bytes reach
    bool ok = true;
    for (size_t i = 0; i < reached; ++i) {
        size_t from = i - i % 3 + 2 - i % 3;
        ok &= rgb[i] == (from < have ? pixels[from] : 0);
    }
    fuzzCheck(ok, "the file's pixel bytes, first and third exchanged");
    fuzzCheck(std::memcmp(rgb + reached, zeros, kAtlasBytes - reached) == 0, "black past the end");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageSize found{0, 0}, reported{0, 0};
    const ImageDecode kind = decodeSquareImage(data, size, kAtlasSize, decoded, found);
    const bool read = readAtlasBytes(data, size, rgb, &reported);
    fuzzCheck(read == (kind != ImageDecode::OtherSize), "only an image of another size is refused");
    if (!read) {
        fuzzCheck(reported.width == found.width && reported.height == found.height, "the size found is reported");
        fuzzCheck(found.width > 0 && found.height > 0 && (found.width != kAtlasSize || found.height != kAtlasSize),
                  "a refused size is another positive size");
    } else if (kind == ImageDecode::Decoded) {
        checkPixels(decoded, kAtlasBytes);
    } else {
        checkPixels(data + (size > 54 ? 54 : size), size > 54 ? size - 54 : 0);
    }
    return 0;
}
