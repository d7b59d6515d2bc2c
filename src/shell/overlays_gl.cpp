// The grid of cell boundaries and the status strip, drawn in client pixels:
// their lines and letters fall on whole pixels at every zoom and on every
// rasteriser. Both keep their quads between frames and fill them again only
// when what they show changes.
#include <windows.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "files/quad_array.h"
#include "map/ground_map.h"
#include "shell/editor_state.h"
#include "shell/render.h"
#include "shell/status_line.h"
#include "shell/view_steps.h"
#include "stb_easy_font.h"

OverlayBuilds overlayBuilds;

namespace {

// Runs draw() with the projection mapping client pixels (x right, y down,
// the client area 0..w by 0..h), untextured, with blending; afterwards the
// projection, the colour and the texturing are the world layers' again.
template <class Draw>
void inClientPixels(int32_t w, int32_t h, Draw draw) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, w, h, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    draw();
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 0.5f);  // the corner overlay's, as every layer leaves it
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// A rectangle of whole pixels; the texture rectangle is unused (texturing is off).
void addRect(QuadArray& quads, double x0, double y0, double x1, double y1) { quads.add(0, 0, 0, 0, x0, y0, x1, y1); }

// ---- grid

// How strongly a boundary is drawn: ordinary, every eighth, the centre line.
enum Strength { ordinary, eighth, centre, kStrengths };
struct StrengthColour {
    float r, g, b, a;
};
constexpr StrengthColour kStrengthColours[kStrengths] = {{0, 0, 0, 0.25f}, {1, 1, 1, 0.35f}, {1, 1, 0, 0.6f}};
// Below this many pixels a cell, only the eighth and centre lines are drawn.
constexpr double kThinCellPixels = 6;

// One boundary's line: the pixel column (or row) it takes and its strength.
struct GridLine {
    int64_t at;
    Strength strength;
};

// The lines along one axis, in order: boundary k of `cells` lies at client
// coordinate origin + k * cellPixels, and its line takes the first pixel of
// cell k (the one past the map for the last). Lines outside 0..limit are
// left out; boundaries that fall on one pixel give one line, the strongest.
void axisLines(double origin, double cellPixels, int32_t cells, int64_t limit, std::vector<GridLine>& out) {
    out.clear();
    const bool thin = cellPixels < kThinCellPixels;
    for (int32_t k = 0; k <= cells; ++k) {
        const Strength s = 2 * k == cells ? centre : k % 8 == 0 ? eighth : ordinary;
        if (thin && s == ordinary) continue;
        const double edge = origin + k * cellPixels;
        // The pixel whose centre is the first at or past the edge.
        const double first = std::ceil(edge - 0.5);
        if (first < 0 || first >= static_cast<double>(limit)) continue;
        const int64_t at = static_cast<int64_t>(first);
        if (!out.empty() && out.back().at == at) {
            out.back().strength = std::max(out.back().strength, s);
            continue;
        }
        out.push_back({at, s});
    }
}

// The grid's rectangles, one array per strength, and the view they were made for.
struct GridQuads {
    bool valid = false;
    double zoom = 0;
    int32_t panX = 0, panY = 0, w = 0, h = 0, cellsX = 0, cellsY = 0;
    QuadArray quads[kStrengths];
    std::vector<GridLine> columns, rows;
};
GridQuads grid;

// The pixel span from a to b (inclusive) along a line, cut out where a line
// across it is stronger (`across` stronger than `mine`, or as strong when
// `tieCuts`): each crossing pixel is drawn once, in the stronger colour.
template <class Emit>
void cutSpan(int64_t a, int64_t b, Strength mine, const std::vector<GridLine>& across, bool tieCuts, Emit emit) {
    int64_t from = a;
    for (const GridLine& line : across) {
        if (line.at < a || line.at > b) continue;
        if (line.strength < mine || (line.strength == mine && !tieCuts)) continue;
        if (line.at > from) emit(from, line.at);
        from = line.at + 1;
    }
    if (from <= b) emit(from, b + 1);
}

void buildGrid(const GroundMap& map, int32_t w, int32_t h) {
    const double cell = kPixelsPerCell * viewState.zoom;
    const double left = w / 2.0 - viewState.panX, top = h / 2.0 - viewState.panY;
    axisLines(left, cell, map.width, w, grid.columns);
    axisLines(top, cell, map.height, h, grid.rows);
    for (QuadArray& q : grid.quads) q.clear();
    // The lines run from the map's first boundary to its last, cut to the client area.
    const auto clampTo = [](double v, int64_t limit) {
        return static_cast<int64_t>(std::min(std::max(v, -1.0), static_cast<double>(limit)));
    };
    const int64_t x0 = clampTo(std::ceil(left - 0.5), w), x1 = clampTo(std::ceil(left + map.width * cell - 0.5), w);
    const int64_t y0 = clampTo(std::ceil(top - 0.5), h), y1 = clampTo(std::ceil(top + map.height * cell - 0.5), h);
    // Columns give way to stronger rows; rows to columns as strong or stronger.
    for (const GridLine& c : grid.columns) {
        cutSpan(y0, y1, c.strength, grid.rows, false, [&](int64_t a, int64_t b) {
            addRect(grid.quads[c.strength], static_cast<double>(c.at), static_cast<double>(a),
                    static_cast<double>(c.at + 1), static_cast<double>(b));
        });
    }
    for (const GridLine& r : grid.rows) {
        cutSpan(x0, x1, r.strength, grid.columns, true, [&](int64_t a, int64_t b) {
            addRect(grid.quads[r.strength], static_cast<double>(a), static_cast<double>(r.at), static_cast<double>(b),
                    static_cast<double>(r.at + 1));
        });
    }
    ++overlayBuilds.grid;
}

// ---- status strip

// The strip's text as it was last turned into quads, and those quads,
// anchored at the text's top-left corner.
struct StripText {
    bool valid = false;
    std::string text;
    QuadArray quads;
    std::vector<char> letters;   // stb_easy_font_print's writable copy of the text
    std::vector<char> vertices;  // its output: 4 vertices of 16 bytes per quad
};
StripText strip;
std::string statusScratch;  // this frame's text, its capacity kept

// The letters' top-left corner within the strip: stb_easy_font's letters
// take 9 rows with their descenders.
constexpr int32_t kTextLeft = 4;
constexpr int32_t kTextTop = 3;
// About 270 bytes of vertices a letter: room for a line far wider than any window.
constexpr size_t kStripVertexBytes = 1 << 18;

void buildStripText(const std::string& text) {
    strip.text = text;
    // The font has letters for printable ASCII only, and reads its table
    // out of bounds for anything else.
    strip.letters.clear();
    for (const char c : text) strip.letters.push_back(c >= 32 && c < 127 ? c : '?');
    strip.letters.push_back('\0');
    strip.vertices.resize(kStripVertexBytes);
    const int quads = stb_easy_font_print(0, 0, strip.letters.data(), nullptr, strip.vertices.data(),
                                          static_cast<int>(strip.vertices.size()));
    strip.quads.clear();
    for (int q = 0; q < quads; ++q) {
        // Each quad is an axis-aligned rectangle: its first and third corners are opposite.
        float first[2], third[2];
        std::memcpy(first, &strip.vertices[static_cast<size_t>(q) * 64], sizeof first);
        std::memcpy(third, &strip.vertices[static_cast<size_t>(q) * 64 + 32], sizeof third);
        addRect(strip.quads, first[0], first[1], third[0], third[1]);
    }
    strip.valid = true;
    ++overlayBuilds.text;
}

}  // namespace

double tileTexelInset(double zoom) {
    // At zoom 1 every pixel centre is a texel centre: nothing lies near a tile's edge.
    if (std::fabs(zoom - 1) < 1e-9) return 0;
    // A sixteenth of a pixel, counted in texels (a texel is zoom pixels wide):
    // far beyond the rounding of any rasteriser, far below anything seen.
    const double inset = 1 / (16 * zoom);
    return inset < 0.5 ? inset : 0.5;
}

void drawGrid(const GroundMap& map, int32_t w, int32_t h) {
    if (!editorState.grid || w <= 0 || h <= 0) return;
    if (!grid.valid || grid.zoom != viewState.zoom || grid.panX != viewState.panX || grid.panY != viewState.panY ||
        grid.w != w || grid.h != h || grid.cellsX != map.width || grid.cellsY != map.height) {
        buildGrid(map, w, h);
        grid.valid = true;
        grid.zoom = viewState.zoom;
        grid.panX = viewState.panX;
        grid.panY = viewState.panY;
        grid.w = w;
        grid.h = h;
        grid.cellsX = map.width;
        grid.cellsY = map.height;
    }
    inClientPixels(w, h, [&] {
        for (int32_t s = ordinary; s < kStrengths; ++s) {
            const StrengthColour& c = kStrengthColours[s];
            glColor4f(c.r, c.g, c.b, c.a);
            grid.quads[s].draw();
        }
    });
}

void drawStatusStrip(int32_t w, int32_t h) {
    if (!editorState.statusLine || w <= 0 || h <= 0) {
        shownStatusText.clear();
        return;
    }
    buildStatusText(w, h, statusScratch);
    if (statusScratch != shownStatusText) shownStatusText = statusScratch;
    if (!strip.valid || strip.text != statusScratch) buildStripText(statusScratch);
    inClientPixels(w, h, [&] {
        glColor4f(0, 0, 0, 0.6f);
        glBegin(GL_QUADS);
        glVertex2d(0, h - kStatusLineHeight);
        glVertex2d(w, h - kStatusLineHeight);
        glVertex2d(w, h);
        glVertex2d(0, h);
        glEnd();
        glColor4f(1, 1, 1, 1);
        glPushMatrix();
        glTranslatef(static_cast<GLfloat>(kTextLeft), static_cast<GLfloat>(h - kStatusLineHeight + kTextTop), 0);
        strip.quads.draw();
        glPopMatrix();
    });
}
