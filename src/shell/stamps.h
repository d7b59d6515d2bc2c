// Stamps in the editor: the selection, copy and paste through the system
// clipboard, the floating stamp and its placing (its preview: editor_state.h).
#pragma once
#include <windows.h>

#include <cstdint>

#include "shell/editor_state.h"

// The command table's actions: Ctrl+C, Ctrl+V, and Z, X, Y while a stamp floats.
void copySelection(HWND window, WPARAM key);
void pasteStamp(HWND window, WPARAM key);
void turnStamp(HWND window, WPARAM key);
void flipStampLeftRight(HWND window, WPARAM key);
void flipStampTopBottom(HWND window, WPARAM key);

// Callers: the window procedure's mouse cases, after they noted the position.
// True when the stamp tools took the message (a Ctrl + left press starts a
// selection, a left press places a floating stamp), so the brush must not.
bool stampLeftDown(HWND window);
bool stampMouseMove(HWND window);
void stampLeftUp();
// Caller: the window procedure after every message. Outside corner editing
// neither a selection nor a floating stamp stays.
void dropStampsOutsideCornerEditing();
