#include "height/height_field.h"

namespace {

// The generator; seeded once at start-up with the time.
LcgRandom heightRandom;

// One draw as a double from 0 to 1.
double drawUnit() { return drawRandom() / 32767.0; }

// Offset of a computed point: from -b/64 to +b/64 for the level's half-step b.
double drawOffset(int32_t b) { return (2.0 * drawUnit() - 1.0) * b * 0.015625; }

double clampUnit(double v) {
    if (v > 1.0) return 1.0;
    if (v < 0.0) return 0.0;
    return v;
}

// The edge rule: mean of the up to four neighbours at distance b that lie in
// the field (three on its border), plus a fresh offset, clamped.
void setEdgePoint(HeightField& field, int32_t x, int32_t y, int32_t b) {
    static constexpr int32_t kEdgeNeighbours[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    double sum = 0.0;
    int32_t n = 0;
    for (const auto& d : kEdgeNeighbours) {
        const int32_t nx = x + d[0] * b;
        const int32_t ny = y + d[1] * b;
        if (nx < 0 || nx > field.width - 1 || ny < 0 || ny > field.height - 1) continue;
        sum += field.at(nx, ny);
        ++n;
    }
    const double offset = drawOffset(b);
    field.at(x, y) = clampUnit(sum / n + offset);
}

// Fills every point but the four corners (0,0), (size,0), (0,size), (size,size).
void subdivideHeightField(HeightField& field, int32_t size) {
    for (int32_t c = size; c >= 2; c /= 2) {
        const int32_t b = c / 2;
        // Square step: centres of the squares of side c.
        for (int32_t y = b; y <= size - b; y += c) {
            for (int32_t x = b; x <= size - b; x += c) {
                const double offset = drawOffset(b);
                const double mean = (field.at(x + b, y - b) + field.at(x - b, y - b) +
                                     field.at(x - b, y + b) + field.at(x + b, y + b)) * 0.25;
                field.at(x, y) = clampUnit(mean + offset);
            }
        }
        // Edge step: midpoints of the edges along x, then along y.
        for (int32_t y = 0; y <= size; y += c)
            for (int32_t x = b; x <= size - b; x += c) setEdgePoint(field, x, y, b);
        for (int32_t y = b; y <= size - b; y += c)
            for (int32_t x = 0; x <= size; x += c) setEdgePoint(field, x, y, b);
    }
}

}  // namespace

void seedRandom(uint32_t seed) { heightRandom.seed(seed); }

int32_t drawRandom() { return heightRandom.draw(); }

void fillRandomHeightField(HeightField& f) {
    f.at(0, 0) = drawUnit();
    f.at(f.width - 1, 0) = drawUnit();
    f.at(0, f.height - 1) = drawUnit();
    f.at(f.width - 1, f.height - 1) = drawUnit();
    subdivideHeightField(f, f.width - 1);
}
