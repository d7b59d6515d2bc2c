// Stamps: the clipboard text read and written, turns and flips, and placing
// against the plain reference painting one point at a time.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "busy_map.h"
#include "map/ground_map.h"
#include "map/stamp.h"
#include "reference/ground_map_reference.h"

namespace {

Stamp randomStamp(uint32_t seed, int32_t w, int32_t h) {
    Stamp s;
    s.width = w;
    s.height = h;
    for (int32_t i = 0; i < w * h; ++i) {
        seed = seed * 214013u + 2531011u;
        s.kinds.push_back(static_cast<uint8_t>(((seed >> 16) & 0x7FFF) % 5));
    }
    return s;
}

std::string rowsOf(const Stamp& s) {
    std::string rows;
    for (uint8_t k : s.kinds) rows += static_cast<char>('0' + k);
    return std::to_string(s.width) + "x" + std::to_string(s.height) + ":" + rows;
}

}  // namespace

TEST(StampText, GoodAndBadTexts) {
    const std::string big = "VornGroundEditor stamp 1 129 129\n" + [] {
        std::string rows;
        for (int i = 0; i < 129; ++i) rows += std::string(129, '3') + "\n";
        return rows;
    }();
    struct Case { std::string text; const char* expected; };  // expected: rowsOf, or nullptr for not a stamp
    const Case cases[] = {
        {"VornGroundEditor stamp 1 3 2\n012\n340\n", "3x2:012340"},
        {"VornGroundEditor stamp 1 3 2\r\n012\r\n340\r\n", "3x2:012340"},
        {"VornGroundEditor stamp 1 3 2\n012\r\n340", "3x2:012340"},
        {"\xEF\xBB\xBFVornGroundEditor stamp 1 1 1\n4\n\n\r\n\n", "1x1:4"},
        {"", nullptr},
        {"\n\n", nullptr},
        {"VornGroundEditor stamp 1 3 2\n012\n345\n", nullptr},          // digit over 4
        {"VornGroundEditor stamp 1 3 2\n012\n34\n", nullptr},           // short row
        {"VornGroundEditor stamp 1 3 2\n012\n3400\n", nullptr},         // long row
        {"VornGroundEditor stamp 1 3 2\n012\n", nullptr},               // a row missing
        {"VornGroundEditor stamp 1 3 2\n012\n340\n000\n", nullptr},     // a row too many
        {"VornGroundEditor stamp 1 3 2\n012\n\n340\n", nullptr},        // blank line inside
        {"VornGroundEditor stamp 1 03 2\n012\n340\n", nullptr},         // leading zero
        {"VornGroundEditor stamp 1 0 1\n\n", nullptr},
        {"VornGroundEditor stamp 1 130 1\n" + std::string(130, '0') + "\n", nullptr},
        {"VornGroundEditor stamp 1  3 2\n012\n340\n", nullptr},         // double space
        {"VornGroundEditor stamp 1 3 2 \n012\n340\n", nullptr},         // trailing space
        {"VornGroundEditor stamp 2 3 2\n012\n340\n", nullptr},          // other version
        {"vorngroundeditor stamp 1 1 1\n0\n", nullptr},
        {"VornGroundEditor stamp 1 3 2\r012\r340\r", nullptr},          // lone CR ends
        {"VornGroundEditor stamp 1 1 1\n0\n\n x", nullptr},             // text after the blank lines
        {"VornGroundEditor stamp 1 -1 1\n0\n", nullptr},
        {"VornGroundEditor stamp 1 1 1\n\xEF\xBB\xBF" "0\n", nullptr},  // mark not at the start
        {big, nullptr},  // 16,803 bytes: fine; checked below for its kinds
        {big + std::string(kStampTextLimit - big.size(), '\n'), nullptr},
        {big + std::string(kStampTextLimit + 1 - big.size(), '\n'), nullptr},  // one byte over the limit
    };
    for (const Case& c : cases) {
        Stamp got;
        const bool ok = parseStamp(c.text.data(), c.text.size(), got);
        if (&c >= &cases[23]) {  // the long texts
            const bool expectOk = &c != &cases[25];
            EXPECT_EQ(ok, expectOk) << "text of " << c.text.size() << " bytes";
            if (ok) {
                EXPECT_EQ(rowsOf(got), "129x129:" + std::string(129 * 129, '3'));
            }
            continue;
        }
        EXPECT_EQ(ok ? rowsOf(got) : "not a stamp", c.expected ? c.expected : "not a stamp")
            << "text: " << c.text;
    }
}

TEST(StampText, WrittenTextReadsBackTheSameStamp) {
    for (const Stamp& s : {randomStamp(1, 1, 1), randomStamp(2, 129, 3), randomStamp(3, 64, 64)}) {
        const std::string text = stampText(s);
        Stamp back;
        ASSERT_TRUE(parseStamp(text.data(), text.size(), back)) << text.substr(0, 40);
        EXPECT_EQ(rowsOf(back), rowsOf(s));
        EXPECT_EQ(text.find('\r'), std::string::npos);
        EXPECT_EQ(text.back(), '\n');
    }
    EXPECT_EQ(stampText(randomStamp(4, 64, 64)).size(), 31u + 65u * 64u) << "a 64 x 64 stamp's text";
}

TEST(StampTurns, FourTurnsAndTwoFlipsGiveTheStampBack) {
    const Stamp s = randomStamp(7, 5, 3);
    EXPECT_EQ(rowsOf(turnedClockwise(turnedClockwise(turnedClockwise(turnedClockwise(s))))), rowsOf(s));
    EXPECT_EQ(rowsOf(flippedLeftRight(flippedLeftRight(s))), rowsOf(s));
    EXPECT_EQ(rowsOf(flippedTopBottom(flippedTopBottom(s))), rowsOf(s));
    // One turn of "01 / 23 / 44" (2 x 3): the old left column, bottom up, is the new top row.
    Stamp small;
    small.width = 2;
    small.height = 3;
    small.kinds = {0, 1, 2, 3, 4, 4};
    EXPECT_EQ(rowsOf(turnedClockwise(small)), "3x2:420431");
    EXPECT_EQ(rowsOf(flippedLeftRight(small)), "2x3:103244");
    EXPECT_EQ(rowsOf(flippedTopBottom(small)), "2x3:442301");
}

// Placing paints exactly what the reference gives painting the stamp's points
// one at a time, column by column, each followed by its symmetry images,
// skipping points off the lattice and those that held their kind before placing.
TEST(StampPlacement, MatchesOnePointAtATime) {
    GroundMap busy(64, 64);
    makeBusyMap(busy);
    reference::RefGroundMap busyRef;
    makeBusyMapOf(busyRef);
    struct Case { int32_t left, top, w, h; Symmetry symmetry; };
    const Case cases[] = {
        {0, 0, 5, 4, Symmetry::off},       {124, 125, 5, 4, Symmetry::off},  {-2, -3, 5, 6, Symmetry::mirrorFourWays},
        {126, -2, 7, 5, Symmetry::off},    {-3, 126, 4, 9, Symmetry::halfTurn},
        {60, 0, 9, 129, Symmetry::mirrorLeftRight}, {0, 60, 129, 9, Symmetry::mirrorTopBottom},
        {0, 0, 129, 129, Symmetry::off},   {-64, -64, 129, 129, Symmetry::mirrorFourWays},
        {129, 0, 3, 3, Symmetry::halfTurn}, {-3, 40, 3, 3, Symmetry::off},   {40, 40, 1, 1, Symmetry::off},
        {63, 63, 3, 3, Symmetry::mirrorFourWays}, {-2147483647, 5, 3, 3, Symmetry::halfTurn},
    };
    for (bool busyStart : {false, true}) {
        for (const Case& c : cases) {
            const Stamp s = randomStamp(static_cast<uint32_t>(c.left) * 31u + static_cast<uint32_t>(c.top + c.w), c.w, c.h);
            GroundMap map(64, 64);
            reference::RefGroundMap ref;
            if (busyStart) {
                map.copyFrom(busy);
                ref = busyRef;
            }
            placeStamp(map, s, c.left, c.top, c.symmetry);
            const reference::RefGroundMap before = ref;
            for (int32_t sx = 0; sx < c.w; ++sx)
                for (int32_t sy = 0; sy < c.h; ++sy) {
                    const int64_t px = int64_t{c.left} + sx, py = int64_t{c.top} + sy;
                    if (px < 0 || px > 128 || py < 0 || py > 128) continue;
                    const uint8_t kind = s.kinds[sy * c.w + sx];
                    LatticePoint all[4] = {{static_cast<int32_t>(px), static_cast<int32_t>(py)}};
                    const int32_t n = 1 + symmetryImages(c.symmetry, all[0], 129, 129, all + 1);
                    for (int32_t i = 0; i < n; ++i)
                        if (before.corner(all[i].x, all[i].y) != kind) ref.paintCorner(all[i].x, all[i].y, kind);
                }
            EXPECT_TRUE(std::memcmp(map.corners, ref.corners.data(), ref.corners.size()) == 0 &&
                        std::memcmp(map.tiles, ref.tiles.data(), ref.tiles.size()) == 0)
                << (busyStart ? "busy" : "cleared") << " map, stamp " << c.w << " x " << c.h << " at (" << c.left
                << ", " << c.top << "), symmetry " << static_cast<int>(c.symmetry) << " differs from the reference";
        }
    }
}

TEST(StampPlacement, CopyPastedInPlaceChangesNoByte) {
    GroundMap busy(64, 64);
    makeBusyMap(busy);
    const LatticePoint rects[][2] = {{{0, 0}, {128, 128}}, {{10, 20}, {3, 7}}, {{128, 0}, {100, 128}}, {{64, 64}, {64, 64}}};
    for (const auto& r : rects) {
        GroundMap map(64, 64);
        map.copyFrom(busy);
        const Stamp s = copyStamp(map, r[0], r[1]);
        placeStamp(map, s, std::min(r[0].x, r[1].x), std::min(r[0].y, r[1].y));
        EXPECT_TRUE(std::memcmp(map.corners, busy.corners, 129 * 129) == 0 &&
                    std::memcmp(map.tiles, busy.tiles, 64 * 64) == 0)
            << "selection (" << r[0].x << ", " << r[0].y << ") to (" << r[1].x << ", " << r[1].y << ")";
    }
}
