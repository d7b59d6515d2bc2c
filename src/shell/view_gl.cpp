// The view transform: viewport and projection from the zoom and pan.
#include <windows.h>
#include <GL/gl.h>

#include "shell/editor_state.h"
#include "shell/render.h"

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
    glScalef(static_cast<GLfloat>(zoom * 64 / w), static_cast<GLfloat>(zoom * 64 / h), 1.0f);
    const double d = 0.03125 / zoom;
    glTranslatef(static_cast<GLfloat>(-static_cast<double>(viewState.panX) * d), static_cast<GLfloat>(viewState.panY * d), 0.0f);
    glMatrixMode(GL_MODELVIEW);
}
