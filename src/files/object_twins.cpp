#include "files/object_twins.h"

#include <algorithm>

#include "files/map_image.h"
#include "files/sprite_table.h"

namespace {

// An object's kind, id and cell as one sortable number.
uint64_t keyOf(bool structure, int32_t id, int32_t position) {
    return uint64_t{structure} << 48 | uint64_t(uint16_t(id)) << 32 | uint32_t(position);
}

}  // namespace

void findObjectsWithoutTwin(const std::vector<StructureRecord>& structures,
                            const std::vector<TileObjectRecord>& tileObjects, Symmetry symmetry, int32_t mapWidth,
                            int32_t mapHeight, std::vector<ObjectWithoutTwin>& out) {
    out.clear();
    if (symmetry == Symmetry::off || mapWidth <= 0 || mapHeight <= 0) return;
    const int32_t cells = mapWidth * mapHeight;
    // Every object on the map by kind, id and cell, for a binary search per
    // image: a full mission (8192 of each) stays a few milliseconds, where
    // comparing every pair would take seconds.
    static thread_local std::vector<uint64_t> present;
    present.clear();
    for (const StructureRecord& s : structures)
        if (s.position >= 0 && s.position < cells) present.push_back(keyOf(true, s.spriteIndex, s.position));
    for (const TileObjectRecord& t : tileObjects)
        if (t.position >= 0 && t.position < cells) present.push_back(keyOf(false, t.texCell, t.position));
    std::sort(present.begin(), present.end());

    const bool lr = symmetry == Symmetry::mirrorLeftRight || symmetry == Symmetry::mirrorFourWays;
    const bool tb = symmetry == Symmetry::mirrorTopBottom || symmetry == Symmetry::mirrorFourWays;
    const bool ht = symmetry == Symmetry::halfTurn || symmetry == Symmetry::mirrorFourWays;
    const auto check = [&](bool structure, int32_t index, int32_t id, int32_t position, int32_t w, int32_t h) {
        const int32_t x = position % mapWidth, y = position / mapWidth;
        const int32_t mx = mapWidth - x - w, my = mapHeight - y - h;
        const struct { bool used; int32_t x, y; } images[3] = {{lr, mx, y}, {tb, x, my}, {ht, mx, my}};
        for (const auto& image : images) {
            if (!image.used) continue;
            const bool onMap = image.x >= 0 && image.y >= 0 && image.x < mapWidth && image.y < mapHeight;
            if (onMap && std::binary_search(present.begin(), present.end(),
                                            keyOf(structure, id, image.y * mapWidth + image.x)))
                continue;
            out.push_back({structure, index, id, x, y, w, h, image.x, image.y});
            return;
        }
    };
    for (size_t i = 0; i < structures.size(); ++i) {
        const StructureRecord& s = structures[i];
        if (s.position < 0 || s.position >= cells || s.spriteIndex < 0 || s.spriteIndex >= kSpriteRowCount) continue;
        const SpriteRect& r = kSpriteRects[s.spriteIndex];
        check(true, static_cast<int32_t>(i), s.spriteIndex, s.position, r.w / kFullCellPixels, r.h / kFullCellPixels);
    }
    for (size_t i = 0; i < tileObjects.size(); ++i) {
        const TileObjectRecord& t = tileObjects[i];
        if (t.position < 0 || t.position >= cells) continue;
        check(false, static_cast<int32_t>(i), t.texCell, t.position, 1, 1);
    }
}
