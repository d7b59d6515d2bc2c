// The editor shell: window procedure, prompts, dialogs, main loop pieces.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "files/file_identity.h"
#include "shell/title.h"

// The window class's procedure: every key and mouse command; never draws.
LRESULT CALLBACK editorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Esc in view mode and the close box: asks to save, then posts the quit
// message unless the user cancels or the save does not happen.
void confirmQuit(HWND window);
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

// Ctrl+E: the save dialog (PNG first), then the whole map as the frame shows
// it at zoom 1, 2048 x 2048, with the mission's objects while they are shown,
// written as a PNG through the safe save. The art is the atlases start-up
// loaded (atlasImages), so files removed since change nothing; without one
// the picture needs, it says "The picture needs <name>, which was not found
// at start-up." before any dialog and writes nothing. A failed write says
// "Could not save the picture." and the system's reason; a cancelled dialog
// is silent. The map and its file are untouched.
void exportPicture(HWND window);

// The file being edited, saving, loading and undo (document.cpp).
// Callers: O and a dropped file, before openMapFile, and any other code
// about to replace the working map (a recovered map). With unsaved changes
// asks "Do you want to save map?": Yes saves as Ctrl+S does, No goes on,
// Cancel keeps everything. True when the map may be replaced: nothing was
// unsaved, No, or Yes and the save reached the disk.
bool confirmReplaceUnsaved(HWND window);
// O, a dropped file and the command line: loads the map at `path` as one
// undo step that also makes it the current file (undo brings back the map
// and the file before), by its absolute path, with the file's stamp as it
// was read. A file that is not 4096 bytes loads only after Yes to a question
// naming its size; one over 1 MiB is refused unread; one that cannot be read
// says "Could not read map <path>.". True when loaded; the file is then
// current and unmodified, and the title says so. Asks nothing about unsaved
// changes: the caller does (confirmReplaceUnsaved).
bool openMapFile(HWND window, const char* path);
// Caller: the recovery questions at start, after Yes. Loads a recovered
// map's file bytes as one undo step; `path` (the file the work belonged to,
// "" for none) becomes the current file with `stamp`, the file as the dead
// editor last opened or saved it, and the map stays unsaved ("*").
void openRecoveredMap(HWND window, const uint8_t* bytes, size_t size, const std::string& path,
                      const FileStamp& stamp);
// S and the quit prompt's Yes: the save dialog, then the save. True only when
// the map reached the disk; the chosen file becomes the current file (its
// absolute path and stamp). A failed write says "Could not save map." and, on
// a second line, the system's reason; a cancelled dialog is silent.
bool saveWithDialog(HWND window);
// Ctrl+S and the open question's Yes: saves to the current file without a
// dialog; with none, or a relative path recovered from an older editor's
// copy, as S. When another program changed, replaced or removed the file
// since this editor opened or saved it, first asks "<path> was changed by
// another program since it was opened or saved. Save over it?"; No cancels.
bool quickSave(HWND window);
// Closes the change in progress (the edits since the last record) as one
// undo step; the window procedure calls it at the end of a stroke, when a
// box opens (WM_CANCELMODE), and around a fill commit and a confirmed clear.
void endChange();
// Ctrl+Z and Ctrl+Y / Ctrl+Shift+Z on the working map.
void undoLastChange();
void redoLastChange();
// Sets the window title from the current file, its modified mark, the mode,
// kind, brush and fill direction; SetWindowTextA only when the text changed.
void refreshTitle(HWND window);
// Whether the working map has changes its current file (or, before any
// file, the map at start) lacks; the browser host asks before its tab closes.
bool hasUnsavedChanges();
// Caller: the recovery copy. Names the map's state as of the last finished
// change, undo or redo: a new id means a change was finished.
uint32_t mapStateId();
// Caller: the recovery copy. True while edits wait to be closed as a change
// (a stroke under way).
bool changeInProgress();
// The current file's path, empty before any; the browser host offers its
// name in the save dialog.
const std::string& currentFilePath();
// Caller: the recovery copy. The current file as this editor last opened or
// saved it; unknown before any, and always in the browser.
FileStamp currentFileStamp();
// Start of a run (WM_CREATE) and tests: no current file, no undo steps, the
// working map as it stands unmodified, and the next title always set.
void resetDocument();

// The window's device context and the OpenGL context made current on it.
struct GLContextHandles {
    HDC dc;          // GetDC of the window, held until teardown
    HGLRC context;   // current from start-up to teardown
};
// Start-up: pixel format, context creation and activation on the window's DC.
GLContextHandles createGLContext(HWND window);

// Recovery copies (recovery.cpp). Caller: WinMain, after the art and before
// the command-line map. Asks about each copy left by an editor that died,
// newest first: Yes recovers it (openRecoveredMap), No deletes it; then
// takes this editor's own copy. A folder that cannot be used is said once
// ("Unsaved changes cannot be kept for recovery: <reason>.") and editing goes on.
void startRecovery(HWND window);
// Caller: WinMain's loop, each turn. Ends a stroke whose button came up
// where the window did not see it (in a box's own loop), writes the copy when
// the timing rule says so, and removes it when the map has no unsaved changes.
void keepRecoveryCopy(HWND window);
// Caller: WinMain after its loop (a normal quit). Removes this editor's copy.
void endRecovery();
// The start question for a copy: its local date and time and the file's
// path as recorded (absolute; a relative one, from an older editor, as it
// was written), or "a map never saved".
std::string recoveryQuestion(int64_t changeTime, const std::string& mapPath);

struct StartOptions;
// Caller: WinMain, before any window. -1 to go on; otherwise the exit code
// after printing help or the version to `out` (0) or a wrong command line
// to `err` (2); a stream that takes nothing gets a message box instead.
int answerStartOptions(const StartOptions& options, FILE* out, FILE* err);
// The folders searched for the art, in order, each ending in a separator:
// "" (the working folder), the program's folder, <prefix>/share/vorngroundeditor/.
std::vector<std::string> artFolders();
// The first of artFolders() + name that is a regular file and opens for
// reading, or ""; never waits on a FIFO or device of that name.
std::string findArtFile(const char* name);
// Caller: WinMain. Loads both atlases into textureNames, and their images
// into atlasImages for Ctrl+E, from where findArtFile finds them; one message
// box names whatever is missing and where it looked. Needs a current context.
void loadArt(HWND window);
// Caller: WinMain, after the first height field. Loads the map named on the
// command line as key O does (openMapFile: its messages and size question);
// one not loaded leaves the map cleared. True when loaded (or no path).
bool openStartMap(HWND window, const char* path);
