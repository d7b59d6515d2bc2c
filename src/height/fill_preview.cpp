// The fill's preview step and its commit: the cursor to a start point and a
// threshold, reuse of a preview whose inputs are unchanged, and the commit
// that rebuilds a stale preview first.
#include <cstring>

#include "height/height_fill.h"

namespace {

constexpr int32_t kCells = kMapCells;  // cells across and down of both maps
constexpr int32_t kTileBytes = kMapFileBytes;
constexpr int32_t kPoints = kFillPoints;

// What the last preview was built from, so that an unchanged frame can keep
// it and a commit can tell whether it is stale. The maps and heights are
// compared by their bytes, so a call with other maps never reuses a result
// that does not fit them.
struct PreviewBuild {
    bool valid = false;        // a preview has been built and the fields below describe it
    bool inside = false;       // the cursor was over the lattice (else the preview is a copy)
    int32_t startX = 0;        // start point of the fill
    int32_t startY = 0;
    int32_t kind = 0;          // kind painted
    bool fillBelow = false;    // direction of the threshold test
    double threshold = 0.0;    // compared bit for bit
    int32_t painted = 0;       // points the fill painted
    uint8_t workTiles[kTileBytes];    // the working map it was built from
    uint8_t workCorners[kPoints];
    uint8_t previewTiles[kTileBytes]; // the preview map it produced
    uint8_t previewCorners[kPoints];
    double heights[kPoints];          // the height field it read
};
PreviewBuild lastBuild;

bool standardSizes(const GroundMap& preview, const GroundMap& working, const HeightField& field) {
    return working.width == kCells && working.height == kCells && preview.width == kCells &&
           preview.height == kCells && field.width == kFillSide && field.height == kFillSide;
}

// The start point and threshold under the cursor. Returns false when the
// cursor is off the lattice (or the view gives no finite position).
bool fillInputs(const GroundMap& working, const HeightField& field, LatticePos p, int32_t& ix, int32_t& iy,
                double& threshold) {
    const int32_t lastX = working.latticeStride() - 1;
    const int32_t lastY = working.latticeRows() - 1;
    // Tested before truncating: a position of -1 or less truncates below 0,
    // and a huge or NaN position (extreme zoom) must never reach the cast.
    if (!(p.x > -1.0 && p.x < lastX + 1.0 && p.y > -1.0 && p.y < lastY + 1.0)) return false;
    ix = static_cast<int32_t>(p.x);
    iy = static_cast<int32_t>(p.y);
    if (ix > lastX || iy > lastY || ix >= field.width || iy >= field.height) return false;
    const double dx = p.x - ix;
    const double dy = p.y - iy;
    const bool down = iy + 1 <= lastY && iy + 1 < field.height;
    const bool right = ix + 1 <= lastX && ix + 1 < field.width;
    const double fx0 = 1.0 - dx, fx1 = 2.0 - dx;
    const double fy0 = 1.0 - dy, fy1 = 2.0 - dy;
    double sum = fx0 * fy0 * field.at(ix, iy);
    double weights = fx0 * fy0;
    if (down) {
        sum += fx0 * fy1 * field.at(ix, iy + 1);
        weights += fx0 * fy1;
    }
    if (right) {
        sum += fx1 * fy0 * field.at(ix + 1, iy);
        weights += fx1 * fy0;
    }
    if (down && right) {
        sum += fx1 * fy1 * field.at(ix + 1, iy + 1);
        weights += fx1 * fy1;
    }
    threshold = sum / weights;
    return true;
}

// One preview step's inputs besides the maps and the field.
struct FillCall {
    bool inside;       // the cursor is over the lattice
    int32_t ix, iy;    // start point, when inside
    double threshold;  // when inside
    int32_t kind;
    bool fillBelow;
};

bool sameInputs(const GroundMap& preview, const GroundMap& working, const HeightField& field, const FillCall& c) {
    const PreviewBuild& b = lastBuild;
    if (!b.valid || b.inside != c.inside) return false;
    if (c.inside) {
        if (b.startX != c.ix || b.startY != c.iy || b.kind != c.kind || b.fillBelow != c.fillBelow ||
            std::memcmp(&b.threshold, &c.threshold, sizeof c.threshold) != 0)
            return false;
    }
    return std::memcmp(b.workTiles, working.tiles, kTileBytes) == 0 &&
           std::memcmp(b.workCorners, working.corners, kPoints) == 0 &&
           std::memcmp(b.previewTiles, preview.tiles, kTileBytes) == 0 &&
           std::memcmp(b.previewCorners, preview.corners, kPoints) == 0 &&
           (!c.inside || std::memcmp(b.heights, field.values, sizeof b.heights) == 0);
}

void recordBuild(const GroundMap& preview, const GroundMap& working, const HeightField& field, const FillCall& c,
                 int32_t painted) {
    PreviewBuild& b = lastBuild;
    b.valid = true;
    b.painted = painted;
    b.inside = c.inside;
    b.startX = c.ix;
    b.startY = c.iy;
    b.kind = c.kind;
    b.fillBelow = c.fillBelow;
    b.threshold = c.threshold;
    std::memcpy(b.workTiles, working.tiles, kTileBytes);
    std::memcpy(b.workCorners, working.corners, kPoints);
    std::memcpy(b.previewTiles, preview.tiles, kTileBytes);
    std::memcpy(b.previewCorners, preview.corners, kPoints);
    if (c.inside) std::memcpy(b.heights, field.values, sizeof b.heights);
}

}  // namespace

int32_t previewHeightFill(GroundMap& preview, const GroundMap& working, const HeightField& field, LatticePos cursor,
                          int32_t kind, bool fillBelow) {
    FillCall c{false, 0, 0, 0.0, kind, fillBelow};
    c.inside = fillInputs(working, field, cursor, c.ix, c.iy, c.threshold);
    const bool cacheable = standardSizes(preview, working, field);
    if (cacheable && sameInputs(preview, working, field, c)) return lastBuild.painted;
    int32_t painted = 0;
    if (c.inside)
        painted = heightFill(preview, working, field, c.ix, c.iy, kind, c.threshold, fillBelow);
    else
        preview.copyFrom(working);  // a click here then commits no change
    if (cacheable)
        recordBuild(preview, working, field, c, painted);
    else
        lastBuild.valid = false;
    return painted;
}

void commitFillPreview(GroundMap& working, GroundMap& preview, const HeightField& field, LatticePos cursor,
                       int32_t kind, bool fillBelow) {
    // Commit only a preview of the present working map, height field, kind and
    // cursor: a preview step that finds them unchanged keeps the last result,
    // otherwise it rebuilds before the copy.
    previewHeightFill(preview, working, field, cursor, kind, fillBelow);
    working.copyFrom(preview);
}
