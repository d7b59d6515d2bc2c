// Grey bitmap reader on arbitrary bytes.
#include "fuzz/fuzz_check.h"
#include "height/height_image.h"

namespace {
constexpr int32_t kPoints = 129;
double values[kPoints * kPoints];

VORN_NO_COVERAGE void checkHeights(const HeightField& field) {
    bool edgesKept = true, inRange = true;
    for (int32_t x = 0; x < kPoints; ++x)
        for (int32_t y = 0; y < kPoints; ++y) {
            double v = field.at(x, y);
            if (x == 128 || y == 128)
                edgesKept &= v == -1.0;
            else
                inRange &= v >= 0.0 && v <= 1.0;
        }
    fuzzCheck(edgesKept, "the last row and column keep their values");
    fuzzCheck(inRange, "every pixel gives a height in [0, 1]");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HeightField field;
    field.width = kPoints;
    field.height = kPoints;
    field.values = values;
    for (double& v : values) v = -1.0;
    readGreyBitmapBytes(data, size, field);
    checkHeights(field);
    return 0;
}
