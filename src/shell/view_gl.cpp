// The view transform: viewport and projection from the zoom and pan.
#include <windows.h>
#include <GL/gl.h>

#include "shell/editor_state.h"
#include "shell/render.h"
#include "shell/view_steps.h"

WorldWindow viewWindow;

void applyView(HWND window) {
    RECT rect = {0, 0, 0, 0};
    GetClientRect(window, &rect);
    const LONG w = rect.right;
    const LONG h = rect.bottom;
    // A minimised window has an empty client area; the scale would divide by
    // zero. Keep the last viewport and projection: the next WM_SIZE with a real
    // size sets them again from the unchanged view state.
    if (w <= 0 || h <= 0) return;

    const double zoom = viewState.zoom;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // 64 * zoom / W: one world unit spans 32 * zoom pixels of a viewport whose
    // normalised range of 2 covers W pixels.
    const GLfloat sx = static_cast<GLfloat>(zoom * (2 * kPixelsPerCell) / w),
                  sy = static_cast<GLfloat>(zoom * (2 * kPixelsPerCell) / h);
    glScalef(sx, sy, 1.0f);
    const double d = 1 / kPixelsPerCell / zoom;
    const GLfloat tx = static_cast<GLfloat>(-static_cast<double>(viewState.panX) * d);
    const GLfloat ty = static_cast<GLfloat>(viewState.panY * d);
    glTranslatef(tx, ty, 0.0f);
    // Normalised -1..1 of the scale after the translation, back in the world.
    viewWindow = {-1 / static_cast<double>(sx) - tx, 1 / static_cast<double>(sx) - tx,
                  -1 / static_cast<double>(sy) - ty, 1 / static_cast<double>(sy) - ty};
    glMatrixMode(GL_MODELVIEW);
}
