// Frames drawn into the offscreen context and read back at pixel centres
// well inside a texel (which texel an edge pixel shows differs between rasterisers).
#include "render/render_fixture.h"

#include "busy_map.h"
#include "map/symmetry_check.h"
#include "render/immediate_frame.h"
#include "shell/status_line.h"

namespace {

using glh::Rgb;
using rt::RenderTest;
using rt::tileColour;

constexpr glh::Rgb kBlack{0, 0, 0};
constexpr int kOverlayTile[5] = {176, 143, 192, 207, 159};

// Whole map in view: zoom 0.25 puts a cell on 8 pixels, the pan centres the map.
void viewWholeMap() {
    viewState.zoom = 0.25;
    viewState.panX = 256;
    viewState.panY = 256;
    applyView(glh::window());
}

// A frame drawn at the given zoom and pan in a w x h client area.
void frameAt(double zoom, int panX, int panY, int w, int h) {
    viewState.zoom = zoom;
    viewState.panX = panX;
    viewState.panY = panY;
    glh::setClientSize(w, h);
    applyView(glh::window());
    drawFrame(glh::window(), glh::deviceContext());
}

TEST_F(RenderTest, ClearedMapShowsTile176InEveryCell) {
    viewWholeMap();
    frame();
    const std::vector<uint8_t> px = glh::readClient();
    int wrong = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            int cx, cy;
            rt::worldToClient(x + 0.5, -(y + 0.5), cx, cy);
            const uint8_t* p = &px[(static_cast<size_t>(cy) * 800 + cx) * 3];
            if (Rgb{p[0], p[1], p[2]} != tileColour(176) && wrong++ < 5) {
                ADD_FAILURE() << "cell (" << x << ", " << y << "): expected " << glh::toString(tileColour(176))
                              << ", got " << glh::toString({p[0], p[1], p[2]});
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // Outside the map square only the clear colour shows.
    EXPECT_EQ(rt::RenderTest::atCell(-1, 10), kBlack);
    EXPECT_EQ(rt::RenderTest::atCell(64, 10), kBlack);
    EXPECT_EQ(rt::RenderTest::atCell(10, -1), kBlack);
    EXPECT_EQ(rt::RenderTest::atCell(10, 64), kBlack);
}

TEST_F(RenderTest, CellsSitWhereTheirIndexSaysAndShowTheirAtlasTile) {
    struct Case {
        int x, y, tile;
    };
    const Case cases[] = {{0, 0, 0}, {1, 0, 5}, {0, 1, 17}, {2, 3, 255}, {63, 0, 15}, {0, 63, 240}, {63, 63, 100}};
    for (const Case& c : cases) workingMap.tileAt(c.x, c.y) = static_cast<uint8_t>(c.tile);
    // Tile of cell (1, 0) lives at tiles[64], right of cell (0, 0).
    EXPECT_EQ(workingMap.tiles[64], 5);
    for (double zoom : {1.0, 0.25}) {
        viewState = ViewState{};
        viewState.zoom = zoom;
        if (zoom < 1) viewWholeMap();
        applyView(glh::window());
        frame();
        for (const Case& c : cases) {
            if (zoom == 1.0 && (c.x > 11 || c.y > 8)) continue;  // off screen at the start view
            for (double f : {0.2, 0.5, 0.8}) {
                const Rgb got = RenderTest::atCell(c.x, c.y, f, 1 - f);
                EXPECT_EQ(got, tileColour(c.tile)) << "zoom " << zoom << " cell (" << c.x << ", " << c.y
                                                   << ") expected tile " << c.tile << " " << glh::toString(tileColour(c.tile))
                                                   << ", got " << glh::toString(got);
            }
        }
    }
    EXPECT_EQ(RenderTest::atCell(3, 3), tileColour(176));
}

TEST_F(RenderTest, CornerOverlayHalfOpaqueInEditModeOneOnly) {
    workingMap.tileAt(1, 1) = 20;
    // Lattice points of cell (1, 1) and around: one of each kind.
    struct Point {
        int px, py, kind;
    };
    const Point points[] = {{0, 0, 0}, {2, 2, 1}, {3, 3, 2}, {4, 2, 3}, {4, 4, 4}, {3, 2, 1}};
    for (const Point& p : points) workingMap.cornerAt(p.px, p.py) = static_cast<uint8_t>(p.kind);

    for (EditMode mode : {EditMode::view, EditMode::corners, EditMode::fill}) {
        for (bool flags : {false, true}) {
            editorState.editMode = mode;
            editorState.showObjects = flags;
            viewState.mouseX = -5000;  // fill: cursor far off the lattice, so the preview keeps its tiles
            previewMap.copyFrom(workingMap);
            frame();
            for (const Point& p : points) {
                // Sample 4 pixels up-left of the lattice point: inside its 16-pixel overlay square.
                int cx, cy;
                rt::worldToClient(p.px / 2.0, -p.py / 2.0, cx, cy);
                cx -= 4;
                cy -= 4;
                const int cellX = (p.px * 16 - 4) / 32, cellY = (p.py * 16 - 4) / 32;
                const Rgb under = p.px == 0 ? kBlack : tileColour(workingMap.tileAt(cellX, cellY));
                const Rgb expected = mode == EditMode::corners ? rt::half(tileColour(kOverlayTile[p.kind]), under) : under;
                const Rgb got = glh::pixelAt(cx, cy);
                EXPECT_TRUE(rt::near(got, expected)) << "mode " << editModeName(mode) << " point (" << p.px << ", " << p.py
                                                     << ") kind " << p.kind << ": expected " << glh::toString(expected)
                                                     << ", got " << glh::toString(got);
            }
        }
    }
}

TEST_F(RenderTest, CornerOverlayReachesAQuarterCellPastTheMapEdge) {
    editorState.editMode = EditMode::corners;
    viewState.zoom = 4;  // a cell is 128 pixels, a quarter cell 32
    for (const auto& [px, py] : {std::pair<int, int>{0, 0}, {128, 128}}) {
        viewState.panX = static_cast<int>(128 * px / 2);
        viewState.panY = static_cast<int>(128 * py / 2);
        applyView(glh::window());
        frame();
        const double wx = px / 2.0, wy = -py / 2.0;
        const Rgb overlayOnBlack = rt::half(tileColour(176), kBlack);
        const double d = px == 0 ? -0.2 : 0.2;  // outward, within the quarter cell
        int cx, cy;
        rt::worldToClient(wx + d, wy - d, cx, cy);
        EXPECT_TRUE(rt::near(glh::pixelAt(cx, cy), overlayOnBlack)) << "point (" << px << ", " << py << ")";
        rt::worldToClient(wx + 1.2 * d + (d > 0 ? 0.1 : -0.1), wy - 1.2 * d - (d > 0 ? 0.1 : -0.1), cx, cy);
        EXPECT_EQ(glh::pixelAt(cx, cy), kBlack) << "beyond the overlay of point (" << px << ", " << py << ")";
    }
}

TEST_F(RenderTest, EditModeTwoShowsThePreviewMapItRebuildsFirst) {
    // Flat heights: the fill from the cursor reaches every lattice point.
    for (int x = 0; x < heightField.width; ++x)
        for (int y = 0; y < heightField.height; ++y) heightField.at(x, y) = 0.5;
    editorState.editMode = EditMode::fill;
    editorState.currentKind = TerrainKind::grass;
    viewState.mouseX = 400 + 32 * 3;  // over lattice point (6, 6)
    viewState.mouseY = 300 + 32 * 3;
    frame();
    // Kind 1 everywhere but the start point: tile 143 away from it.
    EXPECT_EQ(RenderTest::atCell(10, 7), tileColour(143));
    EXPECT_EQ(workingMap.tileAt(10, 7), 176) << "the working map stays as it was";
    // Back in view mode without a click, the unchanged working map shows again.
    editorState.editMode = EditMode::view;
    frame();
    EXPECT_EQ(RenderTest::atCell(10, 7), tileColour(176));
}

// A floating stamp shows exactly as the map with it placed at the cursor
// would, and leaves the working map alone; the selection is a yellow frame.
TEST_F(RenderTest, FloatingStampShowsAsPlacedAndTheSelectionAsAFrame) {
    editorState.editMode = EditMode::corners;
    floatingStamp.floating = true;
    floatingStamp.stamp.width = 7;
    floatingStamp.stamp.height = 5;
    floatingStamp.stamp.kinds.assign(35, 3);
    viewState.mouseX = 400 + 16 * 4;  // over lattice point (4, 2)
    viewState.mouseY = 300 + 16 * 2;
    frame();
    const std::vector<uint8_t> floating = glh::readClient();
    EXPECT_EQ(workingMap.cornerAt(5, 3), 0) << "the working map stays as it was";
    floatingStamp.floating = false;
    viewState.mouseX = viewState.mouseY = 0;  // off the map: no tool outline
    frame();
    EXPECT_NE(glh::readClient(), floating) << "the stamp did not show";
    placeStamp(workingMap, floatingStamp.stamp, 4, 2);
    frame();
    EXPECT_EQ(glh::readClient(), floating) << "the preview differs from the stamp placed";

    selection.shown = true;
    selection.from = {2, 2};
    selection.to = {0, 0};
    frame();
    int cx, cy;
    rt::worldToClient(1.25, -0.5, cx, cy);  // on the frame's right side, half a cell down
    // The rasteriser puts a line on edge pixels on either side of its position.
    const bool yellow = glh::pixelAt(cx - 1, cy) == Rgb{255, 255, 0} || glh::pixelAt(cx, cy) == Rgb{255, 255, 0};
    EXPECT_TRUE(yellow) << "no frame at (" << cx << ", " << cy << ")";
    EXPECT_NE(glh::pixelAt(cx - 4, cy), (Rgb{255, 255, 0})) << "the frame is a line, not a fill";
}

// In corner editing the brush square under the cursor is framed in white,
// and with a mirror its image too, over the cyan axis; outside corner
// editing nothing of it shows.
TEST_F(RenderTest, ToolOutlineAndSymmetryAxis) {
    editorState.editMode = EditMode::corners;
    editorState.brushSize = 2;
    editorState.symmetry = Symmetry::mirrorLeftRight;
    viewWholeMap();
    rt::worldToClient(2.1, -1.1, viewState.mouseX, viewState.mouseY);  // over lattice point (4, 2)
    frame();
    auto lineNear = [](double wx, double wy, Rgb colour) {
        int cx, cy;
        rt::worldToClient(wx, wy, cx, cy);
        return glh::pixelAt(cx - 1, cy) == colour || glh::pixelAt(cx, cy) == colour;
    };
    const Rgb white{255, 255, 255}, cyan{0, 255, 255};
    // Points (4..5, 2..3): the frame's right side at x = 2.5 + 0.25, its image's left side at 64 - 2.75.
    EXPECT_TRUE(lineNear(2.75, -1.25, white)) << "no outline";
    EXPECT_TRUE(lineNear(64 - 2.75, -1.25, white)) << "no outline of the image";
    EXPECT_TRUE(lineNear(32, -10.5, cyan)) << "no axis";
    editorState.editMode = EditMode::view;
    frame();
    EXPECT_FALSE(lineNear(2.75, -1.25, white) || lineNear(32, -10.5, cyan)) << "outline or axis outside corner editing";
}

// K's marks: a magenta square at 70% on each point unlike its image, the
// size of a corner-overlay point, and a magenta frame around the cells of an
// object without a twin, over the objects; none with K or symmetry off,
// none under the height overlay, and none once the map is mended.
TEST_F(RenderTest, SymmetryMarksOnPointsAndObjects) {
    viewWholeMap();  // a cell is 8 pixels, a point's square 4
    workingMap.paintCorner(10, 20, 2);
    structureList.push_back({0, 0, 14, 0, 3 * 64 + 5});  // one cell at (5, 3), no twin at (58, 3)
    structureList.push_back({0, 0, 14, 0, 7 * 64 + 8});  // (8, 7) and its twin at (55, 7)
    structureList.push_back({0, 0, 14, 0, 7 * 64 + 55});
    editorState.symmetry = Symmetry::mirrorLeftRight;
    std::vector<LatticePoint> unlike;
    ASSERT_GT(findUnlikeImage(workingMap, editorState.symmetry, unlike), 1);
    // The pixel whose centre lies 1.5 pixels right of and below point p: inside
    // its square and inside the cell below and right of it.
    const auto nearPoint = [](LatticePoint p) {
        int cx, cy;
        rt::worldToClient(p.x / 2.0 + 1.5 / 8, -p.y / 2.0 - 1.5 / 8, cx, cy);
        return glh::pixelAt(cx, cy);
    };
    const auto marked = [](const Rgb& under) {
        return Rgb{static_cast<int>(std::lround(0.7 * 255 + 0.3 * under.r)), static_cast<int>(std::lround(0.3 * under.g)),
                   static_cast<int>(std::lround(0.7 * 255 + 0.3 * under.b))};
    };
    const auto tileBelowRight = [](LatticePoint p) { return tileColour(workingMap.tileAt(p.x / 2, p.y / 2)); };
    // A side of a cell's frame: the pixel either side of the boundary, as the rasteriser picks one.
    const Rgb magenta{255, 0, 255};
    const auto frameAt = [&](double wx, double wy) {
        int cx, cy;
        rt::worldToClient(wx, wy, cx, cy);
        return glh::pixelAt(cx - 1, cy) == magenta || glh::pixelAt(cx, cy) == magenta;
    };
    const LatticePoint alike{30, 40};

    frame();
    EXPECT_EQ(nearPoint(unlike[0]), tileBelowRight(unlike[0])) << "K is off";
    editorState.symmetryMarks = true;
    frame();
    for (const LatticePoint& p : unlike)
        EXPECT_TRUE(rt::near(nearPoint(p), marked(tileBelowRight(p)), 2))
            << "point (" << p.x << ", " << p.y << "): " << glh::toString(nearPoint(p));
    EXPECT_EQ(nearPoint(alike), tileBelowRight(alike));
    EXPECT_TRUE(frameAt(5, -3.5) && frameAt(6, -3.5)) << "no frame around the structure without a twin";
    EXPECT_FALSE(frameAt(8, -7.5) || frameAt(55, -7.5)) << "a frame around a twin";
    EXPECT_EQ(RenderTest::atCell(5, 3), rt::blockColour(9, 2)) << "the frame fills the cell";

    editorState.heightOverlay = true;
    frame();
    EXPECT_EQ(nearPoint(unlike[0]), kBlack) << "the height overlay hides the marks";
    EXPECT_FALSE(frameAt(5, -3.5));
    editorState.heightOverlay = false;
    editorState.symmetry = Symmetry::off;
    frame();
    EXPECT_EQ(nearPoint(unlike[0]), tileBelowRight(unlike[0])) << "symmetry off";
    editorState.symmetry = Symmetry::mirrorLeftRight;
    mendSymmetry(workingMap, editorState.symmetry, {10, 20});
    structureList.resize(1);
    structureList[0].position = 7 * 64 + 8;  // moved to (8, 7), where it has no twin now
    frame();
    for (const LatticePoint& p : unlike) EXPECT_EQ(nearPoint(p), tileBelowRight(p)) << "mended, yet marked";
    EXPECT_TRUE(frameAt(8, -7.5) && !frameAt(5, -3.5)) << "the frame did not follow the object";
}

// The status strip darkens the bottom 16 rows to 40% and writes white
// letters on them, touches nothing above, and makes its letters again only
// when the text changes.
TEST_F(RenderTest, StatusStripAlongTheBottom) {
    const Rgb tile = tileColour(176);
    const Rgb dimmed{(tile.r * 4 + 5) / 10, (tile.g * 4 + 5) / 10, (tile.b * 4 + 5) / 10};
    for (const auto& [w, h] : {std::pair<int, int>{800, 600}, {640, 480}}) {
        glh::setClientSize(w, h);
        applyView(glh::window());
        viewState.mouseX = w / 2 + 64;  // over lattice point (4, 4)
        viewState.mouseY = h / 2 + 64;
        editorState.statusLine = true;
        frame();
        const std::vector<uint8_t> on = glh::readClient();
        EXPECT_TRUE(rt::near(glh::pixelAt(w - 3, h - 8), dimmed, 2)) << glh::toString(glh::pixelAt(w - 3, h - 8));
        EXPECT_EQ(glh::pixelAt(w - 3, h - 17), tile) << "above the strip";
        EXPECT_EQ(glh::pixelAt(3, h - 8), kBlack) << "the clear colour dimmed";
        int letters = 0, stray = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = &on[(static_cast<size_t>(y) * w + x) * 3];
                if (p[0] != 255 || p[1] != 255 || p[2] != 255) continue;
                // The letters' nine rows, 3 below the strip's top edge.
                if (y >= h - 13 && y < h - 4) ++letters;
                else ++stray;
            }
        EXPECT_GT(letters, 200) << w << " x " << h;
        EXPECT_EQ(stray, 0) << w << " x " << h;

        const int64_t builds = overlayBuilds.text;
        frame();
        viewState.mouseX += 3;  // still over point (4, 4): the same text
        frame();
        EXPECT_EQ(overlayBuilds.text, builds) << "an unchanged text was built again";
        EXPECT_EQ(glh::readClient(), on);
        viewState.mouseX += 16;  // point (5, 4)
        frame();
        EXPECT_EQ(overlayBuilds.text, builds + 1);
        EXPECT_NE(glh::readClient(), on);

        editorState.statusLine = false;
        frame();
        EXPECT_EQ(glh::pixelAt(w - 3, h - 8), tile) << "Tab turned the strip off";
        EXPECT_EQ(shownStatusText, "");
    }
}

// The grid at zoom 0.5 with the map centred (cells of 16 pixels, the
// centre lines through the window's centre), and thinned to the eighth and
// centre lines where a cell is under 6 pixels. Each line takes the first
// pixel column or row of the cell after its boundary; a crossing shows the
// stronger line, once.
TEST_F(RenderTest, GridLinesAndTheirStrengths) {
    const Rgb tile = tileColour(176);
    auto mix = [&](Rgb over, double a) {
        return Rgb{static_cast<int>(std::lround(over.r * a + tile.r * (1 - a))),
                   static_cast<int>(std::lround(over.g * a + tile.g * (1 - a))),
                   static_cast<int>(std::lround(over.b * a + tile.b * (1 - a)))};
    };
    const Rgb ordinary = mix(kBlack, 0.25), eighth = mix({255, 255, 255}, 0.35), centre = mix({255, 255, 0}, 0.6);
    editorState.grid = true;
    viewState.zoom = 0.5;
    viewState.panX = viewState.panY = 512;
    applyView(glh::window());
    frame();
    // Boundary k lies at x = 16k - 112 and y = 16k - 212.
    struct Probe {
        int x, y;
        Rgb expected;
        const char* what;
    };
    const Probe probes[] = {
        {280, 308, tile, "a cell's inside"},          {288, 308, ordinary, "boundary 25"},
        {289, 308, tile, "the pixel after it"},       {272, 308, eighth, "boundary 24"},
        {400, 308, centre, "the centre column"},      {280, 300, centre, "the centre row"},
        {280, 316, ordinary, "row boundary 33"},      {280, 172, eighth, "row boundary 24"},
        {400, 300, centre, "centre lines crossing"},  {288, 300, centre, "the centre row over an ordinary column"},
        {400, 316, centre, "the centre column over an ordinary row"},
        {272, 172, eighth, "eighth lines crossing"},  {288, 316, ordinary, "ordinary lines crossing"},
    };
    for (const Probe& p : probes)
        EXPECT_TRUE(rt::near(glh::pixelAt(p.x, p.y), p.expected, 2))
            << p.what << " at (" << p.x << ", " << p.y << "): expected " << glh::toString(p.expected) << ", got "
            << glh::toString(glh::pixelAt(p.x, p.y));
    const int64_t builds = overlayBuilds.grid;
    frame();
    EXPECT_EQ(overlayBuilds.grid, builds) << "the same view built its grid again";

    // 4.8 pixels a cell: boundary 1 (x = 250.8) gives way, 8 (x = 284.4) stays.
    viewState.zoom = 0.15;
    viewState.panX = viewState.panY = 154;
    applyView(glh::window());
    frame();
    EXPECT_EQ(overlayBuilds.grid, builds + 1);
    EXPECT_EQ(glh::pixelAt(251, 162), tile) << "an ordinary line on cells under 6 pixels";
    EXPECT_TRUE(rt::near(glh::pixelAt(284, 162), eighth, 2)) << glh::toString(glh::pixelAt(284, 162));

    // Under the height overlay the map square shows the heights only.
    editorState.heightOverlay = true;
    frame();
    const Rgb under = glh::pixelAt(283, 162);
    EXPECT_EQ(glh::pixelAt(284, 162), under) << "the grid shows through the height overlay";
    editorState.heightOverlay = false;
    editorState.grid = false;
    frame();
    EXPECT_EQ(glh::pixelAt(284, 162), tile) << "Ctrl+G turned the grid off";
}

// Away from zoom 1 a pixel centre can lie on a cell's very edge; there each
// cell must still show its own tile, never a texel of the tile beside it in
// the atlas (a seam of another colour along the cells' edges). Every pixel
// of the cleared map in view is tile 176's colour.
TEST_F(RenderTest, NoSeamsBetweenCellsAtAnyZoom) {
    struct Case {
        double zoom;
        int panX, panY, w, h;
    };
    const double home = 0.9 * 600 / 2048;
    const Case cases[] = {
        {home, 270, 270, 800, 600},         {home * 1.2, 324, 324, 800, 600}, {home * 1.44, 388, 388, 800, 600},
        {1 / 1.2, 0, 0, 800, 600},           {1.2, 0, 0, 800, 600},            {0.5, 100, 37, 800, 600},
        {2.5, 1000, 900, 800, 600},          {0.9 * 333 / 2048, 166, 166, 701, 333}, {1 / 1.44, -3, 5, 701, 333},
    };
    const Rgb tile = tileColour(176);
    for (const Case& c : cases) {
        frameAt(c.zoom, c.panX, c.panY, c.w, c.h);
        const std::vector<uint8_t> px = glh::readClient();
        const double cell = 32 * c.zoom;
        const double left = c.w / 2.0 - c.panX, top = c.h / 2.0 - c.panY;
        int wrong = 0;
        for (int y = 0; y < c.h; ++y) {
            for (int x = 0; x < c.w; ++x) {
                // Pixels whose centre lies on the map's own border may show the clear colour.
                const double fx = x + 0.5 - left, fy = y + 0.5 - top;
                if (fx < 0.01 || fy < 0.01 || fx > 64 * cell - 0.01 || fy > 64 * cell - 0.01) continue;
                const uint8_t* p = &px[(static_cast<size_t>(y) * c.w + x) * 3];
                if (Rgb{p[0], p[1], p[2]} == tile) continue;
                if (wrong++ < 3)
                    ADD_FAILURE() << "zoom " << c.zoom << " pan (" << c.panX << ", " << c.panY << ") client " << c.w
                                  << " x " << c.h << ": pixel (" << x << ", " << y << ") shows "
                                  << glh::toString({p[0], p[1], p[2]});
            }
        }
        EXPECT_EQ(wrong, 0) << "zoom " << c.zoom;
    }
}

TEST_F(RenderTest, HeightOverlayIsOpaqueOverTheWholeMap) {
    // Grey level of texel (x, y) is (3x + 5y) mod 256: every texel told from its neighbours.
    for (int x = 0; x < 128; ++x)
        for (int y = 0; y < 128; ++y) heightField.at(x, y) = ((3 * x + 5 * y) % 256) / 255.0;
    remakeHeightTexture();
    editorState.editMode = EditMode::corners;  // the corner overlay and a structure are hidden under it
    editorState.heightOverlay = true;
    structureList.push_back({0, 0, 2, 0, 0});
    viewWholeMap();
    frame();
    const std::vector<uint8_t> px = glh::readClient();
    int wrong = 0;
    for (int y = 0; y < 128; y += 3) {
        for (int x = 0; x < 128; x += 3) {
            int cx, cy;
            rt::worldToClient((x + 0.5) / 2, -(y + 0.5) / 2, cx, cy);  // texel (x, y) spans lattice x..x+1
            const uint8_t* p = &px[(static_cast<size_t>(cy) * 800 + cx) * 3];
            const int g = (3 * x + 5 * y) % 256;
            if ((p[0] != g || p[1] != g || p[2] != g) && wrong++ < 5) {
                ADD_FAILURE() << "texel (" << x << ", " << y << "): expected grey " << g << ", got "
                              << glh::toString({p[0], p[1], p[2]});
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // Outside the map square the overlay does not reach: the corner overlay's rim shows there.
    int cx, cy;
    rt::worldToClient(-0.125, 0.125, cx, cy);
    EXPECT_TRUE(rt::near(glh::pixelAt(cx, cy), rt::half(tileColour(176), kBlack)));
}

TEST_F(RenderTest, ViewFollowsZoomPanAndClientSize) {
    workingMap.tileAt(5, 4) = 77;
    struct Case {
        double zoom;
        int panX, panY, w, h;
    };
    const Case cases[] = {
        {1.0, 0, 0, 800, 600},   {2.0, 200, 100, 800, 600},    {0.5, -100, 40, 800, 600}, {1.2, 170, 130, 800, 600},
        {1.0, 0, 0, 640, 480},   {0.25, 64, 48, 400, 300}, {3.0, 600, 500, 800, 600}, {0.8333, 30, -20, 701, 333},
    };
    for (const Case& c : cases) {
        frameAt(c.zoom, c.panX, c.panY, c.w, c.h);
        for (double f : {0.3, 0.5, 0.7}) {
            const Rgb got = RenderTest::atCell(5, 4, f, f);
            EXPECT_EQ(got, tileColour(77)) << "zoom " << c.zoom << " pan (" << c.panX << ", " << c.panY << ") client "
                                           << c.w << " x " << c.h << ": got " << glh::toString(got);
        }
        EXPECT_EQ(RenderTest::atCell(5, 4, 1.5, 0.5), tileColour(176));
        EXPECT_EQ(RenderTest::atCell(5, 4, -0.5, 0.5), tileColour(176));
    }
}

TEST_F(RenderTest, EmptyClientAreaKeepsTheLastViewUntilARealSize) {
    workingMap.tileAt(2, 2) = 99;
    viewState.zoom = 2;
    applyView(glh::window());
    glh::setClientSize(0, 0);  // minimised
    viewState.zoom = 3;        // a wheel step while minimised
    applyView(glh::window());  // must neither fail nor change the projection
    glh::setClientSize(800, 0);
    applyView(glh::window());
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (const GLfloat v : projection) EXPECT_TRUE(std::isfinite(v));
    EXPECT_FLOAT_EQ(projection[0], 2 * 64 / 800.0f) << "projection of the last real size";
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    glh::setClientSize(800, 600);
    applyView(glh::window());  // restored, with the zoom of now
    frame();
    EXPECT_EQ(RenderTest::atCell(2, 2), tileColour(99));
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 3 * 64 / 800.0f);
}

TEST_F(RenderTest, FrameLeavesTheModelviewMatrixBlendingAndArraysAsFound) {
    editorState.editMode = EditMode::corners;
    editorState.symmetry = Symmetry::halfTurn;  // with marks of both kinds
    editorState.symmetryMarks = true;
    workingMap.paintCorner(3, 3, 4);
    tileObjectList.push_back({0, 1, 0, 64 + 1, 0, 0});
    frame();
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The frame from vertex arrays against the immediate-mode reference on a busy
// map with a mission: every pixel, edges too, as both come from the same
// rasteriser. Each case first edits the map and the mission in place, so
// arrays kept from the case before would show.
TEST_F(RenderTest, ArrayFrameIsTheImmediateFramePixelForPixel) {
    makeBusyMap(workingMap);
    fillRandomHeightField(heightField);
    remakeHeightTexture();
    for (int i = 0; i < 300; ++i) {
        structureList.push_back({0, 0, static_cast<int16_t>(i % 21 - 1), 0, static_cast<int16_t>(i * 37 % 4300 - 100)});
        tileObjectList.push_back({0, static_cast<int16_t>(i * 11 % 300), 0, static_cast<int16_t>(i * 53 % 4096), 0, 0});
    }
    enum View { start, whole, edge };
    struct Case {
        EditMode mode;
        bool objects, heights, stamp;
        View view;
    };
    const Case cases[] = {
        {EditMode::view, false, false, false, start},   {EditMode::view, true, false, false, whole},
        {EditMode::view, false, true, false, edge},     {EditMode::view, true, true, false, start},
        {EditMode::corners, false, false, false, whole}, {EditMode::corners, true, false, false, edge},
        {EditMode::corners, false, true, false, start},  {EditMode::corners, true, true, false, whole},
        {EditMode::corners, true, false, true, whole},   {EditMode::corners, false, false, true, start},
        {EditMode::fill, false, false, false, edge},     {EditMode::fill, true, false, false, start},
        {EditMode::fill, false, true, false, whole},     {EditMode::fill, true, true, false, edge},
        {EditMode::corners, true, false, false, start},
    };
    const char* const viewNames[] = {"start view", "whole map", "zoomed in at the bottom-right edge"};
    int n = 0;
    for (const Case& c : cases) {
        workingMap.paintCorner(n * 17 % 129, n * 29 % 129, n % 5);
        structureList[n].position = static_cast<int16_t>(n * 130);
        tileObjectList[n].texCell = static_cast<int16_t>(n * 7);
        ++n;
        editorState.editMode = c.mode;
        editorState.showObjects = c.objects;
        editorState.heightOverlay = c.heights;
        editorState.currentKind = TerrainKind::grass;
        editorState.statusLine = n % 2 == 1;  // the strip over every kind of frame now and then
        floatingStamp.floating = c.stamp;
        floatingStamp.stamp.width = 9;
        floatingStamp.stamp.height = 7;
        floatingStamp.stamp.kinds.assign(63, 4);
        // Zoom and pan; at the edge, the map's bottom-right corner 100 pixels
        // right of and 50 below the window's centre.
        const double zooms[] = {1, 0.25, 4};
        const int pans[][2] = {{0, 0}, {256, 256}, {8192 - 100, 8192 - 50}};
        viewState.zoom = zooms[c.view];
        viewState.panX = pans[c.view][0];
        viewState.panY = pans[c.view][1];
        viewState.mouseX = 430;  // fill and stamp: the cursor over the map in every view
        viewState.mouseY = 310;
        applyView(glh::window());
        drawFrameImmediate(glh::window(), glh::deviceContext());
        const std::vector<uint8_t> expected = glh::readClient();
        frame();
        const std::vector<uint8_t> got = glh::readClient();
        ASSERT_EQ(got.size(), expected.size());
        int wrong = 0;
        for (size_t p = 0; p < got.size(); p += 3) {
            if (got[p] == expected[p] && got[p + 1] == expected[p + 1] && got[p + 2] == expected[p + 2]) continue;
            if (wrong++ < 3) {
                ADD_FAILURE() << "mode " << editModeName(c.mode) << (c.objects ? ", objects" : "")
                              << (c.heights ? ", heights" : "") << (c.stamp ? ", stamp" : "") << ", "
                              << viewNames[c.view] << ": pixel (" << p / 3 % 800 << ", " << p / 3 / 800 << ") expected "
                              << glh::toString({expected[p], expected[p + 1], expected[p + 2]}) << ", got "
                              << glh::toString({got[p], got[p + 1], got[p + 2]});
            }
        }
        EXPECT_EQ(wrong, 0) << "case " << n;
    }
}

}  // namespace
