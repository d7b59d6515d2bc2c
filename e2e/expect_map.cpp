// e2e_expect: replays, through the core library alone, what the end-to-end
// driver does to the editor with the mouse and keys, and writes the map file
// the editor must then save. The driver compares the two byte for byte.
//
// Reads commands, one a line, from the file named on the command line:
//   client W H        client area size the mouse positions refer to
//   kind K            current terrain kind (keys 0..4)
//   brush N           brush size (keys W, Q)
//   drag X Y          a mouse move to client (X, Y) with the left button held
//                     in edit mode 1: paints the square brush there
//   grey PATH         key G: the grey bitmap replaces the height field
//   edge H            the field's last row and column (not in the bitmap) := H
//   fill X Y BELOW    edit mode 2 with the mouse at (X, Y), fill-below flag
//                     BELOW (0/1), then a click: the preview is committed
//   clear             key C answered Yes
//   load PATH         key O
//   save PATH         key S; exits 3 when the file could not be written
//   copy X0 Y0 X1 Y1 PATH  Ctrl+C of the lattice rectangle between points
//                     (X0, Y0) and (X1, Y1): the stamp's text goes to PATH
//   stamptext PATH    Ctrl+V of the stamp text in the file PATH
//   turn, flipx, flipy  Z, X, Y while the stamp floats
//   place X Y         a left press at client (X, Y) while the stamp floats
//   symmetry N        V until symmetry N (0 off, 1 mirror left-right, 2 mirror
//                     top-bottom, 3 mirror four ways, 4 half turn): strokes,
//                     tools and stamps paint each point's images after it
//   tool K X0 Y0 X1 Y1  the drag tool of key K (the editor's tool table),
//                     then a left press at client (X0, Y0) released at
//                     (X1, Y1): the points the tool gives for the two points
//   line X0 Y0 X1 Y1  tool L: the brush's line between the two points
//   rect X0 Y0 X1 Y1  tool A: every point of the rectangle
//   bucket X Y        tool B, a left click at (X, Y): the point's region
//   scatter D X0 Y0 X Y ...  the scatter tool (T) at density D percent: a
//                     left press at client (X0, Y0), then a move with the
//                     button held to each (X, Y) that follows: one step each
//   pick X Y          P with the mouse at (X, Y): the kind of that point
//   mend X Y          Ctrl+M with the mouse at (X, Y): the lattice made
//                     symmetric from the part there, tiles selected anew
//   unlike PATH       writes to PATH how many points are unlike their image
//                     under the symmetry, the count the status line shows
//   home              Home: the whole map in view (zoom and pan)
// A PATH is the whole rest of its line, blanks and leading "-" included.
// Exits 2 on a malformed line, naming it.
//
// Built beside the tests, it replays everything a second time on the plain
// reference auto-tiler and, at every save, exits 4 when the two tile grids
// differ: the editor and the core library could share a fault, the plain
// reference is written independently.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "files/map_file.h"
#include "height/height_field.h"
#include "height/height_fill.h"
#include "height/height_image.h"
#include "map/ground_map.h"
#include "map/lcg_random.h"
#include "map/paint_tools.h"
#include "map/scatter.h"
#include "map/stamp.h"
#include "map/symmetry_check.h"
#include "shell/editor_state.h"
#include "shell/paint_tool_table.h"

#ifdef E2E_WITH_REFERENCE
#include "reference/ground_map_reference.h"
#include "reference/height_fill_reference.h"
#include "reference/symmetry_reference.h"
#endif

namespace {

int32_t clientW = 800;
int32_t clientH = 600;
Symmetry symmetry = Symmetry::off;
constexpr int32_t kLattice = kLatticeSide;  // points across and down

#ifdef E2E_WITH_REFERENCE
reference::RefGroundMap refMap(64, 64);  // the same edits, on the plain auto-tiler

void refPaint(int32_t px, int32_t py, int32_t kind) { refMap.paintCorner(px, py, kind); }

// The reference fill starts from the working map's program-wide record, so
// the reference state is lent to it for the one call.
void refFill(int32_t w, int32_t h) {
    GroundMap saved(workingMap.width, workingMap.height);
    saved.copyFrom(workingMap);
    std::memcpy(workingMap.tiles, refMap.tiles.data(), refMap.tiles.size());
    std::memcpy(workingMap.corners, refMap.corners.data(), refMap.corners.size());
    reference::RefGroundMap out(workingMap.width, workingMap.height);
    referencePreviewHeightFill(out, w, h);
    refMap = out;
    workingMap.copyFrom(saved);
}

bool refLoad(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    refMap.clear();
    for (int32_t y = 0; y < refMap.height; ++y)
        for (int32_t x = 0; x < refMap.width; ++x) {
            const int c = std::fgetc(f);
            refMap.tile(x, y) = static_cast<uint8_t>(c == EOF ? 0 : c);
            refMap.decodeTile(x, y);
        }
    std::fclose(f);
    return true;
}

// False, naming the first cells, when the production tiles left the reference's.
bool sameAsReference(const char* where) {
    int shown = 0, differ = 0;
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const uint8_t want = refMap.tile(x, y), got = workingMap.tileAt(x, y);
            if (want == got) continue;
            if (shown++ < 6)
                std::fprintf(stderr, "e2e_expect: %s: cell (%d,%d): reference tile %d, core library %d\n",
                             where, x, y, want, got);
            ++differ;
        }
    if (differ) std::fprintf(stderr, "e2e_expect: %s: %d cells differ from the reference\n", where, differ);
    return differ == 0;
}
#else
void refPaint(int32_t, int32_t, int32_t) {}
void refFill(int32_t, int32_t) {}
bool refLoad(const char*) { return true; }
bool sameAsReference(const char*) { return true; }
#endif

// Paints the points in the current kind, each followed by its symmetry
// images; the reference paints the same list one paintCorner at a time.
void paintWithImages(const std::vector<LatticePoint>& points) {
    const int32_t kind = static_cast<int32_t>(editorState.currentKind);
#ifdef E2E_WITH_REFERENCE
    std::vector<LatticePoint> all;
    withSymmetryImages(points, symmetry, kLattice, kLattice, all);
    for (const LatticePoint& p : all) refPaint(p.x, p.y, kind);
#endif
    paintPoints(workingMap, points, kind, symmetry);
}

// The window procedure's WM_MOUSEMOVE painting in edit mode 1 with the left
// button down: the brush's top-left point is the lattice point nearest the
// cursor, and each brush point truncates its own real sum.
void dragTo(int32_t x, int32_t y) {
    viewState.mouseX = x;
    viewState.mouseY = y;
    const LatticePos p = screenToLattice(x, y, clientW, clientH);
    const int32_t maxX = 2 * workingMap.width;
    const int32_t maxY = 2 * workingMap.height;
    const int32_t tx = static_cast<int32_t>(p.x);
    const int32_t ty = static_cast<int32_t>(p.y);
    if (tx < 0 || tx > maxX || ty < 0 || ty > maxY) return;
    const int32_t n = editorState.brushSize;
    std::vector<LatticePoint> points;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t px = static_cast<int32_t>(p.x + i);
        for (int32_t j = 0; j < n; ++j) {
            const int32_t py = static_cast<int32_t>(p.y + j);
            if (px >= 0 && px <= maxX && py >= 0 && py <= maxY) points.push_back({px, py});
        }
    }
    paintWithImages(points);
}

// The lattice point under client (x, y), as the tools take it.
LatticePoint pointAt(int32_t x, int32_t y) {
    viewState.mouseX = x;
    viewState.mouseY = y;
    return cursorPoint(clientW, clientH);
}

bool inside(LatticePoint p) { return p.x >= 0 && p.y >= 0 && p.x < kLattice && p.y < kLattice; }

LatticePoint clamped(LatticePoint p) {
    const auto clamp = [](int32_t v) { return v < 0 ? 0 : v >= kLattice ? kLattice - 1 : v; };
    return {clamp(p.x), clamp(p.y)};
}

// The scatter tool's stroke: the generator seeded from the press point,
// then at each move the core's step on the brush square there; the reference
// draws and paints the same square point by point. False for a malformed rest of line.
bool scatterStroke(int32_t density, LatticePoint press, std::istringstream& moves) {
    LcgRandom random;
    random.seed(scatterSeed(workingMap, press));
#ifdef E2E_WITH_REFERENCE
    uint32_t refState = inside(press) ? static_cast<uint32_t>(press.y * kLattice + press.x) : 0;
#endif
    int32_t x, y;
    while (moves >> x >> y) {
        const LatticePos p = screenToLattice(x, y, clientW, clientH);
        if (!inside(latticePointAt(p))) continue;
#ifdef E2E_WITH_REFERENCE
        std::vector<LatticePoint> walked;
        for (int32_t i = 0; i < editorState.brushSize; ++i)
            for (int32_t j = 0; j < editorState.brushSize; ++j) {
                const LatticePoint q = {static_cast<int32_t>(p.x + i), static_cast<int32_t>(p.y + j)};
                if (inside(q)) walked.push_back(q);
            }
        reference::plainScatter(refMap, refState, walked, density, static_cast<int32_t>(editorState.currentKind),
                                symmetry);
#endif
        scatterStep(workingMap, random, p, editorState.brushSize, density,
                    static_cast<int32_t>(editorState.currentKind), symmetry);
    }
    return moves.eof();  // not a word left over
}

Stamp stamp;  // the floating stamp

// The left press that places the floating stamp: its top-left point is the
// lattice point under the cursor (truncated toward zero), which may be off
// the lattice; points already holding their kind are not painted.
void placeAt(int32_t x, int32_t y) {
    const LatticePos p = screenToLattice(x, y, clientW, clientH);
    const int32_t left = static_cast<int32_t>(p.x), top = static_cast<int32_t>(p.y);
#ifdef E2E_WITH_REFERENCE
    const reference::RefGroundMap before = refMap;
    for (int32_t sx = 0; sx < stamp.width; ++sx)
        for (int32_t sy = 0; sy < stamp.height; ++sy) {
            const int32_t px = left + sx, py = top + sy;
            const uint8_t kind = stamp.kinds[sy * stamp.width + sx];
            if (!inside({px, py})) continue;
            std::vector<LatticePoint> all;
            withSymmetryImages({{px, py}}, symmetry, kLattice, kLattice, all);
            for (const LatticePoint& q : all)
                if (before.corner(q.x, q.y) != kind) refPaint(q.x, q.y, kind);
        }
#endif
    placeStamp(workingMap, stamp, left, top, symmetry);
}

// The rest of a command's line after the blanks that follow the command
// word: a path, which may hold blanks of its own. Empty when there is none.
std::string restOfLine(std::istringstream& words) {
    std::string rest;
    std::getline(words >> std::ws, rest);
    return rest;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_expect SCRIPT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "e2e_expect: cannot read %s\n", argv[1]);
        return 2;
    }
    initPatternTable();
    workingMap.clear();
#ifdef E2E_WITH_REFERENCE
    refMap.clear();
#endif
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        std::istringstream words(line);
        std::string cmd;
        if (!(words >> cmd) || cmd[0] == '#') continue;
        bool ok = true;
        if (cmd == "client") {
            ok = static_cast<bool>(words >> clientW >> clientH);
        } else if (cmd == "kind") {
            int32_t kind = 0;
            ok = static_cast<bool>(words >> kind);
            editorState.currentKind = static_cast<TerrainKind>(kind);
        } else if (cmd == "brush") {
            ok = static_cast<bool>(words >> editorState.brushSize) && editorState.brushSize >= 1;
        } else if (cmd == "drag") {
            int32_t x, y;
            ok = static_cast<bool>(words >> x >> y);
            if (ok) dragTo(x, y);
        } else if (cmd == "grey") {
            const std::string path = restOfLine(words);
            ok = !path.empty() && readGreyBitmap(path.c_str(), heightField);
        } else if (cmd == "edge") {
            double h;
            ok = static_cast<bool>(words >> h);
            for (int32_t i = 0; ok && i < heightField.width; ++i) {
                heightField.at(heightField.width - 1, i) = h;
                heightField.at(i, heightField.height - 1) = h;
            }
        } else if (cmd == "fill") {
            int32_t x, y, below;
            ok = static_cast<bool>(words >> x >> y >> below);
            if (ok) {
                viewState.mouseX = x;
                viewState.mouseY = y;
                editorState.fillBelow = below != 0;
                editorState.editMode = EditMode::fill;
                refFill(clientW, clientH);
                previewFill(clientW, clientH);
                commitFill();
            }
        } else if (cmd == "clear") {
            workingMap.clear();
#ifdef E2E_WITH_REFERENCE
            refMap.clear();
#endif
        } else if (cmd == "load") {
            const std::string path = restOfLine(words);
            ok = !path.empty() && loadMap(path.c_str(), workingMap) && refLoad(path.c_str());
        } else if (cmd == "save") {
            const std::string path = restOfLine(words);
            ok = !path.empty();
            if (ok && !sameAsReference(line.c_str())) return 4;
            if (ok && !saveMap(path.c_str(), workingMap)) {
                std::fprintf(stderr, "e2e_expect: cannot write %s\n", path.c_str());
                return 3;
            }
        } else if (cmd == "copy") {
            LatticePoint a, b;
            ok = static_cast<bool>(words >> a.x >> a.y >> b.x >> b.y);
            const std::string path = restOfLine(words);
            ok = ok && !path.empty() && a.x >= 0 && a.y >= 0 && b.x >= 0 && b.y >= 0 && a.x <= 128 && a.y <= 128 &&
                 b.x <= 128 && b.y <= 128;
            if (ok) {
                stamp = copyStamp(workingMap, a, b);
                std::ofstream(path, std::ios::binary) << stampText(stamp);
            }
        } else if (cmd == "stamptext") {
            std::ifstream file(restOfLine(words), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            ok = file.good() || file.eof();
            ok = ok && parseStamp(text.data(), text.size(), stamp);
        } else if (cmd == "turn") {
            stamp = turnedClockwise(stamp);
        } else if (cmd == "flipx") {
            stamp = flippedLeftRight(stamp);
        } else if (cmd == "flipy") {
            stamp = flippedTopBottom(stamp);
        } else if (cmd == "place") {
            int32_t x, y;
            ok = static_cast<bool>(words >> x >> y) && stamp.width > 0;
            if (ok) placeAt(x, y);
        } else if (cmd == "symmetry") {
            int32_t n = -1;
            ok = static_cast<bool>(words >> n) && n >= 0 && n <= 4;
            symmetry = static_cast<Symmetry>(n);
        } else if (cmd == "tool" || cmd == "line" || cmd == "rect" || cmd == "bucket") {
            std::string key = cmd == "line" ? "L" : cmd == "rect" ? "A" : "B";
            if (cmd == "tool") words >> key;
            int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
            ok = static_cast<bool>(words >> x0 >> y0);
            if (cmd == "bucket") x1 = x0, y1 = y0;  // a click
            else ok = ok && static_cast<bool>(words >> x1 >> y1);
            const int32_t tool = key.size() == 1 ? paintToolForKey(key[0]) : -1;
            ok = ok && tool >= 0 && paintTool(tool).dragPoints;
            // The press point must lie on the lattice; the release is clamped onto it.
            const LatticePoint a = pointAt(x0, y0), b = clamped(pointAt(x1, y1));
            std::vector<LatticePoint> points;
            if (ok && inside(a))
                paintTool(tool).dragPoints(workingMap, a, b, toolInputOf(editorState), points);
            paintWithImages(points);
        } else if (cmd == "scatter") {
            int32_t density = 0, x = 0, y = 0;
            ok = static_cast<bool>(words >> density >> x >> y) && density >= 0 && density <= 100;
            ok = ok && scatterStroke(density, pointAt(x, y), words);
        } else if (cmd == "pick") {
            int32_t x, y;
            ok = static_cast<bool>(words >> x >> y);
            const LatticePoint p = pointAt(x, y);
            if (ok && inside(p)) editorState.currentKind = static_cast<TerrainKind>(workingMap.cornerAt(p.x, p.y));
        } else if (cmd == "mend") {
            int32_t x, y;
            ok = static_cast<bool>(words >> x >> y);
            const LatticePoint p = pointAt(x, y);
            if (ok) mendSymmetry(workingMap, symmetry, p);
#ifdef E2E_WITH_REFERENCE
            if (ok) reference::plainMend(refMap, symmetry, p);
#endif
        } else if (cmd == "unlike") {
            const std::string path = restOfLine(words);
            ok = !path.empty() && static_cast<bool>(std::ofstream(path) << countUnlikeImage(workingMap, symmetry));
        } else if (cmd == "home") {
            viewState.zoom = 0.9 * (clientW < clientH ? clientW : clientH) / 2048;
            viewState.panX = viewState.panY = static_cast<int32_t>(std::lround(1024 * viewState.zoom));
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "e2e_expect: %s:%d: bad command: %s\n", argv[1], lineNo, line.c_str());
            return 2;
        }
    }
    return 0;
}
