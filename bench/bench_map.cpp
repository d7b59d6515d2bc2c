// Corner painting speed, production map against the plain reference in the
// same run: single paints of each kind on a busy map, and the brush sweeping
// every lattice point (px outer, py inner) with kinds 3 and 4 on a cleared and
// a busy map, and a 129 x 129 stamp placed (the floating stamp's preview
// rebuild, whose restore is its copy of the working map), and the painting
// tools: a bucket from point (0, 0) (the whole lattice on the cleared map),
// a 129 x 129 rectangle, the brush swept over every point with four-way
// symmetry (one stroke step a point), and a line preview's rebuild (128
// points, brush 3). Every iteration
// first restores the starting map; the copy-only benchmarks give the cost of
// that restore, and the summary at the end subtracts it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "busy_map.h"
#include "map/ground_map.h"
#include "map/paint_tools.h"
#include "map/stamp.h"
#include "reference/ground_map_reference.h"

namespace {

using reference::RefGroundMap;

enum class Start { Cleared, Busy };

// Starting maps, built once.
const GroundMap& startMap(Start s) {
    static GroundMap cleared(64, 64), busy(64, 64);
    static bool made = false;
    if (!made) {
        initPatternTable();
        makeBusyMap(busy);
        made = true;
    }
    return s == Start::Cleared ? cleared : busy;
}
const RefGroundMap& startRef(Start s) {
    static RefGroundMap cleared, busy;
    static bool made = false;
    if (!made) {
        makeBusyMapOf(busy);
        made = true;
    }
    return s == Start::Cleared ? cleared : busy;
}

void restore(RefGroundMap& m, Start s) { m = startRef(s); }

// Points for single paints: spread over the whole lattice, edges included.
const std::vector<std::pair<int, int>>& paintPoints() {
    static std::vector<std::pair<int, int>> pts = [] {
        std::vector<std::pair<int, int>> v;
        BusyMapRandom rng;
        rng.state = 777;
        for (int i = 0; i < 1024; ++i) v.emplace_back(rng.next() % 129, rng.next() % 129);
        return v;
    }();
    return pts;
}

template <class Map>
void copyOnly(benchmark::State& state, Start s) {
    Map m;
    restore(m, s);
    for (auto _ : state) {
        restore(m, s);
        benchmark::DoNotOptimize(m.corners[0]);
        benchmark::ClobberMemory();
    }
}

template <class Map>
void sweep(benchmark::State& state, Start s, int kind) {
    Map m;
    for (auto _ : state) {
        restore(m, s);
        for (int px = 0; px <= 128; ++px)
            for (int py = 0; py <= 128; ++py) m.paintCorner(px, py, kind);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 129 * 129);
}

template <class Map>
void singlePaint(benchmark::State& state, int kind) {
    Map m;
    const auto& pts = paintPoints();
    size_t i = 0;
    for (auto _ : state) {
        restore(m, Start::Busy);
        const auto& p = pts[i++ & 1023];
        m.paintCorner(p.first, p.second, kind);
        benchmark::ClobberMemory();
    }
}

// The stamp both placements paint: the busy map's whole lattice, turned a
// quarter turn, so that most points differ from either starting map.
const Stamp& benchStamp() {
    static const Stamp stamp = turnedClockwise(copyStamp(startMap(Start::Busy), {0, 0}, {128, 128}));
    return stamp;
}

// Placing the 129 x 129 stamp at (0, 0) after a restore: with the restore
// (a copy of the working map) this is exactly the floating preview's rebuild.
void stampProduction(benchmark::State& state, Start s) {
    GroundMap m(64, 64);
    const Stamp& stamp = benchStamp();
    for (auto _ : state) {
        m.copyFrom(startMap(s));
        placeStamp(m, stamp, 0, 0);
        benchmark::ClobberMemory();
    }
}

// The plain reference: one paintCorner per stamp point, column by column,
// leaving the points that held their kind before placing, as placing does.
void stampReference(benchmark::State& state, Start s) {
    RefGroundMap m;
    const Stamp& stamp = benchStamp();
    for (auto _ : state) {
        restore(m, s);
        const RefGroundMap& before = startRef(s);
        for (int px = 0; px <= 128; ++px)
            for (int py = 0; py <= 128; ++py) {
                const uint8_t kind = stamp.kinds[py * 129 + px];
                if (before.corner(px, py) != kind) m.paintCorner(px, py, kind);
            }
        benchmark::ClobberMemory();
    }
}

enum class Tool { Bucket, Rectangle, SweepFourWays, LinePreview };

// The production side: the tool's points found and painted as the editor
// does at the release (the sweep: as each stroke step does).
void toolProduction(benchmark::State& state, Tool tool, Start s, int kind) {
    GroundMap m(64, 64);
    std::vector<LatticePoint> points;
    for (auto _ : state) {
        m.copyFrom(startMap(s));
        switch (tool) {
        case Tool::Bucket:
            bucketPoints(m, {0, 0}, kind, points);
            paintPoints(m, points, kind, Symmetry::off);
            break;
        case Tool::Rectangle:
            rectanglePoints({0, 0}, {128, 128}, points);
            paintPoints(m, points, kind, Symmetry::off);
            break;
        case Tool::SweepFourWays:
            for (int32_t px = 0; px <= 128; ++px)
                for (int32_t py = 0; py <= 128; ++py) {
                    points.assign(1, LatticePoint{px, py});
                    paintPoints(m, points, kind, Symmetry::mirrorFourWays);
                }
            break;
        case Tool::LinePreview:
            lineBrushPoints({0, 3}, {127, 120}, 3, 129, 129, points);
            paintPoints(m, points, kind, Symmetry::off);
            break;
        }
        benchmark::ClobberMemory();
    }
}

// The plain reference: the same points, found beforehand, each (and its
// images) painted with one paintCorner of the plain map.
void toolReference(benchmark::State& state, Tool tool, Start s, int kind) {
    std::vector<LatticePoint> points, all;
    GroundMap found(64, 64);
    found.copyFrom(startMap(s));
    switch (tool) {
    case Tool::Bucket: bucketPoints(found, {0, 0}, kind, points); break;
    case Tool::Rectangle: rectanglePoints({0, 0}, {128, 128}, points); break;
    case Tool::SweepFourWays: rectanglePoints({0, 0}, {128, 128}, points); break;
    case Tool::LinePreview: lineBrushPoints({0, 3}, {127, 120}, 3, 129, 129, points); break;
    }
    withSymmetryImages(points, tool == Tool::SweepFourWays ? Symmetry::mirrorFourWays : Symmetry::off, 129, 129, all);
    RefGroundMap m;
    for (auto _ : state) {
        restore(m, s);
        for (const LatticePoint& p : all) m.paintCorner(p.x, p.y, kind);
        benchmark::ClobberMemory();
    }
}

// The production map needs a default constructor for the templates above.
struct ProdMap : GroundMap {
    ProdMap() : GroundMap(64, 64) {}
};
void restore(ProdMap& m, Start s) { m.copyFrom(startMap(s)); }

const char* startName(Start s) { return s == Start::Cleared ? "cleared" : "busy"; }

void registerAll() {
    for (Start s : {Start::Cleared, Start::Busy}) {
        std::string sn = startName(s);
        benchmark::RegisterBenchmark(("copy/" + sn + "/production").c_str(), copyOnly<ProdMap>, s)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("copy/" + sn + "/reference").c_str(), copyOnly<RefGroundMap>, s)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("stamp129/" + sn + "/production").c_str(), stampProduction, s)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("stamp129/" + sn + "/reference").c_str(), stampReference, s)
            ->Unit(benchmark::kMillisecond);
        for (int kind : {3, 4}) {
            std::string base = "sweep/kind" + std::to_string(kind) + "/" + sn;
            benchmark::RegisterBenchmark((base + "/production").c_str(), sweep<ProdMap>, s, kind)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark((base + "/reference").c_str(), sweep<RefGroundMap>, s, kind)
                ->Unit(benchmark::kMillisecond);
        }
    }
    const std::pair<Tool, const char*> tools[] = {{Tool::Bucket, "bucket"},
                                                  {Tool::Rectangle, "rectangle129"},
                                                  {Tool::SweepFourWays, "sweep4way"},
                                                  {Tool::LinePreview, "linepreview"}};
    for (const auto& [tool, name] : tools)
        for (Start s : {Start::Cleared, Start::Busy})
            for (int kind : {3, 4}) {
                const std::string base = std::string("tool/") + name + "/kind" + std::to_string(kind) + "/" + startName(s);
                benchmark::RegisterBenchmark((base + "/production").c_str(), toolProduction, tool, s, kind)
                    ->Unit(benchmark::kMillisecond);
                benchmark::RegisterBenchmark((base + "/reference").c_str(), toolReference, tool, s, kind)
                    ->Unit(benchmark::kMillisecond);
            }
    for (int kind = 0; kind <= 4; ++kind) {
        std::string base = "paint/kind" + std::to_string(kind) + "/busy";
        benchmark::RegisterBenchmark((base + "/production").c_str(), singlePaint<ProdMap>, kind)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((base + "/reference").c_str(), singlePaint<RefGroundMap>, kind)
            ->Unit(benchmark::kMicrosecond);
    }
}

// Passes every report to the usual display and, at the end, prints each
// production/reference pair with the restore cost taken off and the speedup.
class SummaryReporter : public benchmark::BenchmarkReporter {
public:
    explicit SummaryReporter(benchmark::BenchmarkReporter* display) : display_(display) {}
    bool ReportContext(const Context& c) override { return display_->ReportContext(c); }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                seconds_[r.benchmark_name()] = r.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
        display_->ReportRuns(runs);
    }
    void Finalize() override {
        display_->Finalize();
        std::printf("\n%-34s %14s %14s %9s   (restore cost taken off)\n", "per call", "reference", "production",
                    "speedup");
        std::printf("(CPU time per call: the machine may be shared)\n");
        for (const auto& [name, prodTime] : seconds_) {
            const std::string suffix = "/production";
            if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            std::string base = name.substr(0, name.size() - suffix.size());
            if (base.rfind("copy/", 0) == 0) continue;
            auto ref = seconds_.find(base + "/reference");
            if (ref == seconds_.end()) continue;
            std::string start = base.find("cleared") != std::string::npos ? "cleared" : "busy";
            double prodCopy = lookup("copy/" + start + "/production");
            double refCopy = lookup("copy/" + start + "/reference");
            double p = prodTime - prodCopy, r = ref->second - refCopy;
            bool sweepRow = base.rfind("sweep/", 0) == 0 || base.rfind("stamp129/", 0) == 0 ||
                            base.rfind("tool/", 0) == 0;
            double scale = sweepRow ? 1e3 : 1e6;
            const char* unit = sweepRow ? "ms" : "us";
            std::printf("%-34s %11.3f %s %11.3f %s %8.1fx\n", base.c_str(), r * scale, unit, p * scale, unit,
                        p > 0 ? r / p : 0.0);
        }
    }

private:
    double lookup(const std::string& name) const {
        auto it = seconds_.find(name);
        return it == seconds_.end() ? 0.0 : it->second;
    }
    benchmark::BenchmarkReporter* display_;
    std::map<std::string, double> seconds_;  // seconds per iteration, by benchmark name
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerAll();
    SummaryReporter reporter(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
