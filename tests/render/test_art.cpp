// The generated atlases: file layout, which tiles show terrain, and that
// terrain joins without seams wherever two tiles agree on their shared points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "art.h"
#include "map/ground_map.h"
#include "tile_kinds.h"

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

struct Rgb {
    int r, g, b;
};
// Pixel (x, y), y down from the image's top, of a 512 x 512 atlas file.
Rgb pixel(const std::vector<uint8_t>& file, int x, int y) {
    const size_t at = 54 + (static_cast<size_t>(511 - y) * 512 + x) * 3;
    return {file[at + 2], file[at + 1], file[at]};
}

TEST(Art, BothAtlasesHaveTheEditorsLayoutAndAValidHeader) {
    for (const char* name : {"tex1.bmp", "structures.bmp"}) {
        const std::vector<uint8_t> f = readFile(std::string(VORN_ART_DIR) + "/" + name);
        ASSERT_EQ(f.size(), 54u + 512 * 512 * 3) << name;
        EXPECT_EQ(f[0], 'B');
        EXPECT_EQ(f[1], 'M');
        EXPECT_EQ(le32(f, 2), f.size()) << name << " file size field";
        EXPECT_EQ(le32(f, 10), 54u) << name << " pixel offset";
        EXPECT_EQ(le32(f, 14), 40u) << name << " info header size";
        EXPECT_EQ(le32(f, 18), 512u);
        EXPECT_EQ(le32(f, 22), 512u) << name << " positive height: rows bottom-up";
        EXPECT_EQ(f[26] | f[27] << 8, 1);
        EXPECT_EQ(f[28] | f[29] << 8, 24);
        EXPECT_EQ(le32(f, 30), 0u) << name << " uncompressed";
    }
}

TEST(Art, TileTerrainMatchesTheEditorsDecoding) {
    initPatternTable();
    for (int t = 0; t < 256; ++t) {
        int kinds[9] = {0};
        const bool known = art::tilePoints(t, kinds);
        GroundMap cell(1, 1);
        cell.tileAt(0, 0) = static_cast<uint8_t>(t);
        cell.decodeTile(0, 0);
        for (int b = 0; b < 9; ++b) {
            const int decoded = cell.cornerAt(b % 3, b / 3);
            const int drawn = t == 192 ? 0 : (known ? kinds[b] : 0);  // 192 decodes to nothing but is drawn as kind 2
            EXPECT_EQ(drawn, decoded) << "tile " << t << " point " << b;
        }
        EXPECT_EQ(known, t == 176 || t == 192 || [&] {
            for (int b = 0; b < 9; ++b)
                if (cell.cornerAt(b % 3, b / 3) != 0) return true;
            return false;
        }()) << "tile " << t << ": every tile with a kind shows terrain, the rest the unknown face";
        const bool kind4 = kind4PatternTable[t] != -1;
        if (kind4) {
            int pattern = 0;
            for (int b = 0; b < 9; ++b) pattern |= (kinds[b] == 4) << b;
            EXPECT_EQ(pattern, kind4PatternTable[t]) << "tile " << t;
        }
    }
}

TEST(Art, EveryTileSelectionCanProduceShowsTerrain) {
    initPatternTable();
    GroundMap cell(1, 1);
    std::set<int> produced;
    // All 5^9 point combinations are too many; every one of the 2^9 patterns of
    // each single kind over kind 0 (and of 3 over 2) covers what selection yields.
    for (int base : {0, 2}) {
        for (int kind = 1; kind <= 4; ++kind) {
            if (base == 2 && kind != 3) continue;
            for (int pattern = 0; pattern < 512; ++pattern) {
                for (int b = 0; b < 9; ++b) cell.cornerAt(b % 3, b / 3) = static_cast<uint8_t>(pattern >> b & 1 ? kind : base);
                cell.selectTile(0, 0);
                produced.insert(cell.tileAt(0, 0));
            }
        }
    }
    for (int t : produced) {
        int kinds[9];
        EXPECT_TRUE(art::tilePoints(t, kinds)) << "selection yields tile " << t << " but it has the unknown face";
    }
}

TEST(Art, NeighbouringTilesThatAgreeOnTheirSharedSideJoinWithoutSeams) {
    std::vector<int> tiles;
    for (int t = 0; t < 256; ++t) {
        int k[9];
        if (art::tilePoints(t, k)) tiles.push_back(t);
    }
    int pairs = 0, seams = 0;
    for (int a : tiles) {
        for (int b : tiles) {
            int ka[9], kb[9];
            art::tilePoints(a, ka);
            art::tilePoints(b, kb);
            // b right of a: a's right side (dx 2) meets b's left side (dx 0).
            bool agree = true;
            for (int dy = 0; dy < 3; ++dy) agree = agree && ka[2 + 3 * dy] == kb[3 * dy];
            if (agree) {
                ++pairs;
                for (int v = 0; v < 32; ++v)
                    if (art::terrainLayerAt(ka, 31, v) != art::terrainLayerAt(kb, 0, v) && seams++ < 5)
                        ADD_FAILURE() << "tile " << a << " left of tile " << b << " row " << v;
            }
            // b below a.
            agree = true;
            for (int dx = 0; dx < 3; ++dx) agree = agree && ka[dx + 6] == kb[dx];
            if (agree) {
                ++pairs;
                for (int u = 0; u < 32; ++u)
                    if (art::terrainLayerAt(ka, u, 31) != art::terrainLayerAt(kb, u, 0) && seams++ < 5)
                        ADD_FAILURE() << "tile " << a << " above tile " << b << " column " << u;
            }
        }
    }
    EXPECT_GT(pairs, 1000);
    EXPECT_EQ(seams, 0);
}

TEST(Art, KindsAreTexturedAndToldApartAndTile192IsAllKind2) {
    const std::vector<uint8_t> f = readFile(std::string(VORN_ART_DIR) + "/tex1.bmp");
    ASSERT_EQ(f.size(), 54u + 512 * 512 * 3);
    // The full-cell tile of each kind, as the corner overlay shows it.
    const int full[5] = {176, 143, 192, 207, 159};
    double mean[5][3] = {};
    for (int k = 0; k < 5; ++k) {
        std::set<int> colours;
        const int ox = full[k] % 16 * 32, oy = full[k] / 16 * 32;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const Rgb c = pixel(f, ox + x, oy + y);
                colours.insert(c.r << 16 | c.g << 8 | c.b);
                mean[k][0] += c.r / 1024.0;
                mean[k][1] += c.g / 1024.0;
                mean[k][2] += c.b / 1024.0;
            }
        EXPECT_GT(colours.size(), 40u) << "kind " << k << " is textured, not a flat colour";
    }
    for (int a = 0; a < 5; ++a)
        for (int b = a + 1; b < 5; ++b) {
            const double d = std::sqrt(std::pow(mean[a][0] - mean[b][0], 2) + std::pow(mean[a][1] - mean[b][1], 2) +
                                       std::pow(mean[a][2] - mean[b][2], 2));
            EXPECT_GT(d, 60) << "kinds " << a << " and " << b << " look alike on average";
        }
    int kinds[9];
    ASSERT_TRUE(art::tilePoints(192, kinds));
    for (int v = 0; v < 32; ++v)
        for (int u = 0; u < 32; ++u) ASSERT_EQ(art::terrainLayerAt(kinds, u, v), 2) << u << ", " << v;
}

TEST(Art, SpritesFillTheirRectanglesAndRowZeroIsTheTopLeftQuarterOfRowOne) {
    const std::vector<uint8_t> f = readFile(std::string(VORN_ART_DIR) + "/structures.bmp");
    ASSERT_EQ(f.size(), 54u + 512 * 512 * 3);
    const int rects[19][4] = {{448, 0, 32, 32}, {448, 0, 64, 64}, {0, 0, 96, 96},    {96, 0, 96, 64},  {96, 0, 96, 64},
                              {192, 0, 64, 64}, {256, 0, 64, 64}, {256, 0, 64, 64},  {320, 0, 64, 64}, {384, 0, 64, 64},
                              {256, 0, 64, 64}, {0, 96, 96, 96},  {96, 64, 96, 64},  {192, 64, 96, 64}, {288, 64, 32, 32},
                              {320, 64, 32, 32}, {352, 64, 32, 32}, {384, 64, 64, 64}, {448, 64, 64, 64}};
    // Every rectangle holds a drawing: many colours, and its corners are the
    // foundation, never the dark filler of the unused atlas.
    for (int r = 0; r < 19; ++r) {
        std::set<int> colours;
        for (int y = rects[r][1]; y < rects[r][1] + rects[r][3]; ++y)
            for (int x = rects[r][0]; x < rects[r][0] + rects[r][2]; ++x) {
                const Rgb c = pixel(f, x, y);
                colours.insert(c.r << 16 | c.g << 8 | c.b);
            }
        EXPECT_GT(colours.size(), 60u) << "sprite row " << r;
        const Rgb corner = pixel(f, rects[r][0] + 3, rects[r][1] + 3);
        EXPECT_GT(corner.r + corner.g + corner.b, 200) << "sprite row " << r << " stands on a light foundation";
    }
}

}  // namespace
