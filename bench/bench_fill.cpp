// The height fill's preview step in its worst case: a field of zeros, so the
// threshold is 0 and every lattice point passes, for kinds 1 to 4 on a
// cleared and on a busy map; the plain fill over the plain reference map in
// the same run. The two start points alternate, so every iteration is a real
// rebuild and never a reused result.
#include <benchmark/benchmark.h>

#include "busy_map.h"
#include "height/height_field.h"
#include "height/height_fill.h"
#include "map/ground_map.h"
#include "reference/height_fill_reference.h"
#include "shell/editor_state.h"

namespace {

constexpr int32_t kClientW = 800;
constexpr int32_t kClientH = 600;

// Mouse positions over lattice points (40, 40) and (90, 90) at zoom 1, no pan.
constexpr int32_t kMouse[2][2] = {{kClientW / 2 + 40 * 16, kClientH / 2 + 40 * 16},
                                  {kClientW / 2 + 90 * 16, kClientH / 2 + 90 * 16}};

void prepare(benchmark::State& state) {
    initPatternTable();
    workingMap.clear();
    if (state.range(1) != 0) makeBusyMap(workingMap);
    for (int32_t i = 0; i < heightField.width * heightField.height; ++i) heightField.values[i] = 0.0;
    editorState = EditorState{};
    editorState.editMode = 2;
    editorState.currentKind = static_cast<int32_t>(state.range(0));
    viewState = ViewState{};
}

void BM_PreviewFill(benchmark::State& state) {
    prepare(state);
    int32_t i = 0;
    for (auto _ : state) {
        viewState.mouseX = kMouse[i & 1][0];
        viewState.mouseY = kMouse[i & 1][1];
        ++i;
        previewHeightFill(kClientW, kClientH);
        benchmark::DoNotOptimize(previewMap.tiles[0]);
    }
}

void BM_PreviewFillReference(benchmark::State& state) {
    prepare(state);
    static reference::RefGroundMap preview;
    int32_t i = 0;
    for (auto _ : state) {
        viewState.mouseX = kMouse[i & 1][0];
        viewState.mouseY = kMouse[i & 1][1];
        ++i;
        referencePreviewHeightFill(preview, kClientW, kClientH);
        benchmark::DoNotOptimize(preview.tiles[0]);
    }
}

}  // namespace

BENCHMARK(BM_PreviewFillReference)
    ->ArgsProduct({{1, 2, 3, 4}, {0, 1}})
    ->ArgNames({"kind", "busy"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewFill)
    ->ArgsProduct({{1, 2, 3, 4}, {0, 1}})
    ->ArgNames({"kind", "busy"})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
