// The open and save dialogs and their filter lists.
#pragma once
#include <windows.h>

// Return the chosen path (valid until the next call of the same dialog) or nullptr.
// `filter` is a Win32 filter list; without one the dialog offers "All Files".
const char* chooseOpenFile(HWND owner, const char* title, const char* filter = nullptr);
// `extension` (no dot) is added by Windows to a name typed without one.
const char* chooseSaveFile(HWND owner, const char* title, const char* filter = nullptr,
                           const char* extension = nullptr);
// The image files the decoder reads, then "All Files"; for the G dialog.
extern const char kImageFilter[];
// "PNG image (*.png)", then "All Files"; for the picture export's dialog.
extern const char kPngFilter[];
