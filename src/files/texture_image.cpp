// Reading an atlas bitmap's pixels (the OpenGL upload lives with the renderer).
#include "files/texture_image.h"

#include <utility>
#include <vector>

#include "files/bitmap_pixels.h"

void readAtlasBytes(const uint8_t* file, size_t size, uint8_t* rgb) {
    // Pixels past the file's bytes are black, and stay so with their bytes
    // exchanged: only the pixels the file reached need the exchange.
    size_t have = bitmapPixels(file, size, kAtlasSize, rgb);
    for (size_t i = 0; i < have; i += 3) std::swap(rgb[i], rgb[i + 2]);
}

bool readAtlasPixels(const char* path, uint8_t* rgb) {
    std::vector<uint8_t> file;
    // A folder or FIFO counts as a file that cannot be opened, so the caller
    // gets no texture rather than a black one.
    if (!readBitmapFile(path, kAtlasSize, file)) return false;
    readAtlasBytes(file.data(), file.size(), rgb);
    return true;
}
