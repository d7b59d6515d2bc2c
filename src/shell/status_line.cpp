#include "shell/status_line.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/editor_state.h"
#include "shell/paint_tool_table.h"
#include "shell/symmetry_counts.h"

std::string shownStatusText;

namespace {

// What every field may look at besides the program's records.
struct StatusInputs {
    LatticePoint point;  // under the cursor, as the tools take it
    bool overLattice;    // that point lies on the working map's lattice
};

// Appends one field, two blanks after the one before.
void add(std::string& out, const char* field) {
    if (!out.empty()) out += "  ";
    out += field;
}
template <class... Args>
void add(std::string& out, const char* format, Args... args) {
    char field[96];
    std::snprintf(field, sizeof field, format, args...);
    add(out, field);
}

// The lattice's regions for the bucket's count: every point labelled with
// its 4-connected region of one kind, and each region's size. Labelled
// again only when the lattice changed (a paint, a load); the cursor moves
// far more often, and then a point's count is one look-up.
struct LatticeRegions {
    bool valid = false;
    int32_t w = 0, h = 0;
    std::vector<uint8_t> corners;  // the lattice labelled
    std::vector<int32_t> label;    // region of each point, row-major
    std::vector<int32_t> size;     // points of each region
    std::vector<int32_t> queue;    // scratch of one region's search, kept for its capacity
};
LatticeRegions regions;

void labelRegions(const GroundMap& map) {
    LatticeRegions& r = regions;
    const int32_t w = map.latticeStride(), h = map.latticeRows();
    const size_t n = static_cast<size_t>(w) * h;
    r.w = w;
    r.h = h;
    r.corners.assign(map.corners, map.corners + n);
    r.label.assign(n, -1);
    r.size.clear();
    for (size_t start = 0; start < n; ++start) {
        if (r.label[start] >= 0) continue;
        const int32_t id = static_cast<int32_t>(r.size.size());
        const uint8_t kind = r.corners[start];
        r.label[start] = id;
        r.queue.assign(1, static_cast<int32_t>(start));
        for (size_t head = 0; head < r.queue.size(); ++head) {
            const int32_t at = r.queue[head];
            const int32_t x = at % w, y = at / w;
            const int32_t next[4] = {x > 0 ? at - 1 : -1, x + 1 < w ? at + 1 : -1, y > 0 ? at - w : -1,
                                     y + 1 < h ? at + w : -1};
            for (const int32_t q : next) {
                if (q < 0 || r.label[q] >= 0 || r.corners[q] != kind) continue;
                r.label[q] = id;
                r.queue.push_back(q);
            }
        }
        r.size.push_back(static_cast<int32_t>(r.queue.size()));
    }
    r.valid = true;
}

// bucketPoints(map, at, kind).size(): the points a click paints.
int32_t bucketRegion(const GroundMap& map, LatticePoint at, int32_t kind) {
    const LatticeRegions& r = regions;
    const size_t n = static_cast<size_t>(map.latticeStride()) * map.latticeRows();
    if (!r.valid || r.w != map.latticeStride() || r.h != map.latticeRows() ||
        std::memcmp(r.corners.data(), map.corners, n) != 0)
        labelRegions(map);
    const size_t i = static_cast<size_t>(at.y) * r.w + at.x;
    return r.corners[i] == kind ? 0 : r.size[r.label[i]];
}

int32_t span(int32_t a, int32_t b) { return std::abs(b - a) + 1; }

bool cornerEditing() { return editorState.editMode == EditMode::corners; }

void pointFields(const StatusInputs& in, std::string& out) {
    if (!in.overLattice) {
        add(out, "outside the map");
        return;
    }
    const LatticePoint p = in.point;
    // The last lattice row and column lie on the far edge of the last cells.
    const int32_t cx = p.x / 2 < workingMap.width ? p.x / 2 : workingMap.width - 1;
    const int32_t cy = p.y / 2 < workingMap.height ? p.y / 2 : workingMap.height - 1;
    const uint8_t kind = workingMap.cornerAt(p.x, p.y);
    add(out, "point %d,%d", p.x, p.y);
    add(out, "cell %d,%d", cx, cy);
    add(out, "tile %d", workingMap.tileAt(cx, cy));
    if (const char* name = terrainKindName(static_cast<TerrainKind>(kind)))
        add(out, "kind %d (%s)", kind, name);
    else
        add(out, "kind %d", kind);
    if (p.x < heightField.width && p.y < heightField.height) add(out, "height %.2f", heightField.at(p.x, p.y));
}

// A held line or rectangle: its size from the press to the point under the cursor.
void dragField(const StatusInputs&, std::string& out) {
    if (!cornerEditing() || !toolDrag.active) return;
    const LatticePoint a = toolDrag.from, b = toolDrag.to;
    switch (paintTool(toolDrag.tool).status) {
    case ToolStatus::lineLength: {
        const int32_t dx = span(a.x, b.x), dy = span(a.y, b.y);
        add(out, "line %d points", dx > dy ? dx : dy);
        break;
    }
    case ToolStatus::rectangleSize: add(out, "rectangle %d x %d points", span(a.x, b.x), span(a.y, b.y)); break;
    default: break;
    }
}

void selectionField(const StatusInputs&, std::string& out) {
    if (!cornerEditing() || !selection.shown) return;
    add(out, "selection %d x %d points", span(selection.from.x, selection.to.x),
        span(selection.from.y, selection.to.y));
}

void stampField(const StatusInputs&, std::string& out) {
    if (!cornerEditing() || !floatingStamp.floating) return;
    add(out, "stamp %d x %d", floatingStamp.stamp.width, floatingStamp.stamp.height);
}

// The bucket's points: where a held press went down, else under the cursor.
void regionField(const StatusInputs& in, std::string& out) {
    if (!cornerEditing() || floatingStamp.floating) return;
    const bool held = toolDrag.active && paintTool(toolDrag.tool).status == ToolStatus::region;
    if (!held && paintTool(editorState.tool).status != ToolStatus::region) return;
    const LatticePoint at = held ? toolDrag.from : in.point;
    if (!held && !in.overLattice) return;
    add(out, "region %d points", bucketRegion(workingMap, at, static_cast<int32_t>(editorState.currentKind)));
}

// The fill's count comes with its preview, which the frame builds first.
void fillField(const StatusInputs& in, std::string& out) {
    if (editorState.editMode != EditMode::fill || !in.overLattice) return;
    add(out, "fill %d points", fillState.points);
}

// While symmetry is on: what is unlike its image, counted anew only when
// the lattice, the mission or the mode changed.
void symmetryFields(const StatusInputs&, std::string& out) {
    const std::string fields = symmetryStatusText();
    if (fields.empty()) return;
    if (!out.empty()) out += "  ";
    out += fields;
}

void zoomField(const StatusInputs&, std::string& out) {
    // The zoom stays within 1e-9..1e9, so the percentage fits a long long.
    add(out, "zoom %lld%%", std::llround(viewState.zoom * 100));
}

// The line's fields, in the order they appear; a new field is one entry.
using StatusField = void (*)(const StatusInputs& in, std::string& out);
constexpr StatusField kStatusFields[] = {
    pointFields, dragField, selectionField, stampField, regionField, fillField, symmetryFields, zoomField,
};

}  // namespace

void buildStatusText(int32_t w, int32_t h, std::string& out) {
    out.clear();
    StatusInputs in;
    in.point = cursorPoint(w, h);
    in.overLattice = workingMap.insideLattice(in.point);
    for (StatusField field : kStatusFields) field(in, out);
}
