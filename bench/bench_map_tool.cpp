// vorn-map's commands on the busy map with a busy mission (300 structures,
// 2048 tile objects), each beside the plain reference of copying the map
// file itself (read and write, as `cp` does): the floor of any command that
// reads a map and writes a file. Output files go to the working folder.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "busy_map.h"
#include "map/ground_map.h"
#include "map_tool.h"

namespace {

const std::string kMap = "bench_map_tool.map";
const std::string kMission = "bench_map_tool.mis";

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void setUp() {
    static bool done = false;
    if (done) return;
    done = true;
    initPatternTable();
    GroundMap map(64, 64);
    makeBusyMap(map);
    std::vector<uint8_t> bytes(4096);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) bytes[y * 64 + x] = map.tileAt(x, y);
    writeBytes(kMap, bytes);
    std::vector<uint8_t> m;
    const auto word = [&m](uint32_t v) {
        m.push_back(static_cast<uint8_t>(v >> 8));
        m.push_back(static_cast<uint8_t>(v));
    };
    for (int i = 0; i < 2048; ++i) m.push_back(8), m.push_back(0), word(0), word(i % 256), word(0), word(i * 2 % 4096), word(0), word(0);
    for (int i = 0; i < 300; ++i) m.push_back(9), m.push_back('G'), word(i * 13 % 4096), word(0), word(i % 19);
    writeBytes(kMission, m);
}

void run(benchmark::State& state, const std::vector<std::string>& args) {
    setUp();
    FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state)
        if (runMapTool(args, "", sink, stderr) > 1) state.SkipWithError("the command failed");
    std::fclose(sink);
}

void BM_CopyMapFile(benchmark::State& state) {
    setUp();
    std::vector<uint8_t> buffer(4096);
    for (auto _ : state) {
        FILE* in = std::fopen(kMap.c_str(), "rb");
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        std::fclose(in);
        writeBytes("bench_map_tool_copy.map", std::vector<uint8_t>(buffer.begin(), buffer.begin() + n));
    }
}
void BM_Check(benchmark::State& state) { run(state, {"check", kMap, "--mission", kMission}); }
void BM_Render(benchmark::State& state) {
    run(state, {"render", kMap, "-o", "bench_map_tool.png", "--cell", std::to_string(state.range(0)), "--mission",
                kMission, "--art", VORN_ART_DIR});
}

BENCHMARK(BM_CopyMapFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->Arg(32)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
