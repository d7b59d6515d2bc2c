// Grey bitmap reader on arbitrary bytes, handed over as they are.
#include "fuzz/fuzz_check.h"
#include "height/height_image.h"

namespace {
constexpr int32_t kPoints = 129;
double values[kPoints * kPoints];

VORN_UNINSTRUMENTED void markAll() {
    for (double& v : values) v = -1.0;
}

// The heights against a plain restatement of the conversion: the mean of a
// pixel's three bytes (0 past the end), bottom row of the file at y = 127.
VORN_UNINSTRUMENTED void checkHeights(const uint8_t* data, size_t size) {
    bool edgesKept = true, exact = true;
    for (int32_t x = 0; x < kPoints; ++x)
        for (int32_t y = 0; y < kPoints; ++y) {
            double v = values[x * kPoints + y];
            if (x == 128 || y == 128) {
                edgesKept &= v == -1.0;
                continue;
            }
            size_t at = 54 + 3 * static_cast<size_t>((127 - y) * 128 + x);
            int sum = 0;
            for (size_t k = 0; k < 3; ++k) sum += at + k < size ? data[at + k] : 0;
            exact &= v == (sum / 3) / 255.0;
        }
    fuzzCheck(edgesKept, "the last row and column keep their values");
    fuzzCheck(exact, "every height is its pixel's mean grey level / 255");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HeightField field;
    field.width = kPoints;
    field.height = kPoints;
    field.values = values;
    markAll();
    readGreyBitmapBytes(data, size, field);
    checkHeights(data, size);
    return 0;
}
