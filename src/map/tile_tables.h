// Lookup tables of the auto-tiler (private to src/map). Every answer of tile
// selection depends only on a cell's nine points, and each kind's part of it
// only on that kind's 9-bit mask, so the tables answer from masks directly.
#pragma once
#include <cstdint>
#include <cstring>

namespace tiles {

// Lanes of a cell's kind masks, packed in one 64-bit word, 16 bits each.
constexpr int kLaneKind1 = 0;    // points holding 1
constexpr int kLaneKind23 = 16;  // points holding 2 or 3 (kind 2 counts kind 3)
constexpr int kLaneKind3 = 32;   // points holding 3
constexpr int kLaneKind4 = 48;   // points holding 4

// Turns the bytes v0, v1, v2 (each at most 7) of a 32-bit word into the index
// v0 + 5 v1 + 25 v2 of the row tables, at bits 16..23 of the product.
constexpr uint32_t kRowIndexFactor = 25u + (5u << 8) + (1u << 16);

struct Tables {
    // Lane bits of three points in a row, indexed by v0 + 5 v1 + 25 v2 for
    // kinds v0..v2 in 0..4, each point at bit 0, 1 or 2 of its lane. (Bytes
    // above 4 never occur; they only land on some entry of the table.)
    uint64_t rowLanes[256];
    uint8_t edge[4][512];      // [k - 1][mask]: what edgeCode gives for kind k (k = 2 on the 2-or-3 mask)
    uint8_t kind4Search[512];  // kind-4 tile search on the kind-4 mask: tile or 0
    uint8_t family[4][512];    // [k - 1][mask]: the tile kind k's step of selection picks, 0 when none
    int32_t patterns[256];     // kind-4 pattern per tile or -1: kind4Search and decoding are built from it,
                               // kind4PatternTable (ground_map.h) is a copy of it
    uint8_t decodeKind[256];   // kind a tile decodes to, 0 when it has none
    uint16_t decodePattern[256];  // the points of that kind on the tile
    bool needsSide[4];         // [k - 1]: kind k's edge code is 0 for every mask without a full side
};

extern const Tables kTables;

// Lane bits of the three points p[0..2] of one lattice row. Reads p[3] too:
// every corner grid is allocated with slack bytes past its end for this.
// The multiplication gathers the three low bytes' kinds into the base-5
// number v0 + 5 v1 + 25 v2 at bits 16..23 (the partial products below bit 16
// stay under 2^16, those above start at bit 24).
inline uint64_t rowLanesAt(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    const uint32_t idx = (((w & 0x070707u) * kRowIndexFactor) >> 16) & 0xFFu;
    return kTables.rowLanes[idx];
}

// The four kind masks of cell (x, y) of a corner grid with the given row stride.
inline uint64_t cellLanes(const uint8_t* corners, int32_t stride, int32_t x, int32_t y) {
    const uint8_t* p = corners + (2 * y) * stride + 2 * x;
    return rowLanesAt(p) | rowLanesAt(p + stride) << 3 | rowLanesAt(p + 2 * stride) << 6;
}

inline unsigned lane(uint64_t lanes, int at) { return static_cast<unsigned>(lanes >> at) & 0x1FFu; }

// Bit v of kMaskValues[k]: a point holding v counts in kind k's mask, which
// its edge code (kind 4: its tile search) reads; kind 2 counts kind 3 too.
constexpr uint8_t kMaskValues[5] = {0x01, 0x02, 0x0C, 0x08, 0x10};

// The lane of the mask that kind k's edge code (kind 4: tile search) reads, and
// that code from kTables.edge[k - 1].
constexpr int kEdgeLane[5] = {0, kLaneKind1, kLaneKind23, kLaneKind3, kLaneKind4};

// The tile selection gives for a cell with these masks.
inline uint8_t tileOf(uint64_t lanes) {
    unsigned t = 176;
    unsigned t1 = kTables.family[0][lane(lanes, kLaneKind1)];
    unsigned t2 = kTables.family[1][lane(lanes, kLaneKind23)];
    unsigned t3 = kTables.family[2][lane(lanes, kLaneKind3)];
    unsigned t4 = kTables.kind4Search[lane(lanes, kLaneKind4)];
    t = t1 ? t1 : t;
    t = t2 ? t2 : t;
    t = t3 ? t3 : t;
    t = t4 ? t4 : t;
    return static_cast<uint8_t>(t);
}

// The repair rules. Repairing a cell for kind k does nothing while its edge
// code for k (kind 4: its tile search) is 0; otherwise it visits the cell's
// points, dx outer and dy inner, and paints `repaint` on each point whose
// value the rule names for its place: one of the cell's four corners, or a
// side midpoint or the centre. These five entries are the only statement of
// the rules in the program; painting and the height fill both read them.
struct RepairRule {
    uint8_t repaint;    // kind painted on a repaired point
    uint8_t onCorner;   // bit v: a corner point holding v is repaired
    uint8_t offCorner;  // bit v: a side midpoint or the centre holding v is repaired
};
constexpr RepairRule kRepairRules[5] = {
    {0, 0x00, 0x00},  // kind 0 repairs nothing
    {0, 0x10, 0x1C},  // kind 1: 4 anywhere, 2 and 3 off the corners
    {0, 0x10, 0x12},  // kind 2: 4 anywhere, 1 off the corners
    {2, 0x13, 0x13},  // kind 3 lies only amid kind 2: 0, 1 and 4 anywhere become 2
    {0, 0x00, 0x0E},  // kind 4: 1, 2 and 3 off the corners; its corners stay
};
constexpr unsigned kCornerPoints = 0x145;  // bits dx + 3 dy of a cell's four corners
constexpr unsigned kOffCorner = 0x0BA;     // its side midpoints and centre

// Index of the lowest set bit of v, which is not 0. GCC and Clang have a
// builtin; other compilers (MSVC) take the loop.
inline int lowestBit(uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(v);
#else
    int n = 0;
    for (; !(v & 1); v >>= 1) ++n;
    return n;
#endif
}

// Index of the highest set bit of v, which is not 0.
inline int highestBit(uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
    return 63 - __builtin_clzll(v);
#else
    int n = 0;
    while (v >>= 1) ++n;
    return n;
#endif
}

}  // namespace tiles
