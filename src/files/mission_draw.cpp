// Mission structures and tile objects drawn over the ground.
#include <windows.h>
#include <GL/gl.h>

#include <cstdint>

#include "files/mission.h"
#include "files/mission_draw.h"
#include "files/sprite_table.h"

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

}  // namespace

void drawMissionObjects(const std::vector<StructureRecord>& structures,
                        const std::vector<TileObjectRecord>& tileObjects, unsigned spriteAtlas,
                        unsigned heightTexture, bool show) {
    if (!show) return;
    drawStructures(structures, spriteAtlas);
    drawTileObjects(tileObjects, heightTexture);  // after the structures, so they cover them where both lie
}
