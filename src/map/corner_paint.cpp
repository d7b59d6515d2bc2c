// Corner painting: set a lattice point, repair the cells around it so that
// kinds meet only in shapes the tile families show, and re-select their tiles.
//
// How it stays fast while giving exactly the result of the step-by-step rules
// (re-select the 3 x 3 block after every repaired cell, at every depth):
// - Repairs read and write only the corner grid, never a tile, and a cell's
//   tile depends only on its own nine points. So instead of selecting after
//   every repair, a top-level paint records every cell that any repair would
//   have re-selected and selects each of them once, after the last write.
//   Cells outside those blocks keep their tiles, as they would.
// - Everything one top-level call can touch lies within 8 x 8 cells of it
//   (see Window), so the recorded cells fit one 64-bit word.
// - Repairs for kinds 1, 2 and 4 paint kind 0, which repairs nothing further;
//   the points they change are exactly those that need repair when the cell is
//   entered, so they are found from the cell's kind masks in one step.
// - Repairs for kind 3 paint kind 2, which may repair further; that path
//   follows the rules point by point in their order.
// - A recorded cell whose points and tile are those that painting left in
//   the map's shadow grids, where its tile is known to be the selection of
//   its points, already shows that tile; it is not selected again (see
//   GroundMap::shadowCorners and Painter::flush).
#include <cassert>
#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "map/ground_map.h"
#include "map/tile_tables.h"

namespace {

constexpr unsigned kPlusMask = 0x0BA;  // side midpoints and centre of a cell
constexpr unsigned kAllPoints = 0x1FF;

// A cell's point mask with bit dx + 3 * dy moved to bit dy + 3 * dx, so that
// ascending bits follow the repair visiting order (dx outer, dy inner).
struct Transposed {
    uint16_t bits[512];
};
constexpr Transposed transposeAll() {
    Transposed t{};
    for (int m = 0; m < 512; ++m)
        for (int b = 0; b < 9; ++b)
            if (m >> b & 1) t.bits[m] = static_cast<uint16_t>(t.bits[m] | 1u << (b / 3 + 3 * (b % 3)));
    return t;
}
constexpr Transposed kVisitOrder = transposeAll();

// 8 x 8 cells as one word: bit 8 * (x - x0) + (y - y0) for cell (x, y) of a
// window whose first cell is (x0, y0). Column by column, like the tile grid.
constexpr uint64_t kBlock4 = 0x0F0F0F0Full;   // 4 x 4 cells at the window's corner
constexpr uint64_t kBlock3 = 0x070707ull;     // 3 x 3 cells
constexpr uint64_t kEachColumn = 0x0101010101010101ull;

// Bytes 0..4 of a row word, one per lattice point.
constexpr uint64_t kFiveBytes = 0x0101010101ull;
constexpr uint64_t kOddBytes = 0x0001000100ull;  // bytes 1 and 3

// Bit 0 of each of bytes 0..4 set where that byte (at most 7) is not 0.
constexpr uint64_t nonZeroBytes(uint64_t w) { return ((w + 0x7F * kFiveBytes) >> 7) & kFiveBytes; }

uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Bits 0..15 set where 16 bytes at a and b are equal.
unsigned equalBytes(const uint8_t* a, const uint8_t* b) {
#if defined(__SSE2__)
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(va, vb)));
#else
    unsigned eq = 0;
    for (int i = 0; i < 16; ++i) eq |= (a[i] == b[i] ? 1u : 0u) << i;
    return eq;
#endif
}

// One top-level paint or repair.
// Window: the 8 x 8 cells wx0..wx0 + 7, wy0..wy0 + 7 of the call, chosen so
// that every cell whose point the call can write, or that it re-selects, lies
// inside (cells outside the map are dropped at the end). For a paint at (px, py), with cx = px / 2: repairs
// write points of cells cx - 1 .. cx; a kind-2 paint there repairs cells
// cx - 2 .. cx + 1 and writes points up to 2 cx - 4 .. 2 cx + 4; the blocks
// re-selected around those reach cells cx - 4 .. cx + 3. For a repair of cell
// x the same chain reaches cells x - 3 .. x + 3. The same holds in y.
class Painter {
public:
    Painter(GroundMap& m, int32_t wx0, int32_t wy0)
        : map_(m), corners_(m.corners), stride_(m.latticeStride()), width_(m.width), height_(m.height),
          wx0_(wx0), wy0_(wy0) {}

    static Painter forPoint(GroundMap& m, int32_t px, int32_t py) {
        return Painter(m, (px >> 1) - 4, (py >> 1) - 4);
    }
    static Painter forCell(GroundMap& m, int32_t x, int32_t y) { return Painter(m, x - 3, y - 3); }

    void paint(int32_t px, int32_t py, int32_t kind) {
        switch (kind) {
            case 1: return paintKind<1>(px, py);
            case 2: return paintKind<2>(px, py);
            case 3: return paintKind<3>(px, py);
            case 4: return paintKind<4>(px, py);
            default: return writePoint(px, py, kind);  // painting 0 repairs nothing
        }
    }

    void repair(int32_t x, int32_t y, int32_t kind) {
        switch (kind) {
            case 1: repairPoints<1>(x, y); break;
            case 2: repairPoints<2>(x, y); break;
            case 3: repairPoints<3>(x, y); break;
            case 4: repairPoints<4>(x, y); break;
            default: break;
        }
        pending_ |= at(kBlock3, 3, 3, x - 1, y - 1);
    }


    // Selects every recorded cell once, except those that the shadow grids
    // show to hold their selection already. Shadow invariant, between calls:
    // where a cell's bit in `shadowSelected` is set, the shadow tile is the
    // selection of the shadow points. Writes by this call go to both grids
    // (writePoint), which breaks the invariant only for the cells holding
    // the written points; those are all recorded and selected here, which
    // restores it. So a cell whose points and tile equal the shadow ones,
    // with its bit set and no point written by this call, is left alone. Any
    // other difference from the shadow is a direct write from outside; then
    // the shadow takes the region's bytes and forgets the cells whose shadow
    // bytes that changes, and those are selected too where recorded.
    void flush() {
        using namespace tiles;
        const uint64_t selected = pending_ & insideMask();
        if (!selected) return;
        uint64_t columns = selected;  // bit 8 c: column c of the window has a recorded cell
        columns |= columns >> 4;
        columns |= columns >> 2;
        columns |= columns >> 1;
        columns &= kEachColumn;
        uint64_t anyRow = selected;  // bit r: row r of the window has one
        anyRow |= anyRow >> 32;
        anyRow |= anyRow >> 16;
        anyRow |= anyRow >> 8;
        const unsigned rowBits = static_cast<unsigned>(anyRow & 0xFF);
        const int c0 = __builtin_ctzll(columns) >> 3, c1 = (63 - __builtin_clzll(columns)) >> 3;
        const int r0 = __builtin_ctz(rowBits), r1 = 31 - __builtin_clz(rowBits);
        uint64_t bits = selected;
        const bool tracked = height_ <= 64;  // one word of shadowSelected per column
        bool allSelected = false;  // every shadowSelected bit is set: nothing to gather or set
        if (tracked) {
            if (!shadowMatches(c0, c1, r0, r1)) resyncShadow(c0, c1, r0, r1);
            allSelected = map_.shadowAllSelected;
            bits &= ~((allSelected ? ~uint64_t{0} : shownInWindow(c0, c1)) & ~changed_);
        }
        // Locals, not members: a tile is a byte store, which may alias them.
        const uint8_t* const corners = corners_;
        uint8_t* const tileGrid = map_.tiles;
        uint8_t* const shadowTiles = map_.shadowTiles;
        uint64_t* const shadowSelected = map_.shadowSelected;
        const ptrdiff_t stride = stride_, height = height_;
        const int32_t wx0 = wx0_, wy0 = wy0_;
        // Offsets of the window's first cell (it may lie outside the map;
        // only cells inside are visited).
        const ptrdiff_t point0 = 2 * (wy0 * stride + wx0), tile0 = wx0 * height + wy0;
        while (bits) {
            // One column of the window at a time; going down it, a cell's
            // bottom row of points is the next one's top row.
            const int col = __builtin_ctzll(bits) >> 3;
            const unsigned colRows = static_cast<unsigned>(bits >> (8 * col)) & 0xFFu;
            bits &= ~(uint64_t{0xFF} << (8 * col));
            unsigned rows = colRows;
            const ptrdiff_t pc = point0 + 2 * col, tc = tile0 + col * height;
            int last = -2;
            uint64_t lastBottom = 0;
            while (rows) {
                const int r = __builtin_ctz(rows);
                rows &= rows - 1;
                const uint8_t* p = corners + (pc + 2 * r * stride);
                const uint64_t top = r == last + 1 ? lastBottom : rowLanesAt(p);
                const uint64_t bottom = rowLanesAt(p + 2 * stride);
                const uint8_t tile = tileOf(top | rowLanesAt(p + stride) << 3 | bottom << 6);
                tileGrid[tc + r] = tile;
                shadowTiles[tc + r] = tile;
                last = r;
                lastBottom = bottom;
            }
            if (tracked && !allSelected) shadowSelected[wx0 + col] |= wy0 >= 0 ? uint64_t{colRows} << wy0 : uint64_t{colRows} >> -wy0;
        }
    }

private:
    // Mask of a block of w x h cells (anchored at the window's first cell)
    // moved to cell (x, y); the block stays inside the window (see Window).
    uint64_t at(uint64_t block, int32_t w, int32_t h, int32_t x, int32_t y) const {
        const int32_t bx = x - wx0_, by = y - wy0_;
        assert(bx >= 0 && by >= 0 && bx + w <= 8 && by + h <= 8);
        (void)w, (void)h;
        return block << (8 * bx + by);
    }

    // The window's cells that lie inside the map.
    uint64_t insideMask() const {
        if (wx0_ >= 0 && wy0_ >= 0 && wx0_ + 8 <= width_ && wy0_ + 8 <= height_) return ~uint64_t{0};
        const int32_t r0 = wy0_ < 0 ? -wy0_ : 0, r1 = height_ - wy0_ < 8 ? height_ - wy0_ : 8;
        const int32_t c0 = wx0_ < 0 ? -wx0_ : 0, c1 = width_ - wx0_ < 8 ? width_ - wx0_ : 8;
        if (r0 >= r1 || c0 >= c1) return 0;
        const uint64_t rows = (uint64_t{1} << r1) - (uint64_t{1} << r0);
        const uint64_t cols = (c1 == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * c1)) - 1) & ~((uint64_t{1} << (8 * c0)) - 1);
        return rows * kEachColumn & cols;
    }

    // Whether the points and tiles of the window's cells c0..c1 x r0..r1
    // (inside the map) equal the shadow ones.
    bool shadowMatches(int c0, int c1, int r0, int r1) const {
        const int32_t x0 = wx0_ + c0, y0 = wy0_ + r0;
        const int width = 2 * (c1 - c0) + 3, pointRows = 2 * (r1 - r0) + 3;
        const ptrdiff_t at = 2 * (static_cast<ptrdiff_t>(y0) * stride_ + x0);
        const uint8_t* a = corners_ + at;
        const uint8_t* b = map_.shadowCorners + at;
        const unsigned want = width >= 16 ? 0xFFFFu : (1u << width) - 1;
        const ptrdiff_t stride = stride_;
        unsigned equal = 0xFFFFu, extra = 0;
        for (int r = 0; r < pointRows; ++r) equal &= equalBytes(a + r * stride, b + r * stride);
        if (width > 16)  // 8 cells: the 17th point of each row
            for (int r = 0; r < pointRows; ++r) extra |= static_cast<unsigned>(a[r * stride + 16] ^ b[r * stride + 16]);
        if ((equal & want) != want || extra) return false;
        const int n = r1 - r0 + 1;
        const uint64_t rowsMask = n == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * n)) - 1;
        const ptrdiff_t t = static_cast<ptrdiff_t>(x0) * height_ + y0;
        uint64_t diff = 0;
        for (int c = 0; c <= c1 - c0; ++c)
            diff |= load64(map_.tiles + t + c * height_) ^ load64(map_.shadowTiles + t + c * height_);
        return (diff & rowsMask) == 0;
    }

    // Cells of the window's columns c0..c1 (inside the map) whose
    // shadowSelected bit is set, as window bits.
    uint64_t shownInWindow(int c0, int c1) const {
        const uint64_t* word = map_.shadowSelected;
        uint64_t v = 0;
        if (wy0_ >= 0) {
            for (int c = c0; c <= c1; ++c) v |= ((word[wx0_ + c] >> wy0_) & 0xFF) << (8 * c);
        } else {
            for (int c = c0; c <= c1; ++c) v |= ((word[wx0_ + c] << -wy0_) & 0xFF) << (8 * c);
        }
        return v;
    }

    // Copies the points and tiles of the window's cells c0..c1 x r0..r1 into
    // the shadow grids and clears the shadowSelected bits of every cell, in
    // that block or around it, whose shadow points or tile this changes.
    void resyncShadow(int c0, int c1, int r0, int r1) {
        const int32_t x0 = wx0_ + c0, y0 = wy0_ + r0;
        const int cols = c1 - c0 + 1, rows = r1 - r0 + 1;
        const int width = 2 * cols + 1, pointRows = 2 * rows + 1;
        const unsigned want = width >= 16 ? 0xFFFFu : (1u << width) - 1;
        // stale[i], bit m: cell (x0 + i - 1, y0 + m - 1) has a shadow byte changed.
        uint32_t stale[10] = {};
        ptrdiff_t at = 2 * (static_cast<ptrdiff_t>(y0) * stride_ + x0);
        for (int r = 0; r < pointRows; ++r, at += stride_) {
            uint8_t* shadow = map_.shadowCorners + at;
            const uint8_t* now = corners_ + at;
            uint32_t differ = ~equalBytes(now, shadow) & want;  // bit j: point 2 x0 + j
            if (width > 16 && now[16] != shadow[16]) differ |= 1u << 16;
            if (!differ) continue;
            // An even point row or column lies in two cells, an odd one in one.
            const uint32_t cellRows = (r & 1) ? 1u << ((r >> 1) + 1) : 3u << (r >> 1);
            while (differ) {
                const int j = __builtin_ctz(differ);
                differ &= differ - 1;
                shadow[j] = now[j];
                stale[(j + 1) >> 1] |= cellRows;
                stale[(j >> 1) + 1] |= cellRows;
            }
        }
        for (int i = 0; i < cols; ++i) {
            const ptrdiff_t t = static_cast<ptrdiff_t>(x0 + i) * height_ + y0;
            for (int m = 0; m < rows; ++m)
                if (map_.shadowTiles[t + m] != map_.tiles[t + m]) {
                    map_.shadowTiles[t + m] = map_.tiles[t + m];
                    stale[i + 1] |= 1u << (m + 1);
                }
        }
        for (int i = 0; i <= cols + 1; ++i) {
            const int32_t x = x0 + i - 1;
            if (!stale[i] || x < 0 || x >= width_) continue;
            map_.shadowSelected[x] &= ~(y0 >= 1 ? uint64_t{stale[i]} << (y0 - 1) : uint64_t{stale[i]} >> 1);
            map_.shadowAllSelected = false;
        }
    }

    template <int Kind>
    void paintKind(int32_t px, int32_t py) {
        writePoint(px, py, Kind);
        const int32_t cx = px >> 1, cy = py >> 1;
        if (cx >= 1 && cy >= 1 && cx < width_ && cy < height_) {  // all four cells inside
            const unsigned cells = cellsThatMayNeedRepair<Kind>(cx, cy);
            if (cells & 1) repairPoints<Kind>(cx, cy);
            if (cells & 2) repairPoints<Kind>(cx - 1, cy);
            if (cells & 4) repairPoints<Kind>(cx, cy - 1);
            if (cells & 8) repairPoints<Kind>(cx - 1, cy - 1);
            return;
        }
        static constexpr int kCellsAroundPoint[4][2] = {{0, 0}, {-1, 0}, {0, -1}, {-1, -1}};
        for (const auto& d : kCellsAroundPoint) {
            const int32_t x = cx + d[0], y = cy + d[1];
            if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
            repairPoints<Kind>(x, y);
        }
    }

    // Of the four cells around point (2 cx, 2 cy), all inside the map, those
    // that a repair for Kind may change: bit 0 for (cx, cy), 1 for (cx - 1, cy),
    // 2 for (cx, cy - 1), 3 for (cx - 1, cy - 1). A cleared bit is certain;
    // a set one is settled by repairPoints. Read from the 5 x 5 points in
    // five row words, so that most paints skip the four cells' masks. The
    // verdicts stay true while the earlier cells are repaired: those repairs
    // write 2 over 0, 1 or 4 and 0 over 1 or 4, which never adds a point of
    // kind 1 or 4, a point that is neither 2 nor 3, or a point of kind 3.
    template <int Kind>
    unsigned cellsThatMayNeedRepair(int32_t cx, int32_t cy) const {
        if constexpr (Kind != 2 && Kind != 3) {
            return 0xF;
        } else {
            const uint8_t* p = corners_ + (2 * cy - 2) * stride_ + 2 * cx - 2;
            uint64_t a[5], b[5], any = 0;
            for (int i = 0; i < 5; ++i) {
                const uint64_t w = load64(p + i * stride_) & 7 * kFiveBytes;
                if constexpr (Kind == 3) {
                    a[i] = nonZeroBytes(w ^ 3 * kFiveBytes);                     // not 3
                    b[i] = nonZeroBytes((w & 6 * kFiveBytes) ^ 2 * kFiveBytes);  // neither 2 nor 3
                } else {
                    // Kind 4 anywhere, kind 1 off the cells' corners (even row and column).
                    const uint64_t four = (w >> 2) & kFiveBytes, one = w & ~(w >> 1) & ~(w >> 2) & kFiveBytes;
                    a[i] = four | (one & (i % 2 ? kFiveBytes : kOddBytes));
                }
                any |= Kind == 3 ? b[i] : a[i];
            }
            if (!any) return 0;
            unsigned cells = 0;
            static constexpr int kCorner[4][2] = {{2, 2}, {2, 0}, {0, 2}, {0, 0}};  // first row, first byte
            for (int c = 0; c < 4; ++c) {
                const int r = kCorner[c][0], shift = 8 * kCorner[c][1];
                const uint64_t span = uint64_t{0x010101} << shift;
                bool may;
                if constexpr (Kind == 3) {
                    // Something to repair, and a side all of kind 3 (a non-zero edge code).
                    const uint64_t cols = (a[r] | a[r + 1] | a[r + 2]) >> shift;
                    const bool side = !(a[r] & span) || !(a[r + 2] & span) || !(cols & 1) || !(cols & 0x10000);
                    may = ((b[r] | b[r + 1] | b[r + 2]) & span) && side;
                } else {
                    may = (a[r] | a[r + 1] | a[r + 2]) & span;
                }
                cells |= may ? 1u << c : 0u;
            }
            return cells;
        }
    }

    // The points to repair are found from the masks first: most cells need
    // none, and then the edge code does not matter.
    template <int Kind>
    void repairPoints(int32_t x, int32_t y) {
        using namespace tiles;
        const uint64_t lanes = cellLanes(corners_, stride_, x, y);
        const unsigned k1 = lane(lanes, kLaneKind1), k23 = lane(lanes, kLaneKind23);
        const unsigned k3 = lane(lanes, kLaneKind3), k4 = lane(lanes, kLaneKind4);
        if constexpr (Kind == 3) {
            const unsigned need = ~k23 & kAllPoints;  // 0, 1 and 4 anywhere
            if (need && kTables.edge[2][k3]) repairAmidKindTwo(x, y, need);
        } else {
            unsigned toClear;
            if constexpr (Kind == 1) {  // kinds 2, 3, 4 off the plus, and 4 anywhere
                toClear = (kPlusMask & (k23 | k4)) | k4;
                if (!toClear || !kTables.edge[0][k1]) return;
            } else if constexpr (Kind == 2) {  // kinds 1 and 4 off the plus, and 4 anywhere
                toClear = (kPlusMask & (k1 | k4)) | k4;
                if (!toClear || !kTables.edge[1][k23]) return;
            } else {  // kind 4: kinds 1, 2, 3 off the plus; corners stay
                toClear = kPlusMask & (k1 | k23);
                if (!toClear || !kTables.kind4Search[k4]) return;
            }
            // Each of these points is painted 0 in turn; painting 0 writes
            // only that point, so the order does not matter.
            while (toClear) {
                const int b = __builtin_ctz(toClear);
                toClear &= toClear - 1;
                writePoint(2 * x + b % 3, 2 * y + b / 3, 0);
            }
        }
    }

    // Kind 3: every point of the cell that is not 2 or 3 is painted 2, in the
    // visiting order (dx outer, dy inner); those paints repair their own cells
    // for kind 2. A point that needs this when the cell is entered still needs
    // it when visited (the nested repairs write only 0, over 1 or 4), and no
    // other point comes to need it, so the mask taken on entry is exact.
    // Those nested repairs look at the cells x - 1 .. x + 1, y - 1 .. y + 1;
    // without a point of kind 1 or 4 among them (the usual case), they repair
    // nothing and each paint just writes its point.
    void repairAmidKindTwo(int32_t x, int32_t y, unsigned need) {
        if (x >= 1 && y >= 1 && x + 2 <= width_ && y + 2 <= height_) {
            constexpr uint64_t kSevenBytes = 0x01010101010101ull;
            const uint8_t* p = corners_ + (2 * y - 2) * stride_ + 2 * x - 2;
            uint64_t oneOrFour = 0;
            for (int i = 0; i < 7; ++i, p += stride_) {
                const uint64_t w = load64(p);
                oneOrFour |= (w >> 2) | (w & ~(w >> 1) & ~(w >> 2));
            }
            if (!(oneOrFour & kSevenBytes)) {
                while (need) {
                    const int b = __builtin_ctz(need);
                    need &= need - 1;
                    writePoint(2 * x + b % 3, 2 * y + b / 3, 2);
                }
                return;
            }
        }
        unsigned visit = kVisitOrder.bits[need];  // bit dy + 3 * dx
        while (visit) {
            const int b = __builtin_ctz(visit);
            visit &= visit - 1;
            paintKind<2>(2 * x + b / 3, 2 * y + b % 3);
        }
    }

    // Writes one point, recording the cells that contain it (changed) and the
    // blocks that the repairs of the four cells around it re-select: together
    // the 4 x 4 cells from (px / 2 - 2, py / 2 - 2), as far as they exist.
    void writePoint(int32_t px, int32_t py, int32_t kind) {
        corners_[py * stride_ + px] = static_cast<uint8_t>(kind);
        map_.shadowCorners[py * stride_ + px] = static_cast<uint8_t>(kind);
        // An even coordinate is shared by two cells, an odd one lies in one.
        const int32_t w = 2 - (px & 1), h = 2 - (py & 1);
        const uint64_t column = h == 1 ? 1 : 3;
        const uint64_t cells = w == 1 ? column : column | column << 8;
        changed_ |= at(cells, w, h, (px - 1) >> 1, (py - 1) >> 1);
        pending_ |= at(kBlock4, 4, 4, (px >> 1) - 2, (py >> 1) - 2);
    }

    GroundMap& map_;
    uint8_t* corners_;
    int32_t stride_, width_, height_;
    int32_t wx0_, wy0_;     // the window's first cell
    uint64_t pending_ = 0;  // cells to re-select (window bits, clipped to the map at the end)
    uint64_t changed_ = 0;  // cells with a point written by this call
};

}  // namespace

void GroundMap::paintCorner(int32_t px, int32_t py, int32_t kind) {
    Painter p = Painter::forPoint(*this, px, py);
    p.paint(px, py, kind);
    p.flush();
}

void GroundMap::repairCell(int32_t x, int32_t y, int32_t kind) {
    Painter p = Painter::forCell(*this, x, y);
    p.repair(x, y, kind);
    p.flush();
}
