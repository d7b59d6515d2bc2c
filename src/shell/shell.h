// The editor shell: window procedure, prompts, dialogs, main loop pieces.
#pragma once
#include <windows.h>

// The window class's procedure: every key and mouse command; never draws.
LRESULT CALLBACK editorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Esc in edit mode 0 and the close box: asks to save, then posts the quit
// message unless the user cancels or the save does not happen.
void confirmQuit(HWND window);
// Return the chosen path (valid until the next call of the same dialog) or nullptr.
// `filter` is a Win32 filter list; without one the dialog offers "All Files".
const char* chooseOpenFile(HWND owner, const char* title, const char* filter = nullptr);
const char* chooseSaveFile(HWND owner, const char* title);
// The image files the decoder reads, then "All Files"; for the G dialog.
extern const char kImageFilter[];

// The window's device context and the OpenGL context made current on it.
struct GLContextHandles {
    HDC dc;          // GetDC of the window, held until teardown
    HGLRC context;   // current from start-up to teardown
};
// Start-up: pixel format, context creation and activation on the window's DC.
GLContextHandles createGLContext(HWND window);
