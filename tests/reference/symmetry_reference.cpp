#include "reference/symmetry_reference.h"

namespace reference {

std::vector<LatticePoint> plainImages(Symmetry s, LatticePoint p, int32_t w, int32_t h) {
    std::vector<LatticePoint> out;
    if (s == Symmetry::mirrorLeftRight || s == Symmetry::mirrorFourWays) out.push_back({w - 1 - p.x, p.y});
    if (s == Symmetry::mirrorTopBottom || s == Symmetry::mirrorFourWays) out.push_back({p.x, h - 1 - p.y});
    if (s == Symmetry::halfTurn || s == Symmetry::mirrorFourWays) out.push_back({w - 1 - p.x, h - 1 - p.y});
    return out;
}

namespace {

bool unlike(const uint8_t* corners, int32_t w, int32_t h, Symmetry s, int32_t x, int32_t y) {
    for (const LatticePoint& q : plainImages(s, {x, y}, w, h))
        if (corners[q.y * w + q.x] != corners[y * w + x]) return true;
    return false;
}

// The closed source part, as the mend's rule names it for a lattice whose
// axes are column ax and row ay.
bool inSource(Symmetry s, LatticePoint cursor, LatticePoint p, int32_t ax, int32_t ay) {
    const bool left = cursor.x < ax, top = cursor.y < ay;
    const bool sameSide = left ? p.x <= ax : p.x >= ax;
    const bool sameEnd = top ? p.y <= ay : p.y >= ay;
    switch (s) {
    case Symmetry::mirrorLeftRight: return sameSide;
    case Symmetry::mirrorTopBottom: return sameEnd;
    case Symmetry::mirrorFourWays: return sameSide && sameEnd;
    case Symmetry::halfTurn:
        if (p.x != ax) return left ? p.x < ax : p.x > ax;
        return left ? p.y <= ay : p.y >= ay;
    case Symmetry::off: break;
    }
    return false;
}

}  // namespace

int32_t plainUnlikeCount(const uint8_t* corners, int32_t w, int32_t h, Symmetry s) {
    int32_t n = 0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) n += unlike(corners, w, h, s, x, y);
    return n;
}

std::vector<LatticePoint> plainUnlikePoints(const uint8_t* corners, int32_t w, int32_t h, Symmetry s) {
    std::vector<LatticePoint> out;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (unlike(corners, w, h, s, x, y)) out.push_back({x, y});
    return out;
}

bool plainMend(RefGroundMap& map, Symmetry s, LatticePoint cursor) {
    const int32_t w = 2 * map.width + 1, h = 2 * map.height + 1, ax = map.width, ay = map.height;
    if (s == Symmetry::off || cursor.x < 0 || cursor.y < 0 || cursor.x >= w || cursor.y >= h) return false;
    if ((s != Symmetry::mirrorTopBottom && cursor.x == ax) ||
        ((s == Symmetry::mirrorTopBottom || s == Symmetry::mirrorFourWays) && cursor.y == ay))
        return false;
    const RefGroundMap before = map;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            if (inSource(s, cursor, {x, y}, ax, ay)) continue;
            for (const LatticePoint& q : plainImages(s, {x, y}, w, h))
                if (inSource(s, cursor, q, ax, ay)) {
                    map.corner(x, y) = before.corner(q.x, q.y);
                    break;
                }
        }
    for (int32_t y = 0; y < map.height; ++y)
        for (int32_t x = 0; x < map.width; ++x) map.selectTile(x, y);
    return map.corners != before.corners || map.tiles != before.tiles;
}

void plainScatter(RefGroundMap& map, uint32_t& state, const std::vector<LatticePoint>& walked, int32_t density,
                  int32_t kind, Symmetry s) {
    const int32_t w = 2 * map.width + 1, h = 2 * map.height + 1;
    for (const LatticePoint& p : walked) {
        state = state * 214013u + 2531011u;
        const int64_t draw = (state >> 16) % 32768;
        if (draw * 100 >= int64_t{density} * 32768) continue;
        map.paintCorner(p.x, p.y, kind);
        // Images that fall on the point or on an earlier image are painted once.
        std::vector<LatticePoint> done = {p};
        for (const LatticePoint& q : plainImages(s, p, w, h)) {
            bool seen = false;
            for (const LatticePoint& d : done) seen = seen || (d.x == q.x && d.y == q.y);
            if (seen) continue;
            done.push_back(q);
            map.paintCorner(q.x, q.y, kind);
        }
    }
}

}  // namespace reference
