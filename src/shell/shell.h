// The editor shell: window procedure, prompts, dialogs, main loop pieces.
#pragma once
#include <windows.h>

LRESULT CALLBACK editorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void confirmQuit(HWND window);
// Return the chosen path (valid until the next call of the same dialog) or nullptr.
const char* chooseOpenFile(HWND owner, const char* title);
const char* chooseSaveFile(HWND owner, const char* title);
