// readMission on a 64 MiB file of zeros (the reader stops at its 4 MiB bound),
// on 4 MiB of zeros (the most it walks: 1 Mi empty records) and on a mission
// of a real size, each beside the plain reference of reading
// the same bytes with fread and parsing nothing: the floor any reader has.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "files/mission.h"
#include "files/recovery_store.h"
#include "files/safe_save.h"

namespace {

// A mission as large as real ones get: a briefing text, a few unit lists,
// a tile object on every other cell of a quarter of the map and 300
// structures, with the small records between them.
std::vector<uint8_t> realSizedMission() {
    std::vector<uint8_t> b;
    auto word = [&](uint32_t v) {
        b.push_back(static_cast<uint8_t>(v >> 8));
        b.push_back(static_cast<uint8_t>(v));
    };
    b.push_back(0), b.push_back(1), word(4000);
    for (int i = 0; i < 4000; ++i) b.push_back(static_cast<uint8_t>('a' + i % 26));
    for (int list = 0; list < 8; ++list) {
        b.push_back(1), b.push_back('B'), word(200);
        for (int i = 0; i < 200; ++i) word(list * 200 + i);
    }
    for (int i = 0; i < 2048; ++i) {
        b.push_back(8), b.push_back(0);
        word(0), word(i % 256), word(0), word((i * 2) % 4096), word(0), word(0);
        if (i % 16 == 0) b.push_back(6), b.push_back(0), word(i);
    }
    for (int i = 0; i < 300; ++i) {
        b.push_back(9), b.push_back(0);
        word(i), word(1), word(i % 19), word(0), word((i * 13) % 4096);
        b.push_back(7), b.push_back(0);
        for (int k = 0; k < 10; ++k) b.push_back(0);
    }
    b.push_back(200);
    return b;
}

struct Files {
    std::string folder, zeros, atBound, real;
    Files() {
        char pattern[] = "/tmp/vorn-bench-XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "/tmp";
        zeros = folder + "/zeros.mission";
        atBound = folder + "/bound.mission";
        real = folder + "/real.mission";
        std::vector<uint8_t> block(1 << 20, 0);
        for (auto [path, mib] : {std::pair{&zeros, 64}, std::pair{&atBound, 4}}) {
            FILE* f = std::fopen(path->c_str(), "wb");
            for (int i = 0; f && i < mib; ++i) std::fwrite(block.data(), 1, block.size(), f);
            if (f) std::fclose(f);
        }
        FILE* f = nullptr;
        std::vector<uint8_t> mission = realSizedMission();
        f = std::fopen(real.c_str(), "wb");
        if (f) std::fwrite(mission.data(), 1, mission.size(), f), std::fclose(f);
    }
    ~Files() {
        unlink(zeros.c_str());
        unlink(atBound.c_str());
        unlink(real.c_str());
        rmdir(folder.c_str());
    }
};
Files& files() {
    static Files f;
    return f;
}
const std::string& pathOf(int64_t which) {
    return which == 0 ? files().zeros : which == 1 ? files().real : files().atBound;
}

void BM_ReadMission(benchmark::State& state) {
    const std::string& path = pathOf(state.range(0));
    static std::vector<StructureRecord> structureList;
    static std::vector<TileObjectRecord> tileObjectList;
    for (auto _ : state) {
        std::string reason;
        benchmark::DoNotOptimize(readMission(path.c_str(), structureList, tileObjectList, &reason));
    }
    state.counters["structures"] = static_cast<double>(structureList.size());
    state.counters["tileObjects"] = static_cast<double>(tileObjectList.size());
}

// The plain reference: the bytes readMission reads (at most its bound and
// one more), by fread in 64 KiB blocks, nothing parsed.
void BM_FreadSameBytes(benchmark::State& state) {
    const std::string& path = pathOf(state.range(0));
    std::vector<uint8_t> block(64 * 1024);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        size_t total = 0, n;
        while (total <= kMaxMissionBytes && (n = std::fread(block.data(), 1, block.size(), f)) > 0) total += n;
        std::fclose(f);
        benchmark::DoNotOptimize(total);
    }
}

// Argument 0: the 64 MiB zero file; 1: the real-sized mission; 2: 4 MiB of zeros.
BENCHMARK(BM_ReadMission)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreadSameBytes)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One recovery write (the map and its info, each through the safe save, in
// the state folder's place) beside the plain reference: one safe save of the
// same 4096 bytes, the floor a crash-proof copy has.
void BM_RecoveryWrite(benchmark::State& state) {
    const std::string folder = files().folder + "/state/";
    RecoverySlot slot;
    std::string reason;
    if (!openRecoverySlot(folder, slot, &reason)) state.SkipWithError(reason.c_str());
    std::vector<uint8_t> map(4096, 176);
    int64_t time = 0;
    for (auto _ : state) {
        map[time % 4096] ^= 1;
        if (!writeRecoveryCopy(slot, map.data(), map.size(), "/home/someone/maps/island.map", FileStamp(), ++time, &reason))
            state.SkipWithError(reason.c_str());
    }
    closeRecoverySlot(slot);
    rmdir(folder.c_str());
}

void BM_SafeSaveSameBytes(benchmark::State& state) {
    const std::string path = files().folder + "/plain.map";
    std::vector<uint8_t> map(4096, 176);
    size_t i = 0;
    for (auto _ : state) {
        map[i++ % 4096] ^= 1;
        if (!saveFileSafely(path.c_str(), map.data(), map.size())) state.SkipWithError("save failed");
    }
    unlink(path.c_str());
}

BENCHMARK(BM_RecoveryWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SafeSaveSameBytes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
