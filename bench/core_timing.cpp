// A plain timing loop over the core's hot paths, for hosts without Google
// Benchmark (the web build runs it in node) and natively beside it, so the two
// figures come from the same code: the brush sweeping every lattice point with
// kinds 3 and 4 on the busy map, and the height fill's worst-case preview
// (every point passes) on the busy map. Prints the median of several rounds.
// Not a test: it never fails on a figure.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "busy_map.h"
#include "height/height_field.h"
#include "map/ground_map.h"
#include "shell/editor_state.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median milliseconds per call of `body` over `rounds` rounds of `calls` calls.
template <class Body>
double medianMs(int rounds, int calls, Body body) {
    std::vector<double> ms;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        for (int i = 0; i < calls; ++i) body(i);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / calls);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main() {
    initPatternTable();
    static GroundMap busy(64, 64), map(64, 64);
    makeBusyMap(busy);

    const double restore = medianMs(9, 200, [](int) { map.copyFrom(busy); });
    for (int kind : {3, 4}) {
        const double ms = medianMs(9, 20, [kind](int) {
            map.copyFrom(busy);
            for (int px = 0; px <= 128; ++px)
                for (int py = 0; py <= 128; ++py) map.paintCorner(px, py, kind);
        });
        std::printf("brush sweep, kind %d, busy map: %.3f ms\n", kind, ms - restore);
    }

    // The fill: a field of zeros, mouse alternating between lattice points
    // (40, 40) and (90, 90) at zoom 1 so that every preview is rebuilt.
    workingMap.copyFrom(busy);
    for (int32_t i = 0; i < heightField.width * heightField.height; ++i) heightField.values[i] = 0.0;
    editorState = EditorState{};
    editorState.editMode = EditMode::fill;
    editorState.currentKind = TerrainKind::rock;
    viewState = ViewState{};
    const double fill = medianMs(9, 20, [](int i) {
        viewState.mouseX = 400 + (i & 1 ? 90 : 40) * 16;
        viewState.mouseY = 300 + (i & 1 ? 90 : 40) * 16;
        previewFill(800, 600);
    });
    std::printf("fill preview, kind 2, busy map: %.3f ms\n", fill);
    return 0;
}
