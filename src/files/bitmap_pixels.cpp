// One pixel reader for every image the editor reads.
#include "files/bitmap_pixels.h"

#include <cstring>
#include <string>
#include <vector>

#include "files/file_read.h"

namespace {

// A raw file's headers in front of the pixels are skipped unread.
constexpr size_t kHeaderBytes = 54;
constexpr size_t kMaxImageFileBytes = 64u << 20;

std::string imageSizeRefusal(const std::string& what, int32_t side, ImageSize found) {
    // "x", not a multiplication sign: message texts are single-byte strings
    // and go to MessageBoxA, whose code page differs between hosts.
    return what + " must be " + std::to_string(side) + " x " + std::to_string(side) + " pixels; this image is " +
           std::to_string(found.width) + " x " + std::to_string(found.height) + ".";
}

}  // namespace

BitmapPixels bitmapPixels(const uint8_t* file, size_t size, int32_t side, uint8_t* pixels) {
    const size_t want = 3 * static_cast<size_t>(side) * static_cast<size_t>(side);
    BitmapPixels result{false, {0, 0}, want};
    switch (decodeSquareImage(file, size, side, pixels, result.found)) {
    case ImageDecode::Decoded: return result;
    case ImageDecode::OtherSize: result.otherSize = true; return result;
    case ImageDecode::NotDecoded: break;
    }
    size_t have = size > kHeaderBytes ? size - kHeaderBytes : 0;
    if (have > want) have = want;
    if (have > 0) std::memcpy(pixels, file + kHeaderBytes, have);
    // A short file leaves its missing pixels black instead of undefined.
    std::memset(pixels + have, 0, want - have);
    result.have = have;
    return result;
}

bool readImage(const char* path, const std::string& what, int32_t side, const ImageBytesReader& read,
               std::string* reason) {
    clearReason(reason);
    std::vector<uint8_t> file;
    // An image has a fixed size: a FIFO or device is refused rather than
    // waited on, and like a folder counts as a file that cannot be opened.
    if (readWholeFile(path, kMaxImageFileBytes, true, file) == FileRead::CannotRead) return false;
    ImageSize found{0, 0};
    if (read(file.data(), file.size(), &found)) return true;
    return failBecause(reason, imageSizeRefusal(what, side, found));
}
