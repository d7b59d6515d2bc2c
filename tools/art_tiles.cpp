// The tile atlas: 16 x 16 tiles of 32 x 32 pixels. Every tile with a terrain
// pattern is painted from its nine lattice points; the rest get a marked
// "unknown tile" face with their index on it.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "art_canvas.h"
#include "tile_kinds.h"

namespace art {
namespace {

constexpr int32_t kTile = 32;
constexpr float kPi = 3.14159265f;

// Everything below repeats every 32 pixels, so a texture runs on unbroken from
// one tile into the next, whichever tiles meet.
struct TerrainTextures {
    PeriodicNoise coarse{kTile, 4, 11};
    PeriodicNoise fine{kTile, 8, 12};
    PeriodicNoise grain{kTile, 16, 13};
    PeriodicNoise edge[5] = {{kTile, 4, 21}, {kTile, 4, 22}, {kTile, 4, 23}, {kTile, 4, 24}, {kTile, 4, 25}};
    PeriodicNoise edgeFine{kTile, 8, 26};
    float blades[kTile][kTile] = {};  // grass stroke brightness offsets
    float pebbles[kTile][kTile] = {}; // ground pebble brightness offsets
    float sparkle[kTile][kTile] = {}; // snow glints
    float stones[8][2] = {};          // rock cell centres
    float stoneShade[8] = {};

    TerrainTextures() {
        Lcg rng(4242);
        for (int i = 0; i < 90; ++i) {  // short upright strokes, wrapping at the tile edge
            const int x = rng.below(kTile), y = rng.below(kTile), len = 2 + rng.below(3);
            const float v = rng.unit() < 0.5f ? -0.22f : 0.2f;
            for (int k = 0; k < len; ++k) blades[(y + k) % kTile][x] = v * (1.0f - 0.2f * k);
        }
        for (int i = 0; i < 4; ++i) {
            const int x = rng.below(kTile), y = rng.below(kTile);
            const float v = rng.unit() < 0.6f ? -0.25f : 0.22f;
            pebbles[y][x] = v;
            pebbles[y][(x + 1) % kTile] = v * 0.6f;
        }
        for (int i = 0; i < 10; ++i) sparkle[rng.below(kTile)][rng.below(kTile)] = 0.6f + 0.4f * rng.unit();
        for (int i = 0; i < 8; ++i) {
            stones[i][0] = rng.unit() * kTile;
            stones[i][1] = rng.unit() * kTile;
            stoneShade[i] = 0.85f + 0.3f * rng.unit();
        }
    }

    // Distances to the nearest and second-nearest rock centre, wrapping.
    void stoneDistances(float x, float y, float& d1, float& d2, int& nearest) const {
        d1 = d2 = 1e9f;
        nearest = 0;
        for (int i = 0; i < 8; ++i) {
            float dx = std::fabs(x - stones[i][0]), dy = std::fabs(y - stones[i][1]);
            dx = std::min(dx, kTile - dx);
            dy = std::min(dy, kTile - dy);
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < d1) {
                d2 = d1;
                d1 = d;
                nearest = i;
            } else if (d < d2) {
                d2 = d;
            }
        }
    }

    Colour texel(int32_t kind, int32_t u, int32_t v) const {
        const float x = u + 0.5f, y = v + 0.5f;
        const float n = coarse.at(x, y), f = fine.at(x, y), g = grain.at(x, y);
        switch (kind) {
            case 0: {  // plain ground: sandy earth, mottled, with a few small pebbles
                const float b = 0.88f + 0.14f * n + 0.1f * f + 0.5f * pebbles[v][u];
                return scale(mix(Colour{184, 152, 104}, Colour{164, 132, 90}, g), b);
            }
            case 1: {  // grass: green with upright strokes
                const float b = 0.8f + 0.25f * n + 0.12f * g + blades[v][u];
                return scale(mix(Colour{66, 138, 46}, Colour{92, 150, 50}, f), b);
            }
            case 2: {  // rock: dark grey slabs split by cracks
                float d1, d2;
                int nearest;
                stoneDistances(x, y, d1, d2, nearest);
                const float b = stoneShade[nearest] * (0.9f + 0.15f * g);
                Colour c = scale(Colour{108, 103, 98}, b);
                if (d2 - d1 < 1.3f) c = scale(Colour{58, 54, 52}, 0.9f + 0.2f * n);
                else if (d2 - d1 < 2.4f) c = scale(c, 1.15f);  // lit lip along each crack
                return c;
            }
            case 3: {  // snow: bright, blue in the hollows, a few glints
                const Colour c = mix(Colour{246, 249, 255}, Colour{196, 210, 236}, std::clamp(n * 1.2f - 0.2f, 0.0f, 1.0f));
                return mix(c, Colour{255, 255, 255}, sparkle[v][u]);
            }
            default: {  // water: deep blue with broken wave crests
                const float w = std::sin(2 * kPi * (y / 16.0f + 0.16f * std::sin(2 * kPi * x / 32.0f) + 0.35f * n));
                Colour c = scale(mix(Colour{26, 82, 184}, Colour{38, 104, 206}, f), 0.9f + 0.15f * g);
                const float crest = std::clamp((w - 0.8f) / 0.2f, 0.0f, 1.0f) * std::clamp((g - 0.35f) * 3, 0.0f, 1.0f);
                return mix(c, Colour{130, 180, 236}, 0.8f * crest);
            }
        }
    }
};

// Bilinear value of a 0/1 indicator over the cell's 3 x 3 points at lattice
// position (a, b), each 0..2.
float coverage(const bool on[9], float a, float b) {
    const int32_t i = a < 1 ? 0 : 1, j = b < 1 ? 0 : 1;
    const float fa = a - i, fb = b - j;
    auto p = [&](int32_t dx, int32_t dy) { return on[dx + 3 * dy] ? 1.0f : 0.0f; };
    const float top = p(i, j) * (1 - fa) + p(i + 1, j) * fa;
    const float bottom = p(i, j + 1) * (1 - fa) + p(i + 1, j + 1) * fa;
    return top * (1 - fb) + bottom * fb;
}

const TerrainTextures& textures() {
    static const TerrainTextures tex;
    return tex;
}

// What a pixel of a terrain tile shows: the top layer, how far inside its
// boundary the pixel lies, and the kind (if any) whose outer rim it lies in.
struct PixelTerrain {
    int32_t layer = 0;
    float depth = 1.0f;
    int32_t rimKind = 0;
    float rim = 0.0f;  // 0..1, strength of that outer rim
};

// Pixel columns 0 and 31 are evaluated exactly on the cell's left and right
// sides (rows likewise), where only the side's three shared points count and
// the periodic edge noise has the same value in both neighbours: tiles whose
// patterns agree on a side pick the same layers along it.
PixelTerrain terrainAt(const int32_t given[9], int32_t u, int32_t v) {
    const TerrainTextures& tex = textures();
    // Kind-4 patterns leave the top and bottom midpoints open; water between
    // two water corners of a side is drawn as joined. The midpoint then depends
    // only on the side's own corners, which its neighbour shares.
    int32_t kinds[9];
    for (int32_t k = 0; k < 9; ++k) kinds[k] = given[k];
    if (kinds[0] == 4 && kinds[2] == 4) kinds[1] = 4;
    if (kinds[6] == 4 && kinds[8] == 4) kinds[7] = 4;
    const float a = u / 15.5f, b = v / 15.5f;    // lattice steps, 0..2
    const float nx = a * 16.0f, ny = b * 16.0f;  // edge noise position, 0..32
    PixelTerrain t;
    // Layers in the order they stack: kind 3 lies on kind 2, which counts under it.
    for (int32_t kind = 1; kind <= 4; ++kind) {
        bool on[9];
        bool any = false;
        for (int32_t k = 0; k < 9; ++k) {
            on[k] = kinds[k] == kind || (kind == 2 && kinds[k] == 3);
            any = any || on[k];
        }
        if (!any) continue;
        const float f = coverage(on, a, b) + 0.34f * (tex.edge[kind].at(nx, ny) - 0.5f) +
                        0.12f * (tex.edgeFine.at(nx, ny) - 0.5f);
        if (f >= 0.5f) {
            t.layer = kind;
            t.depth = f - 0.5f;
            t.rimKind = 0;
        } else if (f > 0.4f) {
            t.rimKind = kind;
            t.rim = (f - 0.4f) / 0.1f;
        }
    }
    return t;
}

void drawTerrainTile(Canvas& atlas, int32_t ox, int32_t oy, const int32_t kinds[9]) {
    const TerrainTextures& tex = textures();
    // Inner rims: grass edge, cliff lip, snow crust, foam. Outer rims shade or
    // wet whatever lies just outside a patch.
    static const Colour innerRim[5] = {{0, 0, 0}, {40, 96, 30}, {150, 144, 136}, {178, 192, 214}, {200, 226, 250}};
    static const Colour outerRim[5] = {{0, 0, 0}, {96, 92, 50}, {40, 36, 34}, {90, 96, 110}, {110, 92, 70}};
    for (int32_t v = 0; v < kTile; ++v) {
        for (int32_t u = 0; u < kTile; ++u) {
            const PixelTerrain t = terrainAt(kinds, u, v);
            Colour c = tex.texel(t.layer, u, v);
            if (t.layer > 0 && t.depth < 0.06f) c = mix(c, innerRim[t.layer], 0.7f);
            if (t.rimKind > 0) c = mix(c, outerRim[t.rimKind], 0.55f * t.rim);
            atlas.set(ox + u, oy + v, c);
        }
    }
}

}  // namespace

int32_t terrainLayerAt(const int32_t kinds[9], int32_t u, int32_t v) { return terrainAt(kinds, u, v).layer; }

namespace {

void drawUnknownTile(Canvas& atlas, int32_t ox, int32_t oy, int32_t index) {
    // Diagonal hazard stripes in colours no terrain uses, a frame and the index.
    for (int32_t v = 0; v < kTile; ++v)
        for (int32_t u = 0; u < kTile; ++u)
            atlas.set(ox + u, oy + v, ((u + v) / 4) % 2 ? Colour{120, 24, 120} : Colour{30, 8, 34});
    atlas.frameRect(ox, oy, kTile, kTile, Colour{236, 80, 236});
    const int32_t w = Canvas::numberWidth(index, 2);
    const int32_t bx = ox + (kTile - w) / 2 - 2, by = oy + 9;
    atlas.fillRect(bx, by, w + 4, 14, Colour{0, 0, 0});
    atlas.number(bx + 2, by + 2, index, 2, Colour{255, 240, 90});
}

}  // namespace

void drawTileAtlas(Canvas& atlas) {
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t ox = (i % 16) * kTile, oy = (i / 16) * kTile;  // row 0 at the image's top
        int32_t kinds[9];
        if (tilePoints(i, kinds)) {
            drawTerrainTile(atlas, ox, oy, kinds);
        } else {
            drawUnknownTile(atlas, ox, oy, i);
        }
    }
}

}  // namespace art
