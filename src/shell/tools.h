// The painting tools in the editor: the tool keys, the picker, symmetry, the
// whole-map view, and the line, rectangle and bucket drags (their state and
// preview: editor_state.h; their outline: render.cpp).
#pragma once
#include <windows.h>

#include <cstdint>

#include "map/ground_map.h"

// Callers: the tools and the stamps. The working map's lattice point under
// the last mouse position (cursorPoint for the window's client area), and a
// point clamped into the working map's lattice.
LatticePoint pointUnderCursor(HWND window);
LatticePoint clampedIntoLattice(LatticePoint p);

// The command table's actions: D, L, A and B choose the tool (and enter
// corner editing), P picks the kind under the cursor, V steps the symmetry,
// Home shows the whole map.
void chooseTool(HWND window, WPARAM key);
void pickKind(HWND window, WPARAM key);
void nextSymmetry(HWND window, WPARAM key);
void showWholeMap(HWND window, WPARAM key);

// Callers: the window procedure's mouse cases, after the stamp tools had
// their turn and the position was noted. A press with the line, rectangle or
// bucket on the lattice starts a drag and returns true; while one is held a
// move follows it (true: the brush must not paint); the release paints it.
bool toolLeftDown(HWND window);
bool toolMouseMove(HWND window);
void toolLeftUp(HWND window);
// Callers: a left press (a drag whose release went astray ends unpainted)
// and Ctrl+V (the pasted stamp takes over the preview and the next press).
void dropToolDrag();
// Caller: the window procedure after every message. Outside corner editing
// no drag stays: Esc during one drops it, and its release paints nothing.
void dropToolDragOutsideCornerEditing();

// Caller: the window procedure's brush. Paints the brush square whose
// top-left is lattice position (lx, ly) (inside the lattice), each point
// followed by its symmetry images, with the current kind.
void paintBrush(double lx, double ly);
