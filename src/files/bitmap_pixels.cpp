// One pixel reader for every bitmap the editor reads.
#include "files/bitmap_pixels.h"

#include <cstring>

#include "files/file_read.h"

namespace {
// The bitmap headers in front of the pixels are skipped unread.
constexpr size_t kHeaderBytes = 54;

size_t pixelBytes(int32_t side) { return 3 * static_cast<size_t>(side) * static_cast<size_t>(side); }
}  // namespace

size_t bitmapPixels(const uint8_t* file, size_t size, int32_t side, uint8_t* pixels) {
    const size_t want = pixelBytes(side);
    size_t have = size > kHeaderBytes ? size - kHeaderBytes : 0;
    if (have > want) have = want;
    if (have > 0) std::memcpy(pixels, file + kHeaderBytes, have);
    // A short file leaves its missing pixels black instead of undefined.
    std::memset(pixels + have, 0, want - have);
    return have;
}

bool readBitmapFile(const char* path, int32_t side, std::vector<uint8_t>& file) {
    // An image has a fixed size: a FIFO or device is refused rather than waited on.
    return readWholeFile(path, kHeaderBytes + pixelBytes(side), true, file) != FileRead::CannotRead;
}
