#include "shell/editor_state.h"

EditorState editorState;
ViewState viewState;
TextureNames textureNames;

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
