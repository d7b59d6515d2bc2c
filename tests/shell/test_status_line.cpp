// The status line's text for the cursor, each drag, a floating stamp, the
// bucket, the fill and the zoom, reached through the window's messages.
#include <functional>

#include "map/paint_tools.h"
#include "shell/status_line.h"
#include "shell/view_steps.h"
#include "shell_test.h"

namespace {

using namespace shell_test;

// Text for the fake 800 x 600 client area, after the fill's preview step as
// the frame runs it.
std::string statusText() {
    if (editorState.editMode == EditMode::fill) previewFill(800, 600);
    std::string text;
    buildStatusText(800, 600, text);
    return text;
}

void moveTo(double lx, double ly, WPARAM buttons = 0) { send(WM_MOUSEMOVE, buttons, latticeAt(lx, ly)); }

// A left press at one lattice position and a move to another, held.
void leftDrag(double x0, double y0, double x1, double y1) {
    fakeHost().leftDown = true;
    send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(x0, y0));
    moveTo(x1, y1, MK_LBUTTON);
}

TEST_F(Shell, StatusLineTexts) {
    struct Case {
        const char* what;
        std::function<void()> steps;
        const char* expected;
    };
    const Case cases[] = {
        {"at start, the cursor in the window's corner", [] {}, "outside the map  zoom 100%"},
        {"over the map's middle",
         [] {
             heightField.at(64, 64) = 0.528;
             moveTo(64.5, 64.5);
         },
         "point 64,64  cell 32,32  tile 176  kind 0 (sand)  height 0.53  zoom 100%"},
        {"half a step before the first point is still point 0",
         [] { moveTo(-0.4, -0.4); }, "point 0,0  cell 0,0  tile 176  kind 0 (sand)  height 0.00  zoom 100%"},
        {"the last point lies in the last cell",
         [] {
             workingMap.paintCorner(128, 128, 4);
             heightField.at(128, 128) = 1;
             moveTo(128.5, 128.5);
         },
         "point 128,128  cell 63,63  tile 147  kind 4 (water)  height 1.00  zoom 100%"},
        {"one step past the last point", [] { moveTo(129.5, 3.5); }, "outside the map  zoom 100%"},
        {"a held line",
         [] {
             key('L');
             leftDrag(2.5, 2.5, 9.5, 5.5);
         },
         "point 9,5  cell 4,2  tile 176  kind 0 (sand)  height 0.00  line 8 points  zoom 100%"},
        {"a held line, the cursor off the map",
         [] {
             key('L');
             leftDrag(2.5, 2.5, -30, 5.5);
         },
         "outside the map  line 4 points  zoom 100%"},
        {"a held rectangle, dragged up and left",
         [] {
             key('A');
             leftDrag(9.5, 5.5, 2.5, 2.5);
         },
         "point 2,2  cell 1,1  tile 176  kind 0 (sand)  height 0.00  rectangle 8 x 4 points  zoom 100%"},
        {"a Ctrl+drag selection, and after the release",
         [] {
             key('E');
             fakeHost().ctrlDown = true;
             leftDrag(1.5, 1.5, 4.5, 6.5);
             fakeHost().leftDown = fakeHost().ctrlDown = false;
             send(WM_LBUTTONUP, 0, latticeAt(4.5, 6.5));
         },
         "point 4,6  cell 2,3  tile 176  kind 0 (sand)  height 0.00  selection 4 x 6 points  zoom 100%"},
        {"a floating stamp, turned",
         [] {
             fakeHost().clipboard = "VornGroundEditor stamp 1 3 2\n012\n340\n";
             fakeHost().clipboardHolds = true;
             ctrlKey('V');
             key('Z');
             moveTo(10.5, 10.5);
         },
         "point 10,10  cell 5,5  tile 176  kind 0 (sand)  height 0.00  stamp 2 x 3  zoom 100%"},
        {"the bucket over its own kind",
         [] {
             key('B');
             moveTo(20.5, 20.5);
         },
         "point 20,20  cell 10,10  tile 176  kind 0 (sand)  height 0.00  region 0 points  zoom 100%"},
        {"the bucket over another kind",
         [] {
             key('B');
             key('1');
             moveTo(20.5, 20.5);
         },
         "point 20,20  cell 10,10  tile 176  kind 0 (sand)  height 0.00  region 16641 points  zoom 100%"},
        {"the bucket held: the region where it was pressed",
         [] {
             workingMap.paintCorner(40, 40, 2);
             key('B');
             key('1');
             leftDrag(40.5, 40.5, -30, 20.5);
         },
         "outside the map  region 1 points  zoom 100%"},
        {"the bucket off the map", [] { key('B'); key('1'); moveTo(-30, 20.5); }, "outside the map  zoom 100%"},
        {"fill mode on flat heights: every point but the start",
         [] {
             for (int i = 0; i < 129 * 129; ++i) heightField.values[i] = 0.5;
             key('F');
             moveTo(6.5, 6.5);
         },
         "point 6,6  cell 3,3  tile 176  kind 0 (sand)  height 0.50  fill 16640 points  zoom 100%"},
        {"fill mode off the map", [] { key('F'); }, "outside the map  zoom 100%"},
        {"symmetry on: the points unlike their image, before the zoom",
         [] {
             workingMap.corners[10 * 129 + 3] = 1;  // unlike its image (125, 10), and that unlike it
             key('V');
         },
         "outside the map  unlike their image: 2  zoom 100%"},
        {"and with a mission, its objects without a twin, after a held line's size",
         [] {
             tileObjectList = {{0, 7, 0, 64 + 1, 0, 0}};
             key('V');
             key('L');
             leftDrag(2.5, 2.5, 9.5, 5.5);
         },
         "point 9,5  cell 4,2  tile 176  kind 0 (sand)  height 0.00  line 8 points  unlike their image: 0  "
         "objects without twin: 1  zoom 100%"},
        {"one wheel step in", [] { send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120)); }, "outside the map  zoom 120%"},
        {"one wheel step out", [] { send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120))); },
         "outside the map  zoom 83%"},
        {"Home: the whole map, cursor over its middle",
         [] {
             key(VK_HOME);
             send(WM_MOUSEMOVE, 0, at(400, 300));
         },
         "point 64,64  cell 32,32  tile 176  kind 0 (sand)  height 0.00  zoom 26%"},
        {"the zoom's bounds", [] { viewState.zoom = kZoomMin; }, "outside the map  zoom 0%"},
        {"the zoom's bounds, in: the window's corner is a step from the map's",
         [] { viewState.zoom = kZoomMax; },
         "point 0,0  cell 0,0  tile 176  kind 0 (sand)  height 0.00  zoom 100000000000%"},
    };
    for (const Case& c : cases) {
        SetUp();
        for (int i = 0; i < 129 * 129; ++i) heightField.values[i] = 0;
        c.steps();
        EXPECT_EQ(statusText(), c.expected) << c.what;
        fakeHost().leftDown = false;
        send(WM_LBUTTONUP, 0, at(0, 0));
    }
}

// The bucket's count comes from the lattice's regions, found again only
// when the lattice changed: after any paint, a new kind or a new point it
// is the plain count of bucketPoints.
TEST_F(Shell, StatusLineRegionCountFollowsEveryChange) {
    key('B');
    moveTo(5.5, 5.5);
    uint32_t seed = 7;
    auto next = [&seed](int below) {
        seed = seed * 214013u + 2531011u;
        return static_cast<int>((seed >> 16) & 0x7FFF) % below;
    };
    std::vector<LatticePoint> points;
    for (int step = 0; step < 300; ++step) {
        switch (next(4)) {
        case 0: workingMap.paintCorner(next(129), next(129), next(5)); break;
        case 1: editorState.currentKind = static_cast<TerrainKind>(next(5)); break;
        default: moveTo(next(20) + 0.5, next(20) + 0.5); break;
        }
        const LatticePoint at = cursorPoint(800, 600);
        bucketPoints(workingMap, at, static_cast<int32_t>(editorState.currentKind), points);
        const std::string field = "region " + std::to_string(points.size()) + " points";
        ASSERT_NE(statusText().find(field), std::string::npos) << "step " << step << ": " << statusText();
    }
}

}  // namespace
