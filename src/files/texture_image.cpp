// Reading an atlas image's pixels (the OpenGL upload lives with the renderer).
#include "files/texture_image.h"

#include <string>
#include <utility>
#include <vector>

#include "files/bitmap_pixels.h"

bool readAtlasBytes(const uint8_t* file, size_t size, uint8_t* rgb, ImageSize* found) {
    const BitmapPixels got = bitmapPixels(file, size, kAtlasSize, rgb);
    if (got.otherSize) {
        if (found) *found = got.found;
        return false;
    }
    // Pixels past the file's bytes are black, and stay so with their bytes
    // exchanged: only the pixels the file reached need the exchange.
    for (size_t i = 0; i < got.have; i += 3) std::swap(rgb[i], rgb[i + 2]);
    return true;
}

bool readAtlasPixels(const char* path, uint8_t* rgb, const char** refusal) {
    if (refusal) *refusal = nullptr;
    std::vector<uint8_t> file;
    // A folder or FIFO counts as a file that cannot be opened, so the caller
    // gets no texture rather than a black one.
    if (!readImageFile(path, file)) return false;
    ImageSize found{0, 0};
    if (readAtlasBytes(file.data(), file.size(), rgb, &found)) return true;
    if (refusal) *refusal = imageSizeRefusal((std::string("The atlas image ") + path).c_str(), kAtlasSize, found);
    return false;
}
