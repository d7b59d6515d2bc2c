#include "shell/tools.h"

#include <vector>

#include "shell/editor_state.h"
#include "shell/render.h"
#include "shell/shell.h"
#include "shell/view_steps.h"

namespace {

bool insideLattice(LatticePoint p) {
    return p.x >= 0 && p.y >= 0 && p.x <= 2 * workingMap.width && p.y <= 2 * workingMap.height;
}

}  // namespace

LatticePoint pointUnderCursor(HWND window) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    return cursorPoint(client.right, client.bottom);
}

LatticePoint clampedIntoLattice(LatticePoint p) {
    const int32_t maxX = 2 * workingMap.width, maxY = 2 * workingMap.height;
    return {p.x < 0 ? 0 : p.x > maxX ? maxX : p.x, p.y < 0 ? 0 : p.y > maxY ? maxY : p.y};
}

void chooseTool(HWND, WPARAM key) {
    switch (key) {
    case 'L': editorState.tool = PaintTool::line; break;
    case 'A': editorState.tool = PaintTool::rectangle; break;
    case 'B': editorState.tool = PaintTool::bucket; break;
    default: editorState.tool = PaintTool::brush; break;
    }
    // From the fill, as E does: its preview is only drawn in edit mode 2.
    editorState.editMode = EditMode::corners;
}

void pickKind(HWND window, WPARAM) {
    const LatticePoint p = pointUnderCursor(window);
    if (!insideLattice(p)) return;
    const uint8_t kind = workingMap.cornerAt(p.x, p.y);
    if (kind <= static_cast<uint8_t>(TerrainKind::water)) editorState.currentKind = static_cast<TerrainKind>(kind);
}

void nextSymmetry(HWND, WPARAM) {
    editorState.symmetry = static_cast<Symmetry>((static_cast<int32_t>(editorState.symmetry) + 1) % 5);
}

void showWholeMap(HWND window, WPARAM) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    if (wholeMapStep(viewState, client.right, client.bottom)) applyView(window);
}

bool toolLeftDown(HWND window) {
    if (editorState.editMode != EditMode::corners || editorState.tool == PaintTool::brush) return false;
    const LatticePoint at = pointUnderCursor(window);
    // Off the lattice the press does nothing, and the brush does not take it either.
    if (!insideLattice(at)) return true;
    toolDrag.active = true;
    toolDrag.tool = editorState.tool;
    toolDrag.from = toolDrag.to = at;
    return true;
}

bool toolMouseMove(HWND window) {
    if (!toolDrag.active) return editorState.editMode == EditMode::corners && editorState.tool != PaintTool::brush;
    toolDrag.to = clampedIntoLattice(pointUnderCursor(window));
    return true;
}

void toolLeftUp(HWND window) {
    if (!toolDrag.active) return;
    toolDrag.to = clampedIntoLattice(pointUnderCursor(window));
    toolDrag.active = false;
    static std::vector<LatticePoint> points;
    toolDragPoints(workingMap, toolDrag, points);
    paintPoints(workingMap, points, static_cast<int32_t>(editorState.currentKind), editorState.symmetry);
}

void dropToolDrag() { toolDrag.active = false; }

void dropToolDragOutsideCornerEditing() {
    if (editorState.editMode != EditMode::corners) toolDrag.active = false;
}

void paintBrush(double lx, double ly) {
    static std::vector<LatticePoint> points;
    points.clear();
    const int32_t maxPx = 2 * workingMap.width, maxPy = 2 * workingMap.height;
    forEachBrushPoint(lx, ly, editorState.brushSize, maxPx, maxPy,
                      [](int32_t px, int32_t py) { points.push_back({px, py}); });
    paintPoints(workingMap, points, static_cast<int32_t>(editorState.currentKind), editorState.symmetry);
}
