#include "map/symmetry_check.h"

#include <cstring>

namespace {

// Calls found(x, y) for every point unlike one of its images, row by row, and
// returns how many. An image that falls on the point itself (on an axis)
// compares equal, so repeats need no care. Instantiated per mode, so each
// row's loop holds only the comparisons its mode makes.
template <bool LR, bool TB, bool HT, class Found>
int32_t scanRows(const GroundMap& map, Found found) {
    const int32_t w = map.latticeStride(), h = map.latticeRows();
    int32_t count = 0;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = map.corners + static_cast<size_t>(y) * w;
        const uint8_t* mirrored = map.corners + static_cast<size_t>(h - 1 - y) * w;
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t k = row[x];
            bool unlike = false;
            if (LR) unlike |= k != row[w - 1 - x];
            if (TB) unlike |= k != mirrored[x];
            if (HT) unlike |= k != mirrored[w - 1 - x];
            count += unlike;
            found(x, y, unlike);
        }
    }
    return count;
}

template <class Found>
int32_t scan(const GroundMap& map, Symmetry s, Found found) {
    switch (s) {
    case Symmetry::mirrorLeftRight: return scanRows<true, false, false>(map, found);
    case Symmetry::mirrorTopBottom: return scanRows<false, true, false>(map, found);
    case Symmetry::mirrorFourWays: return scanRows<true, true, true>(map, found);
    case Symmetry::halfTurn: return scanRows<false, false, true>(map, found);
    case Symmetry::off: break;
    }
    return 0;
}

// Every row's columns on the far side of the vertical axis from the source
// take the kinds of their mirror images.
void mirrorColumns(GroundMap& map, bool fromLeft) {
    const int32_t w = map.latticeStride(), h = map.latticeRows(), axis = (w - 1) / 2;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = map.corners + static_cast<size_t>(y) * w;
        if (fromLeft)
            for (int32_t x = axis + 1; x < w; ++x) row[x] = row[w - 1 - x];
        else
            for (int32_t x = 0; x < axis; ++x) row[x] = row[w - 1 - x];
    }
}

// The rows on the far side of the horizontal axis from the source become copies
// of their mirror images.
void mirrorRows(GroundMap& map, bool fromTop) {
    const int32_t w = map.latticeStride(), h = map.latticeRows(), axis = (h - 1) / 2;
    const int32_t first = fromTop ? axis + 1 : 0, end = fromTop ? h : axis;
    for (int32_t y = first; y < end; ++y)
        std::memcpy(map.corners + static_cast<size_t>(y) * w, map.corners + static_cast<size_t>(h - 1 - y) * w,
                    static_cast<size_t>(w));
}

// The half turn from the left half (or the right): the other half's points
// and the far half of the centre column take the kinds of their turned images.
void turnHalf(GroundMap& map, bool fromLeft) {
    const int32_t w = map.latticeStride(), h = map.latticeRows(), axis = (w - 1) / 2, middle = (h - 1) / 2;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = map.corners + static_cast<size_t>(y) * w;
        const uint8_t* turned = map.corners + static_cast<size_t>(h - 1 - y) * w;
        if (fromLeft)
            for (int32_t x = axis + 1; x < w; ++x) row[x] = turned[w - 1 - x];
        else
            for (int32_t x = 0; x < axis; ++x) row[x] = turned[w - 1 - x];
        if (fromLeft ? y > middle : y < middle) row[axis] = turned[axis];
    }
}

}  // namespace

int32_t countUnlikeImage(const GroundMap& map, Symmetry symmetry) {
    return scan(map, symmetry, [](int32_t, int32_t, bool) {});
}

int32_t findUnlikeImage(const GroundMap& map, Symmetry symmetry, std::vector<LatticePoint>& out) {
    out.clear();
    return scan(map, symmetry, [&out](int32_t x, int32_t y, bool unlike) {
        if (unlike) out.push_back({x, y});
    });
}

int32_t symmetryPartCount(Symmetry symmetry) {
    switch (symmetry) {
    case Symmetry::mirrorLeftRight:
    case Symmetry::mirrorTopBottom:
    case Symmetry::halfTurn: return 2;
    case Symmetry::mirrorFourWays: return 4;
    case Symmetry::off: break;
    }
    return 0;
}

const char* symmetryPartName(Symmetry symmetry, int32_t part) {
    static const char* const kSides[2] = {"left", "right"};
    static const char* const kEnds[2] = {"top", "bottom"};
    static const char* const kQuadrants[4] = {"top-left", "top-right", "bottom-left", "bottom-right"};
    if (part < 0 || part >= symmetryPartCount(symmetry)) return nullptr;
    if (symmetry == Symmetry::mirrorTopBottom) return kEnds[part];
    return symmetry == Symmetry::mirrorFourWays ? kQuadrants[part] : kSides[part];
}

int32_t symmetryPartOf(Symmetry symmetry, LatticePoint p, int32_t w, int32_t h) {
    if (p.x < 0 || p.y < 0 || p.x >= w || p.y >= h) return -1;
    const int32_t ax = (w - 1) / 2, ay = (h - 1) / 2;
    switch (symmetry) {
    case Symmetry::mirrorLeftRight:
    case Symmetry::halfTurn: return p.x == ax ? -1 : p.x > ax;
    case Symmetry::mirrorTopBottom: return p.y == ay ? -1 : p.y > ay;
    case Symmetry::mirrorFourWays: return p.x == ax || p.y == ay ? -1 : (p.x > ax) + 2 * (p.y > ay);
    case Symmetry::off: break;
    }
    return -1;
}

bool mendSymmetry(GroundMap& map, Symmetry symmetry, LatticePoint source) {
    const int32_t w = map.latticeStride(), h = map.latticeRows();
    const int32_t part = symmetryPartOf(symmetry, source, w, h);
    if (part < 0) return false;
    // The grids before, to tell whether the mend changed anything: the
    // shell keeps no undo step for a mend that changes no byte.
    static thread_local std::vector<uint8_t> before;
    const size_t points = static_cast<size_t>(w) * h, cells = static_cast<size_t>(map.width) * map.height;
    before.assign(map.corners, map.corners + points);
    before.insert(before.end(), map.tiles, map.tiles + cells);
    switch (symmetry) {
    case Symmetry::mirrorLeftRight: mirrorColumns(map, part == 0); break;
    case Symmetry::mirrorTopBottom: mirrorRows(map, part == 0); break;
    case Symmetry::mirrorFourWays:
        // Each point takes (fold x, fold y): the columns first, in every row,
        // then whole rows, which then carry the folded columns along.
        mirrorColumns(map, part % 2 == 0);
        mirrorRows(map, part < 2);
        break;
    case Symmetry::halfTurn: turnHalf(map, part == 0); break;
    case Symmetry::off: return false;
    }
    for (int32_t y = 0; y < map.height; ++y)
        for (int32_t x = 0; x < map.width; ++x) map.selectTile(x, y);
    return std::memcmp(before.data(), map.corners, points) != 0 ||
           std::memcmp(before.data() + points, map.tiles, cells) != 0;
}
