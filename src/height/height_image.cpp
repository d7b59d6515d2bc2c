// The height field as a grey image and back (no OpenGL here).
#include "height/height_image.h"

#include <vector>

#include "files/bitmap_pixels.h"

namespace {
// Pixels of one import; static, as the field it fills.
uint8_t greyPixels[kGreyBitmapPixelBytes];
}  // namespace

void heightsToGreyTexels(const HeightField& field, uint8_t* texels) {
    for (int32_t x = 0; x < kHeightTexSize; ++x) {
        for (int32_t y = 0; y < kHeightTexSize; ++y) {
            double h = field.at(x, y);
            // Truncation toward zero maps a grey level v read from a bitmap
            // back to exactly v; the bounds keep a stray value from being
            // converted out of range.
            uint8_t g = !(h > 0.0) ? 0 : h >= 1.0 ? 255 : static_cast<uint8_t>(h * 255.0);
            uint8_t* t = texels + 3 * (y * kHeightTexSize + x);
            t[0] = t[1] = t[2] = g;
        }
    }
}

void readGreyBitmapBytes(const uint8_t* file, size_t size, HeightField& field) {
    bitmapPixels(file, size, kHeightTexSize, greyPixels);
    for (int32_t n = 0; n < kHeightTexSize * kHeightTexSize; ++n) {
        const uint8_t* p = greyPixels + 3 * n;
        int32_t v = (p[0] + p[1] + p[2]) / 3;
        // The bitmap's rows run bottom-up; its top row becomes lattice row 0.
        field.at(n % kHeightTexSize, kHeightTexSize - 1 - n / kHeightTexSize) = v / 255.0;
    }
}

bool readGreyBitmap(const char* path, HeightField& field) {
    std::vector<uint8_t> file;
    // A folder or FIFO counts as a file that cannot be opened: heights kept.
    if (!readBitmapFile(path, kHeightTexSize, file)) return false;
    readGreyBitmapBytes(file.data(), file.size(), field);
    return true;
}
