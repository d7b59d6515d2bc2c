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
    int32_t patterns[256];     // kind-4 pattern table, as initPatternTable fills it
    uint8_t decodeKind[256];   // kind a tile decodes to, 0 when it has none
    uint16_t decodePattern[256];  // the points of that kind on the tile
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

}  // namespace tiles
