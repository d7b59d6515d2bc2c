// Pan, zoom, lattice mapping, brush walk and frame pacing arithmetic, and the
// title's text.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "shell/editor_state.h"
#include "shell/recovery_timing.h"
#include "shell/title.h"
#include "shell/view_steps.h"

namespace {

struct LatticeCase { double zoom; int dx; double expected; int point; };

TEST(ScreenToLattice, PixelsRightOfTheCentre) {
    const LatticeCase cases[] = {
        {1.0, 0, 0.5, 0}, {1.0, 16, 1.5, 1}, {1.0, 8, 1.0, 1}, {1.0, 7, 0.9375, 0},
        {1.0, -23, -0.9375, 0}, {1.0, -24, -1.0, -1}, {2.0, 32, 1.5, 1},
    };
    for (const LatticeCase& c : cases) {
        viewState = ViewState();
        viewState.zoom = c.zoom;
        const LatticePos p = screenToLattice(400 + c.dx, 300, 800, 600);
        EXPECT_DOUBLE_EQ(p.x, c.expected) << "zoom " << c.zoom << " dx " << c.dx;
        EXPECT_DOUBLE_EQ(p.y, 0.5);
        EXPECT_EQ(static_cast<int>(p.x), c.point) << "zoom " << c.zoom << " dx " << c.dx;
    }
    viewState = ViewState();
}

TEST(ZoomStep, ExamplesTruncateTowardZero) {
    ViewState v;
    v.panX = 7;
    ASSERT_TRUE(zoomStep(v, 120));
    EXPECT_EQ(v.panX, 8);
    EXPECT_DOUBLE_EQ(v.zoom, 1.2);
    ASSERT_TRUE(zoomStep(v, -120));
    EXPECT_EQ(v.panX, 6);
    EXPECT_DOUBLE_EQ(v.zoom, 1.0);

    ViewState n;
    n.panX = -7;
    n.panY = 7;
    ASSERT_TRUE(zoomStep(n, 1));  // any positive delta is one step in
    EXPECT_EQ(n.panX, -8);
    EXPECT_EQ(n.panY, 8);
    ViewState zero;
    ASSERT_TRUE(zoomStep(zero, 0));  // a zero delta zooms out
    EXPECT_DOUBLE_EQ(zero.zoom, 1.0 / 1.2);
}

TEST(ZoomStep, RefusedWholeAtTheBounds) {
    ViewState v;
    v.zoom = kZoomMax / 1.1;
    v.panX = 5;
    EXPECT_FALSE(zoomStep(v, 120));
    EXPECT_EQ(v.zoom, kZoomMax / 1.1);
    EXPECT_EQ(v.panX, 5);

    ViewState p;
    p.panY = -kPanLimit + 10;
    EXPECT_FALSE(zoomStep(p, 120));  // zoom itself would be fine; the pan would not
    EXPECT_EQ(p.zoom, 1.0);
    EXPECT_EQ(p.panY, -kPanLimit + 10);
    EXPECT_TRUE(zoomStep(p, -120));
}

TEST(PanStep, FollowsTheMouseAndClamps) {
    ViewState v;
    panStep(v, 100, 50, 110, 45);
    EXPECT_EQ(v.panX, -10);
    EXPECT_EQ(v.panY, 5);
    for (int i = 0; i < 100000; ++i) panStep(v, 32767, -32768, -32768, 32767);
    EXPECT_EQ(v.panX, kPanLimit);
    EXPECT_EQ(v.panY, -kPanLimit);
}

// A position's point (latticePointAt) inside the lattice, as the brush tests it.
TEST(LatticeInside, TruncationBandAndFarPositions) {
    struct Case { double x, y; bool inside; };
    const Case cases[] = {
        {0.0, 0.0, true}, {-0.999, 5, true}, {-1.0, 5, false}, {128.999, 128.999, true},
        {129.0, 3, false}, {3, 129.0, false}, {1e300, 0, false}, {-1e300, 0, false},
    };
    const GroundMap map(kMapCells, kMapCells);
    for (const Case& c : cases) EXPECT_EQ(map.insideLattice(latticePointAt({c.x, c.y})), c.inside) << c.x << ", " << c.y;
}

using Points = std::vector<std::pair<int, int>>;
Points walk(double lx, double ly, int size) {
    Points got;
    forEachBrushPoint(lx, ly, size, 128, 128, [&](int px, int py) { got.emplace_back(px, py); });
    return got;
}

TEST(BrushWalk, OrderAndClipping) {
    EXPECT_EQ(walk(10.7, 20.2, 3), (Points{{10, 20}, {10, 21}, {10, 22}, {11, 20}, {11, 21}, {11, 22},
                                           {12, 20}, {12, 21}, {12, 22}}));
    EXPECT_EQ(walk(10.0, 127.5, 3), (Points{{10, 127}, {10, 128}, {11, 127}, {11, 128}, {12, 127}, {12, 128}}));
    // Between -1 and 0 the first two columns both truncate to 0.
    EXPECT_EQ(walk(-0.5, 0.25, 2), (Points{{0, 0}, {0, 1}, {0, 0}, {0, 1}}));
    EXPECT_EQ(walk(128.9, 128.9, 5), (Points{{128, 128}}));
}

TEST(BrushWalk, HugeBrushVisitsOnlyTheGrid) {
    const Points got = walk(0.5, 0.5, INT32_MAX);
    ASSERT_EQ(got.size(), 129u * 129u);
    EXPECT_EQ(got.front(), std::make_pair(0, 0));
    EXPECT_EQ(got[1], std::make_pair(0, 1));
    EXPECT_EQ(got.back(), std::make_pair(128, 128));
}

TEST(FramePacing, IntervalAndTickWrap) {
    struct Case { uint32_t now, last; bool due; };
    const Case cases[] = {
        {1025, 1000, false}, {1026, 1000, true}, {1000, 1000, false},
        {20, 0xFFFFFFF0u, true},          // wrapped: 36 ms later
        {5, 0xFFFFFFF0u, false},          // wrapped: 21 ms later
        {0xFFFFFFF0u, 20, false},         // a clock that went back never draws at once
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameDue(c.now, c.last), c.due) << "now " << c.now << " last " << c.last;
}

// The recovery copy's timing on a fake clock: each row is one turn of the
// loop at `now` ms, with a change finished just before it or a stroke held.
TEST(RecoveryTiming, SoonAfterAChangeAtMostOnceASecondNeverInAStroke) {
    struct Turn { uint32_t now; bool change, stroke, due; const char* why; };
    const Turn turns[] = {
        {100, false, false, false, "nothing changed"},
        {200, true, false, true, "first change: at once"},
        {300, true, false, false, "second change within the second"},
        {1199, false, false, false, "still within the second"},
        {1200, false, false, true, "a second after the last write"},
        {1300, false, false, false, "written, nothing new"},
        {1400, true, true, false, "a stroke under way"},
        {2500, false, true, false, "the stroke goes on past the second"},
        {2501, false, false, true, "the stroke ended"},
        {0xFFFFFF00u, true, false, true, "long after"},
        {0x00000010u, true, false, false, "across the wrap, 272 ms later"},
        {0x000002F0u, false, false, true, "across the wrap, 1008 ms later"},
    };
    RecoveryTiming timing;
    for (const Turn& t : turns) {
        if (t.change) noteFinishedChange(timing);
        const bool due = recoveryWriteDue(timing, t.now, t.stroke);
        EXPECT_EQ(due, t.due) << t.why << " at " << t.now;
        if (due) noteRecoveryWritten(timing, t.now);
    }
}

TEST(TitleSafeText, ValidUtf8OnOneLine) {
    // "?" in `want` stands for U+FFFD.
    struct Case { std::string in, want; const char* what; };
    const Case cases[] = {
        {"plain.map", "plain.map", "ASCII"},
        {"\xD0\xBA\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0.map", "\xD0\xBA\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0.map", "two-byte"},
        {"\xE2\x82\xAC \xF0\x9F\x97\xBA \xEF\xBF\xBF \xF4\x8F\xBF\xBF", "\xE2\x82\xAC \xF0\x9F\x97\xBA \xEF\xBF\xBF \xF4\x8F\xBF\xBF",
         "three- and four-byte, up to U+10FFFF"},
        {"a\x80z", "a?z", "continuation byte alone"},
        {"a\xFFz\xFE", "a?z?", "FF and FE"},
        {"\xC0\xAF\xC1\xBF", "????", "overlong two-byte: C0 and C1 never lead"},
        {"\xE0\x80\xAF", "???", "overlong three-byte"},
        {"\xF0\x80\x80\xAF", "????", "overlong four-byte"},
        {"\xED\xA0\x80\xED\xBF\xBF", "??????", "surrogates"},
        {"\xF4\x90\x80\x80\xF5\x80", "??????", "past U+10FFFF"},
        {"\xE2\x82z", "?z", "three-byte cut short by ASCII: one U+FFFD"},
        {"\xF0\x9F\x97", "?", "four-byte cut short by the end"},
        {"\xE2\x82\xE2\x82\xAC", "?\xE2\x82\xAC", "cut short by a new lead, which is read again"},
        {"a\nb\tc\rd", "a b c d", "newline, tab, return"},
        {std::string("a\0b", 3), "a b", "NUL"},
        {"\x1B[31m\x7F", " [31m ", "escape and DEL"},
        {"x\xC2\x80\xC2\x9F\xC2\xA0y", "x  \xC2\xA0y", "C1 controls; U+00A0 stays"},
    };
    for (const Case& c : cases) {
        std::string want;
        for (char ch : c.want) want += ch == '?' ? std::string("\xEF\xBF\xBD") : std::string(1, ch);
        EXPECT_EQ(titleSafeText(c.in), want) << c.what;
    }
}

}  // namespace
