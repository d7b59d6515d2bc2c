// The auto-tiler's worked cases: storage, tile selection, corner painting and
// tile decoding, each a table of inputs with the expected result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "map/ground_map.h"

namespace {

class MapTest : public ::testing::Test {
protected:
    void SetUp() override { initPatternTable(); }
};

// Writes "abc/def/ghi" (rows from the top) into the nine points of cell (x, y).
void setCell(GroundMap& m, int x, int y, const std::string& rows) {
    int dx = 0, dy = 0;
    for (char ch : rows) {
        if (ch == '/') {
            ++dy;
            dx = 0;
            continue;
        }
        m.cornerAt(2 * x + dx, 2 * y + dy) = static_cast<uint8_t>(ch - '0');
        ++dx;
    }
}

std::string cellPoints(const GroundMap& m, int x, int y) {
    std::string s;
    for (int dy = 0; dy < 3; ++dy) {
        if (dy) s += '/';
        for (int dx = 0; dx < 3; ++dx) s += static_cast<char>('0' + m.cornerAt(2 * x + dx, 2 * y + dy));
    }
    return s;
}

// Points px 0..n-1 of lattice row py, as digits.
std::string latticeRow(const GroundMap& m, int py, int n) {
    std::string s;
    for (int px = 0; px < n; ++px) s += static_cast<char>('0' + m.cornerAt(px, py));
    return s;
}

int countNonZeroPoints(const GroundMap& m) {
    int n = 0;
    for (int i = 0; i < 129 * 129; ++i) n += m.corners[i] != 0;
    return n;
}

TEST_F(MapTest, NewAndClearedMapsAreAllPlain) {
    GroundMap m(64, 64);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(m.tiles[i], 176) << "tile " << i;
    for (int i = 0; i < 16641; ++i) ASSERT_EQ(m.corners[i], 0) << "point " << i;
    m.tiles[5] = 3;
    m.corners[77] = 4;
    GroundMap other(64, 64);
    other.tiles[9] = 1;
    m.clear();
    EXPECT_EQ(m.width, 64);
    EXPECT_EQ(m.tiles[5], 176);
    EXPECT_EQ(m.corners[77], 0);
    EXPECT_EQ(other.tiles[9], 1) << "clear touched another map";
}

TEST_F(MapTest, GridsUseOppositeOrders) {
    GroundMap m(64, 64);
    m.tileAt(1, 0) = 7;
    EXPECT_EQ(m.tiles[64], 7);
    m.cornerAt(1, 0) = 1;
    m.cornerAt(0, 1) = 2;
    EXPECT_EQ(m.corners[1], 1);
    EXPECT_EQ(m.corners[129], 2);
}

TEST_F(MapTest, CopyKeepsArraysOfEqualSizeAndReplacesOthers) {
    GroundMap src(64, 64), dst(64, 64);
    src.paintCorner(10, 10, 3);
    src.paintCorner(11, 10, 3);
    src.paintCorner(12, 10, 3);
    src.tiles[100] = 42;
    uint8_t* tiles = dst.tiles;
    uint8_t* corners = dst.corners;
    EXPECT_EQ(&dst.copyFrom(src), &dst);
    EXPECT_EQ(dst.tiles, tiles);
    EXPECT_EQ(dst.corners, corners);
    EXPECT_EQ(0, memcmp(dst.tiles, src.tiles, 4096));
    EXPECT_EQ(0, memcmp(dst.corners, src.corners, 16641));

    GroundMap small(3, 5);
    small.tileAt(2, 4) = 9;
    small.cornerAt(6, 10) = 4;
    dst.copyFrom(small);
    EXPECT_EQ(dst.width, 3);
    EXPECT_EQ(dst.height, 5);
    EXPECT_EQ(0, memcmp(dst.tiles, small.tiles, 15));
    EXPECT_EQ(0, memcmp(dst.corners, small.corners, 7 * 11));
}

TEST_F(MapTest, PatternTableHoldsExactlyTheKindFourTiles) {
    const std::vector<std::pair<int, int>> expected = {
        {80, 0x00D},  {81, 0x164},  {82, 0x014},  {83, 0x06D},  {84, 0x04D},  {85, 0x015},
        {86, 0x010},  {87, 0x011},  {88, 0x004},  {89, 0x005},  {90, 0x160},  {91, 0x14D},
        {92, 0x169},  {93, 0x050},  {94, 0x150},  {95, 0x110},  {96, 0x01D},  {97, 0x134},
        {98, 0x170},  {99, 0x041},  {101, 0x024}, {102, 0x010}, {144, 0x120}, {145, 0x124},
        {146, 0x125}, {147, 0x100}, {148, 0x040}, {149, 0x140}, {150, 0x16C}, {151, 0x049},
        {152, 0x009}, {153, 0x001}, {154, 0x07D}, {155, 0x019}, {156, 0x01D}, {157, 0x149},
        {158, 0x16D}, {159, 0x1FF}, {168, 0x048}, {172, 0x051}, {176, 0x000},
    };
    int want[256];
    for (int& w : want) w = -1;
    for (auto& e : expected) want[e.first] = e.second;
    for (int t = 0; t < 256; ++t) EXPECT_EQ(kind4PatternTable[t], want[t]) << "entry " << t;
}

struct SelectCase {
    const char* points;
    int tile;
};

TEST_F(MapTest, SelectTileFromNinePoints) {
    const SelectCase cases[] = {
        {"000/000/000", 176}, {"000/010/000", 128}, {"000/020/000", 176}, {"111/111/111", 143},
        {"111/000/000", 129}, {"111/001/001", 60},  {"111/011/001", 131}, {"333/222/222", 193},
        {"222/232/222", 191}, {"333/333/333", 207}, {"444/444/444", 159}, {"404/404/404", 158},
        {"000/040/000", 102}, {"000/004/000", 101}, {"400/000/000", 153}, {"004/440/000", 156},
        {"044/440/000", 96},  {"040/000/040", 176}, {"141/111/141", 138}, {"111/141/111", 102},
        // The other corner families of each kind, and kind 1 under kind 2.
        {"100/100/111", 63},  {"001/001/111", 61},  {"111/100/100", 62},  {"222/002/002", 64},
        {"002/002/222", 65},  {"222/200/200", 66},  {"200/200/222", 67},  {"333/003/003", 68},
        {"003/003/333", 69},  {"333/300/300", 70},  {"300/300/333", 71},  {"222/212/222", 191},
    };
    for (const SelectCase& c : cases) {
        GroundMap m(64, 64);
        setCell(m, 5, 7, c.points);
        m.selectTile(5, 7);
        EXPECT_EQ(m.tileAt(5, 7), c.tile) << "points " << c.points;
        // Selection is a pure function of the points: twice gives the same tile.
        m.tileAt(5, 7) = 0;
        m.selectTile(5, 7);
        EXPECT_EQ(m.tileAt(5, 7), c.tile) << "again, points " << c.points;
    }
}

TEST_F(MapTest, KindFourSearchWithoutKindFourPointsIsZero) {
    GroundMap m(64, 64);
    setCell(m, 0, 0, "123/321/123");
    EXPECT_EQ(m.edgeCode(0, 0, 4), 0);
}

// Every combination of nine points selects a tile of the families, never 86, 100 or 192.
TEST_F(MapTest, SelectionYieldsOnlyFamilyTiles) {
    std::set<int> allowed = {176};
    for (int t = 60; t <= 71; ++t) allowed.insert(t);
    for (int t = 128; t <= 143; ++t) allowed.insert(t);
    for (int t = 177; t <= 191; ++t) allowed.insert(t);
    for (int t = 193; t <= 207; ++t) allowed.insert(t);
    for (int t : {80, 81, 82, 83, 84, 85, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 101, 102,
                  144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 159, 168, 172})
        allowed.insert(t);
    GroundMap m(1, 1);
    std::set<int> seen;
    for (int code = 0; code < 1953125; code += 7) {  // every seventh of 5^9
        int c = code;
        for (int b = 0; b < 9; ++b, c /= 5) m.cornerAt(b % 3, b / 3) = static_cast<uint8_t>(c % 5);
        m.selectTile(0, 0);
        int t = m.tileAt(0, 0);
        ASSERT_TRUE(allowed.count(t)) << "code " << code << " gave tile " << t;
        seen.insert(t);
    }
    // All 4 masks for kind 4 alone reach every kind-4 tile selection can give.
    for (int mask = 0; mask < 512; ++mask) {
        for (int b = 0; b < 9; ++b) m.cornerAt(b % 3, b / 3) = (mask >> b & 1) ? 4 : 0;
        m.selectTile(0, 0);
        seen.insert(m.tileAt(0, 0));
    }
    EXPECT_EQ(seen, allowed);
    // The checker's fast answer from the tables agrees with the selections seen.
    for (int t = 0; t < 256; ++t)
        EXPECT_EQ(tileEverSelected(static_cast<uint8_t>(t)), allowed.count(t) == 1) << "tile " << t;
}

// Sets the listed points directly, then paints; checks the points and tiles after.
TEST_F(MapTest, PaintingSingleKindOnePointsAndSides) {
    {
        GroundMap m(64, 64);
        m.paintCorner(1, 1, 1);
        EXPECT_EQ(countNonZeroPoints(m), 1);
        EXPECT_EQ(m.tileAt(0, 0), 128);
        int changed = 0;
        for (int i = 0; i < 4096; ++i) changed += m.tiles[i] != 176;
        EXPECT_EQ(changed, 1);
    }
    {
        GroundMap m(64, 64);
        m.paintCorner(2, 2, 1);
        EXPECT_EQ(countNonZeroPoints(m), 1);
        for (int i = 0; i < 4096; ++i) ASSERT_EQ(m.tiles[i], 176);
    }
    {
        GroundMap m(64, 64);
        for (int py = 2; py <= 4; ++py)
            for (int px = 2; px <= 4; ++px) m.paintCorner(px, py, 1);
        EXPECT_EQ(m.tileAt(1, 1), 143);
        EXPECT_EQ(m.tileAt(1, 0), 132);
        EXPECT_EQ(m.tileAt(2, 1), 136);
        EXPECT_EQ(m.tileAt(1, 2), 129);
        EXPECT_EQ(m.tileAt(0, 1), 130);
        for (auto d : {std::pair{0, 0}, {2, 0}, {0, 2}, {2, 2}}) EXPECT_EQ(m.tileAt(d.first, d.second), 176);
    }
}

TEST_F(MapTest, PaintingKindThreeRepairsToKindTwo) {
    GroundMap m(64, 64);
    m.paintCorner(4, 4, 3);
    EXPECT_EQ(countNonZeroPoints(m), 1);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(m.tiles[i], 176);

    GroundMap n(64, 64);
    n.paintCorner(2, 2, 3);
    n.paintCorner(3, 2, 3);
    n.paintCorner(4, 2, 3);
    const char* rows[] = {"0022200", "0022200", "0033300", "0022200", "0022200", "0000000"};
    for (int py = 0; py < 6; ++py) EXPECT_EQ(latticeRow(n, py, 7), rows[py]) << "row " << py;
    EXPECT_EQ(countNonZeroPoints(n), 15);
    const int tiles[3][3] = {{178, 196, 184}, {178, 193, 184}, {176, 177, 176}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(n.tileAt(x, y), tiles[y][x]) << "cell " << x << "," << y;
}

TEST_F(MapTest, PaintingKindFourClearsSideMidpoints) {
    GroundMap m(64, 64);
    for (auto p : {std::pair{2, 3}, {4, 3}, {3, 2}, {3, 4}}) m.cornerAt(p.first, p.second) = 1;
    m.paintCorner(3, 3, 4);
    EXPECT_EQ(cellPoints(m, 1, 1), "000/040/000");
    EXPECT_EQ(m.tileAt(1, 1), 102);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            if (x != 1 || y != 1) {
                EXPECT_EQ(m.tileAt(x, y), 176) << x << "," << y;
            }
}

TEST_F(MapTest, PaintingRepairsACellThatDoesNotHoldThePoint) {
    GroundMap m(64, 64);
    setCell(m, 0, 0, "111/020/000");
    m.paintCorner(3, 1, 1);
    EXPECT_EQ(m.cornerAt(1, 1), 0);
    EXPECT_EQ(m.tileAt(0, 0), 129);
    EXPECT_EQ(m.tileAt(1, 0), 128);
}

TEST_F(MapTest, PaintingKindZeroChangesOnePointAndReselects) {
    GroundMap m(64, 64);
    setCell(m, 3, 3, "111/141/111");
    m.paintCorner(7, 7, 0);
    EXPECT_EQ(cellPoints(m, 3, 3), "111/101/111");
    EXPECT_EQ(m.tileAt(3, 3), 143);
}

TEST_F(MapTest, PaintingAtTheOuterCornersStaysInside) {
    GroundMap m(64, 64);
    setCell(m, 0, 0, "412/222/222");
    m.paintCorner(0, 0, 2);  // the cell is repaired: its 1 becomes 0
    EXPECT_EQ(cellPoints(m, 0, 0), "202/222/222");
    setCell(m, 63, 63, "333/333/333");
    m.tileAt(62, 62) = 5;  // stale tile: re-selected because it borders (63, 63)
    m.paintCorner(128, 128, 3);
    EXPECT_EQ(m.tileAt(63, 63), 207);
    EXPECT_EQ(m.tileAt(62, 62), 176);
}

struct DecodeCase {
    int tile;
    const char* points;
};

TEST_F(MapTest, DecodeSingleCell) {
    const DecodeCase cases[] = {
        {143, "111/111/111"}, {129, "111/000/000"}, {60, "111/001/001"},  {128, "000/010/000"},
        {177, "222/000/000"}, {193, "333/222/222"}, {207, "333/333/333"}, {159, "444/444/444"},
        {86, "000/040/000"},  {102, "000/040/000"}, {176, "000/000/000"}, {100, "000/000/000"},
        {192, "000/000/000"}, {0, "000/000/000"},   {63, "100/100/111"},  {65, "002/002/222"},
        {70, "333/322/322"},  {96, "404/440/000"},  {255, "000/000/000"}, {208, "000/000/000"},
    };
    for (const DecodeCase& c : cases) {
        GroundMap m(64, 64);
        m.tileAt(2, 3) = static_cast<uint8_t>(c.tile);
        m.decodeTile(2, 3);
        EXPECT_EQ(cellPoints(m, 2, 3), c.points) << "tile " << c.tile;
        EXPECT_EQ(m.tileAt(2, 3), c.tile) << "decoding changed the tile";
        EXPECT_EQ(countNonZeroPoints(m),
                  static_cast<int>(std::string(c.points).size() - std::count(c.points, c.points + 11, '0') - 2))
            << "tile " << c.tile << " wrote outside its cell";
    }
}

TEST_F(MapTest, DecodeSharedPointsInLoadOrder) {
    struct Pair {
        int left, right;
        const char* rows[3];
    };
    const Pair cases[] = {
        {207, 191, {"33322", "33322", "33322"}},
        {207, 193, {"33333", "33222", "33222"}},
        {193, 207, {"33333", "22333", "22333"}},
        {207, 129, {"33111", "33300", "33300"}},
    };
    for (const Pair& c : cases) {
        GroundMap m(64, 64);
        m.tileAt(0, 0) = static_cast<uint8_t>(c.left);
        m.decodeTile(0, 0);
        m.tileAt(1, 0) = static_cast<uint8_t>(c.right);
        m.decodeTile(1, 0);
        for (int py = 0; py < 3; ++py)
            EXPECT_EQ(latticeRow(m, py, 5), c.rows[py]) << "tiles " << c.left << ", " << c.right << " row " << py;
    }
}

// Decoding a tile and selecting again returns it, with the named exceptions.
TEST_F(MapTest, DecodeThenSelectRoundTrip) {
    for (int t = 0; t < 256; ++t) {
        GroundMap m(64, 64);
        m.tileAt(4, 4) = static_cast<uint8_t>(t);
        m.decodeTile(4, 4);
        m.selectTile(4, 4);
        bool selectable = t == 176 || (t >= 60 && t <= 71) || (t >= 128 && t <= 143) ||
                          (t >= 177 && t <= 191) || (t >= 193 && t <= 207) || (t != 86 && kind4PatternTable[t] != -1);
        int want = t == 96 ? 156 : t == 86 ? 102 : selectable ? t : 176;
        EXPECT_EQ(m.tileAt(4, 4), want) << "tile " << t;
    }
}

}  // namespace
