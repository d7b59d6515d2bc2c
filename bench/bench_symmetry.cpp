// The symmetry check, the mend and the scatter stroke, each beside its plain
// reference (tests/reference/symmetry_reference.h) in the same run, on the
// busy map painted with each mode's symmetry (each paint followed by its
// images): the recount after a change, the mend from the top-left part
// (a restore of the map first, timed alone as copy/...), and one scatter
// stroke step of brush 8 at 50% with four-way symmetry (restore first).
// Then the editor's side: the status line's recount after a change of the
// working map (refreshSymmetryCheck, each time on a changed lattice) and
// Ctrl+M as a whole (restore, mend, the undo step, the recount), beside the
// plain reference's points and mend.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "busy_map.h"
#include "map/ground_map.h"
#include "map/scatter.h"
#include "map/symmetry_check.h"
#include "reference/symmetry_reference.h"
#include "shell/editor_state.h"
#include "shell/symmetry_counts.h"
#include "shell/undo_history.h"

namespace {

using reference::RefGroundMap;

constexpr Symmetry kModes[] = {Symmetry::mirrorLeftRight, Symmetry::mirrorTopBottom, Symmetry::mirrorFourWays,
                               Symmetry::halfTurn};
const char* const kModeNames[] = {"off", "left-right", "top-bottom", "four-ways", "half-turn"};

// The busy map painted with symmetry `s`, built once per mode.
const GroundMap& paintedBusy(Symmetry s) {
    static std::unique_ptr<GroundMap> maps[5];
    std::unique_ptr<GroundMap>& m = maps[static_cast<int>(s)];
    if (!m) {
        initPatternTable();
        m = std::make_unique<GroundMap>(64, 64);
        std::vector<LatticePoint> one(1);
        makeBusyMapWith(*m, [&](int32_t px, int32_t py, int32_t kind) {
            one[0] = {px, py};
            paintPoints(*m, one, kind, s);
        });
    }
    return *m;
}

RefGroundMap refOf(const GroundMap& m) {
    RefGroundMap r(m.width, m.height);
    std::memcpy(r.corners.data(), m.corners, r.corners.size());
    std::memcpy(r.tiles.data(), m.tiles, r.tiles.size());
    return r;
}

void recountProduction(benchmark::State& state, Symmetry s) {
    const GroundMap& m = paintedBusy(s);
    for (auto _ : state) benchmark::DoNotOptimize(countUnlikeImage(m, s));
}
void recountReference(benchmark::State& state, Symmetry s) {
    const GroundMap& m = paintedBusy(s);
    for (auto _ : state) benchmark::DoNotOptimize(reference::plainUnlikeCount(m.corners, 129, 129, s));
}

void copyProduction(benchmark::State& state) {
    GroundMap m(64, 64);
    for (auto _ : state) {
        m.copyFrom(paintedBusy(Symmetry::mirrorFourWays));
        benchmark::ClobberMemory();
    }
}
void copyReference(benchmark::State& state) {
    const RefGroundMap start = refOf(paintedBusy(Symmetry::mirrorFourWays));
    RefGroundMap m;
    for (auto _ : state) {
        m = start;
        benchmark::ClobberMemory();
    }
}

void mendProduction(benchmark::State& state, Symmetry s) {
    GroundMap m(64, 64);
    for (auto _ : state) {
        m.copyFrom(paintedBusy(s));
        benchmark::DoNotOptimize(mendSymmetry(m, s, {10, 10}));
    }
}
void mendReference(benchmark::State& state, Symmetry s) {
    const RefGroundMap start = refOf(paintedBusy(s));
    RefGroundMap m;
    for (auto _ : state) {
        m = start;
        benchmark::DoNotOptimize(reference::plainMend(m, s, {10, 10}));
    }
}

// Stroke steps across the middle of the map, one a press, each from its own seed.
constexpr int kSteps = 64;
LatticePos stepAt(int i) { return {20.5 + i, 30.25 + (i * 7) % 60}; }

void scatterProduction(benchmark::State& state) {
    GroundMap m(64, 64);
    int i = 0;
    for (auto _ : state) {
        m.copyFrom(paintedBusy(Symmetry::mirrorFourWays));
        LcgRandom random;
        random.seed(static_cast<uint32_t>(i));
        scatterStep(m, random, stepAt(i), 8, 50, 3, Symmetry::mirrorFourWays);
        i = (i + 1) % kSteps;
        benchmark::ClobberMemory();
    }
}
void scatterReference(benchmark::State& state) {
    const RefGroundMap start = refOf(paintedBusy(Symmetry::mirrorFourWays));
    RefGroundMap m;
    int i = 0;
    std::vector<LatticePoint> walked;
    for (auto _ : state) {
        m = start;
        const LatticePos at = stepAt(i);
        walked.clear();
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 8; ++y) walked.push_back({static_cast<int32_t>(at.x) + x, static_cast<int32_t>(at.y) + y});
        uint32_t seed = static_cast<uint32_t>(i);
        reference::plainScatter(m, seed, walked, 50, 3, Symmetry::mirrorFourWays);
        i = (i + 1) % kSteps;
        benchmark::ClobberMemory();
    }
}

// Flips one point between two kinds, so every recount sees a changed lattice.
void flipPoint(uint8_t* corners) { corners[30 * 129 + 20] = corners[30 * 129 + 20] == 1 ? 2 : 1; }

void shellRecountProduction(benchmark::State& state, Symmetry s) {
    workingMap.copyFrom(paintedBusy(s));
    editorState.symmetry = s;
    for (auto _ : state) {
        flipPoint(workingMap.corners);
        benchmark::DoNotOptimize(refreshSymmetryCheck().unlike.size());
    }
    editorState.symmetry = Symmetry::off;
}
// What every frame pays while nothing changed: the comparison alone.
void shellUnchanged(benchmark::State& state) {
    workingMap.copyFrom(paintedBusy(Symmetry::mirrorFourWays));
    editorState.symmetry = Symmetry::mirrorFourWays;
    refreshSymmetryCheck();
    const uint32_t recounts = symmetryCheck.recounts;
    for (auto _ : state) benchmark::DoNotOptimize(refreshSymmetryCheck().unlike.size());
    if (symmetryCheck.recounts != recounts) state.SkipWithError("counted again with nothing changed");
    editorState.symmetry = Symmetry::off;
}
void shellRecountReference(benchmark::State& state, Symmetry s) {
    RefGroundMap m = refOf(paintedBusy(s));
    for (auto _ : state) {
        flipPoint(m.corners.data());
        benchmark::DoNotOptimize(reference::plainUnlikePoints(m.corners.data(), 129, 129, s).size());
    }
}

// Ctrl+M from the top-left and the bottom-right part by turns, so that each
// mend is a new undo step and a new count.
void ctrlMProduction(benchmark::State& state, Symmetry s) {
    UndoHistory history;
    workingMap.copyFrom(paintedBusy(s));
    resetUndo(history, workingMap);
    editorState.symmetry = s;
    int i = 0;
    for (auto _ : state) {
        workingMap.copyFrom(paintedBusy(s));
        mendSymmetry(workingMap, s, i++ % 2 ? LatticePoint{120, 120} : LatticePoint{10, 10});
        recordChange(history, workingMap);
        benchmark::DoNotOptimize(refreshSymmetryCheck().unlike.size());
    }
    editorState.symmetry = Symmetry::off;
}
void ctrlMReference(benchmark::State& state, Symmetry s) {
    const RefGroundMap start = refOf(paintedBusy(s));
    RefGroundMap m;
    int i = 0;
    for (auto _ : state) {
        m = start;
        reference::plainMend(m, s, i++ % 2 ? LatticePoint{120, 120} : LatticePoint{10, 10});
        benchmark::DoNotOptimize(reference::plainUnlikePoints(m.corners.data(), 129, 129, s).size());
    }
}

void registerAll() {
    for (Symmetry s : kModes) {
        const std::string mode = kModeNames[static_cast<int>(s)];
        benchmark::RegisterBenchmark(("recount/" + mode + "/production").c_str(), recountProduction, s)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("recount/" + mode + "/reference").c_str(), recountReference, s)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("copy/production", copyProduction)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("copy/reference", copyReference)->Unit(benchmark::kMicrosecond);
    for (Symmetry s : kModes) {
        const std::string mode = kModeNames[static_cast<int>(s)];
        benchmark::RegisterBenchmark(("mend/" + mode + "/production").c_str(), mendProduction, s)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("mend/" + mode + "/reference").c_str(), mendReference, s)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("scatter/brush8/50%/four-ways/production", scatterProduction)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("scatter/brush8/50%/four-ways/reference", scatterReference)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("editor-recount/four-ways/unchanged", shellUnchanged)->Unit(benchmark::kMicrosecond);
    for (Symmetry s : kModes) {
        const std::string mode = kModeNames[static_cast<int>(s)];
        benchmark::RegisterBenchmark(("editor-recount/" + mode + "/production").c_str(), shellRecountProduction, s)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("editor-recount/" + mode + "/reference").c_str(), shellRecountReference, s)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("ctrl-m/" + mode + "/production").c_str(), ctrlMProduction, s)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("ctrl-m/" + mode + "/reference").c_str(), ctrlMReference, s)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
