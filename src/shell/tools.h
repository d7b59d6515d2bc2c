// The painting tools in the editor: the tool keys, the picker, symmetry, the
// whole-map view, the brush stroke and the drag tools' press, move and
// release (the tools themselves: paint_tool_table.h; a drag's state and
// preview: editor_state.h; the outline: render.cpp).
#pragma once
#include <windows.h>

#include <cstdint>

#include "map/ground_map.h"

// Callers: the tools and the stamps. The working map's lattice point under
// the last mouse position (cursorPoint for the window's client area).
LatticePoint pointUnderCursor(HWND window);

// The command table's actions: a tool's key chooses it (and enters corner
// editing; pressed again in corner editing, it runs the entry's `again`), P
// picks the kind under the cursor, V steps the symmetry, Home shows the whole map.
void chooseTool(HWND window, WPARAM key);
void pickKind(HWND window, WPARAM key);
void nextSymmetry(HWND window, WPARAM key);
// K turns the symmetry marks on and off; Ctrl+M makes the working map
// exactly symmetric from the part under the cursor (mendSymmetry) as one
// undo step, and does nothing off the lattice, on an axis or with symmetry off.
void toggleSymmetryMarks(HWND window, WPARAM key);
void mendSymmetryAtCursor(HWND window, WPARAM key);
void showWholeMap(HWND window, WPARAM key);

// Callers: the window procedure's mouse cases, after the stamp tools had
// their turn and the position was noted. Every press seeds the stroke's
// generator (scatterSeed of the press point). With a drag tool chosen, a
// press on the lattice starts a drag (true: the press is taken); a move
// follows a held drag (true: no stroke paints); the release paints it.
bool toolLeftDown(HWND window);
bool toolMouseMove(HWND window);
void toolLeftUp(HWND window);
// Callers: a left press (a drag whose release went astray ends unpainted)
// and Ctrl+V (the pasted stamp takes over the preview and the next press).
void dropToolDrag();
// Caller: the window procedure after every message. Outside corner editing
// no drag stays: Esc during one drops it, and its release paints nothing.
void dropToolDragOutsideCornerEditing();

// Caller: the window procedure, for a move with the left button held in
// corner editing over the lattice. Paints the chosen stroke tool's step
// for lattice position `at` (the brush: the square whose top-left it is; the
// scatter tool: a share of it), each point followed by its symmetry images,
// with the current kind.
void paintStroke(LatticePos at);
