// One whole frame in corner editing (4096 tile quads and 16641 overlay quads) at
// 800 x 600 in the offscreen context; drawFrame ends in the harness's
// SwapBuffers, a glFinish, so the drawing itself is timed. Each frame beside
// the same frame in immediate mode (the ...Immediate benchmarks), the reference the vertex
// arrays are measured against.
#include <benchmark/benchmark.h>

#include "render/gl_harness.h"  // windows.h before GL/gl.h
#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/texture_image.h"
#include "height/height_field.h"
#include "height/height_texture.h"
#include "map/ground_map.h"
#include "render/gl_harness.h"
#include "render/immediate_frame.h"
#include "shell/editor_state.h"
#include "shell/render.h"

namespace {

bool setUp() {
    static bool done = false;
    if (done) return true;
    if (!glh::makeContext()) return false;
    initPatternTable();
    // A busy atlas (every texel differs) and a map of mixed tiles and kinds.
    std::vector<uint8_t> stored(kAtlasBytes);
    for (size_t i = 0; i < stored.size(); ++i) stored[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
    const std::string path = "bench_render_atlas.bmp";
    glh::writeRawImage(path, stored);
    textureNames.tileAtlas = loadTextureImage(path.c_str(), 1);
    std::remove(path.c_str());
    textureNames.height = makeHeightTexture(heightField);
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y) workingMap.tileAt(x, y) = static_cast<uint8_t>((x * 7 + y * 13) & 255);
    for (int i = 0; i < 129 * 129; ++i) workingMap.corners[i] = static_cast<uint8_t>(i * 31 % 5);
    editorState.editMode = EditMode::corners;
    glh::setClientSize(800, 600);
    done = true;
    return true;
}

void frame(benchmark::State& state, double zoom, int panX, int panY, void (*draw)(HWND, HDC) = drawFrame) {
    if (!setUp()) {
        state.SkipWithError("no offscreen OpenGL context");
        return;
    }
    viewState.zoom = zoom;
    viewState.panX = panX;
    viewState.panY = panY;
    applyView(glh::window());
    for (auto _ : state) draw(glh::window(), glh::deviceContext());
    state.counters["quads"] = 4096 + 16641;
}

// The start view: the map's top-left corner at the window's centre.
void BM_DrawFrameMode1StartView(benchmark::State& state) { frame(state, 1.0, 0, 0); }
// The whole map in view: zoom 0.25, map centred.
void BM_DrawFrameMode1WholeMap(benchmark::State& state) { frame(state, 0.25, 256, 256); }
void BM_DrawFrameMode1StartViewImmediate(benchmark::State& state) { frame(state, 1.0, 0, 0, drawFrameImmediate); }
void BM_DrawFrameMode1WholeMapImmediate(benchmark::State& state) { frame(state, 0.25, 256, 256, drawFrameImmediate); }

// Reference: an empty frame (clear and finish only) in the same context.
void BM_ClearAndFinishOnly(benchmark::State& state) {
    if (!setUp()) {
        state.SkipWithError("no offscreen OpenGL context");
        return;
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        glFinish();
    }
}

}  // namespace

BENCHMARK(BM_DrawFrameMode1StartView)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawFrameMode1StartViewImmediate)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawFrameMode1WholeMap)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawFrameMode1WholeMapImmediate)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ClearAndFinishOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
