// A mission's objects under a painting symmetry: the objects that have no
// twin, an object of the same kind at each of their images.
#pragma once
#include <cstdint>
#include <vector>

#include "files/mission.h"
#include "map/paint_tools.h"

struct ObjectWithoutTwin {
    bool structure;        // else a tile object
    int32_t index;         // in its list
    int32_t id;            // spriteIndex (structure) or texCell (tile object)
    int32_t x, y;          // its top-left cell
    int32_t w, h;          // the cells it covers across and down (1 x 1 for a tile object)
    int32_t twinX, twinY;  // top-left cell of its first image that holds no twin
};

// Callers: the shell's status line and marks (recomputed when the mission or
// the mode changes) and vorn-map check --symmetry. Replaces `out` with every
// object of the two lists that has no twin under `symmetry`, structures
// first, each list in its order. Positions number the cells of a map of
// mapWidth x mapHeight cells as y * mapWidth + x. An object covering cw x ch
// cells from (x, y) (a structure: its sprite rectangle's, in cells; a tile
// object: 1 x 1) has its images at (W - x - cw, y) left-right, (x, H - y - ch)
// top-bottom, (W - x - cw, H - y - ch) half turn, four ways all three in that
// order; it has no twin when an image's cell holds no object of its kind with
// the same spriteIndex or texCell (an object that is its own image is its own
// twin; an image off the map holds none). Objects outside the map and
// structures with a spriteIndex outside the sprite table are not checked.
// Nothing with symmetry off.
void findObjectsWithoutTwin(const std::vector<StructureRecord>& structures,
                            const std::vector<TileObjectRecord>& tileObjects, Symmetry symmetry, int32_t mapWidth,
                            int32_t mapHeight, std::vector<ObjectWithoutTwin>& out);
