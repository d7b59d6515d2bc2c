// vorn-map's commands on the busy map with a busy mission (300 structures,
// 2048 tile objects), each beside the plain reference of copying the map
// file itself (read and write, as `cp` does): the floor of any command that
// reads a map and writes a file. paint paints a picture of random kinds onto
// a cleared map. Output files go to the working folder.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "busy_map.h"
#include "files/map_image.h"
#include "map/ground_map.h"
#include "map_tool.h"

namespace {

const std::string kMap = "bench_map_tool.map";
const std::string kMission = "bench_map_tool.mis";
const std::string kRandomKinds = "bench_map_tool_kinds.png";

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
    // Every lattice point a random kind's colour.
    static const uint8_t kColours[5][3] = {{0xE8, 0xD8, 0xA8}, {0x4C, 0xA0, 0x3C}, {0x8C, 0x8C, 0x8C},
                                           {0xF4, 0xF8, 0xFC}, {0x28, 0x60, 0xC8}};
    std::vector<uint8_t> rgb;
    BusyMapRandom rng;
    for (int i = 0; i < 129 * 129; ++i) {
        const uint8_t* c = kColours[rng.next() % 5];
        rgb.insert(rgb.end(), c, c + 3);
    }
    savePngImage(kRandomKinds.c_str(), 129, 129, rgb, nullptr);
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

void BM_CheckFourWays(benchmark::State& state) { run(state, {"check", kMap, "--symmetry", "four-ways"}); }
void BM_Kinds(benchmark::State& state) { run(state, {"kinds", kMap, "-o", "bench_map_tool_out.png"}); }
void BM_PaintRandomOntoCleared(benchmark::State& state) {
    run(state, {"paint", "--cleared", "--image", kRandomKinds, "-o", "bench_map_tool_out.map"});
}

BENCHMARK(BM_CopyMapFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckFourWays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kinds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintRandomOntoCleared)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->Arg(32)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
