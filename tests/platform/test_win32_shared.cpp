// The Win32 answers both non-Windows hosts share (platform/shared), built
// into each host's test program so each host is checked with its own hooks
// linked in: calls that need no window system, dispatch, capture, the key
// state taken with messages, dialog answers, timing, and dropped-file
// queries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/shared/win32_shared.h"

namespace {

std::vector<UINT> dispatched;  // messages the stand-in window's procedure got

LRESULT CALLBACK countingProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    dispatched.push_back(message);
    return static_cast<LRESULT>(wParam) + 1;
}

// Messages waiting now, taken the way the main loop takes them.
void drainQueue() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(Win32Shared, CallsThatNeedNoWindowSystem) {
    HWND__ window;  // the shared part of a window, with no host behind it
    window.proc = countingProc;
    HWND__ other;
    PIXELFORMATDESCRIPTOR pfd = {};
    RECT rect = {1, 2, 3, 4};
    WNDCLASSA nameless = {};
    nameless.lpfnWndProc = countingProc;
    MSG toWindow = {};
    toWindow.hwnd = &window;
    toWindow.message = WM_KEYDOWN;
    toWindow.wParam = 41;
    MSG toNobody = toWindow;
    toNobody.hwnd = nullptr;
    dispatched.clear();
    struct Case { const char* call; intptr_t got, expected; };
    const Case cases[] = {
        {"LoadIconA", reinterpret_cast<intptr_t>(LoadIconA(nullptr, IDI_APPLICATION)), 0},
        {"LoadCursorA", reinterpret_cast<intptr_t>(LoadCursorA(nullptr, IDC_ARROW)), 0},
        {"GetStockObject", reinterpret_cast<intptr_t>(GetStockObject(BLACK_BRUSH)), 0},
        {"TranslateMessage", TranslateMessage(&toWindow), FALSE},
        {"DefWindowProcA", DefWindowProcA(&window, WM_CLOSE, 0, 0), 0},
        {"RegisterClassA without a name", RegisterClassA(&nameless), 0},
        {"CreateWindowExA of an unknown class",
         reinterpret_cast<intptr_t>(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                                    nullptr)),
         0},
        {"DestroyWindow(null)", DestroyWindow(nullptr), FALSE},
        {"GetClientRect(null)", GetClientRect(nullptr, &rect), FALSE},
        {"SetWindowTextA(null)", SetWindowTextA(nullptr, "x"), FALSE},
        {"DispatchMessageA to the window", DispatchMessageA(&toWindow), 42},
        {"DispatchMessageA to no window", DispatchMessageA(&toNobody), 0},
        {"GetDC", reinterpret_cast<intptr_t>(GetDC(&window)), reinterpret_cast<intptr_t>(&window.dc)},
        {"GetDC again: the window's own", reinterpret_cast<intptr_t>(GetDC(&window)),
         reinterpret_cast<intptr_t>(&window.dc)},
        {"GetDC's window", reinterpret_cast<intptr_t>(GetDC(&window)->window), reinterpret_cast<intptr_t>(&window)},
        {"GetDC(null)", reinterpret_cast<intptr_t>(GetDC(nullptr)), 0},
        {"ReleaseDC", ReleaseDC(&window, GetDC(&window)), 1},
        {"ChoosePixelFormat", ChoosePixelFormat(GetDC(&window), &pfd), 1},
        {"ChoosePixelFormat without a descriptor", ChoosePixelFormat(GetDC(&window), nullptr), 0},
        {"ChoosePixelFormat(null)", ChoosePixelFormat(nullptr, &pfd), 0},
        {"SetPixelFormat 1", SetPixelFormat(GetDC(&window), 1, &pfd), TRUE},
        {"SetPixelFormat 2", SetPixelFormat(GetDC(&window), 2, &pfd), FALSE},
        {"SetPixelFormat(null)", SetPixelFormat(nullptr, 1, &pfd), FALSE},
        {"SwapBuffers(null)", SwapBuffers(nullptr), FALSE},
        {"SetCapture: none before", reinterpret_cast<intptr_t>(SetCapture(&window)), 0},
        {"SetCapture: the window before", reinterpret_cast<intptr_t>(SetCapture(&other)),
         reinterpret_cast<intptr_t>(&window)},
        {"ReleaseCapture", ReleaseCapture(), TRUE},
        {"SetCapture after a release", reinterpret_cast<intptr_t>(SetCapture(&window)), 0},
        {"ReleaseCapture again", ReleaseCapture(), TRUE},
        {"SetCapture before a box opens", reinterpret_cast<intptr_t>(SetCapture(&window)), 0},
        {"DefWindowProcA of WM_CANCELMODE", DefWindowProcA(&window, WM_CANCELMODE, 0, 0), 0},
        {"SetCapture after WM_CANCELMODE: none held", reinterpret_cast<intptr_t>(SetCapture(&other)), 0},
        {"ReleaseCapture at the end", ReleaseCapture(), TRUE},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.call;
    EXPECT_EQ(dispatched, std::vector<UINT>{WM_KEYDOWN}) << "only the message with a window reaches a procedure";
    EXPECT_EQ(rect.left, 1) << "a failed GetClientRect leaves the rectangle alone";
}

TEST(Win32Shared, QuitMessageComesAfterWhatIsQueued) {
    drainQueue();
    platform::QueuedMessage q;
    q.msg.message = WM_MOUSEMOVE;
    platform::messageQueue().push_back(q);
    PostQuitMessage(3);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, UINT(WM_MOUSEMOVE)) << "PM_NOREMOVE leaves it";
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_MOUSEMOVE));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_EQ(m.wParam, WPARAM{3});
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

void queue(UINT message, WPARAM wParam, bool modifiersKnown, bool ctrl = false, bool shift = false) {
    platform::QueuedMessage q;
    q.msg.message = message;
    q.msg.wParam = wParam;
    q.modifiersKnown = modifiersKnown;
    q.ctrl = ctrl;
    q.shift = shift;
    platform::messageQueue().push_back(q);
}

TEST(Win32Shared, KeyStateFollowsTheMessagesTaken) {
    drainQueue();
    MSG m;
    const int toggledBefore = GetKeyState('S') & 1;
    // As the page reports them: the modifiers come with each event.
    queue(WM_KEYDOWN, VK_CONTROL, true, true, false);
    queue(WM_KEYDOWN, 'S', true, true, false);
    EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0) << "nothing taken yet";
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, WPARAM{'S'});
    EXPECT_NE(GetKeyState(VK_CONTROL) & 0x8000, 0);
    EXPECT_NE(GetKeyState('S') & 0x8000, 0);
    EXPECT_LT(GetKeyState('S'), 0) << "the down bit is sign-extended";
    // A move made with Ctrl released (its key-up went elsewhere) and Shift and
    // the left button held.
    queue(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, true, false, true);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_NE(GetKeyState(VK_CONTROL) & 0x8000, 0) << "a message only looked at changes nothing";
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_LBUTTON) & 0x8000, 0);
    queue(WM_KEYUP, 'S', true);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetKeyState('S') & 0x8000, 0);
    EXPECT_EQ(GetKeyState('S') & 1, 1 - toggledBefore) << "one press toggles";
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
    // As SDL reports them: Ctrl follows its own key messages, and a wheel
    // message's buttons are in its low word.
    queue(WM_KEYDOWN, VK_CONTROL, false);
    queue(WM_MOUSEWHEEL, MAKEWPARAM(MK_RBUTTON, static_cast<WORD>(-WHEEL_DELTA)), false);
    queue(WM_KEYUP, VK_CONTROL, false);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_NE(GetKeyState(VK_CONTROL) & 0x8000, 0);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_NE(GetKeyState(VK_CONTROL) & 0x8000, 0) << "a message without modifiers leaves Ctrl";
    EXPECT_NE(GetKeyState(VK_RBUTTON) & 0x8000, 0);
    EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x8000, 0);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
    // A modal box swallowed the releases: every key up but what is still held.
    queue(WM_KEYDOWN, 'Z', false);
    queue(WM_KEYDOWN, VK_SHIFT, false);
    drainQueue();
    platform::releaseKeys(false, true, false);
    EXPECT_EQ(GetKeyState('Z') & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_RBUTTON) & 0x8000, 0) << "mouse buttons follow the next mouse message instead";
    // or the host's word when the box took a button's release
    platform::setMouseButtons(MK_LBUTTON);
    EXPECT_EQ(GetKeyState(VK_RBUTTON) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_LBUTTON) & 0x8000, 0);
    platform::setMouseButtons(0);
    EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x8000, 0);
    platform::releaseKeys(false, false, false);
    queue(WM_MOUSEMOVE, 0, false);
    drainQueue();
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

// How both hosts' file dialogs hand back the chosen path.
TEST(Win32Shared, DialogAnswersFitTheCallersBuffer) {
    struct Case { const char* path; DWORD size; BOOL result; WORD offset; DWORD error; };
    const Case cases[] = {
        {"/save/a.map", 12, TRUE, 6, 0},
        {"/save/a.map", 11, FALSE, 0, FNERR_BUFFERTOOSMALL},  // no room for the NUL
        {"plain.map", 10, TRUE, 0, 0},
        {"/", 2, TRUE, 1, 0},
    };
    for (const Case& c : cases) {
        char buffer[16] = "untouched";
        OPENFILENAMEA request = {};
        request.lpstrFile = buffer;
        request.nMaxFile = c.size;
        platform::shared().dialogError = 0;
        EXPECT_EQ(platform::giveDialogAnswer(&request, c.path), c.result) << c.path << " in " << c.size;
        EXPECT_EQ(CommDlgExtendedError(), c.error) << c.path << " in " << c.size;
        EXPECT_STREQ(buffer, c.result ? c.path : "untouched") << c.path << " in " << c.size;
        EXPECT_EQ(request.nFileOffset, c.offset) << c.path << " in " << c.size;
    }
    platform::shared().dialogError = 0;
}

// Each host has its own clock and its own way to wait (the page must hand the
// thread back to the browser); both keep Windows' milliseconds.
TEST(Win32Shared, TicksAdvanceAndSleepWaits) {
    const DWORD t0 = GetTickCount();
    Sleep(5);
    EXPECT_GE(DWORD(GetTickCount() - t0), 4u);
}

TEST(Win32Shared, DroppedFilesAreQueriedAsOnWindows) {
    HDROP drop = new HDROP__;
    drop->files = {"/dropped/a.map", "/dropped/second name.map"};
    char buffer[64];
    struct Case { UINT index; bool buffer; UINT size; UINT expect; const char* text; };
    const Case cases[] = {
        {0xFFFFFFFF, false, 0, 2, nullptr},    // the number of files
        {0, false, 0, 14, nullptr},            // the length a buffer needs, without the NUL
        {1, false, 0, 24, nullptr},
        {0, true, sizeof buffer, 14, "/dropped/a.map"},
        {1, true, sizeof buffer, 24, "/dropped/second name.map"},
        {1, true, 5, 4, "/dro"},               // a short buffer gets a terminated start
        {2, true, sizeof buffer, 0, nullptr},  // past the last file
        {0, true, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        std::memset(buffer, 'z', sizeof buffer);
        EXPECT_EQ(DragQueryFileA(drop, c.index, c.buffer ? buffer : nullptr, c.size), c.expect)
            << "index " << c.index << " size " << c.size;
        if (c.text) {
            EXPECT_STREQ(buffer, c.text) << "index " << c.index << " size " << c.size;
        }
    }
    EXPECT_EQ(DragQueryFileA(nullptr, 0, buffer, sizeof buffer), 0u);
    DragFinish(drop);
}

}  // namespace

namespace {

// CF_TEXT put on the clipboard the way the shell does it.
bool putText(const char* text) {
    const size_t n = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, n);
    std::memcpy(GlobalLock(memory), text, n);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) return GlobalFree(memory), false;
    EmptyClipboard();
    const bool given = SetClipboardData(CF_TEXT, memory) != nullptr;
    if (!given) GlobalFree(memory);
    CloseClipboard();
    return given;
}

std::string getText() {
    if (!OpenClipboard(nullptr)) return "(not opened)";
    std::string text = "(none)";
    if (HANDLE memory = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(memory));
        GlobalUnlock(memory);
    }
    CloseClipboard();
    return text;
}

}  // namespace

TEST(Win32Shared, BoxTextWrapsAsWindowsWrapsIt) {
    struct Case { const char* text; size_t columns; const char* expected; };
    const Case cases[] = {
        {"Do you want to save map?", 90, "Do you want to save map?"},
        {"aaaa bbbb cccc", 9, "aaaa bbbb\ncccc"},
        {"aaaa bbbbb", 9, "aaaa\nbbbbb"},
        {"/a/long/path/with/no/blank is 5 bytes", 10, "/a/long/pa\nth/with/no\n/blank is\n5 bytes"},
        {"Could not save map.\nNo space left", 12, "Could not\nsave map.\nNo space\nleft"},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 2, "\xC3\xA9\xC3\xA9\n\xC3\xA9\xC3\xA9\n\xC3\xA9"},
        {"ends\n", 3, "end\ns\n"},
        {"", 5, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::wrapBoxText(c.text, c.columns), c.expected) << "\"" << c.text << "\" in " << c.columns;
}

// Text goes through the host's clipboard and comes back as it went; the
// calls refuse what Windows refuses (a clipboard not open, or open twice).
TEST(Win32Shared, ClipboardTextComesBackAsItWent) {
    const char* const texts[] = {"VornGroundEditor stamp 1 1 1\n3\n", "x", "line\r\nend\n"};
    for (const char* text : texts) {
        ASSERT_TRUE(putText(text));
        EXPECT_EQ(getText(), text);
    }
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr)) << "opened twice";
    HGLOBAL other = GlobalAlloc(GMEM_MOVEABLE, 4);
    EXPECT_EQ(SetClipboardData(2, other), nullptr) << "a format other than CF_TEXT";
    GlobalFree(other);  // refused: still the caller's
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard()) << "closed twice";
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr) << "read while closed";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 2);
    EXPECT_EQ(SetClipboardData(CF_TEXT, memory), nullptr) << "set while closed";
    GlobalFree(memory);
}
