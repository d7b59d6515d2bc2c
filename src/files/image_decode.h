// Image files through the decoder: BMP of every header version, bottom-up or
// top-down, 8-bit palette or grey, 24 or 32 bits; and PNG.
#pragma once
#include <cstddef>
#include <cstdint>

struct ImageSize {
    int32_t width;
    int32_t height;
};

enum class ImageDecode {
    NotDecoded,  // no BMP or PNG signature, or the decoder does not accept it
    Decoded,     // side x side pixels written
    OtherSize,   // an image whose header gives another size; nothing written
};

// Caller: the bitmap pixel reader. Tries only files that start with "BM" or
// PNG's signature, so a raw file is never taken for a format without one.
// An image of side x side is written to `pixels` as a plain 24-bit bitmap
// stores it: 3 bytes a pixel in blue, green, red order, bottom row first.
// Another size is reported in `found` without decoding the pixels, so a
// header claiming a huge image costs nothing.
ImageDecode decodeSquareImage(const uint8_t* file, size_t size, int32_t side, uint8_t* pixels, ImageSize& found);
