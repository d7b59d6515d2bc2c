// The program's icon: a rounded board of 4 x 4 tiles running from water
// over sand and grass to rock and snow, in the tile atlas's colours. One
// description gives both files: the SVG for Linux desktops and the ICO
// (several sizes, 32-bit with alpha) for the Windows resource.
#include "art.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace art {
namespace {

constexpr int kCells = 4;
constexpr float kRadius = 0.16f;  // corner radius, fraction of the side
constexpr float kLine = 0.012f;   // dark seam between tiles, fraction of the side

// Kinds along the diagonal x + y: water, sand, grass, grass, rock, snow, snow.
Colour cellColour(int x, int y) {
    static const Colour band[] = {{38, 104, 206}, {184, 152, 104}, {66, 138, 46}, {92, 150, 50},
                                  {108, 103, 98}, {246, 249, 255}, {232, 238, 250}};
    return band[x + y];
}

// Inside the rounded square [0, 1]^2?
bool insideBoard(float u, float v) {
    const float cu = std::clamp(u, kRadius, 1 - kRadius), cv = std::clamp(v, kRadius, 1 - kRadius);
    return u >= 0 && u <= 1 && v >= 0 && v <= 1 && (u - cu) * (u - cu) + (v - cv) * (v - cv) <= kRadius * kRadius;
}

// The colour and coverage of one pixel of a size x size icon, 4 x 4 samples.
void iconPixel(int32_t size, int32_t px, int32_t py, Colour& colour, float& alpha) {
    float r = 0, g = 0, b = 0;
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            const float u = (px + (sx + 0.5f) / 4) / size, v = (py + (sy + 0.5f) / 4) / size;
            if (!insideBoard(u, v)) continue;
            const int cx = std::min(kCells - 1, static_cast<int>(u * kCells));
            const int cy = std::min(kCells - 1, static_cast<int>(v * kCells));
            Colour c = cellColour(cx, cy);
            const float fu = u * kCells - cx, fv = v * kCells - cy;
            const float seam = kLine * kCells / 2;
            if (fu < seam || fu > 1 - seam || fv < seam || fv > 1 - seam) c = scale(c, 0.55f);
            r += c.r, g += c.g, b += c.b;
            ++hits;
        }
    }
    alpha = hits / 16.0f;
    colour = hits ? Colour{r / hits, g / hits, b / hits} : Colour{0, 0, 0};
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One ICO image: a 40-byte bitmap header (height doubled for the mask), the
// BGRA rows bottom-up, then the 1-bit AND mask, rows padded to 4 bytes.
std::vector<uint8_t> iconImage(int32_t size) {
    std::vector<uint8_t> out;
    const uint32_t maskRow = static_cast<uint32_t>((size + 31) / 32 * 4);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(size));
    put32(out, static_cast<uint32_t>(2 * size));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, static_cast<uint32_t>(size * size * 4) + maskRow * static_cast<uint32_t>(size));
    for (int i = 0; i < 4; ++i) put32(out, 0);
    std::vector<uint8_t> mask(maskRow * static_cast<size_t>(size), 0);
    for (int32_t y = size - 1; y >= 0; --y) {
        for (int32_t x = 0; x < size; ++x) {
            Colour c;
            float a;
            iconPixel(size, x, y, c, a);
            out.push_back(static_cast<uint8_t>(c.b + 0.5f));
            out.push_back(static_cast<uint8_t>(c.g + 0.5f));
            out.push_back(static_cast<uint8_t>(c.r + 0.5f));
            out.push_back(static_cast<uint8_t>(a * 255 + 0.5f));
            if (a == 0) mask[(size - 1 - y) * maskRow + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

// The board as SVG paths on 256 x 256 units.
// Plain paths only (no clipping), which every icon renderer draws alike:
// each corner tile carries the board's rounded corner itself.
std::string boardPaths(const char* indent) {
    std::string svg;
    const int cell = 256 / kCells, r = static_cast<int>(kRadius * 256 + 0.5f);
    char line[400];
    for (int y = 0; y < kCells; ++y) {
        for (int x = 0; x < kCells; ++x) {
            const int x0 = x * cell, y0 = y * cell, x1 = x0 + cell, y1 = y0 + cell;
            const bool left = x == 0, right = x == kCells - 1, top = y == 0, bottom = y == kCells - 1;
            const std::string R = std::to_string(r);
            auto n = [](int v) { return std::to_string(v); };
            auto arc = [&](int ex, int ey) { return "A" + R + "," + R + " 0 0 1 " + n(ex) + "," + n(ey) + " "; };
            // Clockwise from the top-left corner; a board corner is an arc.
            std::string d = left && top ? "M" + n(x0) + "," + n(y0 + r) + " " + arc(x0 + r, y0)
                                        : "M" + n(x0) + "," + n(y0) + " ";
            d += right && top ? "H" + n(x1 - r) + " " + arc(x1, y0 + r) : "H" + n(x1) + " ";
            d += right && bottom ? "V" + n(y1 - r) + " " + arc(x1 - r, y1) : "V" + n(y1) + " ";
            d += left && bottom ? "H" + n(x0 + r) + " " + arc(x0, y1 - r) : "H" + n(x0) + " ";
            d += "Z";
            const Colour c = cellColour(x, y), e = scale(c, 0.55f);
            std::snprintf(line, sizeof line,
                          "%s<path d=\"%s\" fill=\"#%02x%02x%02x\" stroke=\"#%02x%02x%02x\" stroke-width=\"6\"/>\n",
                          indent, d.c_str(), static_cast<int>(c.r), static_cast<int>(c.g), static_cast<int>(c.b),
                          static_cast<int>(e.r), static_cast<int>(e.g), static_cast<int>(e.b));
            svg += line;
        }
    }
    return svg;
}

bool writeFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

const char kSvgHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";

}  // namespace

bool writeIconSvg(const std::string& path) {
    const std::string svg = kSvgHead + boardPaths("  ") + "</svg>\n";
    return writeFile(path, svg.data(), svg.size());
}

bool writeMapIconSvg(const std::string& path) {
    // A sheet with a folded corner, the board at half size on it.
    const std::string svg = std::string(kSvgHead) +
        "  <path d=\"M40,8 H168 L216,56 V248 H40 Z\" fill=\"#f4f4ef\" stroke=\"#85857f\" stroke-width=\"6\""
        " stroke-linejoin=\"round\"/>\n"
        "  <path d=\"M168,8 V56 H216\" fill=\"#d9d9d2\" stroke=\"#85857f\" stroke-width=\"6\""
        " stroke-linejoin=\"round\"/>\n"
        "  <g transform=\"translate(64,92) scale(0.5)\">\n" +
        boardPaths("    ") + "  </g>\n</svg>\n";
    return writeFile(path, svg.data(), svg.size());
}

bool writeIconIco(const std::string& path) {
    const int32_t sizes[] = {16, 24, 32, 48, 64};
    std::vector<std::vector<uint8_t>> images;
    for (int32_t s : sizes) images.push_back(iconImage(s));
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // an icon, not a cursor
    put16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(sizes[i]));
        out.push_back(static_cast<uint8_t>(sizes[i]));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, static_cast<uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    return writeFile(path, out.data(), out.size());
}

}  // namespace art
