// Internal records of the Win32-over-browser layer, shared by its files only.
#pragma once
#include <windows.h>
#include <EGL/egl.h>
#include <sys/types.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/shared/win32_shared.h"

// What a HGLRC points to: the EGL context on the canvas.
struct HGLRC__ {
    EGLContext egl = EGL_NO_CONTEXT;
};

namespace platform {

// Hooks the executable's main sets, so the layer can ask about the map without
// linking the shell. Any may stay null.
struct PageHooks {
    // Whether leaving the page would lose changes (the browser then asks).
    bool (*unsavedChanges)() = nullptr;
    // The shell's current file (an in-memory path, empty before any): its
    // name is what the save dialog offers.
    const std::string& (*currentFile)() = nullptr;
    // The command table's word on sharing a key with the browser: whether a
    // chord holding Ctrl and Shift names `vk`, and whether the browser acts
    // on the key too. Null: the editor takes no Ctrl+Shift key and shares none.
    bool (*editorTakesCtrlShift)(int vk) = nullptr;
    bool (*browserActsToo)(int vk, bool ctrl, bool shift) = nullptr;
    // The text of the status line the frame just drew ("" while it is off),
    // which the page keeps for screen readers.
    const std::string& (*statusText)() = nullptr;
};

// A file the layer gave out (opened, dropped, saved) as last seen. The safe
// save writes a new file and renames it over the old one, so a save always
// shows as a new inode, even within the second that is the in-memory file
// system's time resolution.
struct SeenFile {
    bool exists = false;
    ino_t inode = 0;
    off_t size = 0;
    time_t modified = 0;
    bool operator==(const SeenFile& o) const {
        return exists == o.exists && inode == o.inode && size == o.size && modified == o.modified;
    }
};

// Everything this host keeps between calls, beside the shared record.
struct PageState {
    PageHooks hooks;
    // Page dialogs and the file chooser are modal: while the depth is above
    // zero, input meant for the editor is dropped, as Windows drops input to
    // a window disabled by a modal box; input queued before the box opened stays.
    int modalDepth = 0;
    double wheelPixels = 0;  // wheel movement not yet worth a notch (trackpads send many small deltas)
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;  // the canvas, made with the first context
    EGLConfig config = nullptr;
    // The page's own clipboard: the text the editor set or a paste brought,
    // and whether there is any (the system clipboard may refuse the page).
    std::string clipboard;
    bool clipboardHolds = false;
    std::map<std::string, SeenFile> watched;  // in-memory paths given out (opened, dropped, saved) and their state
    // Download name -> the bytes last handed to the browser under it. A path
    // given out again (a dialog or a drop) forgets its name's entry: the user
    // asked for that file anew, so its next save is delivered whatever it holds.
    std::map<std::string, std::vector<char>> lastDownload;
    std::set<std::string> held;  // chosen or dropped files not yet known to be read
    std::string lastSaveName;    // the name typed last in the save dialog
    std::string pageStatus;      // the status text the page holds
};
// The one record, made at its first use.
PageState& page();

// What a HWND points to on this host: the shared part and the page's canvas,
// which is the client area.
struct CanvasWindow : HWND__ {
    int width = 0;               // client size in device pixels (canvas backing store)
    int height = 0;
    HGLRC__* context = nullptr;  // made with the window, until wglCreateContext takes it
};

inline CanvasWindow* canvasOf(HWND window) { return static_cast<CanvasWindow*>(window); }

// A new EGL context on the canvas, or null when WebGL is unavailable.
HGLRC createCanvasContext(HWND window);

// Registers the page's key, mouse, wheel and resize callbacks for `window`.
void listenToPage(HWND window);

// Caller: listenToPage. Text pasted on the page (outside its dialogs) becomes
// what GetClipboardData answers next.
void listenForPaste();

// Whether the browser also acts on this key of the editor's, as the
// editor's command table says (hooks.browserActsToo): Ctrl+C and Ctrl+V, so
// their copy and paste events reach the page's clipboard.
bool browserAlsoActsOn(int vk, bool ctrl, bool shift);

// Reads the canvas's CSS size and the device pixel ratio, sizes the canvas's
// backing store to match one device pixel per editor pixel, and stores the
// result in the window. True when the size changed.
bool fitCanvas(HWND window);

// Windows' virtual-key code for a browser key (its `code` and legacy
// `keyCode`), or 0 when the editor's host has none.
int virtualKeyFor(const char* code, unsigned long keyCode);

// Whether a key with these modifiers stays the browser's (reload, full
// screen, developer tools, Alt/Meta shortcuts, Ctrl+Shift keys the editor's
// command table does not name: hooks.editorTakesCtrlShift) rather than the editor's.
bool browserKeepsKey(int vk, bool ctrl, bool shift, bool alt, bool meta);


// Called at every entry to the layer from the shell's loop (PeekMessageA and
// the dialogs). serviceFiles hands every watched file written since it was
// last seen to the browser as a download under its own name, and returns how
// many; serviceDrops turns files dropped on the page into WM_DROPFILES.
int serviceFiles();
void serviceDrops();
// Called by the dialogs and drops for each in-memory path they give the
// shell: its state now is the one serviceFiles compares with, and its next
// write is delivered even when the bytes are the ones last downloaded under
// its name (serviceFiles skips such a write otherwise).
void watchFile(const std::string& path);
// Called by PeekMessageA (collectInput), when the shell has finished the
// message before: removes the files handed out by the open dialog and by
// drops, except those of WM_DROPFILES still queued; returns how many.
int releaseChosenFiles();

// The longest file name browsers save a download under (in UTF-8 bytes), and
// the longest extension kept when a name is cut to it.
constexpr size_t kDownloadNameBytes = 255;
constexpr size_t kKeptExtensionBytes = 16;
// Called by GetSaveFileNameA (and tests): the name a typed save name is
// downloaded under: slashes become '_', and a name over kDownloadNameBytes is
// cut at a character boundary before its extension, which stays; `cut` (may
// be null) says whether it was.
std::string downloadName(const std::string& typed, bool* cut);



}  // namespace platform
