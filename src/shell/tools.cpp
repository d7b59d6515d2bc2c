#include "shell/tools.h"

#include <vector>

#include "map/scatter.h"
#include "map/symmetry_check.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/paint_tool_table.h"
#include "shell/render.h"
#include "shell/view_steps.h"

LatticePoint pointUnderCursor(HWND window) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    return cursorPoint(client.right, client.bottom);
}

void chooseTool(HWND, WPARAM key) {
    const int32_t chosen = paintToolForKey(static_cast<char>(key));
    if (chosen < 0) return;
    const PaintToolEntry& tool = paintTool(chosen);
    // Only where the title shows the tool: a key that brings corner editing
    // back must not change a setting the user cannot see.
    if (chosen == editorState.tool && editorState.editMode == EditMode::corners && tool.again)
        tool.again(editorState);
    editorState.tool = chosen;
    // From the fill, as E does: its preview is only drawn in edit mode 2.
    editorState.editMode = EditMode::corners;
}

void pickKind(HWND window, WPARAM) {
    const LatticePoint p = pointUnderCursor(window);
    if (!workingMap.insideLattice(p)) return;
    const uint8_t kind = workingMap.cornerAt(p.x, p.y);
    if (kind < kTerrainKinds) editorState.currentKind = static_cast<TerrainKind>(kind);
}

void nextSymmetry(HWND, WPARAM) {
    editorState.symmetry = static_cast<Symmetry>((static_cast<int32_t>(editorState.symmetry) + 1) % 5);
}

void toggleSymmetryMarks(HWND, WPARAM) { editorState.symmetryMarks = !editorState.symmetryMarks; }

void mendSymmetryAtCursor(HWND window, WPARAM) {
    const LatticePoint at = pointUnderCursor(window);
    // Checked first, so that a key that mends nothing leaves a stroke in
    // progress whole.
    if (symmetryPartOf(editorState.symmetry, at, workingMap.latticeStride(), workingMap.latticeRows()) < 0) return;
    endChange();  // a stroke in progress stays a change of its own
    mendSymmetry(workingMap, editorState.symmetry, at);
    endChange();  // one undo step; the history keeps none when no byte changed
}

void showWholeMap(HWND window, WPARAM) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    if (wholeMapStep(viewState, client.right, client.bottom)) applyView(window);
}

namespace {

bool dragToolChosen() {
    return editorState.editMode == EditMode::corners && paintTool(editorState.tool).dragPoints;
}

}  // namespace

bool toolLeftDown(HWND window) {
    const LatticePoint at = pointUnderCursor(window);
    // Every press starts the stroke's generator afresh, so a stroke from the
    // same press over the same moves paints the same points.
    toolDrag.strokeRandom.seed(scatterSeed(workingMap, at));
    if (!dragToolChosen()) return false;
    // Off the lattice the press does nothing, and the brush does not take it either.
    if (!workingMap.insideLattice(at)) return true;
    toolDrag.active = true;
    toolDrag.tool = editorState.tool;
    toolDrag.from = toolDrag.to = at;
    return true;
}

bool toolMouseMove(HWND window) {
    if (!toolDrag.active) return dragToolChosen();
    toolDrag.to = workingMap.clampedIntoLattice(pointUnderCursor(window));
    return true;
}

void toolLeftUp(HWND window) {
    if (!toolDrag.active) return;
    toolDrag.to = workingMap.clampedIntoLattice(pointUnderCursor(window));
    toolDrag.active = false;
    toolDragPoints(workingMap, toolDrag, toolDrag.points);
    paintPoints(workingMap, toolDrag.points, static_cast<int32_t>(editorState.currentKind), editorState.symmetry);
}

void dropToolDrag() { toolDrag.active = false; }

void dropToolDragOutsideCornerEditing() {
    if (editorState.editMode != EditMode::corners) toolDrag.active = false;
}

void paintStroke(LatticePos at) {
    const PaintToolEntry& tool = paintTool(editorState.tool);
    if (!tool.strokeStep) return;
    tool.strokeStep(workingMap, at, toolInputOf(editorState), toolDrag.strokeRandom, toolDrag.points);
}
