// The height field as a grey image and back (no OpenGL here).
#include "height/height_image.h"

#include <cstdio>
#include <cstring>

namespace {
// The bitmap headers in front of the pixels are skipped unread.
constexpr long kHeaderBytes = 54;
// Read buffer of one import; static so that an import allocates nothing.
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

bool readGreyBitmap(const char* path, HeightField& field) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    size_t got = 0;
    if (std::fseek(file, kHeaderBytes, SEEK_SET) == 0)
        got = std::fread(greyPixels, 1, sizeof greyPixels, file);
    // A folder opens on some systems but reads nothing: treat it as a file
    // that cannot be opened and keep the heights.
    bool unreadable = got == 0 && std::ferror(file);
    std::fclose(file);
    if (unreadable) return false;
    // Pixels past the end of a short file read as black (height 0).
    std::memset(greyPixels + got, 0, sizeof greyPixels - got);
    for (int32_t n = 0; n < kHeightTexSize * kHeightTexSize; ++n) {
        const uint8_t* p = greyPixels + 3 * n;
        int32_t v = (p[0] + p[1] + p[2]) / 3;
        // The bitmap's rows run bottom-up; its top row becomes lattice row 0.
        field.at(n % kHeightTexSize, kHeightTexSize - 1 - n / kHeightTexSize) = v / 255.0;
    }
    return true;
}
