// Renders painted sample maps with the generated atlases to PNG files, for a
// person to look at: render_samples <directory with tex1.bmp> <output directory>.
#include <cmath>
#include <cstdio>
#include <string>

#include "files/mission.h"
#include "files/texture_image.h"
#include "height/height_field.h"
#include "height/height_texture.h"
#include "map/ground_map.h"
#include "render/gl_harness.h"
#include "shell/editor_state.h"
#include "shell/render.h"

namespace {

// Paints kind over every lattice point within radius r of (cx, cy), with a wobbly edge.
void blob(double cx, double cy, double r, int kind, double wobble) {
    for (int py = 0; py <= 128; ++py)
        for (int px = 0; px <= 128; ++px) {
            const double a = std::atan2(py - cy, px - cx);
            const double rr = r * (1 + wobble * std::sin(3 * a + cx) + 0.5 * wobble * std::cos(5 * a + cy));
            if (std::hypot(px - cx, py - cy) <= rr) workingMap.paintCorner(px, py, kind);
        }
}

void shoot(const std::string& path) {
    drawFrame(glh::window(), glh::deviceContext());
    glh::writePng(path, glh::clientWidth(), glh::clientHeight(), glh::readClient());
    std::printf("%s\n", path.c_str());
}

void view(double zoom, double centreX, double centreY) {
    viewState.zoom = zoom;
    viewState.panX = static_cast<int>(centreX * 32 * zoom);
    viewState.panY = static_cast<int>(centreY * 32 * zoom);
    applyView(glh::window());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || !glh::makeContext()) {
        std::fprintf(stderr, "usage: render_samples <atlas dir> <output dir> (needs EGL surfaceless)\n");
        return 1;
    }
    const std::string in = std::string(argv[1]) + "/", out = std::string(argv[2]) + "/";
    initPatternTable();
    textureNames.tileAtlas = loadTextureImage((in + "tex1.bmp").c_str(), 1);
    textureNames.spriteAtlas = loadTextureImage((in + "structures.bmp").c_str(), 1);
    seedRandom(12345);
    textureNames.height = generateHeightField();

    // A landscape: grass meadows, a lake, a rocky massif with snow on top, scattered bits.
    blob(30, 30, 14, 1, 0.25);
    blob(80, 24, 10, 1, 0.3);
    blob(60, 70, 12, 4, 0.2);
    blob(64, 72, 4, 4, 0.0);
    blob(96, 90, 16, 2, 0.2);
    blob(98, 92, 7, 3, 0.25);
    blob(20, 100, 9, 4, 0.35);
    blob(110, 30, 8, 2, 0.3);
    blob(40, 50, 6, 1, 0.4);
    for (int i = 0; i < 6; ++i) workingMap.paintCorner(10 + 8 * i, 70 + (i % 2) * 2, 1);  // lone points
    workingMap.paintCorner(50, 110, 4);
    workingMap.paintCorner(51, 111, 4);

    // Every sprite row once, in a row along the map's top and bottom.
    int x = 1;
    for (int16_t s = 0; s < 19; ++s) {
        const int w = (s == 2 || s == 11) ? 3 : (s == 3 || s == 4 || s == 12 || s == 13) ? 3 : (s == 0 || (s >= 14 && s <= 16)) ? 1 : 2;
        const int y = s < 10 ? 40 : 52;
        if (s == 10) x = 1;
        structureList.push_back({0, 0, s, 0, static_cast<int16_t>(y * 64 + x)});
        x += w + 1;
    }
    tileObjectList.push_back({0, 35, 0, static_cast<int16_t>(60 * 64 + 60), 0, 0});

    glh::setClientSize(800, 600);
    view(0.25, 32, 32);
    shoot(out + "whole_map.png");
    view(1.0, 30, 30);
    shoot(out + "zoom1_massif_lake.png");
    view(1.0, 14, 14);
    shoot(out + "zoom1_meadow.png");
    view(2.0, 12, 44);
    shoot(out + "zoom2_structures_a.png");
    view(2.0, 12, 56);
    shoot(out + "zoom2_structures_b.png");
    editorState.editMode = EditMode::corners;
    view(1.0, 30, 34);
    shoot(out + "edit_mode1_overlay.png");
    view(3.0, 48, 46);
    shoot(out + "edit_mode1_overlay_zoom3.png");
    editorState.editMode = EditMode::view;
    editorState.heightOverlay = true;
    view(0.25, 32, 32);
    shoot(out + "height_overlay.png");
    return 0;
}
