// One whole frame in corner editing (4096 tile quads and 16641 overlay quads) at
// 800 x 600 in the offscreen context; drawFrame ends in the harness's
// SwapBuffers, a glFinish, so the drawing itself is timed. Each frame beside
// the same frame in immediate mode (the ...Immediate benchmarks), the reference the vertex
// arrays are measured against. The status line and the grid (BM_Status...):
// each frame beside the same frame with them off (the ...Off benchmarks),
// with the cursor still or moving to another point every frame.
#include <benchmark/benchmark.h>

#include "render/gl_harness.h"  // windows.h before GL/gl.h
#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "busy_map.h"
#include "files/texture_image.h"
#include "height/height_field.h"
#include "height/height_texture.h"
#include "map/ground_map.h"
#include "render/gl_harness.h"
#include "render/immediate_frame.h"
#include "shell/editor_state.h"
#include "shell/paint_tool_table.h"
#include "shell/render.h"
#include "shell/status_line.h"

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
    editorState.statusLine = false;  // the frame the vertex arrays replaced
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

// What a status benchmark draws: the start view of a cleared map in view
// mode (the editor as it starts), or the busy map in corner editing with
// the bucket chosen, or in fill mode over a random height field.
enum Scene { startView, bucketBusyMap, fillBusyMap };

// Frames of `scene` with the status line (and the grid) on or off; the
// cursor over lattice point (40, 40), or moving between it and (41, 41)
// every frame. Counts the strip's text builds and the grid's a frame.
void statusFrames(benchmark::State& state, Scene scene, bool status, bool grid, bool moving) {
    if (!setUp()) {
        state.SkipWithError("no offscreen OpenGL context");
        return;
    }
    static GroundMap busy(64, 64);
    static bool busyMade = false;
    if (!busyMade) {
        makeBusyMap(busy);
        seedRandom(7);
        fillRandomHeightField(heightField);
        busyMade = true;
    }
    static GroundMap saved(64, 64);
    saved.copyFrom(workingMap);
    const EditorState savedState = editorState;
    if (scene == startView) workingMap.clear();
    else workingMap.copyFrom(busy);
    editorState = EditorState{};
    editorState.statusLine = status;
    editorState.grid = grid;
    editorState.editMode = scene == startView ? EditMode::view : scene == bucketBusyMap ? EditMode::corners : EditMode::fill;
    editorState.tool = paintToolForKey('B');
    // A kind other than the point's: the region is a real one.
    editorState.currentKind = static_cast<TerrainKind>((workingMap.cornerAt(40, 40) + 1) % 5);
    viewState = ViewState{};
    applyView(glh::window());
    const OverlayBuilds before = overlayBuilds;
    int64_t frames = 0;
    for (auto _ : state) {
        const int32_t p = moving ? 40 + (frames & 1) : 40;
        viewState.mouseX = 400 + 16 * p;
        viewState.mouseY = 300 + 16 * p;
        drawFrame(glh::window(), glh::deviceContext());
        ++frames;
    }
    state.counters["text builds"] = benchmark::Counter(static_cast<double>(overlayBuilds.text - before.text) / frames);
    state.counters["grid builds"] = benchmark::Counter(static_cast<double>(overlayBuilds.grid - before.grid) / frames);
    workingMap.copyFrom(saved);
    editorState = savedState;
}

// The status line's text alone on the busy map in corner editing, the
// cursor moving to another point every time: with the bucket chosen beside
// the brush (no count); and with the bucket as the lattice changes every
// time too (one point's kind flipped), as after each click.
void statusText(benchmark::State& state, char toolKey, bool latticeChanges) {
    static GroundMap busy(64, 64);
    makeBusyMap(busy);
    static GroundMap saved(64, 64);
    saved.copyFrom(workingMap);
    const EditorState savedState = editorState;
    workingMap.copyFrom(busy);
    editorState = EditorState{};
    editorState.editMode = EditMode::corners;
    editorState.tool = paintToolForKey(toolKey);
    editorState.currentKind = static_cast<TerrainKind>((workingMap.cornerAt(40, 40) + 1) % 5);
    viewState = ViewState{};
    std::string text;
    int64_t frames = 0;
    for (auto _ : state) {
        const int32_t p = 40 + (frames++ & 1);
        viewState.mouseX = 400 + 16 * p;
        viewState.mouseY = 300 + 16 * p;
        if (latticeChanges) workingMap.cornerAt(100, 100) ^= 1;
        buildStatusText(800, 600, text);
        benchmark::DoNotOptimize(text.data());
    }
    workingMap.copyFrom(saved);
    editorState = savedState;
}

}  // namespace

BENCHMARK_CAPTURE(statusText, BucketBusyMapMoving, 'B', false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(statusText, BucketBusyMapMovingLatticeChanges, 'B', true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(statusText, BrushBusyMapMoving, 'D', false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(statusFrames, StartViewStatusOff, startView, false, false, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, StartViewStatusOn, startView, true, false, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, StartViewStatusOnMoving, startView, true, false, true)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, StartViewStatusAndGridOn, startView, true, true, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, BucketBusyMapStatusOff, bucketBusyMap, false, false, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, BucketBusyMapStatusOn, bucketBusyMap, true, false, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, BucketBusyMapMovingStatusOff, bucketBusyMap, false, false, true)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, BucketBusyMapMovingStatusOn, bucketBusyMap, true, false, true)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, FillBusyMapStatusOff, fillBusyMap, false, false, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, FillBusyMapStatusOn, fillBusyMap, true, false, false)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, FillBusyMapMovingStatusOff, fillBusyMap, false, false, true)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(statusFrames, FillBusyMapMovingStatusOn, fillBusyMap, true, false, true)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK(BM_DrawFrameMode1StartView)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawFrameMode1StartViewImmediate)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawFrameMode1WholeMap)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawFrameMode1WholeMapImmediate)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ClearAndFinishOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
