// The "busy" map shared by the benchmarks: 2,000 paints of random kinds at
// random lattice points, always the same ones, on a cleared map.
#pragma once
#include <cstdint>

struct GroundMap;

// Draws of the busy map's paints: the program's LCG formula with a fixed seed
// of its own, so the busy map never depends on the editor's generator.
struct BusyMapRandom {
    uint32_t state = 20240607u;  // fixed seed
    int32_t next() {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFF);
    }
};

constexpr int kBusyMapPaints = 2000;

// Clears `map` and applies the busy map's paints through `paint(px, py, kind)`;
// works with any map type that has clear() (the reference map included).
template <class Map, class Paint>
void makeBusyMapWith(Map& map, Paint paint) {
    map.clear();
    BusyMapRandom rng;
    for (int i = 0; i < kBusyMapPaints; ++i) {
        int32_t kind = rng.next() % 5;
        int32_t px = rng.next() % (2 * map.width + 1);
        int32_t py = rng.next() % (2 * map.height + 1);
        paint(px, py, kind);
    }
}

// The same for any map with paintCorner (the reference map, say).
template <class Map>
void makeBusyMapOf(Map& map) {
    makeBusyMapWith(map, [&map](int32_t px, int32_t py, int32_t kind) { map.paintCorner(px, py, kind); });
}

// Benchmarks call this on a production map: clears it and makes it busy.
void makeBusyMap(GroundMap& map);
