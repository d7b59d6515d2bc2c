// Conversions between the height field and grey images (no OpenGL here).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/image_decode.h"
#include "height/height_field.h"

constexpr int32_t kHeightTexSize = 128;
constexpr int32_t kGreyBitmapPixelBytes = 128 * 128 * 3;

// Caller: the height texture upload. Grey texels of the height texture:
// 128 x 128 x 3 bytes, lattice row y = 0 first, grey = height * 255 truncated.
void heightsToGreyTexels(const HeightField& field, uint8_t* texels);
// Callers: readGreyBitmap and the grey fuzz target. Reads the bytes of a grey
// bitmap file (see bitmapPixels: a decodable 128 x 128 BMP or PNG, else raw
// 24-bit pixels after 54 bytes, missing bytes 0) into points x, y < 128 of the
// field, its top row at y = 0, height = mean of a pixel's 3 bytes / 255. False,
// changing nothing, for a decodable image of another size (its size in *found).
bool readGreyBitmapBytes(const uint8_t* file, size_t size, HeightField& field, ImageSize* found = nullptr);
// Caller: the grey bitmap import (key G). readGreyBitmapBytes of the file at
// `path`. Returns false, changing nothing, when it cannot be read or is not a
// regular file (a FIFO fails at once instead of waiting for a writer), or is
// an image of another size, which the reason then says (files/reason.h).
bool readGreyBitmap(const char* path, HeightField& field, std::string* reason = nullptr);
