// The height field as a grey image and back (no OpenGL here).
#include "height/height_image.h"

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

bool readGreyBitmapBytes(const uint8_t* file, size_t size, HeightField& field, ImageSize* found) {
    constexpr int32_t side = kHeightTexSize;
    const BitmapPixels got = bitmapPixels(file, size, side, greyPixels);
    if (got.otherSize) {
        if (found) *found = got.found;
        return false;
    }
    // Column by column, in the field's own order: the bitmap's rows run
    // bottom-up, so its top row becomes lattice row 0.
    for (int32_t x = 0; x < side; ++x) {
        double* column = &field.at(x, 0);
        for (int32_t y = 0; y < side; ++y) {
            const size_t at = 3 * (static_cast<size_t>(side - 1 - y) * side + x);
            // Pixels past the file's bytes are black: height 0 without the sum.
            if (at >= got.have) {
                column[y] = 0.0;
                continue;
            }
            const uint8_t* p = greyPixels + at;
            int32_t v = (p[0] + p[1] + p[2]) / 3;
            column[y] = v / 255.0;
        }
    }
    return true;
}

bool readGreyBitmap(const char* path, HeightField& field, std::string* reason) {
    // A folder or FIFO counts as a file that cannot be opened: heights kept.
    return readImage(path, "The grey bitmap", kHeightTexSize,
                     [&field](const uint8_t* file, size_t size, ImageSize* found) {
                         return readGreyBitmapBytes(file, size, field, found);
                     },
                     reason);
}
