// Stamps in the editor: the selection, copy and paste through the system
// clipboard, the floating stamp and its placing (its preview: editor_state.h).
#pragma once
#include <windows.h>

#include <cstdint>

#include "shell/editor_state.h"

// The command table's actions: Ctrl+C, Ctrl+V, and, while a stamp floats,
// Z (a quarter turn clockwise), X (flip left-right) and Y (flip top-bottom).
void copySelection(HWND window, WPARAM key);
void pasteStamp(HWND window, WPARAM key);
void turnOrFlipStamp(HWND window, WPARAM key);

// Callers: the window procedure's mouse cases, after they noted the position.
// True when the stamp tools took the message (a Ctrl + left press starts a
// selection, a left press places a floating stamp), so the brush must not.
bool stampLeftDown(HWND window);
bool stampMouseMove(HWND window);
void stampLeftUp();
// Caller: the window procedure after every message. Outside corner editing
// neither a selection nor a floating stamp stays.
void dropStampsOutsideCornerEditing();
