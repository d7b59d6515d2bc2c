#include "shell/editor_state.h"

#include "height/height_fill.h"
#include "shell/paint_tool_table.h"
#include "shell/view_steps.h"

EditorState editorState;
ViewState viewState;
TextureNames textureNames;
MapArt atlasImages;
SelectionState selection;
FloatingStamp floatingStamp;
ToolDragState toolDrag;
FillState fillState;

const char* editModeName(EditMode mode) {
    static const char* const names[] = {"view", "corners", "fill"};
    const int32_t i = static_cast<int32_t>(mode);
    return i >= 0 && i < 3 ? names[i] : nullptr;
}

const char* terrainKindName(TerrainKind kind) {
    // Short names of the kinds, as the tile art paints them.
    static const char* const names[kTerrainKinds] = {"sand", "grass", "rock", "snow", "water"};
    const int32_t i = static_cast<int32_t>(kind);
    return i >= 0 && i < kTerrainKinds ? names[i] : nullptr;
}

const char* symmetryName(Symmetry symmetry) {
    static const char* const names[] = {"off", "mirror left-right", "mirror top-bottom", "mirror four ways",
                                        "half turn"};
    const int32_t i = static_cast<int32_t>(symmetry);
    return i >= 0 && i < 5 ? names[i] : nullptr;
}

// Both maps exist before main; the working map is made first.
GroundMap workingMap(kMapCells, kMapCells);
GroundMap previewMap(kMapCells, kMapCells);

namespace {

// The height field's values, apart from its record: static storage is zero
// before main runs and never reallocated, so nothing that runs during static
// initialisation can see an unallocated field.
double heightValues[kHeightFieldSide * kHeightFieldSide];

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
    p.x = cx * (1 / kPixelsPerCell) / viewState.zoom * 2 + 0.5;
    p.y = cy * (1 / kPixelsPerCell) / viewState.zoom * 2 + 0.5;
    return p;
}

void previewFill(int32_t w, int32_t h) {
    fillState.clientW = w;
    fillState.clientH = h;
    const LatticePos cursor = screenToLattice(viewState.mouseX, viewState.mouseY, w, h);
    fillState.points = previewHeightFill(previewMap, workingMap, heightField, cursor,
                                         static_cast<int32_t>(editorState.currentKind), editorState.fillBelow);
}

void commitFill() {
    // What is committed is the preview of the present working map, height
    // field, kind and cursor: commitFillPreview rebuilds a stale one first.
    const LatticePos cursor = screenToLattice(viewState.mouseX, viewState.mouseY, fillState.clientW, fillState.clientH);
    commitFillPreview(workingMap, previewMap, heightField, cursor,
                      static_cast<int32_t>(editorState.currentKind), editorState.fillBelow);
    editorState.editMode = EditMode::view;
}

LatticePoint cursorPoint(int32_t w, int32_t h) {
    return latticePointAt(screenToLattice(viewState.mouseX, viewState.mouseY, w, h));
}

bool previewFloatingStamp(int32_t w, int32_t h) {
    if (editorState.editMode != EditMode::corners || !floatingStamp.floating) return false;
    const LatticePoint at = cursorPoint(w, h);
    previewMap.copyFrom(workingMap);
    placeStamp(previewMap, floatingStamp.stamp, at.x, at.y, editorState.symmetry);
    return true;
}

void toolDragPoints(const GroundMap& map, const ToolDragState& drag, std::vector<LatticePoint>& out) {
    out.clear();
    const PaintToolEntry& tool = paintTool(drag.tool);
    if (tool.dragPoints)
        tool.dragPoints(map, drag.from, drag.to, toolInputOf(editorState), out);
}

bool previewToolDrag() {
    if (editorState.editMode != EditMode::corners || !toolDrag.active) return false;
    previewMap.copyFrom(workingMap);
    toolDragPoints(previewMap, toolDrag, toolDrag.points);
    paintPoints(previewMap, toolDrag.points, static_cast<int32_t>(editorState.currentKind), editorState.symmetry);
    return true;
}
