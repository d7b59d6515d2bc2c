// The shell's program-wide records: editor state, view state, texture names.
// Plain data and arithmetic, no OpenGL, no platform.
#pragma once
#include <cstdint>

// What a left button does: nothing (view), paint lattice points (corners),
// commit the height fill's preview (fill).
enum class EditMode : int32_t { view, corners, fill };

// The terrain kinds as the corner grid stores them; the map and height code
// take them as plain int32_t.
enum class TerrainKind : int32_t { sand, grass, rock, snow, water };

// The title's words for a mode and a kind; nullptr for a value outside the
// enumeration.
const char* editModeName(EditMode mode);
const char* terrainKindName(TerrainKind kind);

struct EditorState {
    EditMode editMode = EditMode::view;
    TerrainKind currentKind = TerrainKind::sand;  // the kind painting and the fill use
    int32_t brushSize = 1;      // side of the square brush in lattice points, >= 1
    bool heightOverlay = false; // Space: draw the height texture over the map
    bool showObjects = true;    // U: draw the mission's structures and tile objects
    bool fillBelow = false;     // I: the fill takes points at or below the threshold
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

extern EditorState editorState;
extern ViewState viewState;
extern TextureNames textureNames;

struct LatticePos {
    double x;
    double y;
};

// Maps a client position to a lattice position for a w x h client area; the
// half step is included, so truncation toward zero gives the nearest point.
LatticePos screenToLattice(int32_t x, int32_t y, int32_t w, int32_t h);
