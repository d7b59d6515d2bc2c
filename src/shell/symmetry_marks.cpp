#include "shell/symmetry_marks.h"

#include <windows.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "files/quad_array.h"
#include "shell/editor_state.h"
#include "shell/symmetry_counts.h"

namespace {

// The browser's emulation numbers a draw's vertices in 16 bits; an even
// count, so no line is cut in two.
constexpr size_t kLineVerticesPerDraw = 65536;

// The marks as drawn from the count numbered `recounts`.
struct Marks {
    bool filled = false;
    uint32_t recounts = 0;
    QuadArray squares;          // one per point unlike its image (texture coordinates unused)
    std::vector<float> frames;  // x, y of each line's two ends, four lines per object
};
Marks marks;

void fill(const SymmetryCheck& check) {
    marks.filled = true;
    marks.recounts = check.recounts;
    marks.squares.clear();
    for (const LatticePoint& p : check.unlike) {
        const double cx = p.x / 2.0, cy = -p.y / 2.0;
        marks.squares.add(0, 0, 0, 0, cx - 0.25, cy + 0.25, cx + 0.25, cy - 0.25);
    }
    marks.frames.clear();
    for (const ObjectWithoutTwin& o : check.withoutTwin) {
        const float x0 = static_cast<float>(o.x), x1 = static_cast<float>(o.x + o.w);
        const float y0 = static_cast<float>(-o.y), y1 = static_cast<float>(-(o.y + o.h));
        const float lines[16] = {x0, y0, x1, y0, x1, y0, x1, y1, x1, y1, x0, y1, x0, y1, x0, y0};
        marks.frames.insert(marks.frames.end(), lines, lines + 16);
    }
}

void drawFrames() {
    const size_t vertices = marks.frames.size() / 2;
    if (vertices == 0) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    for (size_t first = 0; first < vertices; first += kLineVerticesPerDraw) {
        glVertexPointer(2, GL_FLOAT, 0, &marks.frames[first * 2]);
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(std::min(kLineVerticesPerDraw, vertices - first)));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace

void drawSymmetryMarks() {
    if (!editorState.symmetryMarks || editorState.symmetry == Symmetry::off) return;
    const SymmetryCheck& check = refreshSymmetryCheck();
    if (!marks.filled || marks.recounts != check.recounts) fill(check);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 0, 1, 0.7f);
    marks.squares.draw();
    glDisable(GL_BLEND);
    glColor4f(1, 0, 1, 1);
    drawFrames();
    glColor4f(1, 1, 1, 0.5f);
    glEnable(GL_TEXTURE_2D);
}
