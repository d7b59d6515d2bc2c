// Reading an atlas image's pixels (the OpenGL upload lives with the renderer).
#include "files/texture_image.h"

#include <string>
#include <utility>

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

bool readAtlasPixels(const char* path, uint8_t* rgb, std::string* reason) {
    // A file that cannot be read gives the caller no texture rather than a black one.
    return readImage(path, std::string("The atlas image ") + path, kAtlasSize,
                     [rgb](const uint8_t* file, size_t size, ImageSize* found) {
                         return readAtlasBytes(file, size, rgb, found);
                     },
                     reason);
}
