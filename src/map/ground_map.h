// The ground layer model: a tile grid of cells and a twice-as-fine corner
// grid of terrain kinds, with the operations that keep the two in step.
#pragma once
#include <cstdint>

// The editor's map: 64 x 64 cells, so 129 x 129 lattice points, and a map
// file of one byte per cell. GroundMap itself takes any size (tests use
// small ones); everything sized for the editor's map takes it from here.
constexpr int32_t kMapCells = 64;                      // cells along each side
constexpr int32_t kLatticeSide = 2 * kMapCells + 1;    // lattice points along each side
constexpr int32_t kMapFileBytes = kMapCells * kMapCells;

// The terrain kinds a lattice point holds; the grids store them as bytes and
// the map's operations take them as plain int32_t.
enum class TerrainKind : int32_t { sand, grass, rock, snow, water };
constexpr int32_t kTerrainKinds = 5;

// Tile of a map whose every lattice point holds kind 0.
constexpr uint8_t kPlainTile = 176;

struct PaintShadow;  // painting's memory of the grids, private to src/map

// A point of the lattice, as the batch paint takes a list of them.
struct LatticePoint {
    int32_t x;
    int32_t y;
};

// A position on the lattice in lattice units, e.g. the cursor's; truncation
// toward zero gives the nearest point.
struct LatticePos {
    double x;
    double y;
};

// The point a lattice position lies on: each coordinate truncated toward
// zero, so a position between -1 and 0 gives 0 (the band of point 0 is one
// and a half steps wide). Held within +-1e9 first: a position far off the
// map gives a point far off it, never an out-of-range conversion.
LatticePoint latticePointAt(LatticePos pos);

// A cell of a map: x right, y down.
struct MapCell {
    int32_t x;
    int32_t y;
};

// The cell a mission's map position names. Missions number cells
// y * 64 + x on the editor's 64-wide map, whatever a map's width; C's
// division puts a negative position above the map (y < 0), as the frame
// draws it.
constexpr MapCell cellOfMapPosition(int32_t position) {
    return {position & (kMapCells - 1), position / kMapCells};
}

struct GroundMap {
    int32_t width = 0;           // cells across
    int32_t height = 0;          // cells down; also the stride of `tiles`
    uint8_t* tiles = nullptr;    // cell (x, y) at x * height + y (column-major)
    uint8_t* corners = nullptr;  // point (px, py) at py * (2 * width + 1) + px (row-major)

    // Allocates both grids (and painting's memory of them) for w x h cells and clears them.
    GroundMap(int32_t w, int32_t h);
    ~GroundMap();
    GroundMap(const GroundMap&) = delete;
    GroundMap& operator=(const GroundMap&) = delete;

    // Every tile 176, every lattice point kind 0; sizes unchanged.
    void clear();
    // Exact copy of src (sizes, both grids, painting's memory); reallocates only on a size change.
    GroundMap& copyFrom(const GroundMap& src);

    // Kinds 1..3: the cell's edge code (0..20). Kind 4: the tile the kind-4
    // search picks, or 0. Reads the corner grid only; (x, y) must be inside.
    int edgeCode(int32_t x, int32_t y, int32_t kind) const;
    // Chooses the cell's tile from its nine lattice points and stores it.
    void selectTile(int32_t x, int32_t y);
    // Sets one lattice point (inside the grid) to kind 0..4 and repairs and
    // re-tiles around it. Called by mouse painting and the height fill; the
    // grids afterwards are exactly those of the step-by-step rules.
    void paintCorner(int32_t px, int32_t py, int32_t kind);
    // Paints each of the `count` points (inside the grid) with `kind` in turn;
    // the height fill calls it. The grids afterwards are exactly those of a
    // paintCorner per point, but every cell is selected only once, at the end.
    void paintCorners(const LatticePoint* points, int32_t count, int32_t kind);
    // As above, point i painted with kinds[i] (0..4); stamps paint so.
    void paintCorners(const LatticePoint* points, const uint8_t* kinds, int32_t count);
    // Repairs one cell for `kind` and re-selects its 3 x 3 block (paintCorner's step).
    void repairCell(int32_t x, int32_t y, int32_t kind);
    // Rebuilds the cell's lattice points from its tile index; the map loader
    // calls it for each cell right after storing the tile. Never changes tiles.
    void decodeTile(int32_t x, int32_t y);

    int32_t latticeStride() const { return 2 * width + 1; }  // lattice points across; the stride of `corners`
    int32_t latticeRows() const { return 2 * height + 1; }   // lattice points down
    // Whether p is a point of the lattice; the one test every caller uses.
    bool insideLattice(LatticePoint p) const { return p.x >= 0 && p.y >= 0 && p.x < latticeStride() && p.y < latticeRows(); }
    // p moved onto the lattice's nearest edge point where it lies outside.
    LatticePoint clampedIntoLattice(LatticePoint p) const {
        const int32_t maxX = latticeStride() - 1, maxY = latticeRows() - 1;
        return {p.x < 0 ? 0 : p.x > maxX ? maxX : p.x, p.y < 0 ? 0 : p.y > maxY ? maxY : p.y};
    }
    uint8_t& tileAt(int32_t x, int32_t y) { return tiles[x * height + y]; }
    uint8_t tileAt(int32_t x, int32_t y) const { return tiles[x * height + y]; }
    uint8_t& cornerAt(int32_t px, int32_t py) { return corners[py * latticeStride() + px]; }
    uint8_t cornerAt(int32_t px, int32_t py) const { return corners[py * latticeStride() + px]; }

private:
    PaintShadow* shadow_ = nullptr;  // never null after construction
};

// Caller: the map checker. Whether tile selection gives `tile` for some nine
// points of a cell (any kinds 0..4); a stored tile for which this is false can
// only have come from outside the editor.
bool tileEverSelected(uint8_t tile);

// Kind-4 pattern table: per tile index, -1 or the 9-bit pattern of its kind-4
// points. The running editor never reads it: selection and decoding look up
// tiles::kTables (kind4Search, decodePattern), built from the same patterns at
// compile time. It is the table in readable form, which the map's and the
// art's tests check the tiles and those lookups against.
extern int32_t kind4PatternTable[256];
// Caller: start-up. Fills the kind-4 pattern table; it holds the same values
// from before main, so no reader depends on this having run.
void initPatternTable();
