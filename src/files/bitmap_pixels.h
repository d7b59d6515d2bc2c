// The pixels of the editor's image files (the atlases and the grey bitmap):
// square images of 3 bytes a pixel in the order a 24-bit bitmap stores them,
// bottom row first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "files/image_decode.h"
#include "files/reason.h"

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

// What the image readers do with a file's bytes: read them into their own
// target and return true, or return false, with the size in *found, for a
// decodable image of another size.
using ImageBytesReader = std::function<bool(const uint8_t* file, size_t size, ImageSize* found)>;

// Callers: the atlas and grey bitmap readers. Reads the image file at `path`
// (only a regular file, at most 64 MiB of it: a raw file needs far less, and
// a 512 x 512 image in any layout the decoder reads fits) and hands its bytes
// to `read`. False when the file cannot be read (no reason: files/reason.h),
// or when `read` refuses an image of another size: the reason then says so,
// e.g. "The grey bitmap must be 128 x 128 pixels; this image is 256 x 256."
// for `what` "The grey bitmap" and `side` 128. True when `read` read it.
bool readImage(const char* path, const std::string& what, int32_t side, const ImageBytesReader& read,
               std::string* reason);
