// GroundMap: storage, clear and copy, and the program-wide maps.
#include "map/ground_map.h"

#include <cstdlib>
#include <cstring>

namespace {

// Allocation failure leaves nothing sensible to edit: stop cleanly.
uint8_t* allocOrDie(size_t n) {
    // Slack past the end lets painting read points and tiles in whole words,
    // also at the end of a grid.
    constexpr size_t kSlack = 16;
    auto* p = static_cast<uint8_t*>(std::malloc(n + kSlack));
    if (!p) std::abort();
    std::memset(p + n, 0, kSlack);
    return p;
}

size_t cornerCount(int32_t w, int32_t h) {
    return static_cast<size_t>(2 * w + 1) * static_cast<size_t>(2 * h + 1);
}

size_t cellCount(int32_t w, int32_t h) { return static_cast<size_t>(w) * static_cast<size_t>(h); }

uint64_t* allocWordsOrDie(int32_t n) {
    auto* p = static_cast<uint64_t*>(std::malloc(static_cast<size_t>(n > 0 ? n : 1) * sizeof(uint64_t)));
    if (!p) std::abort();
    return p;
}

}  // namespace

GroundMap::GroundMap(int32_t w, int32_t h) : width(w), height(h) {
    tiles = allocOrDie(cellCount(w, h));
    corners = allocOrDie(cornerCount(w, h));
    shadowTiles = allocOrDie(cellCount(w, h));
    shadowCorners = allocOrDie(cornerCount(w, h));
    shadowSelected = allocWordsOrDie(w);
    clear();
}

GroundMap::~GroundMap() {
    std::free(tiles);
    std::free(corners);
    std::free(shadowTiles);
    std::free(shadowCorners);
    std::free(shadowSelected);
}

void GroundMap::clear() {
    std::memset(tiles, kPlainTile, cellCount(width, height));
    std::memset(corners, 0, cornerCount(width, height));
    // Every cell of kind 0 shows tile 176, its selection.
    std::memset(shadowTiles, kPlainTile, cellCount(width, height));
    std::memset(shadowCorners, 0, cornerCount(width, height));
    const uint64_t column = height >= 64 ? ~uint64_t{0} : (uint64_t{1} << height) - 1;
    for (int32_t x = 0; x < width; ++x) shadowSelected[x] = column;
    shadowAllSelected = true;
}

GroundMap& GroundMap::copyFrom(const GroundMap& src) {
    if (this == &src) return *this;
    if (width != src.width || height != src.height) {
        std::free(tiles);
        std::free(corners);
        std::free(shadowTiles);
        std::free(shadowCorners);
        std::free(shadowSelected);
        tiles = allocOrDie(cellCount(src.width, src.height));
        corners = allocOrDie(cornerCount(src.width, src.height));
        shadowTiles = allocOrDie(cellCount(src.width, src.height));
        shadowCorners = allocOrDie(cornerCount(src.width, src.height));
        shadowSelected = allocWordsOrDie(src.width);
    }
    width = src.width;
    height = src.height;
    std::memcpy(tiles, src.tiles, static_cast<size_t>(width) * static_cast<size_t>(height));
    std::memcpy(corners, src.corners, cornerCount(width, height));
    // The shadow holds for the copy just as it did for the source.
    std::memcpy(shadowTiles, src.shadowTiles, cellCount(width, height));
    std::memcpy(shadowCorners, src.shadowCorners, cornerCount(width, height));
    std::memcpy(shadowSelected, src.shadowSelected, static_cast<size_t>(width > 0 ? width : 0) * sizeof(uint64_t));
    shadowAllSelected = src.shadowAllSelected;
    return *this;
}

// Both maps exist before main; the working map is made first.
GroundMap workingMap(64, 64);
GroundMap previewMap(64, 64);
