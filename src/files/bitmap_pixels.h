// The pixels of the editor's bitmap files (the atlases and the grey bitmap):
// square images of 3 bytes a pixel in the file's order, bottom row first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Callers: the atlas and grey bitmap readers. Copies the side x side pixels of
// a bitmap file's bytes into `pixels` (3 x side x side bytes) as the file
// stores them: the 54 header bytes are skipped unread, the bytes after them
// taken as rows of 3-byte pixels, and bytes the file lacks read as 0. Returns
// how many leading bytes of `pixels` came from the file; all after are 0.
size_t bitmapPixels(const uint8_t* file, size_t size, int32_t side, uint8_t* pixels);

// Callers: the atlas and grey bitmap readers. Reads a bitmap file whose pixels
// are side x side into `file`: only a regular file, and no more of it than the
// pixels need. False when it cannot be read.
bool readBitmapFile(const char* path, int32_t side, std::vector<uint8_t>& file);
