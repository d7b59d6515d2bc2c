#include "height/height_fill.h"

#include <cstring>

#include "height/height_field.h"
#include "map/ground_map.h"
#include "shell/editor_state.h"

// How the fill stays fast. A paintCorner per filled point re-selects the tiles
// of the 4 x 4 cells around it (more with repairs), and a full-lattice fill
// paints 16640 points, so nearly all of the plain fill's time goes into
// selecting tiles that are overwritten a moment later. Tile selection is a
// pure function of a cell's nine points and every changed point is followed
// by a selection of the cells that contain it, so the tile grid after the fill
// is: for each cell that was selected at least once, the tile of its final
// points; every other cell keeps its tile. The fill below therefore makes the
// same corner writes in the same order as paintCorner and its repairs, records
// which cells would have been selected, and selects each of them once at the
// end. On the way it skips repairs that provably change nothing: a cell with
// no point the kind repairs, or one whose points are unchanged since a repair
// of it did nothing. The tests compare it with the plain fill over the plain
// reference map.

namespace {

constexpr int32_t kCells = 64;              // cells across and down of both maps
constexpr int32_t kSide = 2 * kCells + 1;   // lattice points across and down (129)
constexpr int32_t kPoints = kSide * kSide;  // 16641
constexpr int32_t kTileBytes = kCells * kCells;

// Neighbours of a queue entry, x offset outer and y offset inner: the order
// in which passing neighbours are painted.
constexpr int32_t kNeighbours[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                       {0, 1},   {1, -1}, {1, 0},  {1, 1}};

constexpr uint32_t kPlusMask = 0x0BA;  // side midpoints and centre of a cell

// Bit i of kRepair.bits[k][v]: a point holding v at bit position i of a cell
// that is repaired for kind k gets repainted (with kRepairKind[k]).
struct RepairTable {
    uint16_t bits[5][256];
};
constexpr RepairTable makeRepairTable() {
    RepairTable t{};
    constexpr uint32_t kAllowed[5] = {0x1F, 0x03, 0x0D, 0x0C, 0x11};  // kinds as bit sets
    for (int k = 1; k <= 4; ++k) {
        for (int v = 0; v < 256; ++v) {
            uint32_t bits = 0;
            for (int i = 0; i < 9; ++i) {
                const bool plus = (kPlusMask >> i) & 1u;
                bool repaired = false;
                if (k == 4) {
                    repaired = plus && v != 0 && v != 4;
                } else {
                    const bool allowed = v < 5 && ((kAllowed[k] >> v) & 1u);
                    repaired = !allowed && (plus || k == 3 || v == 4);
                }
                if (repaired) bits |= 1u << i;
            }
            t.bits[k][v] = static_cast<uint16_t>(bits);
        }
    }
    return t;
}
constexpr RepairTable kRepair = makeRepairTable();
constexpr uint8_t kRepairKind[5] = {0, 0, 0, 2, 0};

// Values are counted in nine buckets, 0 to 7 and "8 or more".
constexpr int32_t kBuckets = 9;
inline int32_t bucketOf(uint8_t v) { return v < 8 ? v : 8; }

// Bit b of kRepairedValues[k]: some value of bucket b is repaired by kind k.
struct RepairedValues {
    uint32_t m[5];
};
constexpr RepairedValues makeRepairedValues() {
    RepairedValues t{};
    for (int k = 0; k <= 4; ++k)
        for (int v = 0; v < 256; ++v)
            if (kRepair.bits[k][v] != 0) t.m[k] |= 1u << (v < 8 ? v : 8);
    return t;
}
constexpr RepairedValues kRepairedValues = makeRepairedValues();

// Bit k of kRepairingKinds[v]: kind k repairs a point holding v somewhere in a cell.
struct RepairingKinds {
    uint8_t m[256];
};
constexpr RepairingKinds makeRepairingKinds() {
    RepairingKinds t{};
    for (int k = 0; k <= 4; ++k)
        for (int v = 0; v < 256; ++v)
            if (kRepair.bits[k][v] != 0) t.m[v] |= static_cast<uint8_t>(1u << k);
    return t;
}
constexpr RepairingKinds kRepairingKinds = makeRepairingKinds();

// The lattice with a border of one point on every side, so that neighbour
// steps need no bounds tests: point (x, y) at (x + 1) * kPadded + y + 1.
constexpr int32_t kPadded = kSide + 2;
constexpr int32_t kNeighbourSteps[8] = {
    kNeighbours[0][0] * kPadded + kNeighbours[0][1], kNeighbours[1][0] * kPadded + kNeighbours[1][1],
    kNeighbours[2][0] * kPadded + kNeighbours[2][1], kNeighbours[3][0] * kPadded + kNeighbours[3][1],
    kNeighbours[4][0] * kPadded + kNeighbours[4][1], kNeighbours[5][0] * kPadded + kNeighbours[5][1],
    kNeighbours[6][0] * kPadded + kNeighbours[6][1], kNeighbours[7][0] * kPadded + kNeighbours[7][1]};

// What a point holding v means to a repair for kind k, bit by bit: 1, it is
// repaired at a side midpoint or the centre; 2, it is repaired at a corner;
// 4, it counts in the kind mask of edgeCode (for kind 2, kind 3 counts too).
struct PointClassTable {
    uint8_t c[5][256];
};
constexpr PointClassTable makePointClassTable() {
    PointClassTable t{};
    for (int k = 1; k <= 4; ++k) {
        for (int v = 0; v < 256; ++v) {
            const bool inMask = k == 2 ? (v == 2 || v == 3) : v == k;
            t.c[k][v] = static_cast<uint8_t>(((kRepair.bits[k][v] & kPlusMask) != 0 ? 1 : 0) |
                                             ((kRepair.bits[k][v] & ~kPlusMask) != 0 ? 2 : 0) | (inMask ? 4 : 0));
        }
    }
    return t;
}
constexpr PointClassTable kPointClass = makePointClassTable();

// Scratch of one fill, static so that a frame allocates nothing.
struct FillScratch {
    // 1 while a point may still join the fill: it passes the threshold test
    // and has not been queued (the visited flag, folded together with the
    // test, which gives the same outcome every time a point is examined).
    // The border and every point off the lattice stay 0.
    uint8_t open[kPadded * kPadded];
    int32_t queue[kPoints];            // breadth-first queue of padded indices, each point at most once
    uint64_t paintedRows[kCells + 1];  // bit cx of row cy: a point of cell (cx, cy) was painted
    bool paintedLast[kCells + 1];      // the same for cx = 64 (points of the last lattice column)
    int16_t edgeMemo[5][512];          // edgeCode by kind and kind mask, -1 not yet known
    // Per cell [y][x], what a repair for kind k is known to do nothing for:
    // bit k, no point of the cell is repairable by kind k (kept while only
    // values that kind k never repairs are written); bit 8 + k, a repair for
    // kind k did nothing and no point of the cell has changed since.
    uint16_t idleRepairs[kCells][kCells];
    uint32_t memoKey[1024];            // packed nine points + 1 of a selected cell, 0 empty
    uint8_t memoTile[1024];            // the tile selected for memoKey
};
FillScratch scratch;

inline int32_t lowestBit(uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(v);
#else
    int32_t n = 0;
    while ((v & 1u) == 0) {
        v >>= 1;
        ++n;
    }
    return n;
#endif
}

// What the last preview was built from, so that an unchanged frame can keep
// it and a commit can tell whether it is stale.
struct PreviewBuild {
    bool valid = false;        // a preview has been built and the fields below describe it
    bool inside = false;       // the cursor was over the lattice (else the preview is a copy)
    int32_t startX = 0;        // start point of the fill
    int32_t startY = 0;
    int32_t kind = 0;          // kind painted
    bool fillBelow = false;    // direction of the threshold test
    double threshold = 0.0;    // compared bit for bit
    uint8_t workTiles[kTileBytes];    // the working map it was built from
    uint8_t workCorners[kPoints];
    uint8_t previewTiles[kTileBytes]; // the preview map it produced
    uint8_t previewCorners[kPoints];
    double heights[kPoints];          // the height field it read
};
PreviewBuild lastBuild;

// Client size passed to the last preview step; the commit rebuilds a stale
// preview with it. Before any preview step, the size of the editor's window.
int32_t lastClientW = 800;
int32_t lastClientH = 600;

bool standardSizes() {
    return workingMap.width == kCells && workingMap.height == kCells && previewMap.width == kCells &&
           previewMap.height == kCells && heightField.width == kSide && heightField.height == kSide;
}

// The corner writes of paintCorner and repairCell, in their order; the tile
// selections are only recorded, by the cells of the painted points.
class DeferredPainter {
public:
    explicit DeferredPainter(GroundMap& map) : map_(map), corners_(map.corners) {}

    // Starts a fill of `kind`: nothing painted yet, the map's values counted.
    void begin(int32_t kind) {
        // The kinds whose repairs can run: the fill's own and its repair kind's.
        repairingKinds_ = static_cast<uint8_t>(1u << kind | 1u << kRepairKind[kind]);
        std::memset(scratch.paintedRows, 0, sizeof scratch.paintedRows);
        std::memset(scratch.paintedLast, 0, sizeof scratch.paintedLast);
        std::memset(scratch.edgeMemo, 0xFF, sizeof scratch.edgeMemo);
        std::memset(scratch.idleRepairs, 0, sizeof scratch.idleRepairs);
        for (int32_t i = 0; i < kPoints; ++i) ++counts_[bucketOf(corners_[i])];
        for (int32_t b = 0; b < kBuckets; ++b)
            if (counts_[b] != 0) present_ |= 1u << b;
        canRepair_ = (present_ & kRepairedValues.m[kind]) != 0;
    }

    // False when no point of the map holds a value that the fill's kind
    // repairs. Then none of its paints repairs anything, since they add only
    // points of that kind, and paintWithoutRepair may take their place.
    bool canRepair() const { return canRepair_; }

    void paintWithoutRepair(int32_t px, int32_t py, int32_t kind) {
        corners_[py * kSide + px] = static_cast<uint8_t>(kind);
        markPainted(px >> 1, py >> 1);
    }

    void paint(int32_t px, int32_t py, int32_t kind) {
        uint8_t& point = corners_[py * kSide + px];
        const int32_t before = bucketOf(point);
        if (--counts_[before] == 0) present_ &= ~(1u << before);
        point = static_cast<uint8_t>(kind);
        if (counts_[kind]++ == 0) present_ |= 1u << kind;

        const int32_t cx = px >> 1;
        const int32_t cy = py >> 1;
        // The cells that contain the point have changed, and may now hold a
        // point that the kinds repairing this value would repair.
        const uint16_t keep = static_cast<uint8_t>(~(kRepairingKinds.m[kind] & repairingKinds_));
        const int32_t x0 = px == 0 ? 0 : (px - 1) >> 1;
        const int32_t y0 = py == 0 ? 0 : (py - 1) >> 1;
        const int32_t x1 = cx < kCells ? cx : kCells - 1;
        const int32_t y1 = cy < kCells ? cy : kCells - 1;
        scratch.idleRepairs[y0][x0] &= keep;
        if (x1 != x0) scratch.idleRepairs[y0][x1] &= keep;
        if (y1 != y0) {
            scratch.idleRepairs[y1][x0] &= keep;
            if (x1 != x0) scratch.idleRepairs[y1][x1] &= keep;
        }
        markPainted(cx, cy);
        // No point anywhere holds a value this kind repairs (kind 0 repairs
        // none): the four repairs below could change nothing.
        if ((present_ & kRepairedValues.m[kind]) == 0) return;
        const uint16_t idle = static_cast<uint16_t>(0x101u << kind);
        if (cx < kCells && cy < kCells && !(scratch.idleRepairs[cy][cx] & idle)) repair(cx, cy, kind);
        if (cx >= 1 && cy < kCells && !(scratch.idleRepairs[cy][cx - 1] & idle)) repair(cx - 1, cy, kind);
        if (cx < kCells && cy >= 1 && !(scratch.idleRepairs[cy - 1][cx] & idle)) repair(cx, cy - 1, kind);
        if (cx >= 1 && cy >= 1 && !(scratch.idleRepairs[cy - 1][cx - 1] & idle)) repair(cx - 1, cy - 1, kind);
    }

private:
    static void markPainted(int32_t cx, int32_t cy) {
        if (cx < kCells)
            scratch.paintedRows[cy] |= uint64_t{1} << cx;
        else
            scratch.paintedLast[cy] = true;
    }

    // repairCell without its tile selection, for a cell not known to be idle.
    void repair(int32_t x, int32_t y, int32_t kind) {
        const uint8_t* cls = kPointClass.c[kind];
        uint8_t* cell = corners_ + (2 * y) * kSide + 2 * x;
        const uint8_t* r0 = cell;
        const uint8_t* r1 = cell + kSide;
        const uint8_t* r2 = cell + 2 * kSide;
        const uint32_t a0 = cls[r0[0]], a1 = cls[r0[1]], a2 = cls[r0[2]];
        const uint32_t b0 = cls[r1[0]], b1 = cls[r1[1]], b2 = cls[r1[2]];
        const uint32_t c0 = cls[r2[0]], c1 = cls[r2[1]], c2 = cls[r2[2]];
        uint16_t& idle = scratch.idleRepairs[y][x];
        // Without a repairable point the visit below would change nothing,
        // so the edge code need not be known.
        if ((((a0 | a2 | c0 | c2) & 2) | ((a1 | b0 | b1 | b2 | c1) & 1)) == 0) {
            idle = static_cast<uint16_t>(idle | 1u << kind);
            return;
        }
        // The edge code is a function of the kind mask alone.
        const uint32_t mask = (a0 >> 2) | (a1 >> 2) << 1 | (a2 >> 2) << 2 | (b0 >> 2) << 3 | (b1 >> 2) << 4 |
                              (b2 >> 2) << 5 | (c0 >> 2) << 6 | (c1 >> 2) << 7 | (c2 >> 2) << 8;
        int16_t& code = scratch.edgeMemo[kind][mask];
        if (code < 0) code = static_cast<int16_t>(map_.edgeCode(x, y, kind));
        if (code == 0) {
            idle = static_cast<uint16_t>(idle | 0x100u << kind);
            return;
        }
        const uint16_t* bits = kRepair.bits[kind];
        const int32_t repairKind = kRepairKind[kind];
        for (int32_t dx = 0; dx < 3; ++dx) {
            for (int32_t dy = 0; dy < 3; ++dy) {
                const uint8_t v = cell[dy * kSide + dx];  // read now: earlier repairs count
                if ((bits[v] >> (dx + 3 * dy)) & 1u) paint(2 * x + dx, 2 * y + dy, repairKind);
            }
        }
    }

    GroundMap& map_;
    uint8_t* corners_;
    int32_t counts_[kBuckets] = {};  // points of the map per value bucket
    uint32_t present_ = 0;           // bit b: counts_[b] is not 0
    uint8_t repairingKinds_ = 0;     // bit k: this fill may call repair with kind k
    bool canRepair_ = true;          // see canRepair()
};

// Columns x with cx - 2 <= x <= cx + 1 for the bits cx of m: the cells whose
// 3 x 3 blocks paintCorner re-selects for a point of cell column cx.
inline uint64_t spreadColumns(uint64_t m) { return (m << 1) | m | (m >> 1) | (m >> 2); }

// Selects once the tile of every cell that the paints would have selected:
// rows cy - 2 to cy + 1 and columns cx - 2 to cx + 1 around each painted
// point's cell (cx, cy), clipped to the map. Cells with equal points get
// equal tiles, and a fill leaves few distinct cells, so results are memoised.
void selectPaintedTiles(GroundMap& map) {
    std::memset(scratch.memoKey, 0, sizeof scratch.memoKey);
    constexpr uint64_t kLastTwoColumns = uint64_t{3} << (kCells - 2);
    for (int32_t y = 0; y < kCells; ++y) {
        uint64_t row = 0;
        for (int32_t cy = y - 1; cy <= y + 2; ++cy) {
            if (cy < 0 || cy > kCells) continue;
            row |= spreadColumns(scratch.paintedRows[cy]);
            if (scratch.paintedLast[cy]) row |= kLastTwoColumns;
        }
        while (row != 0) {
            const int32_t x = lowestBit(row);
            row &= row - 1;
            const uint8_t* cell = map.corners + (2 * y) * kSide + 2 * x;
            uint32_t key = 0;
            bool packable = true;
            for (int32_t dy = 0; dy < 3; ++dy) {
                for (int32_t dx = 0; dx < 3; ++dx) {
                    const uint8_t v = cell[dy * kSide + dx];
                    packable = packable && v < 8;
                    key = key * 8 + (v & 7u);
                }
            }
            if (!packable) {
                map.selectTile(x, y);
                continue;
            }
            key += 1;  // 0 marks an empty slot
            const uint32_t slot = (key * 2654435761u) >> 22;
            if (scratch.memoKey[slot] == key) {
                map.tileAt(x, y) = scratch.memoTile[slot];
            } else {
                map.selectTile(x, y);
                scratch.memoKey[slot] = key;
                scratch.memoTile[slot] = map.tileAt(x, y);
            }
        }
    }
}

}  // namespace

void heightFill(int32_t x, int32_t y, int32_t kind, double threshold, bool fillBelow) {
    previewMap.copyFrom(workingMap);
    // Bounds of the working map's lattice, limited to what the scratch and
    // the height field hold.
    int32_t maxX = 2 * workingMap.width;
    int32_t maxY = 2 * workingMap.height;
    if (maxX > kSide - 1) maxX = kSide - 1;
    if (maxY > kSide - 1) maxY = kSide - 1;
    if (maxX > heightField.width - 1) maxX = heightField.width - 1;
    if (maxY > heightField.height - 1) maxY = heightField.height - 1;
    // Outside the contract (a start off the lattice, an unknown kind): the
    // preview stays a copy of the working map.
    if (x < 0 || y < 0 || x > maxX || y > maxY || kind < 0 || kind > 4) return;

    std::memset(scratch.open, 0, sizeof scratch.open);
    const double* heights = heightField.values;
    const int32_t stride = heightField.height;
    for (int32_t px = 0; px <= maxX; ++px) {
        const double* column = heights + px * stride;
        uint8_t* open = scratch.open + (px + 1) * kPadded + 1;
        if (fillBelow) {
            for (int32_t py = 0; py <= maxY; ++py) open[py] = column[py] <= threshold;
        } else {
            for (int32_t py = 0; py <= maxY; ++py) open[py] = column[py] >= threshold;
        }
    }

    const bool deferred = standardSizes();
    DeferredPainter painter(previewMap);
    if (deferred) painter.begin(kind);

    // The start point is queued without being tested and is never painted.
    const int32_t startIndex = (x + 1) * kPadded + y + 1;
    scratch.open[startIndex] = 0;
    scratch.queue[0] = startIndex;
    int32_t head = 0;
    int32_t tail = 1;
    while (head < tail) {
        const int32_t index = scratch.queue[head++];
        for (const int32_t step : kNeighbourSteps) {
            const int32_t next = index + step;
            if (!scratch.open[next]) continue;
            scratch.open[next] = 0;
            scratch.queue[tail++] = next;
            const int32_t px = next / kPadded - 1;
            const int32_t py = next % kPadded - 1;
            if (!deferred)
                previewMap.paintCorner(px, py, kind);
            else if (painter.canRepair())
                painter.paint(px, py, kind);
            else
                painter.paintWithoutRepair(px, py, kind);
        }
    }
    if (deferred) selectPaintedTiles(previewMap);
}

namespace {

// The start point and threshold under the cursor. Returns false when the
// cursor is off the lattice (or the view gives no finite position).
bool fillInputs(int32_t w, int32_t h, int32_t& ix, int32_t& iy, double& threshold) {
    const LatticePos p = screenToLattice(viewState.mouseX, viewState.mouseY, w, h);
    const int32_t lastX = 2 * workingMap.width;
    const int32_t lastY = 2 * workingMap.height;
    // Tested before truncating: a position of -1 or less truncates below 0,
    // and a huge or NaN position (extreme zoom) must never reach the cast.
    if (!(p.x > -1.0 && p.x < lastX + 1.0 && p.y > -1.0 && p.y < lastY + 1.0)) return false;
    ix = static_cast<int32_t>(p.x);
    iy = static_cast<int32_t>(p.y);
    if (ix > lastX || iy > lastY || ix >= heightField.width || iy >= heightField.height) return false;
    const double dx = p.x - ix;
    const double dy = p.y - iy;
    const bool down = iy + 1 <= lastY && iy + 1 < heightField.height;
    const bool right = ix + 1 <= lastX && ix + 1 < heightField.width;
    const double fx0 = 1.0 - dx, fx1 = 2.0 - dx;
    const double fy0 = 1.0 - dy, fy1 = 2.0 - dy;
    double sum = fx0 * fy0 * heightField.at(ix, iy);
    double weights = fx0 * fy0;
    if (down) {
        sum += fx0 * fy1 * heightField.at(ix, iy + 1);
        weights += fx0 * fy1;
    }
    if (right) {
        sum += fx1 * fy0 * heightField.at(ix + 1, iy);
        weights += fx1 * fy0;
    }
    if (down && right) {
        sum += fx1 * fy1 * heightField.at(ix + 1, iy + 1);
        weights += fx1 * fy1;
    }
    threshold = sum / weights;
    return true;
}

bool sameInputs(bool inside, int32_t ix, int32_t iy, double threshold) {
    const PreviewBuild& b = lastBuild;
    if (!b.valid || b.inside != inside) return false;
    if (inside) {
        if (b.startX != ix || b.startY != iy || b.kind != editorState.currentKind ||
            b.fillBelow != editorState.fillBelow ||
            std::memcmp(&b.threshold, &threshold, sizeof threshold) != 0)
            return false;
    }
    return std::memcmp(b.workTiles, workingMap.tiles, kTileBytes) == 0 &&
           std::memcmp(b.workCorners, workingMap.corners, kPoints) == 0 &&
           std::memcmp(b.previewTiles, previewMap.tiles, kTileBytes) == 0 &&
           std::memcmp(b.previewCorners, previewMap.corners, kPoints) == 0 &&
           (!inside || std::memcmp(b.heights, heightField.values, sizeof b.heights) == 0);
}

void recordBuild(bool inside, int32_t ix, int32_t iy, double threshold) {
    PreviewBuild& b = lastBuild;
    b.valid = true;
    b.inside = inside;
    b.startX = ix;
    b.startY = iy;
    b.kind = editorState.currentKind;
    b.fillBelow = editorState.fillBelow;
    b.threshold = threshold;
    std::memcpy(b.workTiles, workingMap.tiles, kTileBytes);
    std::memcpy(b.workCorners, workingMap.corners, kPoints);
    std::memcpy(b.previewTiles, previewMap.tiles, kTileBytes);
    std::memcpy(b.previewCorners, previewMap.corners, kPoints);
    if (inside) std::memcpy(b.heights, heightField.values, sizeof b.heights);
}

}  // namespace

void previewHeightFill(int32_t w, int32_t h) {
    lastClientW = w;
    lastClientH = h;
    int32_t ix = 0, iy = 0;
    double threshold = 0.0;
    const bool inside = fillInputs(w, h, ix, iy, threshold);
    const bool cacheable = standardSizes();
    if (cacheable && sameInputs(inside, ix, iy, threshold)) return;
    if (inside)
        heightFill(ix, iy, editorState.currentKind, threshold, editorState.fillBelow);
    else
        previewMap.copyFrom(workingMap);  // a click here then commits no change
    if (cacheable)
        recordBuild(inside, ix, iy, threshold);
    else
        lastBuild.valid = false;
}

void commitFillPreview() {
    // Commit only a preview of the present working map, height field, kind and
    // cursor: a preview step that finds them unchanged keeps the last result,
    // otherwise it rebuilds before the copy.
    previewHeightFill(lastClientW, lastClientH);
    workingMap.copyFrom(previewMap);
    editorState.editMode = 0;
}
