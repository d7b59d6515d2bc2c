// The Win32 subset's answers that every non-Windows host gives alike: the
// window records, the message queue and the key state it feeds, dispatch,
// device contexts, capture, the dropped-file list, and the way Windows hands
// a name to a buffer too short for it. Each host's layer includes this beside
// its own records and defines the host hooks declared at the end.
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

// What a HDROP points to: the paths of one drop, in the order the host
// reported them. The host's layer makes it for WM_DROPFILES; DragFinish frees it.
struct HDROP__ {
    std::vector<std::string> files;
};

// What a HDC points to: the window it draws into.
struct HDC__ {
    HWND__* window = nullptr;
};

// What a HWND points to: the part of a window every host has. Each host's
// record derives from it, with what its window system needs; the host makes
// and frees it (openHostWindow, closeHostWindow).
struct HWND__ {
    HWND__() { dc.window = this; }
    HWND__(const HWND__&) = delete;
    HWND__& operator=(const HWND__&) = delete;

    WNDPROC proc = nullptr;     // lpfnWndProc of the registered class
    HDC__ dc;                   // CS_OWNDC: one device context for the window's life
    bool acceptFiles = false;   // DragAcceptFiles: drops become WM_DROPFILES
};

namespace platform {

// Caller: a host's MessageBoxA whose box does not wrap text (SDL's). The text
// laid out as Windows lays out a box's text, in lines of at most `columns`
// characters (UTF-8 sequences counted as one): a longer line breaks at its
// last blank within the limit or, with none (a long path), at the limit
// itself. Unwrapped, a long path pushed the question and the buttons past
// the screen's edge.
std::string wrapBoxText(const std::string& text, size_t columns);

// A message waiting for PeekMessageA, with Ctrl and Shift as its event saw
// them where the host's events say so (the browser's do). Otherwise the two
// keys follow their own key messages, as on Windows.
struct QueuedMessage {
    MSG msg = {};
    bool modifiersKnown = false;
    bool ctrl = false;
    bool shift = false;
};

struct GlobalBlock;  // what a HGLOBAL points to (win32_shared.cpp)

// Everything the shared layer keeps between calls, in one record.
struct SharedState {
    std::map<std::string, WNDPROC> classes;  // RegisterClassA: each class's procedure by name
    HWND__* mainWindow = nullptr;  // the editor's window: the first made and not yet destroyed
    HWND captured = nullptr;       // SetCapture's window, for its return value
    // GetKeyState's answers: bit 0x80 down, bit 0x01 toggled; updated when a
    // message is taken from the queue, as Windows does.
    BYTE keyState[256] = {};
    // Messages translated from the host's events (and WM_QUIT), oldest first.
    std::deque<QueuedMessage> queue;
    // CommDlgExtendedError: why the last file dialog returned FALSE, 0 for a
    // cancel. The hosts' dialogs set it.
    DWORD dialogError = 0;
    bool clipboardOpen = false;    // between OpenClipboard and CloseClipboard
    // GetClipboardData's answer: the clipboard owns it until the next
    // EmptyClipboard or GetClipboardData.
    GlobalBlock* clipboardAnswer = nullptr;
};
// The one record, made at its first use (a call during static
// initialisation finds it too).
SharedState& shared();

// Callers: the hosts' event translation, and PeekMessageA. shared().queue.
std::deque<QueuedMessage>& messageQueue();

// The editor's window, or null: shared().mainWindow.
HWND__* mainWindow();

// Caller: a host whose modal box swallowed key releases (SDL's endModal).
// Every key counts as up, except the modifiers the host still sees held.
void releaseKeys(bool ctrlHeld, bool shiftHeld, bool altHeld);
// Callers: a host whose modal box swallowed a mouse button's release (SDL's
// endModal, the browser's mouse-up while a page dialog is open). The mouse
// buttons count as `buttons` (MK_LBUTTON, MK_RBUTTON, MK_MBUTTON) says, as a
// mouse message taken from the queue would set them.
void setMouseButtons(WPARAM buttons);
// Callers: the hosts' modal boxes and file dialogs, as they open. What
// Windows does as a box disables its owner: WM_CANCELMODE to the editor's
// window (a stroke in progress ends there), whose DefWindowProcA then
// releases the mouse capture.
void cancelModes();

// Callers: the hosts' GetOpenFileNameA / GetSaveFileNameA, once the chosen
// path passed their checks. Copies it and its file name's offset into the
// request as Windows does; FALSE, with FNERR_BUFFERTOOSMALL in dialogError,
// when the path and its NUL do not fit the caller's buffer.
BOOL giveDialogAnswer(LPOPENFILENAMEA request, const std::string& path);
// Caller: the hosts' file dialogs. The Win32 filter list (pairs of a name and
// its patterns "*.a;*.b", ending in an empty string) as each name with its
// patterns; nullptr gives none.
std::vector<std::pair<std::string, std::vector<std::string>>> filterEntries(const char* filter);

// Windows' encodings of input, for the hosts' event translation.
// A position as lParam: signed 16-bit halves, each held in that range (a
// captured mouse far off the window stays far off, never wraps).
LPARAM packPosition(long x, long y);
// A key message's lParam: repeat count 1, the scan code in bits 16..23,
// bit 30 the previous state (set on auto-repeat and on release), bit 31 set
// on release.
LPARAM keyLParam(bool down, bool repeat, int scanCode);
// A mouse message's MK_* flags.
WPARAM mouseKeyFlags(bool left, bool right, bool middle, bool shift, bool ctrl);
// The message of mouse button `button` (0 left, 1 middle, 2 right) going
// down or up, and its MK_* flag in *flag; 0 for another button.
UINT buttonMessage(int button, bool down, WPARAM* flag);
// A message for the queue, as the host's event gave it at `time`.
QueuedMessage queuedMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
// The wParam of each WM_MOUSEWHEEL message for a turn of `notches` (positive:
// away from the user): one notch of WHEEL_DELTA a message, as a notched wheel
// sends on Windows, `keys` (MK_* flags) in the low word. A burst from a fast
// spin is held to 16 messages rather than replayed by the hundred.
std::vector<WPARAM> wheelWParams(int notches, WPARAM keys);

// Host hooks: what only the window system can answer. Each host's layer
// defines them; the shared Win32 calls above them are in win32_shared.cpp.

// PeekMessageA, first: moves the host's pending events into messageQueue().
void collectInput();
// CreateWindowExA: the host's window record for a new window (its client
// area, title and style as asked, as far as the host can), or null. The
// shared part then sets the procedure and sends WM_CREATE and WM_SIZE.
HWND__* openHostWindow(LPCSTR title, DWORD style, int x, int y, int width, int height);
// DestroyWindow, last: releases the host's window and frees the record.
void closeHostWindow(HWND__* window);
// GetClientRect: the client area's size now (0 x 0 when minimised).
void clientSize(HWND__* window, int& width, int& height);
// SetWindowTextA: shows `text` as the window's title.
void showTitle(HWND__* window, LPCSTR text);
// SetCapture / ReleaseCapture: mouse moves and releases outside the window
// keep coming (on) or stop (off).
void captureMouse(bool on);
// DragAcceptFiles: lets the host offer drops (on) or refuse them (off).
void offerDrops(bool on);
// SwapBuffers: shows the frame drawn into the window.
void showFrame(HWND__* window);
// SetClipboardData (CF_TEXT): the system clipboard holds `text` from now on.
void putClipboardText(const std::string& text);
// GetClipboardData (CF_TEXT): the system clipboard's text, false when it holds none.
bool fetchClipboardText(std::string& text);
// GetModuleFileNameA: the running program's path, or "" when unknown.
std::string modulePath();

}  // namespace platform
