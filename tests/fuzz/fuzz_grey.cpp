// Grey bitmap reader on arbitrary bytes, handed over as they are.
#include "files/image_decode.h"
#include "fuzz/fuzz_check.h"
#include "height/height_image.h"

namespace {
constexpr int32_t kPoints = 129;
double values[kPoints * kPoints];
constexpr int32_t kSmallSide = 32;
uint8_t smallPixels[3 * kSmallSide * kSmallSide];

VORN_UNINSTRUMENTED void markAll() {
    for (double& v : values) v = -1.0;
}

// A file the decoder may take: BMP's or PNG's signature.
VORN_UNINSTRUMENTED bool hasSignature(const uint8_t* data, size_t size) {
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return true;
    if (size < 8) return false;
    for (int i = 0; i < 8; ++i)
        if (data[i] != kPng[i]) return false;
    return true;
}

// The heights of a raw file against a plain restatement of the conversion:
// the mean of a pixel's three bytes after the 54-byte header (0 past the end),
// the file's bottom row at y = 127. Decoded images are checked against
// ImageMagick's files by the unit tests; here their heights need only lie in
// [0, 1]. A refused image leaves every value as marked.
VORN_UNINSTRUMENTED void checkHeights(const uint8_t* data, size_t size, bool raw, bool refused) {
    bool edgesKept = true, exact = true;
    for (int32_t x = 0; x < kPoints; ++x)
        for (int32_t y = 0; y < kPoints; ++y) {
            double v = values[x * kPoints + y];
            if (x == 128 || y == 128 || refused) {
                edgesKept &= v == -1.0;
                continue;
            }
            if (!raw) {
                exact &= v >= 0.0 && v <= 1.0;
                continue;
            }
            size_t at = 54 + 3 * static_cast<size_t>((127 - y) * 128 + x);
            int sum = 0;
            for (size_t k = 0; k < 3; ++k) sum += at + k < size ? data[at + k] : 0;
            exact &= v == (sum / 3) / 255.0;
        }
    fuzzCheck(edgesKept, "the last row and column (or a refused image's every point) keep their values");
    fuzzCheck(exact, "every height is its pixel's mean grey level / 255");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HeightField field;
    field.width = kPoints;
    field.height = kPoints;
    field.values = values;
    markAll();
    ImageSize found{0, 0};
    const bool read = readGreyBitmapBytes(data, size, field, &found);
    const bool image = hasSignature(data, size);
    fuzzCheck(read || image, "only an image is refused");
    fuzzCheck(read || (found.width > 0 && found.height > 0 && (found.width != 128 || found.height != 128)),
              "a refused image has another positive size");
    checkHeights(data, size, !image, !read);
    // Decoding a 128 x 128 image takes long enough to halve the inputs tried,
    // so the decoder's pixel loops are fuzzed on small square images instead
    // (the seeds are such), which the reader refuses after the header.
    if (!read && found.width == found.height && found.width <= kSmallSide) {
        ImageSize again{0, 0};
        const ImageDecode kind = decodeSquareImage(data, size, found.width, smallPixels, again);
        fuzzCheck(kind != ImageDecode::OtherSize, "the decoder sees the size the reader reported");
    }
    return 0;
}
