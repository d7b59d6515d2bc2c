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
// - A recorded cell whose points this call did not write, and whose bytes
//   are those it had right after an earlier selection, already shows the tile
//   selection would give it (see SelectionMemo); it is not selected again.
#include <cassert>
#include <cstddef>
#include <cstring>

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

// The same set of cells seen from a window dx columns and dy rows further
// right and down (bits that leave the window are dropped).
uint64_t shiftWindow(uint64_t m, int32_t dx, int32_t dy) {
    if (dx <= -8 || dx >= 8 || dy <= -8 || dy >= 8) return 0;
    if (dy > 0) m = (m >> dy) & (kEachColumn * (0xFFu >> dy));
    if (dy < 0) m = (m << -dy) & (kEachColumn * ((0xFFu << -dy) & 0xFFu));
    if (dx > 0) m >>= 8 * dx;
    if (dx < 0) m <<= -8 * dx;
    return m;
}

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

// Cells known to show the tile of their points, from the end of the last
// top-level call: a small region's point rows and tiles as they were then,
// and which of its cells had just been selected. A tile is a pure function
// of the cell's nine points, so while those bytes stay the same (whatever map
// they are in, whatever happened in between), the tile is still right and
// selecting the cell again would change nothing. Consecutive brush points
// share most of their blocks, so this spares most re-selections. Any
// difference in the region, even outside the cells concerned, just makes the
// memo unusable for that call. (Static scratch: the program has one thread.)
struct SelectionMemo {
    static constexpr int kMaxCols = 6;  // 13 points: two 8-byte compares per point row
    static constexpr int kRows = 8;     // tiles of a column: one 8-byte compare
    bool valid = false;
    int32_t stride = 0, height = 0;  // layout of the map the bytes were taken from
    int32_t wx0 = 0, wy0 = 0;        // window of `known`
    uint64_t known = 0;              // cells of the window selected at the end of that call
    int32_t x0 = 0, y0 = 0, cols = 0, rows = 0;  // the region checked, in cells
    uint64_t points[2 * kRows + 1][2];  // 16 bytes of each point row of the region from column 2 * x0
    uint64_t tiles[kMaxCols];           // 8 tiles of each column of the region from row y0
};
SelectionMemo memo;

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

    // True when the memo's region still holds the bytes it held; call before
    // the first write.
    bool recall() const {
        if (!memo.valid || memo.stride != stride_ || memo.height != height_) return false;
        const uint8_t* row = corners_ + 2 * memo.y0 * stride_ + 2 * memo.x0;
        uint64_t diff = 0;
        for (int r = 0; r < 2 * memo.rows + 1; ++r, row += stride_)
            diff |= (load64(row) ^ memo.points[r][0]) | (load64(row + 8) ^ memo.points[r][1]);
        for (int c = 0; c < memo.cols; ++c) diff |= load64(map_.tiles + (memo.x0 + c) * height_ + memo.y0) ^ memo.tiles[c];
        return diff == 0;
    }

    // Selects every recorded cell that needs it, once, and remembers the region.
    void flush(bool recalled) {
        using namespace tiles;
        const uint64_t inside = insideMask();
        const uint64_t selected = pending_ & inside;
        uint64_t known = recalled ? shiftWindow(memo.known, wx0_ - memo.wx0, wy0_ - memo.wy0) : 0;
        uint64_t bits = selected & ~(known & ~changed_);
        // Locals, not members: a tile is a byte store, which may alias them.
        const uint8_t* const corners = corners_;
        uint8_t* const tileGrid = map_.tiles;
        const ptrdiff_t stride = stride_, height = height_;
        // Offsets of the window's first cell; cells of the window that lie
        // outside the map are never selected, so only valid cells add to them.
        const ptrdiff_t point0 = 2 * (wy0_ * stride + wx0_), tile0 = wx0_ * height + wy0_;
        while (bits) {
            // One column of the window at a time; going down it, a cell's
            // bottom row of points is the next one's top row.
            const int col = __builtin_ctzll(bits) >> 3;
            unsigned rows = static_cast<unsigned>(bits >> (8 * col)) & 0xFFu;
            bits &= ~(uint64_t{0xFF} << (8 * col));
            const uint8_t* const pc = corners + point0 + 2 * col;
            uint8_t* const tc = tileGrid + tile0 + col * height;
            int last = -2;
            uint64_t lastBottom = 0;
            while (rows) {
                const int r = __builtin_ctz(rows);
                rows &= rows - 1;
                const uint8_t* p = pc + 2 * r * stride;
                const uint64_t top = r == last + 1 ? lastBottom : rowLanesAt(p);
                const uint64_t bottom = rowLanesAt(p + 2 * stride);
                tc[r] = tileOf(top | rowLanesAt(p + stride) << 3 | bottom << 6);
                last = r;
                lastBottom = bottom;
            }
        }
        remember(selected);
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
        const int32_t r0 = wy0_ < 0 ? -wy0_ : 0, r1 = height_ - wy0_ < 8 ? height_ - wy0_ : 8;
        const int32_t c0 = wx0_ < 0 ? -wx0_ : 0, c1 = width_ - wx0_ < 8 ? width_ - wx0_ : 8;
        if (r0 >= r1 || c0 >= c1) return 0;
        const uint64_t rows = (uint64_t{1} << r1) - (uint64_t{1} << r0);
        const uint64_t cols = (c1 == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * c1)) - 1) & ~((uint64_t{1} << (8 * c0)) - 1);
        return rows * kEachColumn & cols;
    }

    // Takes the selected cells and their region's bytes into the memo, if
    // the region is narrow enough.
    void remember(uint64_t selected) {
        memo.valid = false;
        if (!selected) return;
        uint64_t columns = selected;  // bit 8 c: column c of the window has a selected cell
        columns |= columns >> 4;
        columns |= columns >> 2;
        columns |= columns >> 1;
        columns &= kEachColumn;
        uint64_t anyRow = selected;  // bit r: row r of the window has one
        anyRow |= anyRow >> 32;
        anyRow |= anyRow >> 16;
        anyRow |= anyRow >> 8;
        const uint32_t rows = static_cast<uint32_t>(anyRow & 0xFF);
        const int c0 = __builtin_ctzll(columns) >> 3, c1 = (63 - __builtin_clzll(columns)) >> 3;
        if (c1 - c0 + 1 > SelectionMemo::kMaxCols) return;
        memo.stride = stride_;
        memo.height = height_;
        memo.wx0 = wx0_;
        memo.wy0 = wy0_;
        memo.known = selected;
        memo.x0 = wx0_ + c0;
        memo.y0 = wy0_ + __builtin_ctz(rows);
        memo.cols = c1 - c0 + 1;
        memo.rows = 32 - __builtin_clz(rows) - __builtin_ctz(rows);
        const uint8_t* row = corners_ + 2 * memo.y0 * stride_ + 2 * memo.x0;
        for (int r = 0; r < 2 * memo.rows + 1; ++r, row += stride_) {
            memo.points[r][0] = load64(row);
            memo.points[r][1] = load64(row + 8);
        }
        for (int c = 0; c < memo.cols; ++c) memo.tiles[c] = load64(map_.tiles + (memo.x0 + c) * height_ + memo.y0);
        memo.valid = true;
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
    void repairAmidKindTwo(int32_t x, int32_t y, unsigned need) {
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
    const bool recalled = p.recall();
    p.paint(px, py, kind);
    p.flush(recalled);
}

void GroundMap::repairCell(int32_t x, int32_t y, int32_t kind) {
    Painter p = Painter::forCell(*this, x, y);
    const bool recalled = p.recall();
    p.repair(x, y, kind);
    p.flush(recalled);
}
