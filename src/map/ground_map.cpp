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

}  // namespace

GroundMap::GroundMap(int32_t w, int32_t h) : width(w), height(h) {
    tiles = allocOrDie(static_cast<size_t>(w) * static_cast<size_t>(h));
    corners = allocOrDie(cornerCount(w, h));
    clear();
}

GroundMap::~GroundMap() {
    std::free(tiles);
    std::free(corners);
}

void GroundMap::clear() {
    std::memset(tiles, kPlainTile, static_cast<size_t>(width) * static_cast<size_t>(height));
    std::memset(corners, 0, cornerCount(width, height));
}

GroundMap& GroundMap::copyFrom(const GroundMap& src) {
    if (this == &src) return *this;
    if (width != src.width || height != src.height) {
        std::free(tiles);
        std::free(corners);
        tiles = allocOrDie(static_cast<size_t>(src.width) * static_cast<size_t>(src.height));
        corners = allocOrDie(cornerCount(src.width, src.height));
    }
    width = src.width;
    height = src.height;
    std::memcpy(tiles, src.tiles, static_cast<size_t>(width) * static_cast<size_t>(height));
    std::memcpy(corners, src.corners, cornerCount(width, height));
    return *this;
}

// Both maps exist before main; the working map is made first.
GroundMap workingMap(64, 64);
GroundMap previewMap(64, 64);
