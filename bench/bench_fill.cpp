// The height fill's preview step in its worst case: a field of zeros, so the
// threshold is 0 and every lattice point passes, for kinds 1 to 4 on a
// cleared and on a busy map; the plain fill over the plain reference map in
// the same run. The two start points alternate, so every iteration is a real
// rebuild and never a reused result.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "busy_map.h"
#include "height/height_field.h"
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
    editorState.editMode = EditMode::fill;
    editorState.currentKind = static_cast<TerrainKind>(state.range(0));
    viewState = ViewState{};
}

void BM_PreviewFill(benchmark::State& state) {
    prepare(state);
    int32_t i = 0;
    for (auto _ : state) {
        viewState.mouseX = kMouse[i & 1][0];
        viewState.mouseY = kMouse[i & 1][1];
        ++i;
        previewFill(kClientW, kClientH);
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

// Passes every report to the usual display and, at the end, prints each
// production/reference pair with the speedup and the two targets: under 1 ms
// per preview and at least 30 times faster than the plain fill.
class SummaryReporter : public benchmark::BenchmarkReporter {
public:
    explicit SummaryReporter(benchmark::BenchmarkReporter* display) : display_(display) {}
    bool ReportContext(const Context& c) override { return display_->ReportContext(c); }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
            const double unit = benchmark::GetTimeUnitMultiplier(r.time_unit);
            times_[r.benchmark_name()] = {r.GetAdjustedCPUTime() / unit, r.GetAdjustedRealTime() / unit};
        }
        display_->ReportRuns(runs);
    }
    void Finalize() override {
        display_->Finalize();
        std::printf("\n%-16s %14s %14s %14s %9s  %s\n", "preview step", "reference CPU", "production CPU",
                    "production real", "speedup", "targets (< 1 ms, >= 30x, CPU time)");
        const std::string prefix = "BM_PreviewFill/";
        for (const auto& [name, prod] : times_) {
            if (name.rfind(prefix, 0) != 0) continue;
            const std::string args = name.substr(prefix.size());
            auto ref = times_.find("BM_PreviewFillReference/" + args);
            if (ref == times_.end()) continue;
            const double speedup = prod.cpu > 0 ? ref->second.cpu / prod.cpu : 0.0;
            const bool met = prod.cpu < 1e-3 && speedup >= 30.0;
            std::printf("%-16s %11.2f ms %11.1f us %12.1f us %8.1fx  %s\n", args.c_str(), ref->second.cpu * 1e3,
                        prod.cpu * 1e6, prod.real * 1e6, speedup, met ? "met" : "MISSED");
        }
    }

private:
    struct Times {
        double cpu;   // seconds per iteration
        double real;  // wall-clock seconds per iteration (inflated on a shared machine)
    };
    benchmark::BenchmarkReporter* display_;
    std::map<std::string, Times> times_;  // by benchmark name
};

}  // namespace

BENCHMARK(BM_PreviewFillReference)
    ->ArgsProduct({{1, 2, 3, 4}, {0, 1}})
    ->ArgNames({"kind", "busy"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewFill)
    ->ArgsProduct({{1, 2, 3, 4}, {0, 1}})
    ->ArgNames({"kind", "busy"})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
