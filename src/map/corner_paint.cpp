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
// - Repairs for kinds 1, 2 and 4 paint kind 0, which repairs nothing further;
//   the points they change are exactly those that need repair when the cell is
//   entered, so they are found from the cell's kind masks in one step.
// - Repairs for kind 3 paint kind 2, which may repair further; that path
//   follows the rules point by point in their order.
// Maps wider or taller than 64 cells (never made by the editor) take the plain
// path, which re-selects after every repair.
#include <algorithm>
#include <cstring>

#include "map/ground_map.h"
#include "map/tile_tables.h"

namespace {

constexpr unsigned kPlusMask = 0x0BA;  // side midpoints and centre of a cell
constexpr unsigned kAllPoints = 0x1FF;
constexpr int kMaxTracked = 64;        // widest and tallest map the fast path tracks

// The four cells around a lattice point, in repair order, as offsets from
// (px / 2, py / 2).
constexpr int kCellsAroundPoint[4][2] = {{0, 0}, {-1, 0}, {0, -1}, {-1, -1}};

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

// Cells that the running top-level paint must re-select (static scratch: one
// paint runs at a time, and every top-level call empties it before returning).
// Kept by columns, the order of the tile grid.
struct PendingSelection {
    uint64_t cols[kMaxTracked];     // bit y of cols[x]: cell (x, y)
    uint64_t changed[kMaxTracked];  // the same for cells with a point written by this paint
    int32_t left = kMaxTracked;  // first column that may hold bits
    int32_t right = -1;          // last column that may hold bits
};
PendingSelection pending;

// Cells known to show the tile of their points, from the end of the last
// fast paint: a small region's point rows and tiles as they were then, and
// which of its cells had just been selected. A tile is a pure function of the
// cell's nine points, so if those bytes are still the same, whatever map they
// are in and whatever happened in between, the cell's tile is still right
// and selecting it again would change nothing. Consecutive brush points share
// most of their blocks, so this spares most re-selections; any difference,
// even outside the cells concerned, just makes the region unknown.
struct SelectionMemo {
    static constexpr int kMaxCols = 6;  // 13 points: one 16-byte compare per point row
    static constexpr int kMaxRows = 8;  // 8 tiles: one 8-byte compare per column
    bool valid = false;
    int32_t stride = 0, height = 0;        // layout of the map the bytes were taken from
    int32_t x0 = 0, y0 = 0, cols = 0, rows = 0;  // the region, in cells
    uint64_t known[kMaxCols];              // bit y of known[x - x0]: cell (x, y) was selected
    uint64_t points[2 * kMaxRows + 1][2];  // 16 bytes of each point row from column 2 * x0
    uint64_t tiles[kMaxCols];              // 8 tiles of each column from row y0
};
SelectionMemo memo;

uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// One top-level paint or repair on a map of at most 64 x 64 cells.
class Painter {
public:
    explicit Painter(GroundMap& m)
        : map_(m), corners_(m.corners), stride_(m.latticeStride()), width_(m.width), height_(m.height) {}

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
        markRect(x - 1, x + 1, y - 1, y + 1);
    }

    // Selects every recorded cell once and forgets them. Going down a column,
    // a cell's bottom row of points is the next cell's top row.
    void flush(bool recalled) {
        using namespace tiles;
        for (int32_t x = pending.left; x <= pending.right; ++x) {
            const uint32_t memoColumn = static_cast<uint32_t>(x - memo.x0);
            const uint64_t known =
                recalled && memoColumn < static_cast<uint32_t>(memo.cols) ? memo.known[memoColumn] : 0;
            uint64_t bits = pending.cols[x] & ~(known & ~pending.changed[x]);
            const uint8_t* column = corners_ + 2 * x;
            uint8_t* tileColumn = map_.tiles + x * height_;
            int32_t lastY = -2;
            uint64_t lastBottom = 0;
            while (bits) {
                const int32_t y = __builtin_ctzll(bits);
                bits &= bits - 1;
                const uint8_t* p = column + 2 * y * stride_;
                const uint64_t top = y == lastY + 1 ? lastBottom : rowLanesAt(p);
                const uint64_t bottom = rowLanesAt(p + 2 * stride_);
                tileColumn[y] = tileOf(top | rowLanesAt(p + stride_) << 3 | bottom << 6);
                lastY = y;
                lastBottom = bottom;
            }
        }
        remember();
        for (int32_t x = pending.left; x <= pending.right; ++x) pending.cols[x] = pending.changed[x] = 0;
        pending.left = kMaxTracked;
        pending.right = -1;
    }

    // True when the memo's cells still show their points' tiles; call before
    // the first write of a paint.
    bool recall() const {
        if (!memo.valid || memo.stride != stride_ || memo.height != height_) return false;
        const uint8_t* row = corners_ + 2 * memo.y0 * stride_ + 2 * memo.x0;
        for (int r = 0; r < 2 * memo.rows + 1; ++r, row += stride_)
            if (((load64(row) ^ memo.points[r][0]) | (load64(row + 8) ^ memo.points[r][1])) != 0) return false;
        for (int c = 0; c < memo.cols; ++c)
            if (load64(map_.tiles + (memo.x0 + c) * height_ + memo.y0) != memo.tiles[c]) return false;
        return true;
    }

private:
    // Takes the selected region into the memo, if it is small enough.
    void remember() {
        memo.valid = false;
        uint64_t all = 0;
        for (int32_t x = pending.left; x <= pending.right; ++x) all |= pending.cols[x];
        if (!all) return;
        const int32_t y0 = __builtin_ctzll(all), y1 = 63 - __builtin_clzll(all);
        const int32_t cols = pending.right - pending.left + 1, rows = y1 - y0 + 1;
        if (cols > SelectionMemo::kMaxCols || rows > SelectionMemo::kMaxRows) return;
        memo.stride = stride_;
        memo.height = height_;
        memo.x0 = pending.left;
        memo.y0 = y0;
        memo.cols = cols;
        memo.rows = rows;
        const uint8_t* row = corners_ + 2 * y0 * stride_ + 2 * memo.x0;
        for (int r = 0; r < 2 * rows + 1; ++r, row += stride_) {
            memo.points[r][0] = load64(row);
            memo.points[r][1] = load64(row + 8);
        }
        for (int c = 0; c < cols; ++c) {
            memo.tiles[c] = load64(map_.tiles + (memo.x0 + c) * height_ + y0);
            memo.known[c] = pending.cols[memo.x0 + c];
        }
        memo.valid = true;
    }

    // Writes one point and records the cells that contain it (changed) and
    // the blocks that the repairs of the cells around it re-select.
    void writePoint(int32_t px, int32_t py, int32_t kind) {
        corners_[py * stride_ + px] = static_cast<uint8_t>(kind);
        const int32_t x0 = std::max((px - 1) >> 1, 0), x1 = std::min(px >> 1, width_ - 1);
        const int32_t y0 = std::max((py - 1) >> 1, 0), y1 = std::min(py >> 1, height_ - 1);
        const uint64_t bits = (uint64_t{2} << y1) - (uint64_t{1} << y0);
        for (int32_t x = x0; x <= x1; ++x) pending.changed[x] |= bits;
        markAroundPoint(px, py);
    }

    template <int Kind>
    void paintKind(int32_t px, int32_t py) {
        writePoint(px, py, Kind);
        const int32_t cx = px >> 1, cy = py >> 1;
        if (cx >= 1 && cy >= 1 && cx < width_ && cy < height_) {  // all four cells inside
            repairPoints<Kind>(cx, cy);
            repairPoints<Kind>(cx - 1, cy);
            repairPoints<Kind>(cx, cy - 1);
            repairPoints<Kind>(cx - 1, cy - 1);
            return;
        }
        for (const auto& d : kCellsAroundPoint) {
            const int32_t x = cx + d[0], y = cy + d[1];
            if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
            repairPoints<Kind>(x, y);
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
            return;
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

    // Records cells x0..x1 of rows y0..y1, clipped to the map.
    void markRect(int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
        x0 = std::max(x0, 0);
        y0 = std::max(y0, 0);
        x1 = std::min(x1, width_ - 1);
        y1 = std::min(y1, height_ - 1);
        // Bits y0..y1; for y1 = 63 the shift wraps to 0, which still gives the top bits.
        const uint64_t bits = (uint64_t{2} << y1) - (uint64_t{1} << y0);
        for (int32_t x = x0; x <= x1; ++x) pending.cols[x] |= bits;
        pending.left = std::min(pending.left, x0);
        pending.right = std::max(pending.right, x1);
    }

    // The 3 x 3 blocks of the cells around a point (those inside the map)
    // together make the rectangle of cells (px / 2 - 2 .. px / 2 + 1) x (the same in y).
    void markAroundPoint(int32_t px, int32_t py) {
        const int32_t cx = px >> 1, cy = py >> 1;
        markRect(cx - 2, cx + 1, cy - 2, cy + 1);
    }

    GroundMap& map_;
    uint8_t* corners_;
    int32_t stride_, width_, height_;
};

bool tracked(const GroundMap& m) { return m.width <= kMaxTracked && m.height <= kMaxTracked; }

// The rules step by step, for maps the fast path does not track.
void plainRepair(GroundMap& m, int32_t x, int32_t y, int32_t kind);

void plainPaint(GroundMap& m, int32_t px, int32_t py, int32_t kind) {
    m.cornerAt(px, py) = static_cast<uint8_t>(kind);
    const int32_t cx = px / 2, cy = py / 2;
    for (const auto& d : kCellsAroundPoint) {
        const int32_t x = cx + d[0], y = cy + d[1];
        if (x < 0 || y < 0 || x >= m.width || y >= m.height) continue;
        plainRepair(m, x, y, kind);
    }
}

void plainRepair(GroundMap& m, int32_t x, int32_t y, int32_t kind) {
    static constexpr unsigned kAllowed[5] = {0, 0x3, 0xD, 0xC, 0x11};  // kinds that may stay, as bits
    static constexpr int kRepairKind[5] = {0, 0, 0, 2, 0};
    if (kind > 0 && kind <= 4 && m.edgeCode(x, y, kind) != 0) {
        for (int dx = 0; dx < 3; ++dx)
            for (int dy = 0; dy < 3; ++dy) {
                const int32_t px = 2 * x + dx, py = 2 * y + dy;
                const unsigned v = m.cornerAt(px, py);
                const bool allowed = v <= 4 && ((kAllowed[kind] >> v) & 1);
                const bool plus = (kPlusMask >> (dx + 3 * dy)) & 1;
                const bool repair = kind == 4 ? plus && v != 0 && v != 4
                                              : !allowed && (plus || kind == 3 || v == 4);
                if (repair) plainPaint(m, px, py, kRepairKind[kind]);
            }
    }
    for (int32_t i = -1; i <= 1; ++i)
        for (int32_t j = -1; j <= 1; ++j) {
            const int32_t nx = x + i, ny = y + j;
            if (nx >= 0 && ny >= 0 && nx < m.width && ny < m.height) m.selectTile(nx, ny);
        }
}

}  // namespace

void GroundMap::paintCorner(int32_t px, int32_t py, int32_t kind) {
    if (!tracked(*this)) return plainPaint(*this, px, py, kind);
    Painter p(*this);
    const bool recalled = p.recall();
    p.paint(px, py, kind);
    p.flush(recalled);
}

void GroundMap::repairCell(int32_t x, int32_t y, int32_t kind) {
    if (!tracked(*this)) return plainRepair(*this, x, y, kind);
    Painter p(*this);
    const bool recalled = p.recall();
    p.repair(x, y, kind);
    p.flush(recalled);
}
