#include "shell/editor_state.h"

#include <cmath>

#include "height/height_fill.h"

EditorState editorState;
ViewState viewState;
TextureNames textureNames;
MapArt atlasImages;
StampState stampState;
ToolDragState toolDrag;

const char* editModeName(EditMode mode) {
    static const char* const names[] = {"view", "corners", "fill"};
    const int32_t i = static_cast<int32_t>(mode);
    return i >= 0 && i < 3 ? names[i] : nullptr;
}

const char* terrainKindName(TerrainKind kind) {
    // Short names of the kinds, as the tile art paints them.
    static const char* const names[] = {"sand", "grass", "rock", "snow", "water"};
    const int32_t i = static_cast<int32_t>(kind);
    return i >= 0 && i < 5 ? names[i] : nullptr;
}

const char* paintToolName(PaintTool tool) {
    static const char* const names[] = {"brush", "line", "rectangle", "bucket"};
    const int32_t i = static_cast<int32_t>(tool);
    return i >= 0 && i < 4 ? names[i] : nullptr;
}

const char* symmetryName(Symmetry symmetry) {
    static const char* const names[] = {"off", "mirror left-right", "mirror top-bottom", "mirror four ways",
                                        "half turn"};
    const int32_t i = static_cast<int32_t>(symmetry);
    return i >= 0 && i < 5 ? names[i] : nullptr;
}

// Both maps exist before main; the working map is made first.
GroundMap workingMap(64, 64);
GroundMap previewMap(64, 64);

namespace {

// Static storage: zero before main runs and never reallocated, so nothing
// that runs during static initialisation can see an unallocated field.
double heightValues[kHeightFieldSide * kHeightFieldSide];

// Client size passed to the last preview step; the commit rebuilds a stale
// preview with it. Before any preview step, the size of the editor's window.
int32_t lastClientW = 800;
int32_t lastClientH = 600;

}  // namespace

HeightField heightField = {kHeightFieldSide, kHeightFieldSide, heightValues};

std::vector<StructureRecord> structureList;
std::vector<TileObjectRecord> tileObjectList;

LatticePos screenToLattice(int32_t x, int32_t y, int32_t w, int32_t h) {
    // Integer halves of the client size, as the painting and fill code expect:
    // an odd width puts the map corner on the pixel left of the true centre.
    const int32_t cx = viewState.panX + x - w / 2;
    const int32_t cy = viewState.panY + y - h / 2;
    LatticePos p;
    p.x = cx * 0.03125 / viewState.zoom * 2 + 0.5;
    p.y = cy * 0.03125 / viewState.zoom * 2 + 0.5;
    return p;
}

void previewFill(int32_t w, int32_t h) {
    lastClientW = w;
    lastClientH = h;
    const LatticePos cursor = screenToLattice(viewState.mouseX, viewState.mouseY, w, h);
    previewHeightFill(previewMap, workingMap, heightField, cursor,
                      static_cast<int32_t>(editorState.currentKind), editorState.fillBelow);
}

void commitFill() {
    // What is committed is the preview of the present working map, height
    // field, kind and cursor: commitFillPreview rebuilds a stale one first.
    const LatticePos cursor = screenToLattice(viewState.mouseX, viewState.mouseY, lastClientW, lastClientH);
    commitFillPreview(workingMap, previewMap, heightField, cursor,
                      static_cast<int32_t>(editorState.currentKind), editorState.fillBelow);
    editorState.editMode = EditMode::view;
}

LatticePoint cursorPoint(int32_t w, int32_t h) {
    const LatticePos pos = screenToLattice(viewState.mouseX, viewState.mouseY, w, h);
    const auto whole = [](double v) { return static_cast<int32_t>(std::trunc(v < -1e9 ? -1e9 : v > 1e9 ? 1e9 : v)); };
    return {whole(pos.x), whole(pos.y)};
}

bool previewFloatingStamp(int32_t w, int32_t h) {
    if (editorState.editMode != EditMode::corners || !stampState.floating) return false;
    const LatticePoint at = cursorPoint(w, h);
    previewMap.copyFrom(workingMap);
    placeStamp(previewMap, stampState.stamp, at.x, at.y, editorState.symmetry);
    return true;
}

void toolDragPoints(const GroundMap& map, const ToolDragState& drag, std::vector<LatticePoint>& out) {
    const int32_t w = map.latticeStride(), h = 2 * map.height + 1;
    switch (drag.tool) {
    case PaintTool::line: lineBrushPoints(drag.from, drag.to, editorState.brushSize, w, h, out); break;
    case PaintTool::rectangle: rectanglePoints(drag.from, drag.to, out); break;
    case PaintTool::bucket: bucketPoints(map, drag.from, static_cast<int32_t>(editorState.currentKind), out); break;
    case PaintTool::brush: out.clear(); break;
    }
}

bool previewToolDrag() {
    if (editorState.editMode != EditMode::corners || !toolDrag.active) return false;
    static std::vector<LatticePoint> points;  // kept: the preview is rebuilt every frame
    previewMap.copyFrom(workingMap);
    toolDragPoints(previewMap, toolDrag, points);
    paintPoints(previewMap, points, static_cast<int32_t>(editorState.currentKind), editorState.symmetry);
    return true;
}
