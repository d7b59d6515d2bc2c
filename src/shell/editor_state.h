// The shell's program-wide records: the two maps, the height field, the
// object lists, the editor and view state and the texture names, which the
// lower folders act on when the shell hands them over; beside them the
// records of what a press, a selection, a floating stamp and the fill keep.
// Plain data and arithmetic, no OpenGL, no platform.
#pragma once
#include <cstdint>
#include <vector>

#include "files/map_image.h"
#include "files/mission.h"
#include "height/height_field.h"
#include "map/ground_map.h"
#include "map/lcg_random.h"
#include "map/paint_tools.h"
#include "map/stamp.h"

// The window's outer size at creation, frame included; until a preview step
// has seen the real client area, also the size the fill's commit assumes.
constexpr int32_t kWindowWidth = 800;
constexpr int32_t kWindowHeight = 600;

// What a left button does: nothing (view), paint lattice points (corners),
// commit the height fill's preview (fill).
enum class EditMode : int32_t { view, corners, fill };

// The title's words for a mode, a kind and a symmetry; nullptr for a value
// outside the enumeration. A tool's words are its table entry's (paint_tool_table.h).
const char* editModeName(EditMode mode);
const char* terrainKindName(TerrainKind kind);
const char* symmetryName(Symmetry symmetry);

struct EditorState {
    EditMode editMode = EditMode::view;
    TerrainKind currentKind = TerrainKind::sand;  // the kind painting and the fill use
    int32_t brushSize = 1;      // side of the square brush in lattice points, >= 1
    bool heightOverlay = false; // Space: draw the height texture over the map
    bool showObjects = true;    // U: draw the mission's structures and tile objects
    bool symmetryMarks = false; // K: mark what is unlike its symmetry image (shown only while symmetry is on)
    bool fillBelow = false;     // I: the fill takes points at or below the threshold
    int32_t tool = 0;           // the chosen entry of kPaintTools (0: the brush); kept across modes
    Symmetry symmetry = Symmetry::off;   // V; every painted point's images are painted too
    int32_t scatterDensity = 25; // the scatter tool's chance per point, percent: T again steps 25, 50, 10
    bool statusLine = true;     // Tab: the status strip along the client area's bottom
    bool grid = false;          // Ctrl+G: lines along the cell boundaries
};

struct ViewState {
    double zoom = 1.0;      // one world unit is 32 * zoom pixels
    int32_t panX = 0;       // pan offset in screen pixels
    int32_t panY = 0;
    int32_t mouseX = 0;     // last mouse position, client pixels
    int32_t mouseY = 0;
    bool panDrag = false;   // right button held: mouse moves pan
};

struct TextureNames {
    unsigned tileAtlas = 0;   // "tex1.bmp", whole run
    unsigned spriteAtlas = 0; // "structures.bmp", whole run
    unsigned height = 0;      // grey height image, replaced by R and G
};

// The rectangle of lattice points a Ctrl + left drag selects (shell/stamps.cpp
// acts on it; drawFrame frames it; Ctrl+C copies it).
struct SelectionState {
    bool dragging = false;   // a Ctrl + left press is held
    bool moved = false;      // the mouse moved since that press
    bool shown = false;      // a selection stands (drawn as a frame)
    LatticePoint from{};     // its press point and its other corner, inside the lattice
    LatticePoint to{};
};

// A pasted stamp that follows the cursor until Esc, and the editor's own copy
// (shell/stamps.cpp acts on it; drawFrame previews it).
struct FloatingStamp {
    bool floating = false;   // a pasted stamp follows the cursor
    Stamp stamp;             // as turned and flipped
    bool hasCopy = false;    // Ctrl+C has copied a stamp in this run
    Stamp copy;              // the last one; pasted when the clipboard holds no text at all
};

// A press of a drag tool (a table entry with dragPoints: line, rectangle,
// bucket) held in corner editing: the preview map shows its result, the
// release paints it (wndproc.cpp, tools.cpp act on it).
struct ToolDragState {
    bool active = false;           // the press started a drag, not yet released or dropped
    int32_t tool = 0;              // the kPaintTools entry at the press; a tool key during the drag does not change it
    LatticePoint from{};           // the press point, inside the lattice
    LatticePoint to{};             // the point under the cursor, clamped into the lattice
    std::vector<LatticePoint> points;  // scratch for a drag's or a stroke step's points; kept, as a
                                       // held drag's preview is rebuilt every frame
    LcgRandom strokeRandom;  // a stroke's own generator (the scatter tool draws on it), seeded at every
                             // left press with scatterSeed of the press point; nothing else draws on it
};

// What the height fill keeps between its preview step and the commit.
struct FillState {
    int32_t clientW = kWindowWidth;   // client size of the last preview step: the commit
    int32_t clientH = kWindowHeight;  // rebuilds a stale preview with it
    int32_t points = 0;               // points that preview painted (the status line's count)
};

extern EditorState editorState;
extern ViewState viewState;
extern TextureNames textureNames;
// The two atlases' images as start-up loaded them (top row first), kept for
// Ctrl+E (1.5 MB): its picture is drawn from the art the frame shows, even
// after the files went. An atlas that did not load stays empty.
extern MapArt atlasImages;
extern SelectionState selection;
extern FloatingStamp floatingStamp;
extern ToolDragState toolDrag;
extern FillState fillState;

// The two maps, kMapCells x kMapCells and cleared before main runs.
extern GroundMap workingMap;  // edited, drawn, loaded and saved
extern GroundMap previewMap;  // scratch of the height fill preview, a floating stamp and a held drag
// The one height field, every value 0 before main runs.
extern HeightField heightField;
// The mission's objects, in file order; empty at start-up, replaced only by
// key M (readMission) and drawn by drawMissionObjects.
extern std::vector<StructureRecord> structureList;
extern std::vector<TileObjectRecord> tileObjectList;

// Maps a client position to a lattice position for a w x h client area; the
// half step is included, so truncation toward zero gives the nearest point.
LatticePos screenToLattice(int32_t x, int32_t y, int32_t w, int32_t h);

// The lattice point under the last mouse position in a w x h client area,
// latticePointAt of its lattice position, as the brush takes it.
LatticePoint cursorPoint(int32_t w, int32_t h);
// Caller: drawFrame. With a stamp floating in corner editing, rebuilds the
// preview map as the working map with the stamp placed at the cursor in a
// w x h client area, and returns true; otherwise false.
bool previewFloatingStamp(int32_t w, int32_t h);

// The points a held tool drag paints on `map` (before its symmetry images),
// in painting order: its table entry's dragPoints. Callers: the drag's
// preview and its release.
void toolDragPoints(const GroundMap& map, const ToolDragState& drag, std::vector<LatticePoint>& out);
// Caller: drawFrame. With a tool drag held in corner editing, rebuilds the
// preview map as the working map with the drag's points painted (with their
// symmetry images) and returns true; otherwise false.
bool previewToolDrag();

// Caller: drawFrame in edit mode 2. previewHeightFill on the program's maps
// and height field, for the last mouse position in a w x h client area, the
// current kind and fill direction; the size and the points it painted are
// kept in fillState.
void previewFill(int32_t w, int32_t h);
// Caller: the left click in edit mode 2. commitFillPreview on the program's
// maps for the last mouse position and the client size of the last preview
// step (the window's size before any), then edit mode 0.
void commitFill();
