#include "shell/paint_tool_table.h"

#include "map/paint_tools.h"
#include "map/scatter.h"
#include "shell/editor_state.h"
#include "shell/view_steps.h"

const PaintToolEntry kPaintTools[] = {
    {"brush", "D", "brush tool (enters corner editing)", "brush", ToolOutline::brushSquare,
     [](GroundMap& map, LatticePos at, const ToolInput& input, LcgRandom&, std::vector<LatticePoint>& scratch) {
         scratch.clear();
         forEachBrushPoint(at.x, at.y, input.brushSize, map.latticeStride() - 1, map.latticeRows() - 1,
                           [&](int32_t px, int32_t py) { scratch.push_back({px, py}); });
         paintPoints(map, scratch, input.kind, input.symmetry);
     },
     nullptr, nullptr, nullptr},
    {"line", "L", "line tool: a left drag paints a line of brush squares (enters corner editing)", "line",
     ToolOutline::brushSquare, nullptr,
     [](const GroundMap& map, LatticePoint from, LatticePoint to, const ToolInput& input,
        std::vector<LatticePoint>& out) {
         lineBrushPoints(from, to, input.brushSize, map.latticeStride(), map.latticeRows(), out);
     },
     nullptr, nullptr, ToolStatus::lineLength},
    {"rectangle", "A", "rectangle tool: a left drag paints every point from corner to corner (enters corner editing)",
     "rectangle", ToolOutline::point, nullptr,
     [](const GroundMap&, LatticePoint from, LatticePoint to, const ToolInput&, std::vector<LatticePoint>& out) {
         rectanglePoints(from, to, out);
     },
     nullptr, nullptr, ToolStatus::rectangleSize},
    {"bucket", "B", "bucket tool: a left click fills the joined points of the kind clicked (enters corner editing)",
     "bucket", ToolOutline::point, nullptr,
     [](const GroundMap& map, LatticePoint from, LatticePoint, const ToolInput& input,
        std::vector<LatticePoint>& out) { bucketPoints(map, from, input.kind, out); },
     nullptr, nullptr, ToolStatus::region},
    {"scatter", "T",
     "scatter tool: a left drag paints a share of the brush square's points at random; T again steps the share "
     "25%, 50%, 10% (enters corner editing)",
     "scatter", ToolOutline::brushSquare,
     [](GroundMap& map, LatticePos at, const ToolInput& input, LcgRandom& random, std::vector<LatticePoint>&) {
         scatterStep(map, random, at, input.brushSize, input.density, input.kind, input.symmetry);
     },
     nullptr, [](const EditorState& state) { return "scatter " + std::to_string(state.scatterDensity) + "%"; },
     [](EditorState& state) {
         state.scatterDensity = state.scatterDensity == 25 ? 50 : state.scatterDensity == 50 ? 10 : 25;
     }},
};
const int32_t kPaintToolCount = sizeof kPaintTools / sizeof kPaintTools[0];

const PaintToolEntry& paintTool(int32_t index) {
    return kPaintTools[index >= 0 && index < kPaintToolCount ? index : 0];
}

int32_t paintToolForKey(char key) {
    for (int32_t i = 0; i < kPaintToolCount; ++i)
        if (kPaintTools[i].key[0] == key) return i;
    return -1;
}

ToolInput toolInputOf(const EditorState& state) {
    return {state.brushSize, static_cast<int32_t>(state.currentKind), state.scatterDensity, state.symmetry};
}

std::string paintToolTitle(const EditorState& state) {
    const PaintToolEntry& tool = paintTool(state.tool);
    return tool.titleName ? tool.titleName(state) : tool.name;
}
