// The height field record and the program's own random generator.
#pragma once
#include <cstdint>

#include "map/ground_map.h"
#include "map/lcg_random.h"

struct HeightField {
    int32_t width = 0;        // lattice points along x (kHeightFieldSide)
    int32_t height = 0;       // lattice points along y (kHeightFieldSide); stride of `values`
    double* values = nullptr; // point (x, y) at x * height + y, each in [0, 1]
    double& at(int32_t x, int32_t y) { return values[x * height + y]; }
    double at(int32_t x, int32_t y) const { return values[x * height + y]; }
};

// Points along each side of the editor's height field: one per lattice point.
constexpr int32_t kHeightFieldSide = kLatticeSide;

// The height field's generator, one LcgRandom (lcg_random.h) of its own:
// seeded at start-up with the time, drawn only by the generation below.
void seedRandom(uint32_t seed);
int32_t drawRandom();

// Caller: the shell's generateHeightField (key R, start-up), which uploads
// the texture after. Fills every point of a square field (side 2^n + 1) from
// the generator: four corner draws, then midpoint subdivision.
void fillRandomHeightField(HeightField& field);
