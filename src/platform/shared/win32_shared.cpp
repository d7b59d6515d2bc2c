// Win32 calls answered alike by the SDL and browser hosts; what only the
// window system knows comes through the host hooks (win32_shared.h).
#include "platform/shared/win32_shared.h"

#include <cstring>
#include <map>

platform::SharedState& platform::shared() {
    static SharedState state;
    return state;
}

namespace {

void setKey(int vk, bool down) {
    BYTE& s = platform::shared().keyState[vk & 0xff];
    if (down && !(s & 0x80)) s ^= 0x01;  // toggles on each press, not on repeats
    s = static_cast<BYTE>(down ? (s | 0x80) : (s & ~0x80));
}

// What taking a message from the queue does to the thread's key state. Where
// the event said how Ctrl and Shift were, that wins over their key messages,
// so a Ctrl released while the host's window had no focus does not stay down.
void noteInput(const platform::QueuedMessage& q) {
    const MSG& msg = q.msg;
    switch (msg.message) {
    case WM_KEYDOWN: case WM_KEYUP:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
        break;
    default: return;
    }
    if (q.modifiersKnown) {
        setKey(VK_CONTROL, q.ctrl);
        setKey(VK_SHIFT, q.shift);
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) {
        const int vk = static_cast<int>(msg.wParam);
        if (!q.modifiersKnown || (vk != VK_CONTROL && vk != VK_SHIFT)) setKey(vk, msg.message == WM_KEYDOWN);
        return;
    }
    // A wheel message keeps the buttons in wParam's low word.
    platform::setMouseButtons(LOWORD(msg.wParam));
}

// Copies `name` into `out` as Windows' name queries do: cut to size - 1
// characters and terminated; the name's length when it fits, else `size`.
DWORD copyNameCut(const std::string& name, LPSTR out, DWORD size) {
    const size_t length = name.size();
    const size_t copied = length < size ? length : size - 1;
    std::memcpy(out, name.data(), copied);
    out[copied] = '\0';
    return length < size ? static_cast<DWORD>(length) : size;
}

}  // namespace

std::deque<platform::QueuedMessage>& platform::messageQueue() { return shared().queue; }

HWND__* platform::mainWindow() { return shared().mainWindow; }

std::string platform::wrapBoxText(const std::string& text, size_t columns) {
    if (columns == 0) return text;
    std::string out;
    size_t lineStart = 0;
    for (;;) {
        size_t end = text.find('\n', lineStart);
        if (end == std::string::npos) end = text.size();
        size_t pos = lineStart;
        for (;;) {
            // i: the byte after `columns` characters from pos.
            size_t i = pos, n = 0;
            while (i < end && n < columns) {
                ++i;
                while (i < end && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
                ++n;
            }
            if (i >= end) {
                out.append(text, pos, end - pos);
                break;
            }
            const size_t blank = text.rfind(' ', i);
            const bool atBlank = blank != std::string::npos && blank > pos;
            out.append(text, pos, (atBlank ? blank : i) - pos);
            out += '\n';
            pos = atBlank ? blank + 1 : i;
        }
        if (end == text.size()) return out;
        out += '\n';
        lineStart = end + 1;
    }
}

void platform::setMouseButtons(WPARAM buttons) {
    setKey(VK_LBUTTON, (buttons & MK_LBUTTON) != 0);
    setKey(VK_RBUTTON, (buttons & MK_RBUTTON) != 0);
    setKey(VK_MBUTTON, (buttons & MK_MBUTTON) != 0);
}

void platform::releaseKeys(bool ctrlHeld, bool shiftHeld, bool altHeld) {
    BYTE* keyState = shared().keyState;
    for (int vk = VK_BACK; vk < 256; ++vk) keyState[vk] &= static_cast<BYTE>(~0x80);
    if (ctrlHeld) keyState[VK_CONTROL] |= 0x80;
    if (shiftHeld) keyState[VK_SHIFT] |= 0x80;
    if (altHeld) keyState[VK_MENU] |= 0x80;
}

// ---- Windows and their messages

// Only the procedure of a class matters on these hosts; the atom counts the names.
ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (!windowClass || !windowClass->lpszClassName) return 0;
    std::map<std::string, WNDPROC>& classes = platform::shared().classes;
    classes[windowClass->lpszClassName] = windowClass->lpfnWndProc;
    return static_cast<ATOM>(classes.size());
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND, HMENU, HINSTANCE, LPVOID) {
    const std::map<std::string, WNDPROC>& classes = platform::shared().classes;
    const auto found = classes.find(className ? className : "");
    if (found == classes.end() || !found->second) return nullptr;
    const WNDPROC proc = found->second;
    HWND window = platform::openHostWindow(windowName, style, x, y, width, height);
    if (!window) return nullptr;
    window->proc = proc;
    if (!platform::shared().mainWindow) platform::shared().mainWindow = window;
    // Windows sends these from inside CreateWindowEx, before it returns.
    int w = 0, h = 0;
    platform::clientSize(window, w, h);
    window->proc(window, WM_CREATE, 0, 0);
    window->proc(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
    return window;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (!window) return FALSE;
    window->proc(window, WM_DESTROY, 0, 0);
    if (platform::shared().captured == window) ReleaseCapture();
    if (platform::shared().mainWindow == window) platform::shared().mainWindow = nullptr;
    // Messages still queued for it must not reach a freed window.
    for (platform::QueuedMessage& q : platform::messageQueue())
        if (q.msg.hwnd == window) q.msg.hwnd = nullptr;
    platform::closeHostWindow(window);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    if (!window || !rect) return FALSE;
    int w = 0, h = 0;
    platform::clientSize(window, w, h);
    rect->left = rect->top = 0;
    rect->right = w;
    rect->bottom = h;
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    if (!window) return FALSE;
    platform::showTitle(window, text ? text : "");
    return TRUE;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND, UINT, UINT, UINT removeMsg) {
    platform::collectInput();
    std::deque<platform::QueuedMessage>& queue = platform::messageQueue();
    if (queue.empty()) return FALSE;
    *msg = queue.front().msg;
    if (removeMsg & PM_REMOVE) {
        noteInput(queue.front());
        queue.pop_front();
    }
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg->hwnd || !msg->hwnd->proc) return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    platform::QueuedMessage q;
    q.msg.message = WM_QUIT;
    q.msg.wParam = static_cast<WPARAM>(exitCode);
    platform::messageQueue().push_back(q);
}

short WINAPI GetKeyState(int virtualKey) {
    const BYTE s = platform::shared().keyState[virtualKey & 0xff];
    // Windows sign-extends the down bit: 0xff80 when down, | 1 when toggled.
    return static_cast<short>((s & 0x80 ? 0xff80 : 0) | (s & 0x01));
}

// Windows turns WM_KEYDOWN into WM_CHAR here; the editor reads virtual keys only.
BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    // The editor handles WM_CLOSE itself; of the rest only WM_CANCELMODE has
    // a default on these hosts (no non-client area, no system menu, no WM_PAINT).
    const HWND captured = platform::shared().captured;
    if (message == WM_CANCELMODE && captured && captured == window) ReleaseCapture();
    return 0;
}

void platform::cancelModes() {
    HWND__* window = shared().mainWindow;
    if (window && window->proc) window->proc(window, WM_CANCELMODE, 0, 0);
}

// ---- Drawing and the mouse

HDC WINAPI GetDC(HWND window) { return window ? &window->dc : nullptr; }
// The window's own device context (CS_OWNDC) stays with the window.
int WINAPI ReleaseDC(HWND, HDC) { return 1; }

HWND WINAPI SetCapture(HWND window) {
    HWND previous = platform::shared().captured;
    platform::shared().captured = window;
    platform::captureMouse(true);
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    platform::shared().captured = nullptr;
    platform::captureMouse(false);
    return TRUE;
}

// One pixel format per host, fixed by the host's window: choosing and setting
// it cannot differ.
int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) { return dc && pfd ? 1 : 0; }
BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) { return dc && format == 1; }

BOOL WINAPI SwapBuffers(HDC dc) {
    if (!dc || !dc->window) return FALSE;
    platform::showFrame(dc->window);
    return TRUE;
}

// Icons, cursors and brushes have no meaning on these hosts: the window has
// the system's icon and arrow, and OpenGL paints every frame.
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
HGDIOBJ WINAPI GetStockObject(int) { return nullptr; }

// ---- Dropped files

void WINAPI DragAcceptFiles(HWND window, BOOL accept) {
    if (!window) return;
    window->acceptFiles = accept != FALSE;
    platform::offerDrops(window->acceptFiles);
}

// Windows' encodings: index 0xFFFFFFFF gives the number of files; a null
// buffer gives the name's length without its NUL; otherwise the name is
// copied, cut to size - 1 characters, and the characters copied are returned.
// An index past the last file gives 0.
UINT WINAPI DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size) {
    if (!drop) return 0;
    if (index == 0xFFFFFFFFu) return static_cast<UINT>(drop->files.size());
    if (index >= drop->files.size()) return 0;
    const std::string& name = drop->files[index];
    if (!file) return static_cast<UINT>(name.size());
    if (size == 0) return 0;
    const size_t n = name.size() < size - 1 ? name.size() : size - 1;
    std::memcpy(file, name.data(), n);
    file[n] = '\0';
    return static_cast<UINT>(n);
}

void WINAPI DragFinish(HDROP drop) { delete drop; }

// ---- File dialogs

BOOL platform::giveDialogAnswer(LPOPENFILENAMEA request, const std::string& path) {
    if (path.size() + 1 > request->nMaxFile) {
        shared().dialogError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::memcpy(request->lpstrFile, path.c_str(), path.size() + 1);
    const size_t slash = path.rfind('/');
    request->nFileOffset = static_cast<WORD>(slash == std::string::npos ? 0 : slash + 1);
    return TRUE;
}

std::vector<std::pair<std::string, std::vector<std::string>>> platform::filterEntries(const char* filter) {
    std::vector<std::pair<std::string, std::vector<std::string>>> entries;
    for (const char* p = filter; p && *p;) {
        std::string name = p;
        p += name.size() + 1;
        const std::string patterns = p;
        p += patterns.size() + 1;
        std::vector<std::string> each;
        for (size_t start = 0; start <= patterns.size();) {
            size_t end = patterns.find(';', start);
            if (end == std::string::npos) end = patterns.size();
            each.push_back(patterns.substr(start, end - start));
            start = end + 1;
        }
        entries.emplace_back(std::move(name), std::move(each));
    }
    return entries;
}

DWORD WINAPI CommDlgExtendedError(void) { return platform::shared().dialogError; }

// ---- Input in Windows' encodings

LPARAM platform::packPosition(long x, long y) {
    const auto half = [](long v) { return static_cast<WORD>(static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v)); };
    return MAKELPARAM(half(x), half(y));
}

LPARAM platform::keyLParam(bool down, bool repeat, int scanCode) {
    LPARAM lParam = 1 | ((scanCode & 0xff) << 16);
    if (!down) lParam |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
    else if (repeat) lParam |= LPARAM{1} << 30;
    return lParam;
}

WPARAM platform::mouseKeyFlags(bool left, bool right, bool middle, bool shift, bool ctrl) {
    return (left ? MK_LBUTTON : 0) | (right ? MK_RBUTTON : 0) | (middle ? MK_MBUTTON : 0) | (shift ? MK_SHIFT : 0) |
           (ctrl ? MK_CONTROL : 0);
}

UINT platform::buttonMessage(int button, bool down, WPARAM* flag) {
    switch (button) {
    case 0: *flag = MK_LBUTTON; return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case 1: *flag = MK_MBUTTON; return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    case 2: *flag = MK_RBUTTON; return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    default: *flag = 0; return 0;
    }
}

platform::QueuedMessage platform::queuedMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
    QueuedMessage q;
    q.msg.hwnd = window;
    q.msg.message = message;
    q.msg.wParam = wParam;
    q.msg.lParam = lParam;
    q.msg.time = time;
    return q;
}

std::vector<WPARAM> platform::wheelWParams(int notches, WPARAM keys) {
    const int n = notches < -16 ? 16 : notches > 16 ? 16 : notches < 0 ? -notches : notches;
    const int16_t delta = notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
    return std::vector<WPARAM>(static_cast<size_t>(n), MAKEWPARAM(keys, static_cast<WORD>(delta)));
}

// ---- The clipboard and movable memory

// What a HGLOBAL points to. Movable memory never moves here; the lock count
// is kept only so GlobalUnlock answers as Windows does.
struct platform::GlobalBlock {
    std::vector<char> bytes;
    int locks = 0;
};

namespace {

using platform::GlobalBlock;

// On Windows the caller may read GetClipboardData's answer only while the
// clipboard is open; here the answer lives until the next one or EmptyClipboard.
void dropAnswer() {
    delete platform::shared().clipboardAnswer;
    platform::shared().clipboardAnswer = nullptr;
}

}  // namespace

HGLOBAL WINAPI GlobalAlloc(UINT, SIZE_T bytes) {
    GlobalBlock* block = new GlobalBlock;
    block->bytes.assign(bytes ? bytes : 1, '\0');
    return block;
}

LPVOID WINAPI GlobalLock(HGLOBAL memory) {
    if (!memory) return nullptr;
    GlobalBlock* block = static_cast<GlobalBlock*>(memory);
    ++block->locks;
    return block->bytes.data();
}

BOOL WINAPI GlobalUnlock(HGLOBAL memory) {
    if (!memory) return FALSE;
    GlobalBlock* block = static_cast<GlobalBlock*>(memory);
    if (block->locks > 0) --block->locks;
    return block->locks > 0;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
    delete static_cast<GlobalBlock*>(memory);
    return nullptr;
}

BOOL WINAPI OpenClipboard(HWND) {
    bool& open = platform::shared().clipboardOpen;
    if (open) return FALSE;
    open = true;
    return TRUE;
}

BOOL WINAPI CloseClipboard(void) {
    bool& open = platform::shared().clipboardOpen;
    if (!open) return FALSE;
    open = false;
    return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
    if (!platform::shared().clipboardOpen) return FALSE;
    dropAnswer();
    platform::putClipboardText("");
    return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT format, HANDLE data) {
    if (!platform::shared().clipboardOpen || format != CF_TEXT || !data) return nullptr;
    // The system owns the data from here on: its text up to the first NUL
    // (or the whole block, should the caller have left none) goes to the host.
    GlobalBlock* block = static_cast<GlobalBlock*>(data);
    const std::vector<char>& bytes = block->bytes;
    const void* nul = std::memchr(bytes.data(), '\0', bytes.size());
    const size_t length = nul ? static_cast<const char*>(nul) - bytes.data() : bytes.size();
    platform::putClipboardText(std::string(bytes.data(), length));
    delete block;
    return data;
}

HANDLE WINAPI GetClipboardData(UINT format) {
    if (!platform::shared().clipboardOpen || format != CF_TEXT) return nullptr;
    dropAnswer();
    std::string text;
    if (!platform::fetchClipboardText(text)) return nullptr;
    GlobalBlock* answer = platform::shared().clipboardAnswer = new GlobalBlock;
    answer->bytes.assign(text.begin(), text.end());
    answer->bytes.push_back('\0');
    return answer;
}

// ---- The running program

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    // The program is the only module here; its handle is null, as WinMain's instance.
    if (module != nullptr || !fileName || size == 0) return 0;
    const std::string path = platform::modulePath();
    return path.empty() ? 0 : copyNameCut(path, fileName, size);
}
