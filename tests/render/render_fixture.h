// Shared set-up of the rendering tests: a current offscreen context, the
// program-wide records reset, and synthetic atlases whose every tile (or
// 32 x 32 sprite block) is one solid colour that names it.
#pragma once
// windows.h before GL/gl.h, as on Windows.
#include "render/gl_harness.h"
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "files/mission.h"
#include "files/texture_image.h"
#include "height/height_field.h"
#include "height/height_texture.h"
#include "map/ground_map.h"
#include "render/gl_harness.h"
#include "shell/editor_state.h"
#include "shell/render.h"

namespace rt {

// Solid colour of tile i in the synthetic tile atlas; no two tiles share one,
// and none is black, the clear colour.
inline glh::Rgb tileColour(int i) { return {i, 255 - i, 40 + (i * 7) % 200}; }
// Solid colour of the 32 x 32 block (bx, by), from the top left, of the synthetic sprite atlas.
inline glh::Rgb blockColour(int bx, int by) { return {bx * 16 + 8, by * 16 + 8, 250}; }

// Stored bytes (bottom row first, B, G, R) of a 512 x 512 image whose pixel at
// (x, y), y down from the top, is colourAt(x, y).
template <typename F>
std::vector<uint8_t> storedImage(F colourAt) {
    std::vector<uint8_t> bytes(kAtlasBytes);
    size_t o = 0;
    for (int row = 511; row >= 0; --row) {
        for (int x = 0; x < 512; ++x) {
            const glh::Rgb c = colourAt(x, row);
            bytes[o++] = static_cast<uint8_t>(c.b);
            bytes[o++] = static_cast<uint8_t>(c.g);
            bytes[o++] = static_cast<uint8_t>(c.r);
        }
    }
    return bytes;
}

// Halfway mix of two colours, as the corner overlay's blending gives it.
inline glh::Rgb half(const glh::Rgb& over, const glh::Rgb& under) {
    return {(over.r + under.r + 1) / 2, (over.g + under.g + 1) / 2, (over.b + under.b + 1) / 2};
}

inline bool near(const glh::Rgb& a, const glh::Rgb& b, int tolerance = 1) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Client pixel of world point (wx, wy) under the current view and client size.
inline void worldToClient(double wx, double wy, int& x, int& y) {
    const double z = viewState.zoom;
    x = static_cast<int>(std::floor(glh::clientWidth() / 2.0 + 32 * z * wx - viewState.panX));
    y = static_cast<int>(std::floor(glh::clientHeight() / 2.0 - 32 * z * wy - viewState.panY));
}

// Per process: CTest runs the cases of this binary side by side.
inline std::string tempPath(const std::string& name) {
    return testing::TempDir() + "vorn_render_" + std::to_string(getpid()) + "_" + name;
}

class RenderTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(glh::makeContext()) << "no offscreen OpenGL context (EGL surfaceless)";
        initPatternTable();
        workingMap.clear();
        previewMap.clear();
        editorState = EditorState{};
        editorState.statusLine = false;  // the frame without the editor's own additions; tests turn them on
        selection = SelectionState{};
        floatingStamp = FloatingStamp{};
        viewState = ViewState{};
        structureList.clear();
        tileObjectList.clear();
        for (int x = 0; x < heightField.width; ++x)
            for (int y = 0; y < heightField.height; ++y) heightField.at(x, y) = 0.0;
        glh::setClientSize(800, 600);
        applyView(glh::window());

        const std::string tiles = tempPath("tiles.bmp");
        ASSERT_TRUE(glh::writeRawImage(tiles, storedImage([](int x, int y) { return tileColour(y / 32 * 16 + x / 32); })));
        const std::string sprites = tempPath("sprites.bmp");
        ASSERT_TRUE(glh::writeRawImage(sprites, storedImage([](int x, int y) { return blockColour(x / 32, y / 32); })));
        textureNames.tileAtlas = loadTextureImage(tiles.c_str(), 1);
        textureNames.spriteAtlas = loadTextureImage(sprites.c_str(), 1);
        std::remove(tiles.c_str());
        std::remove(sprites.c_str());
        textureNames.height = makeHeightTexture(heightField);
        ASSERT_NE(textureNames.tileAtlas, 0u);
        ASSERT_NE(textureNames.spriteAtlas, 0u);
    }

    void TearDown() override {
        const GLuint names[3] = {textureNames.tileAtlas, textureNames.spriteAtlas, textureNames.height};
        glDeleteTextures(3, names);
        textureNames = TextureNames{};
        glColor4f(1, 1, 1, 1);
        structureList.clear();
        tileObjectList.clear();
    }

    // Replaces the height texture after the test changed the field.
    void remakeHeightTexture() {
        glDeleteTextures(1, &textureNames.height);
        textureNames.height = makeHeightTexture(heightField);
    }

    static void frame() { drawFrame(glh::window(), glh::deviceContext()); }

    // Colour at the centre of map cell (x, y) (offset by (fx, fy) cells from its top-left corner).
    static glh::Rgb atCell(double x, double y, double fx = 0.5, double fy = 0.5) {
        int cx, cy;
        worldToClient(x + fx, -(y + fy), cx, cy);
        return glh::pixelAt(cx, cy);
    }
};

}  // namespace rt
