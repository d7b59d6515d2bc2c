// The frame as drawn before the vertex arrays: every quad in immediate mode,
// four glTexCoord2d / glVertex2d pairs each. The render tests compare the
// editor's frame with it pixel for pixel; bench_render times both.
#include "render/immediate_frame.h"  // windows.h before GL/gl.h

#include <GL/gl.h>

#include <cstdint>

#include "files/mission.h"
#include "files/sprite_table.h"
#include "map/ground_map.h"
#include "shell/editor_state.h"
#include "shell/render.h"
#include "shell/symmetry_marks.h"

namespace {

// Mission positions number cells y * 64 + x on a fixed 64-wide map, whatever
// the working map's width; a negative position lands above the map.
int32_t cellX(int16_t position) { return position & 63; }
int32_t cellY(int16_t position) { return position / 64; }

void drawStructures(const std::vector<StructureRecord>& structures, unsigned spriteAtlas) {
    glBindTexture(GL_TEXTURE_2D, spriteAtlas);
    glBegin(GL_QUADS);
    for (const StructureRecord& s : structures) {
        // A sprite index from a damaged file must not read past the table: skip it.
        if (s.spriteIndex < 0 || s.spriteIndex >= kSpriteRowCount) continue;
        const SpriteRect& r = kSpriteRects[s.spriteIndex];
        const double x = cellX(s.position);
        const double y = cellY(s.position);
        const double cw = r.w / 32;
        const double ch = r.h / 32;
        const double s0 = r.x / 512.0, s1 = (r.x + r.w) / 512.0;
        const double t0 = 1.0 - r.y / 512.0, t1 = 1.0 - (r.y + r.h) / 512.0;
        glTexCoord2d(s0, t0); glVertex2d(x, -y);
        glTexCoord2d(s1, t0); glVertex2d(x + cw, -y);
        glTexCoord2d(s1, t1); glVertex2d(x + cw, -y - ch);
        glTexCoord2d(s0, t1); glVertex2d(x, -y - ch);
    }
    glEnd();
}

void drawTileObjects(const std::vector<TileObjectRecord>& tileObjects, unsigned heightTexture) {
    // Tile objects address a 16 x 16 grid of the height texture, not the tile atlas.
    glBindTexture(GL_TEXTURE_2D, heightTexture);
    glBegin(GL_QUADS);
    for (const TileObjectRecord& o : tileObjects) {
        const double x = cellX(o.position);
        const double y = cellY(o.position);
        const int32_t row = o.texCell >> 4;
        const int32_t column = o.texCell & 15;
        const double s0 = column / 16.0, s1 = (column + 1) / 16.0;
        const double t0 = 1.0 - row / 16.0, t1 = 1.0 - (row + 1) / 16.0;
        glTexCoord2d(s0, t0); glVertex2d(x, -y);
        glTexCoord2d(s1, t0); glVertex2d(x + 1, -y);
        glTexCoord2d(s1, t1); glVertex2d(x + 1, -y - 1);
        glTexCoord2d(s0, t1); glVertex2d(x, -y - 1);
    }
    glEnd();
}

void drawMissionObjects(const std::vector<StructureRecord>& structures,
                        const std::vector<TileObjectRecord>& tileObjects, unsigned spriteAtlas,
                        unsigned heightTexture, bool show) {
    if (!show) return;
    drawStructures(structures, spriteAtlas);
    drawTileObjects(tileObjects, heightTexture);  // after the structures, so they cover them where both lie
}

// Tile index shown at half opacity over each lattice point in corner editing, by terrain kind.
constexpr uint8_t kCornerOverlayTiles[5] = {176, 143, 192, 207, 159};

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

void drawTileLayer(const GroundMap& map) {
    const double d = tileTexelInset(viewState.zoom) / 512;  // the editor's, away from zoom 1
    glBegin(GL_QUADS);
    for (int32_t y = 0; y < map.height; ++y) {
        for (int32_t x = 0; x < map.width; ++x) {
            const TileRect t = tileRect(map.tileAt(x, y));
            const double wx = x, wy = -y;
            glTexCoord2d(t.s0 + d, t.t0 - d); glVertex2d(wx, wy);
            glTexCoord2d(t.s1 - d, t.t0 - d); glVertex2d(wx + 1, wy);
            glTexCoord2d(t.s1 - d, t.t1 + d); glVertex2d(wx + 1, wy - 1);
            glTexCoord2d(t.s0 + d, t.t1 + d); glVertex2d(wx, wy - 1);
        }
    }
    glEnd();
}

void drawCornerOverlay(const GroundMap& map) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 0.5f);  // stays current in later frames; harmless with blending off
    glBegin(GL_QUADS);
    const int32_t lastY = 2 * map.height;
    const int32_t lastX = 2 * map.width;
    for (int32_t py = 0; py <= lastY; ++py) {
        for (int32_t px = 0; px <= lastX; ++px) {
            // The grid only ever holds kinds 0..4; anything else would be a
            // corrupted map, shown as kind 0 rather than read past the table.
            const uint8_t kind = map.cornerAt(px, py);
            const TileRect t = tileRect(kCornerOverlayTiles[kind < 5 ? kind : 0]);
            const double cx = px / 2.0, cy = -py / 2.0;
            glTexCoord2d(t.s0, t.t0); glVertex2d(cx - 0.25, cy + 0.25);
            glTexCoord2d(t.s1, t.t0); glVertex2d(cx + 0.25, cy + 0.25);
            glTexCoord2d(t.s1, t.t1); glVertex2d(cx + 0.25, cy - 0.25);
            glTexCoord2d(t.s0, t.t1); glVertex2d(cx - 0.25, cy - 0.25);
        }
    }
    glEnd();
    glDisable(GL_BLEND);
}

void drawHeightOverlay() {
    // Opaque (blending is off): inside the map square only the heights show.
    // t = 0, the first uploaded lattice row, lies along the map's top edge.
    glBindTexture(GL_TEXTURE_2D, textureNames.height);
    glBegin(GL_QUADS);
    glTexCoord2d(0, 0); glVertex2d(0, 0);
    glTexCoord2d(1, 0); glVertex2d(64, 0);
    glTexCoord2d(1, 1); glVertex2d(64, -64);
    glTexCoord2d(0, 1); glVertex2d(0, -64);
    glEnd();
}

}  // namespace

void drawFrameImmediate(HWND window, HDC dc) {
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
    drawSelectionFrame();  // the frame's lines are the editor's own, in both frames
    drawMissionObjects(structureList, tileObjectList, textureNames.spriteAtlas, textureNames.height,
                       editorState.showObjects);
    drawGrid(workingMap, rect.right, rect.bottom);  // the grid and the strip are the editor's own too
    drawSymmetryMarks();  // the editor's own marks, in both frames
    if (editorState.heightOverlay) drawHeightOverlay();
    drawToolMarks(rect.right, rect.bottom);
    drawStatusStrip(rect.right, rect.bottom);

    glPopMatrix();
    SwapBuffers(dc);
}
