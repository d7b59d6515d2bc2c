#include "shell/editor_state.h"

EditorState editorState;
ViewState viewState;
TextureNames textureNames;

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
