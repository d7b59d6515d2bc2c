// The height fill: a breadth-first search over the lattice from the start
// point through the points that pass the threshold, painting each with one
// batch of the map's painting engine (GroundMap::paintCorners), which gives
// exactly the grids of a paintCorner per point in the search's order.
#include "height/height_fill.h"

#include <cstring>


namespace {

// Neighbours of a queue entry, x offset outer and y offset inner: the order
// in which passing neighbours are painted.
constexpr int32_t kNeighbours[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                       {0, 1},   {1, -1}, {1, 0},  {1, 1}};

// The lattice with a border of one point on every side, so that neighbour
// steps need no bounds tests: point (x, y) at (x + 1) * kPadded + y + 1.
constexpr int32_t kPadded = kFillSide + 2;
constexpr int32_t kNeighbourSteps[8] = {
    kNeighbours[0][0] * kPadded + kNeighbours[0][1], kNeighbours[1][0] * kPadded + kNeighbours[1][1],
    kNeighbours[2][0] * kPadded + kNeighbours[2][1], kNeighbours[3][0] * kPadded + kNeighbours[3][1],
    kNeighbours[4][0] * kPadded + kNeighbours[4][1], kNeighbours[5][0] * kPadded + kNeighbours[5][1],
    kNeighbours[6][0] * kPadded + kNeighbours[6][1], kNeighbours[7][0] * kPadded + kNeighbours[7][1]};

// Scratch of one fill, static so that a frame allocates nothing.
struct FillScratch {
    // 1 while a point may still join the fill: it passes the threshold test
    // and has not been queued (the visited flag, folded together with the
    // test, which gives the same outcome every time a point is examined).
    // The border and every point off the lattice stay 0.
    uint8_t open[kPadded * kPadded];
    int32_t queue[kFillPoints];        // breadth-first queue of padded indices, each point at most once
    LatticePoint painted[kFillPoints]; // the points to paint, in the order they were queued
};
FillScratch scratch;

}  // namespace

int32_t heightFill(GroundMap& preview, const GroundMap& working, const HeightField& field, int32_t x, int32_t y,
                int32_t kind, double threshold, bool fillBelow) {
    preview.copyFrom(working);
    // Bounds of the working map's lattice, limited to what the scratch and
    // the height field hold.
    int32_t maxX = working.latticeStride() - 1;
    int32_t maxY = working.latticeRows() - 1;
    if (maxX > kFillSide - 1) maxX = kFillSide - 1;
    if (maxY > kFillSide - 1) maxY = kFillSide - 1;
    if (maxX > field.width - 1) maxX = field.width - 1;
    if (maxY > field.height - 1) maxY = field.height - 1;
    // Outside the contract (a start off the lattice, an unknown kind): the
    // preview stays a copy of the working map.
    if (x < 0 || y < 0 || x > maxX || y > maxY || kind < 0 || kind > 4) return 0;

    std::memset(scratch.open, 0, sizeof scratch.open);
    const double* heights = field.values;
    const int32_t stride = field.height;
    for (int32_t px = 0; px <= maxX; ++px) {
        const double* column = heights + px * stride;
        uint8_t* open = scratch.open + (px + 1) * kPadded + 1;
        if (fillBelow) {
            for (int32_t py = 0; py <= maxY; ++py) open[py] = column[py] <= threshold;
        } else {
            for (int32_t py = 0; py <= maxY; ++py) open[py] = column[py] >= threshold;
        }
    }

    // The start point is queued without being tested and is never painted.
    const int32_t startIndex = (x + 1) * kPadded + y + 1;
    scratch.open[startIndex] = 0;
    scratch.queue[0] = startIndex;
    int32_t head = 0;
    int32_t tail = 1;
    while (head < tail) {
        const int32_t index = scratch.queue[head++];
        for (const int32_t step : kNeighbourSteps) {
            const int32_t next = index + step;
            if (!scratch.open[next]) continue;
            scratch.open[next] = 0;
            scratch.painted[tail - 1] = LatticePoint{next / kPadded - 1, next % kPadded - 1};
            scratch.queue[tail++] = next;
        }
    }
    preview.paintCorners(scratch.painted, tail - 1, kind);
    return tail - 1;
}
