// One frame: tile layer, corner overlay, mission objects, grid, height
// overlay, the tools' marks, status strip. The layers' quads live in vertex
// arrays, filled when what they show changes.
#include <windows.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/mission_draw.h"
#include "files/quad_array.h"
#include "map/ground_map.h"
#include "shell/editor_state.h"
#include "shell/paint_tool_table.h"
#include "shell/render.h"
#include "shell/symmetry_marks.h"

namespace {

// Tile index shown at half opacity over each lattice point in corner editing, by terrain kind.
constexpr uint8_t kCornerOverlayTiles[kTerrainKinds] = {176, 143, 192, 207, 159};

// Texture rectangle of a tile in the 16 x 16 atlas. The atlas went up bottom
// row first, so a tile's top edge has the larger t.
struct TileRect {
    double s0, s1, t0, t1;
};

TileRect tileRect(uint8_t tile) {
    const int32_t c = tile & 15;
    const int32_t r = tile >> 4;
    return {c / 16.0, (c + 1) / 16.0, 1.0 - r / 16.0, 1.0 - (r + 1) / 16.0};
}

// A grid's quads and the bytes they were made from: filled again only when
// the grid to draw differs in size or content. Content, not identity: the
// fill and a floating stamp rebuild the preview map every frame.
struct GridQuads {
    int32_t width = -1, height = -1;
    double inset = 0;  // the tile layer's texel inset the quads were made with
    std::vector<uint8_t> bytes;
    QuadArray quads;

    // Whether the quads need filling for this grid; keeps its bytes if so.
    bool stale(int32_t w, int32_t h, const uint8_t* grid, size_t n, double texelInset = 0) {
        if (w == width && h == height && texelInset == inset && n == bytes.size() &&
            (n == 0 || std::memcmp(grid, bytes.data(), n) == 0))
            return false;
        width = w;
        height = h;
        inset = texelInset;
        bytes.assign(grid, grid + n);
        quads.clear();
        return true;
    }
};

// What the frame keeps between frames: each layer's quads, filled again
// only when what they show changes.
struct Layers {
    GridQuads tiles;    // the tile layer of the map drawn
    GridQuads corners;  // the corner overlay of the working (or preview) map
};
Layers layers;

// Draws the quads of a row-major grid (`columns` across, anchors `step`
// apart from the origin, x right and rows down, each quad within a step of its
// anchor) that may reach the view, in their order: the rows in view, each cut
// to the columns in view. Quads wholly outside the view would show nothing,
// yet the driver would still transform and clip them. Two steps of margin: the
// projection's float rounding is a tiny fraction of one.
void drawShown(const QuadArray& quads, int32_t columns, int32_t rows, double step) {
    const double c0 = std::max(0.0, std::floor(viewWindow.left / step) - 2);
    const double c1 = std::min(columns - 1.0, std::ceil(viewWindow.right / step) + 2);
    const double r0 = std::max(0.0, std::floor(-viewWindow.top / step) - 2);
    const double r1 = std::min(rows - 1.0, std::ceil(-viewWindow.bottom / step) + 2);
    if (!(c0 <= c1 && r0 <= r1)) return;
    const size_t first = static_cast<size_t>(r0) * columns + static_cast<size_t>(c0);
    const size_t shownRows = static_cast<size_t>(r1 - r0) + 1;
    const size_t shownColumns = static_cast<size_t>(c1 - c0) + 1;
    // Whole rows in view: one run.
    if (shownColumns == static_cast<size_t>(columns)) quads.draw(first, shownRows * shownColumns);
    else quads.draw(first, shownColumns, shownRows, columns);
}

void drawTileLayer(const GroundMap& map) {
    // Away from zoom 1 a pixel centre may lie on a cell's edge, where the
    // rounding of the texture coordinate could take a texel of the atlas's
    // next tile: a dark seam between cells. The inset keeps each cell in its own tile.
    const double inset = tileTexelInset(viewState.zoom);
    if (layers.tiles.stale(map.width, map.height, map.tiles, static_cast<size_t>(map.width) * map.height, inset)) {
        const double d = inset / 512;
        for (int32_t y = 0; y < map.height; ++y) {
            for (int32_t x = 0; x < map.width; ++x) {
                const TileRect t = tileRect(map.tileAt(x, y));
                layers.tiles.quads.add(t.s0 + d, t.t0 - d, t.s1 - d, t.t1 + d, x, -y, x + 1, -y - 1);
            }
        }
    }
    drawShown(layers.tiles.quads, map.width, map.height, 1.0);
}

void drawCornerOverlay(const GroundMap& map) {
    const size_t points = static_cast<size_t>(map.latticeStride()) * map.latticeRows();
    if (layers.corners.stale(map.width, map.height, map.corners, points)) {
        for (int32_t py = 0; py < map.latticeRows(); ++py) {
            for (int32_t px = 0; px < map.latticeStride(); ++px) {
                // The grid only ever holds kinds 0..4; anything else would be a
                // corrupted map, shown as kind 0 rather than read past the table.
                const uint8_t kind = map.cornerAt(px, py);
                const TileRect t = tileRect(kCornerOverlayTiles[kind < kTerrainKinds ? kind : 0]);
                const double cx = px / 2.0, cy = -py / 2.0;
                layers.corners.quads.add(t.s0, t.t0, t.s1, t.t1, cx - 0.25, cy + 0.25, cx + 0.25, cy - 0.25);
            }
        }
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 0.5f);  // stays current in later frames; harmless with blending off
    drawShown(layers.corners.quads, map.latticeStride(), map.latticeRows(), 0.5);
    glDisable(GL_BLEND);
}

void drawHeightOverlay() {
    // Opaque (blending is off): inside the map square only the heights show.
    // t = 0, the first uploaded lattice row, lies along the map's top edge.
    glBindTexture(GL_TEXTURE_2D, textureNames.height);
    glBegin(GL_QUADS);
    const double side = kMapCells;
    glTexCoord2d(0, 0); glVertex2d(0, 0);
    glTexCoord2d(1, 0); glVertex2d(side, 0);
    glTexCoord2d(1, 1); glVertex2d(side, -side);
    glTexCoord2d(0, 1); glVertex2d(0, -side);
    glEnd();
}

}  // namespace

// The lines of a frame a quarter cell outside the lattice rectangle from a to
// b (either order), inside a glBegin(GL_LINES): separate lines, as the
// browser's emulation draws no loops.
static void frameLines(LatticePoint a, LatticePoint b) {
    const double x0 = (a.x < b.x ? a.x : b.x) / 2.0 - 0.25, x1 = (a.x < b.x ? b.x : a.x) / 2.0 + 0.25;
    const double y0 = (a.y < b.y ? a.y : b.y) / 2.0 - 0.25, y1 = (a.y < b.y ? b.y : a.y) / 2.0 + 0.25;
    glVertex2d(x0, -y0); glVertex2d(x1, -y0);
    glVertex2d(x1, -y0); glVertex2d(x1, -y1);
    glVertex2d(x1, -y1); glVertex2d(x0, -y1);
    glVertex2d(x0, -y1); glVertex2d(x0, -y0);
}

// Untextured lines in an opaque colour; afterwards the colour is the
// overlay's again and texturing is back on, as the later layers expect.
template <class Lines>
static void drawLines(float r, float g, float b, Lines lines) {
    glDisable(GL_TEXTURE_2D);
    glColor4f(r, g, b, 1);
    glBegin(GL_LINES);
    lines();
    glEnd();
    glColor4f(1, 1, 1, 0.5f);
    glEnable(GL_TEXTURE_2D);
}

void drawSelectionFrame() {
    if (!selection.shown) return;
    drawLines(1, 1, 0, [&] { frameLines(selection.from, selection.to); });
}

static void drawToolOutline(const GroundMap& map, int32_t clientW, int32_t clientH) {
    const int32_t maxX = map.latticeStride() - 1, maxY = map.latticeRows() - 1;
    LatticePoint at = toolDrag.active ? toolDrag.to : cursorPoint(clientW, clientH);
    if (!map.insideLattice(at)) return;
    const PaintToolEntry& tool = paintTool(toolDrag.active ? toolDrag.tool : editorState.tool);
    LatticePoint end = at;
    if (tool.outline == ToolOutline::brushSquare) {
        const int64_t size = editorState.brushSize > 0 ? editorState.brushSize : 1;
        end = {static_cast<int32_t>(at.x + size - 1 < maxX ? at.x + size - 1 : maxX),
               static_cast<int32_t>(at.y + size - 1 < maxY ? at.y + size - 1 : maxY)};
    }
    // The images of the square are the squares of its corners' images.
    static constexpr int kFlips[5][3][2] = {{}, {{1, 0}}, {{0, 1}}, {{1, 0}, {0, 1}, {1, 1}}, {{1, 1}}};
    static constexpr int kFlipCount[5] = {0, 1, 1, 3, 1};
    const int32_t mode = static_cast<int32_t>(editorState.symmetry);
    const int32_t flips = mode >= 0 && mode < 5 ? kFlipCount[mode] : 0;
    drawLines(1, 1, 1, [&] {
        frameLines(at, end);
        for (int32_t i = 0; i < flips; ++i) {
            const bool fx = kFlips[mode][i][0] != 0, fy = kFlips[mode][i][1] != 0;
            frameLines({fx ? maxX - at.x : at.x, fy ? maxY - at.y : at.y},
                       {fx ? maxX - end.x : end.x, fy ? maxY - end.y : end.y});
        }
    });
}

static void drawSymmetryAxes(const GroundMap& map) {
    const double w = map.width, h = map.height, cx = w / 2, cy = -h / 2;
    const Symmetry s = editorState.symmetry;
    drawLines(0, 1, 1, [&] {
        if (s == Symmetry::mirrorLeftRight || s == Symmetry::mirrorFourWays) {
            glVertex2d(cx, 0); glVertex2d(cx, -h);
        }
        if (s == Symmetry::mirrorTopBottom || s == Symmetry::mirrorFourWays) {
            glVertex2d(0, cy); glVertex2d(w, cy);
        }
        if (s == Symmetry::halfTurn) {
            glVertex2d(cx - 1, cy); glVertex2d(cx + 1, cy);
            glVertex2d(cx, cy - 1); glVertex2d(cx, cy + 1);
        }
    });
}

void drawToolMarks(int32_t clientW, int32_t clientH) {
    if (editorState.editMode != EditMode::corners) return;
    if (editorState.symmetry != Symmetry::off) drawSymmetryAxes(workingMap);
    if (!floatingStamp.floating) drawToolOutline(workingMap, clientW, clientH);
}

void drawFrame(HWND window, HDC dc) {
    RECT rect = {0, 0, 0, 0};
    GetClientRect(window, &rect);
    const bool filling = editorState.editMode == EditMode::fill;
    if (filling) previewFill(rect.right, rect.bottom);

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureNames.tileAtlas);
    glPushMatrix();

    // A floating stamp shows as the preview of placing it where the cursor
    // is, a held line, rectangle or bucket as the preview of its release.
    const bool stamping = previewFloatingStamp(rect.right, rect.bottom) || previewToolDrag();
    drawTileLayer(filling || stamping ? previewMap : workingMap);
    if (editorState.editMode == EditMode::corners) drawCornerOverlay(stamping ? previewMap : workingMap);
    drawSelectionFrame();
    drawMissionObjects(structureList, tileObjectList, textureNames.spriteAtlas, textureNames.height,
                       editorState.showObjects);
    drawGrid(workingMap, rect.right, rect.bottom);
    drawSymmetryMarks();
    if (editorState.heightOverlay) drawHeightOverlay();
    // Last, so that the height overlay does not hide where the tool lands.
    drawToolMarks(rect.right, rect.bottom);
    drawStatusStrip(rect.right, rect.bottom);

    glPopMatrix();
    SwapBuffers(dc);
}
