// The fill's preview step and its commit: the cursor to a start point and a
// threshold, reuse of a preview whose inputs are unchanged, and the commit
// that rebuilds a stale preview first. The only file of src/height that
// reads the shell's state.
#include <cstring>

#include "height/height_field.h"
#include "height/height_fill.h"
#include "map/ground_map.h"
#include "shell/editor_state.h"

namespace {

constexpr int32_t kCells = (kFillSide - 1) / 2;  // cells across and down of both maps
constexpr int32_t kTileBytes = kCells * kCells;
constexpr int32_t kPoints = kFillPoints;

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
           previewMap.height == kCells && heightField.width == kFillSide && heightField.height == kFillSide;
}

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
        if (b.startX != ix || b.startY != iy || b.kind != static_cast<int32_t>(editorState.currentKind) ||
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
    b.kind = static_cast<int32_t>(editorState.currentKind);
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
        heightFill(ix, iy, static_cast<int32_t>(editorState.currentKind), threshold, editorState.fillBelow);
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
    editorState.editMode = EditMode::view;
}
