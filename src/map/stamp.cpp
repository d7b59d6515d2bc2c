#include "map/stamp.h"

#include <cstring>

namespace {

constexpr char kHeader[] = "VornGroundEditor stamp 1 ";

// A size as the header writes it: 1..kStampSideLimit, decimal, no sign, no leading zero.
bool readSide(const char* p, size_t n, int32_t& side) {
    if (n == 0 || n > 3 || p[0] == '0') return false;
    int32_t value = 0;
    for (size_t i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        value = value * 10 + (p[i] - '0');
    }
    if (value > kStampSideLimit) return false;
    side = value;
    return true;
}

struct Line {
    const char* p;
    size_t n;
};

}  // namespace

bool parseStamp(const char* text, size_t size, Stamp& out) {
    if (size > kStampTextLimit) return false;
    if (size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
        text += 3;
        size -= 3;
    }
    // Lines end in LF, one CR before it belonging to the end; the last line's
    // end may be missing. A lone CR stays in its line and makes it wrong.
    std::vector<Line> lines;
    size_t start = 0;
    while (start < size) {
        const char* lf = static_cast<const char*>(std::memchr(text + start, '\n', size - start));
        size_t end = lf ? static_cast<size_t>(lf - text) : size;
        size_t n = end - start;
        if (lf && n > 0 && text[end - 1] == '\r') --n;
        lines.push_back({text + start, n});
        start = end + 1;
    }
    while (!lines.empty() && lines.back().n == 0) lines.pop_back();
    if (lines.empty()) return false;

    const Line& header = lines[0];
    const size_t prefix = sizeof kHeader - 1;
    if (header.n <= prefix || std::memcmp(header.p, kHeader, prefix) != 0) return false;
    const char* sizes = header.p + prefix;
    const size_t sizesLength = header.n - prefix;
    const char* space = static_cast<const char*>(std::memchr(sizes, ' ', sizesLength));
    if (!space) return false;
    int32_t w = 0, h = 0;
    const size_t wLength = static_cast<size_t>(space - sizes);
    if (!readSide(sizes, wLength, w) || !readSide(space + 1, sizesLength - wLength - 1, h)) return false;
    if (lines.size() != static_cast<size_t>(h) + 1) return false;

    Stamp stamp;
    stamp.width = w;
    stamp.height = h;
    stamp.kinds.resize(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y) {
        const Line& row = lines[y + 1];
        if (row.n != static_cast<size_t>(w)) return false;
        for (int32_t x = 0; x < w; ++x) {
            const char c = row.p[x];
            if (c < '0' || c > '4') return false;
            stamp.kinds[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(c - '0');
        }
    }
    out = std::move(stamp);
    return true;
}

std::string stampText(const Stamp& stamp) {
    std::string text = kHeader + std::to_string(stamp.width) + " " + std::to_string(stamp.height) + "\n";
    text.reserve(text.size() + static_cast<size_t>(stamp.width + 1) * stamp.height);
    for (int32_t y = 0; y < stamp.height; ++y) {
        for (int32_t x = 0; x < stamp.width; ++x)
            text += static_cast<char>('0' + stamp.kinds[static_cast<size_t>(y) * stamp.width + x]);
        text += '\n';
    }
    return text;
}

Stamp turnedClockwise(const Stamp& s) {
    Stamp t;
    t.width = s.height;
    t.height = s.width;
    t.kinds.resize(s.kinds.size());
    // The old top row becomes the new right column.
    for (int32_t y = 0; y < t.height; ++y)
        for (int32_t x = 0; x < t.width; ++x)
            t.kinds[static_cast<size_t>(y) * t.width + x] = s.kinds[static_cast<size_t>(s.height - 1 - x) * s.width + y];
    return t;
}

Stamp flippedLeftRight(const Stamp& s) {
    Stamp t = s;
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x)
            t.kinds[static_cast<size_t>(y) * s.width + x] = s.kinds[static_cast<size_t>(y) * s.width + s.width - 1 - x];
    return t;
}

Stamp flippedTopBottom(const Stamp& s) {
    Stamp t = s;
    for (int32_t y = 0; y < s.height; ++y)
        std::memcpy(&t.kinds[static_cast<size_t>(y) * s.width], &s.kinds[static_cast<size_t>(s.height - 1 - y) * s.width],
                    static_cast<size_t>(s.width));
    return t;
}

Stamp copyStamp(const GroundMap& map, LatticePoint a, LatticePoint b) {
    const int32_t x0 = a.x < b.x ? a.x : b.x, x1 = a.x < b.x ? b.x : a.x;
    const int32_t y0 = a.y < b.y ? a.y : b.y, y1 = a.y < b.y ? b.y : a.y;
    Stamp s;
    s.width = x1 - x0 + 1;
    s.height = y1 - y0 + 1;
    s.kinds.resize(static_cast<size_t>(s.width) * s.height);
    for (int32_t y = 0; y < s.height; ++y)
        std::memcpy(&s.kinds[static_cast<size_t>(y) * s.width], &map.corners[(y0 + y) * map.latticeStride() + x0],
                    static_cast<size_t>(s.width));
    return s;
}

void placeStamp(GroundMap& map, const Stamp& stamp, int32_t left, int32_t top, Symmetry symmetry) {
    // Kept between calls: the preview places a stamp on every cursor move.
    static std::vector<LatticePoint> painted;
    static std::vector<uint8_t> paintedKinds;
    const int32_t w = map.latticeStride(), h = map.latticeRows();
    painted.clear();
    paintedKinds.clear();
    // The stamp clipped to the lattice, in 64 bits: a cursor far off the map
    // puts left or top near the int range's ends.
    const int64_t x0 = left < 0 ? 0 : left, y0 = top < 0 ? 0 : top;
    const int64_t x1 = int64_t{left} + stamp.width < w ? int64_t{left} + stamp.width : w;
    const int64_t y1 = int64_t{top} + stamp.height < h ? int64_t{top} + stamp.height : h;
    // Points that already hold their kind are left alone: painting a point
    // with its own kind still repairs around it, and on painted ground that
    // moves neighbouring points, so a stamp pasted where it was copied from
    // would change the map it should leave as it was. The same goes for the
    // images, each judged by the map as it was before placing.
    LatticePoint images[3];
    for (int64_t px = x0; px < x1; ++px) {
        const uint8_t* column = &stamp.kinds[static_cast<size_t>(px - left)];
        for (int64_t py = y0; py < y1; ++py) {
            const uint8_t kind = column[static_cast<size_t>(py - top) * stamp.width];
            const LatticePoint p{static_cast<int32_t>(px), static_cast<int32_t>(py)};
            if (map.cornerAt(p.x, p.y) != kind) {
                painted.push_back(p);
                paintedKinds.push_back(kind);
            }
            if (symmetry == Symmetry::off) continue;
            const int32_t n = symmetryImages(symmetry, p, w, h, images);
            for (int32_t j = 0; j < n; ++j) {
                if (map.cornerAt(images[j].x, images[j].y) == kind) continue;
                painted.push_back(images[j]);
                paintedKinds.push_back(kind);
            }
        }
    }
    map.paintCorners(painted.data(), paintedKinds.data(), static_cast<int32_t>(painted.size()));
}
