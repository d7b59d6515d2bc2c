// Structures and tile objects drawn over the ground.
#include "render/render_fixture.h"

namespace {

using glh::Rgb;
using rt::blockColour;
using rt::RenderTest;
using rt::tileColour;

StructureRecord structure(int sprite, int position) {
    return {0, 0, static_cast<int16_t>(sprite), 0, static_cast<int16_t>(position)};
}
TileObjectRecord tileObject(int texCell, int position) {
    return {0, static_cast<int16_t>(texCell), 0, static_cast<int16_t>(position), 0, 0};
}

TEST_F(RenderTest, StructuresCoverTheirCellsWithTheirSpriteRectangles) {
    struct Case {
        int sprite, position;
        int x, y, cw, ch;  // top-left cell and size in cells
        int bx, by;        // top-left 32-pixel block of the sprite rectangle
    };
    const Case cases[] = {
        {2, 0, 0, 0, 3, 3, 0, 0},       {14, 132, 4, 2, 1, 1, 9, 2},  {0, 5, 5, 0, 1, 1, 14, 0},
        {1, 7, 7, 0, 2, 2, 14, 0},      {3, 64 * 4, 0, 4, 3, 2, 3, 0}, {18, 64 * 4 + 4, 4, 4, 2, 2, 14, 2},
        {11, 64 * 7 + 8, 8, 7, 3, 3, 0, 3}, {13, 64 * 4 + 9, 9, 4, 3, 2, 6, 2},
    };
    for (const Case& c : cases) structureList.push_back(structure(c.sprite, c.position));
    viewState.panX = 160;  // cells 0..12 across and 0..8 down in view
    viewState.panY = 130;
    applyView(glh::window());
    frame();
    for (const Case& c : cases) {
        for (int j = 0; j < c.ch; ++j) {
            for (int i = 0; i < c.cw; ++i) {
                const Rgb got = RenderTest::atCell(c.x + i, c.y + j);
                const Rgb expected = blockColour(c.bx + i, c.by + j);
                EXPECT_EQ(got, expected) << "sprite " << c.sprite << " cell (" << c.x + i << ", " << c.y + j
                                         << "): expected " << glh::toString(expected) << ", got " << glh::toString(got);
            }
        }
    }
    EXPECT_EQ(RenderTest::atCell(3, 0), tileColour(176)) << "right of the 3 x 3 sprite";
    EXPECT_EQ(RenderTest::atCell(0, 3), tileColour(176)) << "below the 3 x 3 sprite";
}

TEST_F(RenderTest, SpriteIndexOutsideTheTableDrawsNothing) {
    for (int sprite : {-1, 19, 200, -32768, 32767}) structureList.push_back(structure(sprite, 64 + 1));
    structureList.push_back(structure(15, 64 + 3));
    frame();
    EXPECT_EQ(RenderTest::atCell(1, 1), tileColour(176));
    EXPECT_EQ(RenderTest::atCell(3, 1), blockColour(10, 2)) << "records after a bad one still draw";
}

TEST_F(RenderTest, TileObjectsShowTheirHeightTextureCellOverStructures) {
    // Grey of height texel (x, y) = x + y: readable back to the texel.
    for (int x = 0; x < 128; ++x)
        for (int y = 0; y < 128; ++y) heightField.at(x, y) = (x + y) / 255.0;
    remakeHeightTexture();
    structureList.push_back(structure(2, 0));       // under the tile object at (1, 1)
    tileObjectList.push_back(tileObject(35, 65));   // row 2, column 3 of a 16 x 16 grid
    tileObjectList.push_back(tileObject(0, 64 * 2 + 2));
    viewState.zoom = 4;  // a cell is 128 pixels, a height texel (1/8 of it) 16
    viewState.panX = 128 * 2;
    viewState.panY = 128;
    applyView(glh::window());
    frame();
    struct Probe {
        int cellX, cellY, texCol, texRow;
    };
    for (const Probe& p : {Probe{1, 1, 3, 2}, Probe{2, 2, 0, 0}}) {
        for (int ty = 0; ty < 8; ty += 3) {
            for (int tx = 0; tx < 8; tx += 3) {
                const int texelX = p.texCol * 8 + tx, texelY = p.texRow * 8 + ty;
                // Grid cells count rows from the texture's top (t = 1), texel rows from t = 0.
                const int row = 127 - texelY;
                const int grey = texelX + row;
                                const Rgb got = RenderTest::atCell(p.cellX, p.cellY, (tx + 0.5) / 8, (ty + 0.5) / 8);
                EXPECT_EQ(got, (Rgb{grey, grey, grey}))
                    << "tile object at cell (" << p.cellX << ", " << p.cellY << ") texel (" << texelX << ", " << row
                    << "): got " << glh::toString(got);
            }
        }
    }
}

TEST_F(RenderTest, ObjectDisplayFlagAndPositionsOutsideTheMap) {
    structureList.push_back(structure(15, -1));     // cell (63, 0)
    structureList.push_back(structure(16, -65));    // cell (63, -1), a row above the map
    structureList.push_back(structure(17, 64 * 63 + 63));  // reaches past the bottom-right corner
    viewState.zoom = 0.25;
    viewState.panX = 256;
    viewState.panY = 256;
    applyView(glh::window());
    frame();
    EXPECT_EQ(RenderTest::atCell(63, 0), blockColour(10, 2));
    EXPECT_EQ(RenderTest::atCell(63, -1), blockColour(11, 2));
    EXPECT_EQ(RenderTest::atCell(64, 64), blockColour(13, 3));

    editorState.showObjects = false;
    frame();
    EXPECT_EQ(RenderTest::atCell(63, 0), tileColour(176));
    EXPECT_EQ(RenderTest::atCell(63, -1), (Rgb{0, 0, 0}));
    EXPECT_EQ(structureList.size(), 3u) << "hiding keeps the records";
}

}  // namespace
