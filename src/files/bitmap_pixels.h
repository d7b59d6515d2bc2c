// The pixels of the editor's image files (the atlases and the grey bitmap):
// square images of 3 bytes a pixel in the order a 24-bit bitmap stores them,
// bottom row first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/image_decode.h"

struct BitmapPixels {
    bool otherSize;   // an image of another size: nothing written
    ImageSize found;  // that size, when otherSize
    size_t have;      // leading bytes of the pixels that came from the file; all after are 0
};

// Callers: the atlas and grey bitmap readers. Writes the side x side pixels of
// an image file's bytes into `pixels` (3 x side x side bytes). A BMP or PNG the
// decoder accepts gives its pixels as a 54-byte 24-bit bitmap would store them
// (blue, green, red; bottom row first). Any other file is read raw: its first
// 54 bytes skipped unread, the bytes after them taken as the pixels, and bytes
// the file lacks read as 0. A decodable image of another size is reported,
// not read.
BitmapPixels bitmapPixels(const uint8_t* file, size_t size, int32_t side, uint8_t* pixels);

// Callers: the atlas and grey bitmap readers. Reads an image file into `file`:
// only a regular file, and at most 64 MiB of it (a raw file needs far less,
// and a 512 x 512 image in any layout the decoder reads fits). False when it
// cannot be read.
bool readImageFile(const char* path, std::vector<uint8_t>& file);

// Callers: the atlas and grey bitmap readers. The message for an image of
// another size, e.g. "The grey bitmap must be 128 x 128 pixels; this image is
// 256 x 256."; valid until the next call.
const char* imageSizeRefusal(const char* what, int32_t side, ImageSize found);
