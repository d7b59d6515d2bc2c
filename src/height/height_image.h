// Conversions between the height field and grey images (no OpenGL here).
#pragma once
#include <cstdint>
#include "height/height_field.h"

constexpr int32_t kHeightTexSize = 128;
constexpr int32_t kGreyBitmapPixelBytes = 128 * 128 * 3;

// Caller: the height texture upload. Grey texels of the height texture:
// 128 x 128 x 3 bytes, lattice row y = 0 first, grey = height * 255 truncated.
void heightsToGreyTexels(const HeightField& field, uint8_t* texels);
// Caller: the grey bitmap import (key G). Reads a 128 x 128 24-bit grey bitmap
// into points x, y < 128 of the field, its top row at y = 0. Returns false,
// changing nothing, when the file cannot be opened or read; missing bytes read as 0.
bool readGreyBitmap(const char* path, HeightField& field);
