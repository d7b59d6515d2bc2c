// The painting tools of corner editing, one entry each: its key, its name in
// the title, its help, the function giving its points (a drag tool) or
// painting a step (a stroke tool), what its outline and the status line
// show. Choosing a tool, the title, a drag's preview and release, the
// stroke, the outline, the status line and the command table (F1, the page's
// key line, the docs) all read this table; a new tool is its entry here and
// its points function (map/paint_tools.h) or step.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "map/ground_map.h"
#include "map/lcg_random.h"
#include "map/paint_tools.h"

struct EditorState;

// What a tool's points depend on besides the map and the cursor.
struct ToolInput {
    int32_t brushSize;  // side of the brush square, >= 1
    int32_t kind;       // the kind painted, 0..4
    int32_t density;    // the scatter tool's chance per point, percent
    Symmetry symmetry;  // the images a stroke step paints after each point (a drag's points come before them)
};

// What the white outline of where the next press lands shows.
enum class ToolOutline : int32_t {
    brushSquare,  // the brush square at the point under the cursor
    point,        // that point alone
};

// What the status line says of a tool, after the point's fields.
enum class ToolStatus : int32_t {
    none,
    lineLength,     // while a drag is held: "line N points", the line's points before the brush
    rectangleSize,  // while a drag is held: "rectangle W x H points"
    region,         // over the lattice: "region N points", the points a click paints
};

struct PaintToolEntry {
    const char* name;   // the title's word ("line"); also how tests and the docs name it
    const char* key;    // its key, one capital letter; it also enters corner editing
    const char* help;   // F1's line and the docs' words, after the key
    const char* brief;  // the page's line of keys, after the key
    ToolOutline outline;
    // A stroke tool paints one step at each mouse move while the left button
    // is held: at lattice position `at` (its latticePointAt inside the
    // lattice), each painted point followed by its images. `random` is the
    // stroke's own generator, seeded at the press; `scratch` is the step's to use.
    void (*strokeStep)(GroundMap& map, LatticePos at, const ToolInput& input, LcgRandom& random,
                       std::vector<LatticePoint>& scratch);
    // A drag tool shows its result while the left button is held and paints
    // it at the release: the points for a drag from `from` to `to` (both
    // inside the lattice), before their symmetry images, in painting order.
    // Replaces `out`. An entry has exactly one of the two.
    void (*dragPoints)(const GroundMap& map, LatticePoint from, LatticePoint to, const ToolInput& input,
                       std::vector<LatticePoint>& out);
    // Optional: the title's words when they follow the tool's settings
    // (nullptr: `name`).
    std::string (*titleName)(const EditorState& state);
    // Optional: what the key does when the tool is chosen already in corner
    // editing (nullptr: nothing more than choosing).
    void (*again)(EditorState& state);
    ToolStatus status = ToolStatus::none;
};

// Every tool, in the order F1 lists their keys; entry 0, the brush, is the tool at start.
extern const PaintToolEntry kPaintTools[];
extern const int32_t kPaintToolCount;

// The entry at `index` (EditorState::tool, ToolDragState::tool); the brush
// for an index outside the table.
const PaintToolEntry& paintTool(int32_t index);
// Caller: the tool keys' action. The index of the entry whose key is `key`, or -1.
int32_t paintToolForKey(char key);
// Callers: the stroke, a drag's preview and release. The tools' input as
// the editor's state gives it.
ToolInput toolInputOf(const EditorState& state);
// Caller: the window title. The chosen tool's words there.
std::string paintToolTitle(const EditorState& state);
