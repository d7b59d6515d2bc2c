// GroundMap: storage, clear and copy.
#include "map/ground_map.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "map/paint_shadow.h"

namespace {

// Allocation failure leaves nothing sensible to edit: stop cleanly.
void* allocOrDie(size_t n) {
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
size_t markCount(int32_t w, int32_t h) { return static_cast<size_t>(w + 1) * static_cast<size_t>(h + 1); }
size_t columnWords(int32_t w) { return static_cast<size_t>(w > 0 ? w : 0) * sizeof(uint64_t); }

void allocGrids(GroundMap& m, PaintShadow& s, int32_t w, int32_t h) {
    m.tiles = static_cast<uint8_t*>(allocOrDie(cellCount(w, h)));
    m.corners = static_cast<uint8_t*>(allocOrDie(cornerCount(w, h)));
    s.tiles = static_cast<uint8_t*>(allocOrDie(cellCount(w, h)));
    s.corners = static_cast<uint8_t*>(allocOrDie(cornerCount(w, h)));
    s.selected = static_cast<uint64_t*>(allocOrDie(columnWords(w)));
    s.touched = static_cast<uint8_t*>(allocOrDie(markCount(w, h)));
}

void freeGrids(GroundMap& m, PaintShadow& s) {
    std::free(m.tiles);
    std::free(m.corners);
    std::free(s.tiles);
    std::free(s.corners);
    std::free(s.selected);
    std::free(s.touched);
}

}  // namespace

GroundMap::GroundMap(int32_t w, int32_t h) : width(w), height(h), shadow_(new PaintShadow) {
    allocGrids(*this, *shadow_, w, h);
    clear();
}

GroundMap::~GroundMap() {
    freeGrids(*this, *shadow_);
    delete shadow_;
}

void GroundMap::clear() {
    std::memset(tiles, kPlainTile, cellCount(width, height));
    std::memset(corners, 0, cornerCount(width, height));
    // Every cell of kind 0 shows tile 176, its selection.
    std::memset(shadow_->tiles, kPlainTile, cellCount(width, height));
    std::memset(shadow_->corners, 0, cornerCount(width, height));
    const uint64_t column = height >= 64 ? ~uint64_t{0} : (uint64_t{1} << height) - 1;
    for (int32_t x = 0; x < width; ++x) shadow_->selected[x] = column;
    shadow_->allSelected = true;
}

GroundMap& GroundMap::copyFrom(const GroundMap& src) {
    if (this == &src) return *this;
    if (width != src.width || height != src.height) {
        freeGrids(*this, *shadow_);
        allocGrids(*this, *shadow_, src.width, src.height);
    }
    width = src.width;
    height = src.height;
    std::memcpy(tiles, src.tiles, cellCount(width, height));
    std::memcpy(corners, src.corners, cornerCount(width, height));
    // Painting's memory holds for the copy just as it did for the source.
    std::memcpy(shadow_->tiles, src.shadow_->tiles, cellCount(width, height));
    std::memcpy(shadow_->corners, src.shadow_->corners, cornerCount(width, height));
    std::memcpy(shadow_->selected, src.shadow_->selected, columnWords(width));
    shadow_->allSelected = src.shadow_->allSelected;
    return *this;
}

LatticePoint latticePointAt(LatticePos pos) {
    const auto whole = [](double v) { return static_cast<int32_t>(std::trunc(v < -1e9 ? -1e9 : v > 1e9 ? 1e9 : v)); };
    return {whole(pos.x), whole(pos.y)};
}
