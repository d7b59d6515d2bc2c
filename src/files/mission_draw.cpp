// Mission structures and tile objects drawn over the ground.
#include <windows.h>
#include <GL/gl.h>

#include <cstdint>
#include <cstring>

#include "files/mission.h"
#include "files/mission_draw.h"
#include "files/quad_array.h"
#include "files/sprite_table.h"
#include "map/ground_map.h"

namespace {

// The records' quads and a copy of the records they were made from: filled
// again only when a list differs from the copy.
template <typename Record>
struct RecordQuads {
    std::vector<Record> records;
    QuadArray quads;

    // Whether the quads need filling for these records; keeps a copy if so.
    bool stale(const std::vector<Record>& now) {
        static_assert(sizeof(Record) % sizeof(int16_t) == 0, "records are int16 fields alone, no padding");
        if (now.size() == records.size() &&
            (now.empty() || std::memcmp(now.data(), records.data(), now.size() * sizeof(Record)) == 0))
            return false;
        records = now;
        quads.clear();
        return true;
    }
};

RecordQuads<StructureRecord> structureQuads;
RecordQuads<TileObjectRecord> tileObjectQuads;

void drawStructures(const std::vector<StructureRecord>& structures, unsigned spriteAtlas) {
    if (structureQuads.stale(structures)) {
        for (const StructureRecord& s : structures) {
            // A sprite index from a damaged file must not read past the table: skip it.
            if (s.spriteIndex < 0 || s.spriteIndex >= kSpriteRowCount) continue;
            const SpriteRect& r = kSpriteRects[s.spriteIndex];
            const MapCell at = cellOfMapPosition(s.position);
            const double x = at.x;
            const double y = at.y;
            const double cw = r.w / 32;
            const double ch = r.h / 32;
            const double s0 = r.x / 512.0, s1 = (r.x + r.w) / 512.0;
            const double t0 = 1.0 - r.y / 512.0, t1 = 1.0 - (r.y + r.h) / 512.0;
            structureQuads.quads.add(s0, t0, s1, t1, x, -y, x + cw, -y - ch);
        }
    }
    glBindTexture(GL_TEXTURE_2D, spriteAtlas);
    structureQuads.quads.draw();
}

void drawTileObjects(const std::vector<TileObjectRecord>& tileObjects, unsigned heightTexture) {
    if (tileObjectQuads.stale(tileObjects)) {
        for (const TileObjectRecord& o : tileObjects) {
            const MapCell at = cellOfMapPosition(o.position);
            const double x = at.x;
            const double y = at.y;
            const int32_t row = o.texCell >> 4;
            const int32_t column = o.texCell & 15;
            const double s0 = column / 16.0, s1 = (column + 1) / 16.0;
            const double t0 = 1.0 - row / 16.0, t1 = 1.0 - (row + 1) / 16.0;
            tileObjectQuads.quads.add(s0, t0, s1, t1, x, -y, x + 1, -y - 1);
        }
    }
    // Tile objects address a 16 x 16 grid of the height texture, not the tile atlas.
    glBindTexture(GL_TEXTURE_2D, heightTexture);
    tileObjectQuads.quads.draw();
}

}  // namespace

void drawMissionObjects(const std::vector<StructureRecord>& structures,
                        const std::vector<TileObjectRecord>& tileObjects, unsigned spriteAtlas,
                        unsigned heightTexture, bool show) {
    if (!show) return;
    drawStructures(structures, spriteAtlas);
    drawTileObjects(tileObjects, heightTexture);  // after the structures, so they cover them where both lie
}
