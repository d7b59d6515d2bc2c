// The 129 x 129 height field and the program's own random generator.
#pragma once
#include <cstdint>

struct HeightField {
    int32_t width = 0;        // lattice points along x (129)
    int32_t height = 0;       // lattice points along y (129); stride of `values`
    double* values = nullptr; // point (x, y) at x * height + y, each in [0, 1]
    double& at(int32_t x, int32_t y) { return values[x * height + y]; }
    double at(int32_t x, int32_t y) const { return values[x * height + y]; }
};

// The one height field, every value 0 before main runs.
extern HeightField heightField;

// Linear congruential generator: state = state * 214013 + 2531011 (mod 2^32),
// a draw is bits 16..30 of the new state (0..32767). Never the C library's rand,
// whose sequence differs between platforms.
void seedRandom(uint32_t seed);
int32_t drawRandom();
uint32_t randomState();

// Fills every point but the four corners (0,0), (size,0), (0,size), (size,size).
void subdivideHeightField(HeightField& field, int32_t size);
// The OpenGL-free part of generateHeightField: four corner draws, then subdivision.
void fillRandomHeightField();
