// Client-side vertex arrays: the one place that switches them on and off.
#include <windows.h>
#include <GL/gl.h>

#include <algorithm>

#include "files/quad_array.h"

namespace {

// The browser's emulation turns quads into triangles through a shared table
// of 16-bit corner numbers: one draw may reach corner 65535 at most. The
// corner overlay's 16,641 quads go in two draws on every host.
constexpr size_t kCornersPerDraw = 65536;

}  // namespace

void QuadArray::add(double s0, double t0, double s1, double t1, double x0, double y0, double x1, double y1) {
    const float fs0 = static_cast<float>(s0), fs1 = static_cast<float>(s1);
    const float ft0 = static_cast<float>(t0), ft1 = static_cast<float>(t1);
    const float fx0 = static_cast<float>(x0), fx1 = static_cast<float>(x1);
    const float fy0 = static_cast<float>(y0), fy1 = static_cast<float>(y1);
    corners_.push_back({fs0, ft0, fx0, fy0});
    corners_.push_back({fs1, ft0, fx1, fy0});
    corners_.push_back({fs1, ft1, fx1, fy1});
    corners_.push_back({fs0, ft1, fx0, fy1});
}

void QuadArray::draw(size_t first, size_t count, size_t runs, size_t stride) const {
    bool arraysOn = false;
    for (size_t run = 0; run < runs; ++run) {
        const size_t begin = std::min(first + run * stride, quads()) * 4;
        const size_t end = begin + std::min(count, quads() - begin / 4) * 4;
        for (size_t corner = begin; corner < end; corner += kCornersPerDraw) {
            if (!arraysOn) {
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
                glEnableClientState(GL_VERTEX_ARRAY);
                arraysOn = true;
            }
            const size_t corners = std::min(kCornersPerDraw, end - corner);
            glTexCoordPointer(2, GL_FLOAT, sizeof(QuadCorner), &corners_[corner].s);
            glVertexPointer(2, GL_FLOAT, sizeof(QuadCorner), &corners_[corner].x);
            glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(corners));
        }
    }
    if (!arraysOn) return;
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}
