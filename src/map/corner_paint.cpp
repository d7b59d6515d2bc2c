// Corner painting: set a lattice point, repair the cells around it so that
// kinds meet only in shapes the tile families show, and re-select their tiles.
// One engine with two entries: paintCorner (the brush, one point) and
// paintCorners (the height fill, a list of points).
//
// How it stays fast while giving exactly the result of the step-by-step rules
// (re-select the 3 x 3 block after every repaired cell, at every depth):
// - Repairs read and write only the corner grid, never a tile, and a cell's
//   tile depends only on its own nine points. So instead of selecting after
//   every repair, the engine records every cell that any repair would have
//   re-selected and selects each of them once, after the last write: for a
//   single paint in one 64-bit word over the 8 x 8 cells it can reach (see
//   WindowRecord), for a batch in marks over the whole map (MapRecord).
// - Cells outside those blocks keep their tiles, as they would.
// - Which points a repair changes comes from the rule table (kRepairRules in
//   tile_tables.h). Most repairs paint a kind that repairs nothing further
//   (kind 0); the points they change are exactly those that need repair when
//   the cell is entered, so they are found from the cell's kind masks in one
//   step. A repair that paints a kind which repairs in turn (kind 3's, which
//   paints 2) follows the rules point by point in their order.
// - A recorded cell whose points and tile are those that painting left in
//   the map's shadow grids, where its tile is known to be the selection of
//   its points, already shows that tile; a single paint does not select it
//   again (see PaintShadow and WindowRecord::flush).
// - A batch skips every repair for a kind while no point of the map holds a
//   value that kind repairs (it counts the map's values as it writes them).
#include <cassert>
#include <cstddef>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "map/ground_map.h"
#include "map/paint_shadow.h"
#include "map/tile_tables.h"

namespace {

using namespace tiles;

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

// Bit 0 of each byte of a word; bytes 0..4 of a row word, one per lattice point.
constexpr uint64_t kEachByte = 0x0101010101010101ull;
constexpr uint64_t kFiveBytes = 0x0101010101ull;
constexpr uint64_t kOddBytes = 0x0001000100ull;  // bytes 1 and 3

// Bit 0 of each byte set where that byte (at most 7) is not 0.
constexpr uint64_t nonZeroBytes(uint64_t w) { return ((w + 0x7F * kEachByte) >> 7) & kEachByte; }

constexpr int bitCount(unsigned v) { return v ? static_cast<int>(v & 1) + bitCount(v >> 1) : 0; }

// Bit 0 of each byte set where that byte (at most 7) holds a value of `Set`
// (bit v for value v, 0..4). Bytes above 4, which neither painting nor
// loading ever writes, may go either way. Compares with the members or with
// the rest of 0..4, whichever are fewer.
template <unsigned Set>
uint64_t bytesHolding(uint64_t w) {
    constexpr unsigned members = Set & 0x1Fu;
    if constexpr (bitCount(members) <= 2) {
        uint64_t in = 0;
        for (unsigned v = 0; v < 5; ++v)
            if (members >> v & 1) in |= nonZeroBytes(w ^ v * kEachByte) ^ kEachByte;
        return in;
    } else {
        uint64_t in = kEachByte;
        for (unsigned v = 0; v < 5; ++v)
            if (!(members >> v & 1)) in &= nonZeroBytes(w ^ v * kEachByte);
        return in;
    }
}

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

// The points of a cell, with these kind masks, that a repair for Kind repaints.
template <int Kind>
inline unsigned pointsToRepair(uint64_t lanes) {
    constexpr RepairRule rule = kRepairRules[Kind];
    const unsigned k1 = lane(lanes, kLaneKind1), k23 = lane(lanes, kLaneKind23);
    const unsigned k3 = lane(lanes, kLaneKind3), k4 = lane(lanes, kLaneKind4);
    const unsigned holding[5] = {~(k1 | k23 | k4) & kAllPoints, k1, k23 & ~k3, k3, k4};
    unsigned need = 0;
    for (int v = 0; v < 5; ++v) {
        if (rule.onCorner >> v & 1) need |= holding[v] & kCornerPoints;
        if (rule.offCorner >> v & 1) need |= holding[v] & kOffCorner;
    }
    return need;
}

// Whether a repair for Kind of a cell with these masks acts at all: its edge
// code (kind 4: its tile search) is not 0.
template <int Kind>
bool repairActs(uint64_t lanes) {
    return kTables.edge[Kind - 1][lane(lanes, kEdgeLane[Kind])] != 0;
}

// Bit v: a point holding v is repaired by Kind somewhere in a cell; bit 5
// stands for every value above 4, which may be repaired too (a batch counts them).
template <int Kind>
constexpr unsigned kRepairedValues = kRepairRules[Kind].onCorner | kRepairRules[Kind].offCorner | 0x20u;

// Selects cells (x, y0 + r) for the bits r of `rows`, all inside the map,
// into the tiles and the shadow tiles. Going down a column, a cell's bottom
// row of points is the next one's top row.
inline void selectCells(const GroundMap& m, PaintShadow& s, int32_t x, int32_t y0, uint64_t rows) {
    // Locals, not members: a tile is a byte store, which may alias them.
    const uint8_t* const corners = m.corners;
    uint8_t* const tileGrid = m.tiles;
    uint8_t* const shadowTiles = s.tiles;
    const ptrdiff_t stride = m.latticeStride();
    const ptrdiff_t pc = 2 * (static_cast<ptrdiff_t>(y0) * stride + x);
    const ptrdiff_t tc = static_cast<ptrdiff_t>(x) * m.height + y0;
    int last = -2;
    uint64_t lastBottom = 0;
    while (rows) {
        const int r = lowestBit(rows);
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
}

// Brings the shadow of cells x0..x1, y0..y1 (inside the map) up to the grids:
// copies every point and tile that differs and clears the `selected` bit of
// each cell, in that block or around it, whose shadow bytes this changes.
void resyncShadow(const GroundMap& m, PaintShadow& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const ptrdiff_t stride = m.latticeStride();
    const int32_t width = m.width, height = m.height;
    const bool tracked = height <= 64;
    auto forget = [&](int32_t xa, int32_t xb, int32_t ya, int32_t yb) {  // cells xa..xb, ya..yb, clipped
        if (!tracked) return;
        xa = xa < 0 ? 0 : xa, ya = ya < 0 ? 0 : ya;
        xb = xb >= width ? width - 1 : xb, yb = yb >= height ? height - 1 : yb;
        if (ya > yb) return;
        const uint64_t bits = ((uint64_t{2} << yb) - 1) & ~((uint64_t{1} << ya) - 1);
        for (int32_t x = xa; x <= xb; ++x) s.selected[x] &= ~bits;
        s.allSelected = false;
    };
    const int32_t points = 2 * (x1 - x0) + 3;
    for (int32_t py = 2 * y0; py <= 2 * y1 + 2; ++py) {
        uint8_t* shadow = s.corners + py * stride + 2 * x0;
        const uint8_t* now = m.corners + py * stride + 2 * x0;
        for (int32_t j0 = 0; j0 < points; j0 += 16) {
            const int32_t n = points - j0 < 16 ? points - j0 : 16;
            uint32_t differ = ~equalBytes(now + j0, shadow + j0) & ((uint32_t{1} << n) - 1);
            while (differ) {
                const int32_t j = j0 + lowestBit(differ);
                differ &= differ - 1;
                shadow[j] = now[j];
                const int32_t px = 2 * x0 + j;
                forget((px - 1) >> 1, px >> 1, (py - 1) >> 1, py >> 1);
            }
        }
    }
    const int32_t rows = y1 - y0 + 1;
    for (int32_t x = x0; x <= x1; ++x) {
        const ptrdiff_t t = static_cast<ptrdiff_t>(x) * height + y0;
        for (int32_t r0 = 0; r0 < rows; r0 += 8) {
            const uint64_t want = rows - r0 >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * (rows - r0))) - 1;
            if (!((load64(m.tiles + t + r0) ^ load64(s.tiles + t + r0)) & want)) continue;
            for (int32_t r = r0; r < rows && r < r0 + 8; ++r)
                if (s.tiles[t + r] != m.tiles[t + r]) {
                    s.tiles[t + r] = m.tiles[t + r];
                    forget(x, x, y0 + r, y0 + r);
                }
        }
    }
}

// What a single paint or repair records. Window: the 8 x 8 cells wx0..wx0 + 7,
// wy0..wy0 + 7 of the call, chosen so that every cell whose point the call
// can write, or that it re-selects, lies inside (cells outside the map are
// dropped at the end). For a paint at (px, py), with cx = px / 2: repairs
// write points of cells cx - 1 .. cx; a kind-2 paint there repairs cells
// cx - 2 .. cx + 1 and writes points up to 2 cx - 4 .. 2 cx + 4; the blocks
// re-selected around those reach cells cx - 4 .. cx + 3. For a repair of cell
// x the same chain reaches cells x - 3 .. x + 3. The same holds in y.
class WindowRecord {
public:
    WindowRecord(GroundMap& m, PaintShadow& s, int32_t wx0, int32_t wy0) : map_(m), shadow_(s), wx0_(wx0), wy0_(wy0) {}

    static constexpr bool mayRepair(unsigned) { return true; }

    // A point written: the cells that contain it have changed, unless the
    // point and its shadow both held the value already (a symmetric stroke
    // repaints many points with their own kind), and the repairs of the four
    // cells around it re-select the 4 x 4 cells from (px / 2 - 2, py / 2 - 2),
    // as far as they exist.
    void wrote(int32_t px, int32_t py, uint8_t before, uint8_t after, uint8_t shadowBefore) {
        pending_ |= at(kBlock4, 4, 4, (px >> 1) - 2, (py >> 1) - 2);
        if (before == after && shadowBefore == after) return;
        // An even coordinate is shared by two cells, an odd one lies in one.
        const int32_t w = 2 - (px & 1), h = 2 - (py & 1);
        const uint64_t column = h == 1 ? 1 : 3;
        const uint64_t cells = w == 1 ? column : column | column << 8;
        changed_ |= at(cells, w, h, (px - 1) >> 1, (py - 1) >> 1);
    }

    // A cell repaired at the top level: its 3 x 3 block is re-selected.
    void repaired(int32_t x, int32_t y) { pending_ |= at(kBlock3, 3, 3, x - 1, y - 1); }

    // Selects every recorded cell once, except those that the shadow grids
    // show to hold their selection already. Shadow invariant, between calls:
    // where a cell's bit in `selected` is set, the shadow tile is the
    // selection of the shadow points. Writes by this call go to both grids,
    // which breaks the invariant only for the cells holding the written
    // points; those are all recorded and selected here, which restores it.
    // So a cell whose points and tile equal the shadow ones, with its bit set
    // and no point written by this call, is left alone. Any other difference
    // from the shadow is a direct write from outside; then the shadow takes
    // the region's bytes and forgets the cells whose shadow bytes that
    // changes, and those are selected too where recorded.
    void flush() {
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
        const int c0 = lowestBit(columns) >> 3, c1 = highestBit(columns) >> 3;
        const int r0 = lowestBit(rowBits), r1 = highestBit(rowBits);
        uint64_t bits = selected;
        const bool tracked = map_.height <= 64;  // one word of `selected` per column
        bool allSelected = false;  // every `selected` bit is set: nothing to gather or set
        if (tracked) {
            if (!shadowMatches(c0, c1, r0, r1)) resyncShadow(map_, shadow_, wx0_ + c0, wy0_ + r0, wx0_ + c1, wy0_ + r1);
            allSelected = shadow_.allSelected;
            bits &= ~((allSelected ? ~uint64_t{0} : shownInWindow(c0, c1)) & ~changed_);
        }
        while (bits) {
            const int col = lowestBit(bits) >> 3;
            const uint64_t colRows = (bits >> (8 * col)) & 0xFFu;
            bits &= ~(uint64_t{0xFF} << (8 * col));
            selectCells(map_, shadow_, wx0_ + col, wy0_, colRows);
            if (tracked && !allSelected)
                shadow_.selected[wx0_ + col] |= wy0_ >= 0 ? colRows << wy0_ : colRows >> -wy0_;
        }
    }

private:
    // Mask of a block of w x h cells (anchored at the window's first cell)
    // moved to cell (x, y); the block stays inside the window (see above).
    uint64_t at(uint64_t block, int32_t w, int32_t h, int32_t x, int32_t y) const {
        const int32_t bx = x - wx0_, by = y - wy0_;
        assert(bx >= 0 && by >= 0 && bx + w <= 8 && by + h <= 8);
        (void)w, (void)h;
        return block << (8 * bx + by);
    }

    // The window's cells that lie inside the map.
    uint64_t insideMask() const {
        const int32_t width = map_.width, height = map_.height;
        if (wx0_ >= 0 && wy0_ >= 0 && wx0_ + 8 <= width && wy0_ + 8 <= height) return ~uint64_t{0};
        const int32_t r0 = wy0_ < 0 ? -wy0_ : 0, r1 = height - wy0_ < 8 ? height - wy0_ : 8;
        const int32_t c0 = wx0_ < 0 ? -wx0_ : 0, c1 = width - wx0_ < 8 ? width - wx0_ : 8;
        if (r0 >= r1 || c0 >= c1) return 0;
        const uint64_t rows = (uint64_t{1} << r1) - (uint64_t{1} << r0);
        const uint64_t cols = (c1 == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * c1)) - 1) & ~((uint64_t{1} << (8 * c0)) - 1);
        return rows * kEachColumn & cols;
    }

    // Whether the points and tiles of the window's cells c0..c1 x r0..r1
    // (inside the map) equal the shadow ones. The common case of every
    // paint, so it compares whole rows without a branch.
    bool shadowMatches(int c0, int c1, int r0, int r1) const {
        const int32_t x0 = wx0_ + c0, y0 = wy0_ + r0;
        const int width = 2 * (c1 - c0) + 3, pointRows = 2 * (r1 - r0) + 3;
        const ptrdiff_t stride = map_.latticeStride(), height = map_.height;
        const ptrdiff_t at = 2 * (static_cast<ptrdiff_t>(y0) * stride + x0);
        const uint8_t* a = map_.corners + at;
        const uint8_t* b = shadow_.corners + at;
        const unsigned want = width >= 16 ? 0xFFFFu : (1u << width) - 1;
        unsigned equal = 0xFFFFu, extra = 0;
        for (int r = 0; r < pointRows; ++r) equal &= equalBytes(a + r * stride, b + r * stride);
        if (width > 16)  // 8 cells: the 17th point of each row
            for (int r = 0; r < pointRows; ++r) extra |= static_cast<unsigned>(a[r * stride + 16] ^ b[r * stride + 16]);
        if ((equal & want) != want || extra) return false;
        const int n = r1 - r0 + 1;
        const uint64_t rowsMask = n == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * n)) - 1;
        const ptrdiff_t t = static_cast<ptrdiff_t>(x0) * height + y0;
        uint64_t diff = 0;
        for (int c = 0; c <= c1 - c0; ++c)
            diff |= load64(map_.tiles + t + c * height) ^ load64(shadow_.tiles + t + c * height);
        return (diff & rowsMask) == 0;
    }

    // Cells of the window's columns c0..c1 (inside the map) whose `selected`
    // bit is set, as window bits.
    uint64_t shownInWindow(int c0, int c1) const {
        const uint64_t* word = shadow_.selected;
        uint64_t v = 0;
        if (wy0_ >= 0) {
            for (int c = c0; c <= c1; ++c) v |= ((word[wx0_ + c] >> wy0_) & 0xFF) << (8 * c);
        } else {
            for (int c = c0; c <= c1; ++c) v |= ((word[wx0_ + c] << -wy0_) & 0xFF) << (8 * c);
        }
        return v;
    }

    GroundMap& map_;
    PaintShadow& shadow_;
    int32_t wx0_, wy0_;     // the window's first cell
    uint64_t pending_ = 0;  // cells to re-select (window bits, clipped to the map at the end)
    uint64_t changed_ = 0;  // cells with a point written by this call
};

// What a batch records: for every written point (px, py) a mark at
// (px / 2, py / 2); the cells its paint re-selects are the 4 x 4 cells from
// (px / 2 - 2, py / 2 - 2), found from the marks at the end. It also counts
// the map's values, so that a kind's repairs can be skipped while no point
// holds a value that kind repairs: those repairs would change nothing.
class MapRecord {
public:
    MapRecord(GroundMap& m, PaintShadow& s) : map_(m), shadow_(s), markStride_(m.height + 1) {
        std::memset(s.touched, 0, static_cast<size_t>(m.width + 1) * static_cast<size_t>(markStride_));
        const size_t n = static_cast<size_t>(m.latticeStride()) * static_cast<size_t>(2 * m.height + 1);
        for (size_t i = 0; i < n; ++i) ++counts_[bucket(m.corners[i])];
        for (int b = 0; b < 6; ++b) present_ |= counts_[b] ? 1u << b : 0u;
        // Writes keep the shadow points equal to the grid from here on, so at
        // the end every selected cell's shadow tile is its selection.
        if (m.height <= 64 && m.width > 0 && m.height > 0) resyncShadow(m, s, 0, 0, m.width - 1, m.height - 1);
    }

    bool mayRepair(unsigned values) const { return (present_ & values) != 0; }

    void wrote(int32_t px, int32_t py, uint8_t before, uint8_t after, uint8_t) {
        shadow_.touched[(px >> 1) * markStride_ + (py >> 1)] = 1;
        const int b = bucket(before), a = bucket(after);
        if (--counts_[b] == 0) present_ &= ~(1u << b);
        if (counts_[a]++ == 0) present_ |= 1u << a;
    }

    // Selects each cell that some paint re-selected, once: cell (x, y) when a
    // mark lies at (x - 1 .. x + 2, y - 1 .. y + 2), that is, when it lies in
    // the 4 x 4 block around a written point.
    void finish() {
        const int32_t width = map_.width, height = map_.height;
        for (int32_t x = 0; x < width; ++x) {
            const int32_t ca = x >= 1 ? x - 1 : 0, cb = x + 2 <= width ? x + 2 : width;
            auto marked = [&](int32_t cy) {
                uint8_t any = 0;
                for (int32_t cx = ca; cx <= cb; ++cx) any |= shadow_.touched[cx * markStride_ + cy];
                return any != 0;
            };
            for (int32_t y0 = 0; y0 < height; y0 += 64) {
                const int32_t last = y0 + 63 < height ? y0 + 63 : height;  // mark rows y0..last in one word
                uint64_t m = 0;
                for (int32_t cy = y0; cy <= last; ++cy) m |= marked(cy) ? uint64_t{1} << (cy - y0) : 0;
                uint64_t rows = m | m << 1 | m >> 1 | m >> 2;
                if (y0 >= 1 && marked(y0 - 1)) rows |= 1;
                if (y0 + 64 <= height && marked(y0 + 64)) rows |= uint64_t{3} << 62;
                if (y0 + 65 <= height && marked(y0 + 65)) rows |= uint64_t{1} << 63;
                if (height - y0 < 64) rows &= (uint64_t{1} << (height - y0)) - 1;
                selectCells(map_, shadow_, x, y0, rows);
                if (height <= 64) shadow_.selected[x] |= rows;
            }
        }
    }

private:
    static int bucket(uint8_t v) { return v < 5 ? v : 5; }

    GroundMap& map_;
    PaintShadow& shadow_;
    int32_t markStride_;
    int32_t counts_[6] = {};  // points of the map holding 0..4, and above 4
    unsigned present_ = 0;    // bit b: counts_[b] is not 0
};

// Calls f with the kind 1..4 as a compile-time constant.
template <class F>
void byKind(int32_t kind, F&& f) {
    switch (kind) {
        case 1: return f(std::integral_constant<int, 1>{});
        case 2: return f(std::integral_constant<int, 2>{});
        case 3: return f(std::integral_constant<int, 3>{});
        default: return f(std::integral_constant<int, 4>{});
    }
}

// The painting itself, the same for both records: the corner writes of
// paintCorner and its repairs, in their order.
template <class Record>
class Painter {
public:
    template <class... Args>
    Painter(GroundMap& m, PaintShadow& s, Args... recordArgs)
        : corners_(m.corners), shadowCorners_(s.corners), stride_(m.latticeStride()), width_(m.width),
          height_(m.height), record_(m, s, recordArgs...) {}

    Record& record() { return record_; }

    void paint(int32_t px, int32_t py, int32_t kind) {
        if (kind < 1 || kind > 4) return writePoint(px, py, kind);  // painting 0 repairs nothing
        byKind(kind, [&](auto k) { paintKind<decltype(k)::value>(px, py); });
    }

    void repair(int32_t x, int32_t y, int32_t kind) {
        if (kind >= 1 && kind <= 4) byKind(kind, [&](auto k) { repairPoints<decltype(k)::value>(x, y); });
    }

private:
    template <int Kind>
    void paintKind(int32_t px, int32_t py) {
        writePoint(px, py, Kind);
        if (!record_.mayRepair(kRepairedValues<Kind>)) return;
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
    // 2 for (cx, cy - 1), 3 for (cx - 1, cy - 1). A cleared bit is certain; a
    // set one is settled by repairPoints. Read from the 5 x 5 points in five
    // row words, so that most paints skip the four cells' masks (a sweep
    // with four-way symmetry repaints many points whose cells are settled);
    // for kind 1 the masks cost no more than this, and the larger paint
    // costs kind 3 its inlining (measured). A cell may change when it holds
    // a point the rule repaints and, for kinds whose edge code needs one, a
    // side all in the kind's mask. The verdicts stay true while the earlier
    // cells are repaired: a repair paints over values its kind repairs, with
    // values it does not (the zeros of its nested repairs included), and
    // never writes over a point of its kind's mask.
    template <int Kind>
    unsigned cellsThatMayNeedRepair(int32_t cx, int32_t cy) const {
        if constexpr (Kind == 1) return 0xF;
        constexpr RepairRule rule = kRepairRules[Kind];
        constexpr unsigned offOnly = rule.offCorner & ~rule.onCorner & 0xFFu;
        // The side test pays for kind 3, whose repairs are the costly
        // ones; for kind 2 it costs more than it saves (measured).
        constexpr bool kSideTest = Kind == 3;
        const bool sides = kSideTest && kTables.needsSide[Kind - 1];
        const uint8_t* p = corners_ + (2 * cy - 2) * stride_ + 2 * cx - 2;
        uint64_t need[5], outside[5] = {}, any = 0;
        for (int i = 0; i < 5; ++i) {
            const uint64_t w = load64(p + i * stride_) & 7 * kEachByte;
            // Corners lie on even rows and columns.
            need[i] = (bytesHolding<rule.onCorner>(w) | (bytesHolding<offOnly>(w) & (i % 2 ? kEachByte : kOddBytes))) &
                      kFiveBytes;
            if constexpr (kSideTest) outside[i] = bytesHolding<kMaskValues[Kind]>(w) ^ kEachByte;  // not in the mask
            any |= need[i];
        }
        if (!any) return 0;
        unsigned cells = 0;
        static constexpr int kCorner[4][2] = {{2, 2}, {2, 0}, {0, 2}, {0, 0}};  // first row, first byte
        for (int c = 0; c < 4; ++c) {
            const int r = kCorner[c][0], shift = 8 * kCorner[c][1];
            const uint64_t span = uint64_t{0x010101} << shift;
            const uint64_t cols = (outside[r] | outside[r + 1] | outside[r + 2]) >> shift;
            const bool side = !sides || !(outside[r] & span) || !(outside[r + 2] & span) || !(cols & 1) ||
                              !(cols & 0x10000);
            cells |= ((need[r] | need[r + 1] | need[r + 2]) & span) && side ? 1u << c : 0u;
        }
        return cells;
    }

    // The points to repair are found from the masks first: most cells need
    // none, and then the edge code does not matter.
    template <int Kind>
    void repairPoints(int32_t x, int32_t y) {
        const uint64_t lanes = cellLanes(corners_, stride_, x, y);
        unsigned need = pointsToRepair<Kind>(lanes);
        if (!need || !repairActs<Kind>(lanes)) return;
        constexpr int repaint = kRepairRules[Kind].repaint;
        if constexpr ((kRepairRules[repaint].onCorner | kRepairRules[repaint].offCorner) != 0) {
            repairPointByPoint<repaint>(x, y, need);
        } else {
            // Each of these points is painted in turn; the paint repairs
            // nothing, so it writes only that point and the order does not matter.
            while (need) {
                const int b = lowestBit(need);
                need &= need - 1;
                writePoint(2 * x + b % 3, 2 * y + b / 3, repaint);
            }
        }
    }

    // A repair that paints Repaint (kind 2, for kind 3): every point in `need`
    // is painted in the visiting order (dx outer, dy inner), and those paints
    // repair their own cells for Repaint. A point that needs this when the
    // cell is entered still needs it when visited (the nested repairs write
    // only 0, over values Repaint repairs), and no other point comes to need
    // it, so the mask taken on entry is exact. The nested repairs look at the
    // cells x - 1 .. x + 1, y - 1 .. y + 1; without a point there that
    // Repaint repairs (the usual case), each paint just writes its point.
    template <int Repaint>
    void repairPointByPoint(int32_t x, int32_t y, unsigned need) {
        constexpr RepairRule nested = kRepairRules[kRepairRules[Repaint].repaint];
        static_assert((nested.onCorner | nested.offCorner) == 0, "a nested repair must paint only what repairs nothing");
        bool quiet = !record_.mayRepair(kRepairedValues<Repaint>);
        if (!quiet && x >= 1 && y >= 1 && x + 2 <= width_ && y + 2 <= height_) {
            constexpr uint64_t kSevenBytes = 0x01010101010101ull;
            const uint8_t* p = corners_ + (2 * y - 2) * stride_ + 2 * x - 2;
            uint64_t found = 0;
            for (int i = 0; i < 7; ++i, p += stride_)
                found |= bytesHolding<kRepairRules[Repaint].onCorner | kRepairRules[Repaint].offCorner>(
                    load64(p) & 7 * kEachByte);
            quiet = !(found & kSevenBytes);
        }
        if (quiet) {
            while (need) {
                const int b = lowestBit(need);
                need &= need - 1;
                writePoint(2 * x + b % 3, 2 * y + b / 3, Repaint);
            }
            return;
        }
        unsigned visit = kVisitOrder.bits[need];  // bit dy + 3 * dx
        while (visit) {
            const int b = lowestBit(visit);
            visit &= visit - 1;
            paintKind<Repaint>(2 * x + b / 3, 2 * y + b % 3);
        }
    }

    void writePoint(int32_t px, int32_t py, int32_t kind) {
        uint8_t& point = corners_[py * stride_ + px];
        uint8_t& shadow = shadowCorners_[py * stride_ + px];
        const uint8_t before = point, shadowBefore = shadow;
        point = static_cast<uint8_t>(kind);
        shadow = static_cast<uint8_t>(kind);
        record_.wrote(px, py, before, static_cast<uint8_t>(kind), shadowBefore);
    }

    uint8_t* corners_;
    uint8_t* shadowCorners_;
    int32_t stride_, width_, height_;
    Record record_;  // held here, not referred to: it is updated on every write
};

}  // namespace

void GroundMap::paintCorner(int32_t px, int32_t py, int32_t kind) {
    Painter<WindowRecord> painter(*this, *shadow_, (px >> 1) - 4, (py >> 1) - 4);
    painter.paint(px, py, kind);
    painter.record().flush();
}

void GroundMap::repairCell(int32_t x, int32_t y, int32_t kind) {
    Painter<WindowRecord> painter(*this, *shadow_, x - 3, y - 3);
    painter.repair(x, y, kind);
    painter.record().repaired(x, y);
    painter.record().flush();
}

void GroundMap::paintCorners(const LatticePoint* points, int32_t count, int32_t kind) {
    Painter<MapRecord> painter(*this, *shadow_);
    for (int32_t i = 0; i < count; ++i) painter.paint(points[i].x, points[i].y, kind);
    painter.record().finish();
}

void GroundMap::paintCorners(const LatticePoint* points, const uint8_t* kinds, int32_t count) {
    Painter<MapRecord> painter(*this, *shadow_);
    for (int32_t i = 0; i < count; ++i) painter.paint(points[i].x, points[i].y, kinds[i]);
    painter.record().finish();
}
