// The window procedure and the quit prompt it shares with the close box.
#pragma once
#include <windows.h>

// The window class's procedure: every key and mouse command; never draws.
LRESULT CALLBACK editorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Esc in view mode and the close box: asks to save, then posts the quit
// message unless the user cancels or the save does not happen.
void confirmQuit(HWND window);
