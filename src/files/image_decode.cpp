// The decoder is stb_image (header-only), limited to the two formats with a
// signature, reading from memory only.
#include "files/image_decode.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The largest single buffer the decoder may have for the image at hand. A
// PNG's compressed data can inflate a thousandfold, and the decoder grows its
// output until the stream ends, so a few kilobytes could make it fill
// gigabytes and take seconds. No real image needs more than its file or twice
// its widest raw form (16-bit RGBA plus a filter byte a row); anything beyond
// that fails as out of memory, and the file counts as not decoded.
thread_local size_t decodeBudget = 0;

void* budgetedMalloc(size_t size) { return size > decodeBudget ? nullptr : std::malloc(size); }
void* budgetedRealloc(void* p, size_t size) { return size > decodeBudget ? nullptr : std::realloc(p, size); }

}  // namespace

#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
// Every buffer the decoder asks for goes through a budget (see decodeBudget).
#define STBI_MALLOC(size) budgetedMalloc(size)
#define STBI_REALLOC(p, size) budgetedRealloc(p, size)
#define STBI_FREE(p) std::free(p)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

bool hasSignature(const uint8_t* file, size_t size) {
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 2 && file[0] == 'B' && file[1] == 'M') return true;
    return size >= sizeof kPng && std::memcmp(file, kPng, sizeof kPng) == 0;
}

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
void putLe32(uint8_t* p, uint32_t v) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
}

// The decoder reads no run-length encoded bitmaps, and ImageMagick writes
// 8-bit ones so (a grey PNG saved as BMP, for one). True when `file` is one
// (8 bits a pixel, compression 1, bottom-up), with its size in `found`; then,
// if it is side x side, `plain` gets the same image in the plain 8-bit layout.
// Runs past a row's end or the image's are clipped; pixels the runs never
// reach are palette entry 0.
bool expandRle8(const uint8_t* file, size_t size, int32_t side, std::vector<uint8_t>& plain, ImageSize& found) {
    if (size < 54 || file[0] != 'B' || file[1] != 'M') return false;
    const uint32_t offset = le32(file + 10), header = le32(file + 14);
    if (header < 40 || le32(file + 30) != 1 || (file[28] | file[29] << 8) != 8) return false;
    const int32_t w = static_cast<int32_t>(le32(file + 18)), h = static_cast<int32_t>(le32(file + 22));
    if (w <= 0 || h <= 0 || offset < 14 + header || offset > size) return false;
    found = {w, h};
    if (w != side || h != side) return true;  // only its size is wanted then
    const size_t stride = (static_cast<size_t>(w) + 3) & ~size_t{3};
    plain.assign(file, file + offset);
    plain.resize(offset + stride * h, 0);
    putLe32(plain.data() + 2, static_cast<uint32_t>(plain.size()));
    putLe32(plain.data() + 30, 0);
    putLe32(plain.data() + 34, static_cast<uint32_t>(stride * h));
    uint8_t* pixels = plain.data() + offset;
    size_t at = offset;
    int32_t x = 0, y = 0;  // y counts rows from the bottom, as stored
    // Bytes for row y from column x on, clipped to the row: work stays within
    // the input and the output, whatever the runs claim.
    auto room = [&](int32_t n) { return y < h && x < w ? std::min(n, w - x) : 0; };
    while (at + 1 < size && y < h) {
        const uint8_t count = file[at], value = file[at + 1];
        at += 2;
        if (count > 0) {
            const int32_t n = room(count);
            if (n > 0) std::memset(pixels + y * stride + x, value, static_cast<size_t>(n));
            x += count;
        } else if (value == 0) {  // end of row
            x = 0, ++y;
        } else if (value == 1) {  // end of image
            break;
        } else if (value == 2) {  // move right and up
            if (at + 1 >= size) break;
            x += file[at], y += file[at + 1];
            at += 2;
        } else {  // `value` literal bytes, padded to an even count
            const int32_t n = std::min(room(value), static_cast<int32_t>(std::min<size_t>(size - at, value)));
            if (n > 0) std::memcpy(pixels + y * stride + x, file + at, static_cast<size_t>(n));
            x += value;
            at += (value + 1u) & ~1u;
        }
    }
    return true;
}

// A BMP whose pixels would start inside its own headers, or past its end:
// the decoder's reads then go astray and its pixels differ from one read of
// the same bytes to the next. Such a file is read raw instead.
bool bmpDataOutOfPlace(const uint8_t* file, size_t size) {
    if (size < 2 || file[0] != 'B' || file[1] != 'M') return false;
    if (size < 18) return true;
    const uint64_t offset = le32(file + 10), headers = 14 + static_cast<uint64_t>(le32(file + 14));
    return offset < headers || offset > size;
}

// A paletted BMP whose palette (as far as its pixel data's offset leaves
// room) has fewer entries than its pixels can name: the decoder would look
// up the missing entries in memory it never set, so the same file gave other
// pixels from one read to the next. Gives, in `padded`, the file with the
// palette filled up to every entry with black, and true; false when the file
// needs no such change.
bool padShortPalette(const uint8_t* file, size_t size, std::vector<uint8_t>& padded) {
    if (size < 30 || file[0] != 'B' || file[1] != 'M') return false;
    const uint64_t headerSize = le32(file + 14);
    const bool core = headerSize == 12;  // the oldest header: 3-byte entries, bit count at 24
    const unsigned bits = core ? file[24] | file[25] << 8 : file[28] | file[29] << 8;
    if (bits != 1 && bits != 4 && bits != 8) return false;
    const uint64_t headers = 14 + headerSize, offset = le32(file + 10), entry = core ? 3 : 4;
    if (offset < headers || offset > size) return false;
    const uint64_t have = (offset - headers) / entry, need = uint64_t{1} << bits;
    if (have >= need) return false;
    const size_t kept = static_cast<size_t>(headers + have * entry);
    padded.assign(file, file + kept);
    padded.resize(kept + static_cast<size_t>((need - have) * entry), 0);
    padded.insert(padded.end(), file + offset, file + size);
    const uint64_t newOffset = headers + need * entry;
    for (int i = 0; i < 4; ++i) padded[10 + i] = static_cast<uint8_t>(newOffset >> (8 * i));
    return true;
}

}  // namespace

ImageDecode decodeSquareImage(const uint8_t* file, size_t size, int32_t side, uint8_t* pixels, ImageSize& found) {
    if (!hasSignature(file, size) || size > INT_MAX || bmpDataOutOfPlace(file, size)) return ImageDecode::NotDecoded;
    std::vector<uint8_t> plain;
    if (expandRle8(file, size, side, plain, found)) {
        if (found.width != side || found.height != side) return ImageDecode::OtherSize;
        file = plain.data();
        size = plain.size();
    }
    std::vector<uint8_t> padded;
    if (padShortPalette(file, size, padded)) {
        file = padded.data();
        size = padded.size();
    }
    const int length = static_cast<int>(size);
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(file, length, &w, &h, &channels)) return ImageDecode::NotDecoded;
    // The header of a top-down bitmap gives its height negative; the decoder
    // itself reads it as the same height with the rows the other way.
    if (h < 0 && h != INT_MIN) h = -h;
    if (w <= 0 || h <= 0) return ImageDecode::NotDecoded;
    if (w != side || h != side) {
        found = {w, h};
        return ImageDecode::OtherSize;
    }
    const size_t widestRaw = static_cast<size_t>(side) * (8 * static_cast<size_t>(side) + 1);
    decodeBudget = std::max(size, 2 * widestRaw) + 4096;
    stbi_uc* rgb = stbi_load_from_memory(file, length, &w, &h, &channels, 3);
    if (!rgb) return ImageDecode::NotDecoded;
    if (w != side || h != side) {
        stbi_image_free(rgb);
        return ImageDecode::NotDecoded;
    }
    // The decoder gives the top row first in red, green, blue order.
    const size_t row = 3 * static_cast<size_t>(side);
    for (int32_t y = 0; y < side; ++y) {
        const stbi_uc* from = rgb + static_cast<size_t>(side - 1 - y) * row;
        uint8_t* to = pixels + static_cast<size_t>(y) * row;
        for (size_t i = 0; i < row; i += 3) {
            to[i] = from[i + 2];
            to[i + 1] = from[i + 1];
            to[i + 2] = from[i];
        }
    }
    stbi_image_free(rgb);
    return ImageDecode::Decoded;
}
