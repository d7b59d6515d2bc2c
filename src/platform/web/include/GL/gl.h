// OpenGL 1.1 as the editor draws it, on the browser's WebGL through
// emscripten's legacy GL emulation. Stands in front of the system <GL/gl.h>
// for the web build only.
// Quirk: the emulation has no double-precision vertex and texture-coordinate
// calls, so they forward to the float forms (the values are small map
// coordinates, exact in float); and WebGL rejects GL_CLAMP, whose border
// colour the editor never uses, so it means GL_CLAMP_TO_EDGE here.
// The emulation's client-side vertex arrays take floats only, copy anything
// but one interleaved array value by value, and number a quad draw's corners
// in 16 bits; files/quad_array.cpp keeps to all three on every host.
#pragma once
#include_next <GL/gl.h>

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
#undef GL_CLAMP
#define GL_CLAMP GL_CLAMP_TO_EDGE

inline void vornWebVertex2d(GLdouble x, GLdouble y) { glVertex2f(static_cast<GLfloat>(x), static_cast<GLfloat>(y)); }
inline void vornWebTexCoord2d(GLdouble s, GLdouble t) { glTexCoord2f(static_cast<GLfloat>(s), static_cast<GLfloat>(t)); }
#define glVertex2d vornWebVertex2d
#define glTexCoord2d vornWebTexCoord2d
