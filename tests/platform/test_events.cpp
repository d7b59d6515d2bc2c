// The Win32 layer over SDL2: SDL events in, Windows messages out, on SDL's
// offscreen video driver so no display is needed.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/sdl/platform.h"
#include "shell/command_line.h"

namespace {

std::vector<MSG> received;  // messages the test window's procedure was sent directly

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m = {};
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    received.push_back(m);
    return 0;
}

class Platform : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = recordingProc;
        wc.lpszClassName = "TestClass";
        ASSERT_NE(RegisterClassA(&wc), 0);
        window = CreateWindowExA(0, "TestClass", "VornGroundEditor", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() {
        // Neither DestroyWindow nor SDL_Quit: both unload the offscreen
        // driver's EGL library, which keeps an allocation that the leak
        // checker would then report from a vanished module. The process ends
        // here anyway.
    }
    void SetUp() override {
        drain();
        received.clear();
    }
    // Every message waiting now, taken the way the main loop takes them.
    static std::vector<MSG> drain() {
        std::vector<MSG> out;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) out.push_back(m);
        return out;
    }
    static void push(SDL_Event e) {
        e.common.timestamp = SDL_GetTicks();
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    static SDL_Event keyEvent(Uint32 type, SDL_Scancode sc, SDL_Keycode sym, int repeat = 0) {
        SDL_Event e = {};
        e.type = type;
        e.key.windowID = SDL_GetWindowID(platform::sdlOf(window));
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = static_cast<Uint8>(repeat);
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = sym;
        return e;
    }
    static SDL_Event buttonEvent(Uint32 type, Uint8 button, int x, int y) {
        SDL_Event e = {};
        e.type = type;
        e.button.windowID = SDL_GetWindowID(platform::sdlOf(window));
        e.button.button = button;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        return e;
    }
    static SDL_Event motionEvent(Uint32 state, int x, int y) {
        SDL_Event e = {};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(platform::sdlOf(window));
        e.motion.state = state;
        e.motion.x = x;
        e.motion.y = y;
        return e;
    }
    static HWND window;
};
HWND Platform::window = nullptr;

TEST_F(Platform, CreationSendsCreateAndSizeWithTheClientArea) {
    // Recorded during SetUpTestSuite, before this fixture cleared the list: check the window instead.
    RECT r;
    ASSERT_TRUE(GetClientRect(window, &r));
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 600);
    EXPECT_STREQ(SDL_GetWindowTitle(platform::sdlOf(window)), "VornGroundEditor");
}

TEST_F(Platform, KeysBecomeVirtualKeyCodes) {
    struct Case { SDL_Scancode sc; SDL_Keycode sym; WPARAM vk; };
    const Case cases[] = {
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, VK_ESCAPE}, {SDL_SCANCODE_SPACE, SDLK_SPACE, VK_SPACE},
        {SDL_SCANCODE_0, SDLK_0, '0'}, {SDL_SCANCODE_4, SDLK_4, '4'},
        {SDL_SCANCODE_1, SDLK_AMPERSAND, '1'},  // a layout whose digit row types symbols
        {SDL_SCANCODE_C, SDLK_c, 'C'}, {SDL_SCANCODE_W, SDLK_w, 'W'},
        {SDL_SCANCODE_Q, SDLK_a, 'A'},  // letters follow the layout
        {SDL_SCANCODE_KP_1, SDLK_KP_1, VK_NUMPAD0 + 1}, {SDL_SCANCODE_HOME, SDLK_HOME, VK_HOME},
    };
    for (const Case& c : cases) {
        push(keyEvent(SDL_KEYDOWN, c.sc, c.sym));
        push(keyEvent(SDL_KEYDOWN, c.sc, c.sym, 1));
        push(keyEvent(SDL_KEYUP, c.sc, c.sym));
        const std::vector<MSG> got = drain();
        ASSERT_EQ(got.size(), 3u) << "vk " << c.vk;
        EXPECT_EQ(got[0].message, UINT(WM_KEYDOWN));
        EXPECT_EQ(got[0].wParam, c.vk);
        EXPECT_EQ(got[0].lParam & 0xffff, 1) << "repeat count";
        EXPECT_EQ((got[0].lParam >> 30) & 1, 0) << "first press";
        EXPECT_EQ(got[1].message, UINT(WM_KEYDOWN)) << "a repeat is another WM_KEYDOWN";
        EXPECT_EQ((got[1].lParam >> 30) & 1, 1) << "repeat has the previous-state bit";
        EXPECT_EQ(got[2].message, UINT(WM_KEYUP));
        EXPECT_EQ(got[2].wParam, c.vk);
        EXPECT_EQ(got[0].hwnd, window);
    }
}

TEST_F(Platform, MouseMessagesCarryButtonsAndSigned16BitPositions) {
    push(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20));
    push(motionEvent(SDL_BUTTON_LMASK, -5, 700));
    push(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, -5, 700));
    push(motionEvent(SDL_BUTTON_LMASK | SDL_BUTTON_RMASK, 40000, -40000));
    push(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 2));
    push(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1, 2));
    push(motionEvent(0, 3, 4));
    struct Want { UINT message; WPARAM flags; int x, y; short keyState; };
    const Want want[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON, 10, 20, -128},
        {WM_MOUSEMOVE, MK_LBUTTON, -5, 700, -128},
        {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, -5, 700, -128},
        {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, 32767, -32768, -128},
        {WM_LBUTTONUP, MK_RBUTTON, 1, 2, 0},
        {WM_RBUTTONUP, 0, 1, 2, 0},
        {WM_MOUSEMOVE, 0, 3, 4, 0},
    };
    MSG m;
    for (const Want& w : want) {
        ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(m.message, w.message);
        EXPECT_EQ(m.wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON), w.flags) << "message " << w.message;
        EXPECT_EQ(GET_X_LPARAM(m.lParam), w.x);
        EXPECT_EQ(GET_Y_LPARAM(m.lParam), w.y);
        // GetKeyState answers for the message just taken, as on Windows.
        EXPECT_EQ(GetKeyState(VK_LBUTTON) & ~1, w.keyState) << "message " << w.message;
    }
    EXPECT_TRUE(drain().empty());
}

TEST_F(Platform, WheelNotchesAre120Each) {
    SDL_Event e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = SDL_GetWindowID(platform::sdlOf(window));
    e.wheel.y = 2;
    push(e);
    e.wheel.y = -1;
    push(e);
    e.wheel.y = 1;
    e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    push(e);
    const std::vector<MSG> got = drain();
    ASSERT_EQ(got.size(), 4u);
    const short deltas[] = {120, 120, -120, -120};
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].message, UINT(WM_MOUSEWHEEL));
        EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(got[i].wParam), deltas[i]) << i;
    }
}

TEST_F(Platform, CloseBoxAndResizes) {
    SDL_Event e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(platform::sdlOf(window));
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    push(e);
    e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    e.window.data1 = 1024;
    e.window.data2 = 700;
    push(e);
    e.window.event = SDL_WINDOWEVENT_MINIMIZED;
    push(e);
    const std::vector<MSG> got = drain();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].message, UINT(WM_CLOSE));
    EXPECT_EQ(got[1].message, UINT(WM_SIZE));
    EXPECT_EQ(LOWORD(got[1].lParam), 1024);
    EXPECT_EQ(HIWORD(got[1].lParam), 700);
    EXPECT_EQ(got[2].message, UINT(WM_SIZE));
    EXPECT_EQ(got[2].wParam, WPARAM(SIZE_MINIMIZED));
    EXPECT_EQ(got[2].lParam, 0);
}

TEST_F(Platform, QuitMessageAndDispatch) {
    push(keyEvent(SDL_KEYDOWN, SDL_SCANCODE_E, SDLK_e));
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&m);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(received[0].wParam, WPARAM('E'));
    PostQuitMessage(3);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(Platform, InputDuringAModalBoxIsDropped) {
    push(keyEvent(SDL_KEYDOWN, SDL_SCANCODE_W, SDLK_w));  // before the box: kept
    platform::beginModal();
    // As Windows as the box disables the window: a stroke in progress ends.
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, UINT(WM_CANCELMODE));
    push(keyEvent(SDL_KEYDOWN, SDL_SCANCODE_Q, SDLK_q));  // while it is open: dropped
    push(motionEvent(0, 5, 5));
    SDL_Event e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(platform::sdlOf(window));
    e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;  // still delivered
    e.window.data1 = 640;
    e.window.data2 = 480;
    push(e);
    platform::endModal();
    const std::vector<MSG> got = drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(got[0].wParam, WPARAM('W'));
    EXPECT_EQ(got[1].message, UINT(WM_SIZE));

    // The left button held into a box, released over it: up afterwards, as
    // SDL's own state says, though its event was the box's.
    push(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 10));
    drain();
    ASSERT_TRUE(GetKeyState(VK_LBUTTON) & 0x8000);
    platform::beginModal();
    push(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 10, 10));
    platform::endModal();
    EXPECT_TRUE(drain().empty());
    EXPECT_FALSE(GetKeyState(VK_LBUTTON) & 0x8000);
}

TEST_F(Platform, ModifiersDownAcrossAModalBoxAreReleased) {
    // Ctrl+S opened a dialog; Ctrl came up while it had the keyboard.
    push(keyEvent(SDL_KEYDOWN, SDL_SCANCODE_LCTRL, SDLK_LCTRL));
    push(keyEvent(SDL_KEYDOWN, SDL_SCANCODE_S, SDLK_s));
    drain();
    EXPECT_TRUE(GetKeyState(VK_CONTROL) & 0x8000);
    platform::beginModal();
    push(keyEvent(SDL_KEYUP, SDL_SCANCODE_S, SDLK_s));
    push(keyEvent(SDL_KEYUP, SDL_SCANCODE_LCTRL, SDLK_LCTRL));
    SDL_SetModState(KMOD_NONE);
    platform::endModal();
    EXPECT_TRUE(drain().empty());
    EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000) << "a later Z must not be Ctrl+Z";
    EXPECT_FALSE(GetKeyState('S') & 0x8000);
    // Shift is reported like Ctrl, and a modifier still held stays down.
    push(keyEvent(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT));
    drain();
    EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
    platform::beginModal();
    SDL_SetModState(KMOD_RSHIFT);
    platform::endModal();
    EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
    push(keyEvent(SDL_KEYUP, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT));
    drain();
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
    SDL_SetModState(KMOD_NONE);
}

TEST_F(Platform, TitleAndDroppedFiles) {
    EXPECT_TRUE(SetWindowTextA(window, "VornGroundEditor - a.map*"));
    EXPECT_STREQ(SDL_GetWindowTitle(platform::sdlOf(window)), "VornGroundEditor - a.map*");
    auto dropOf = [](const std::vector<std::string>& files) {
        SDL_Event e = {};
        e.type = SDL_DROPBEGIN;
        push(e);
        for (const std::string& f : files) {
            e.type = SDL_DROPFILE;
            e.drop.file = SDL_strdup(f.c_str());  // freed by the layer, as SDL's own are
            push(e);
        }
        e.type = SDL_DROPCOMPLETE;
        e.drop.file = nullptr;
        push(e);
    };
    DragAcceptFiles(window, FALSE);
    dropOf({"/tmp/ignored.map"});
    EXPECT_TRUE(drain().empty()) << "a window that does not accept files gets no drop";
    DragAcceptFiles(window, TRUE);
    dropOf({"/tmp/first.map", "/tmp/second name.map"});
    const std::vector<MSG> got = drain();
    ASSERT_EQ(got.size(), 1u) << "one message per drop";
    EXPECT_EQ(got[0].message, UINT(WM_DROPFILES));
    EXPECT_EQ(got[0].hwnd, window);
    HDROP drop = reinterpret_cast<HDROP>(got[0].wParam);
    const std::vector<std::string> files = {"/tmp/first.map", "/tmp/second name.map"};
    EXPECT_EQ(drop->files, files) << "the queries on it are the shared layer's (test_win32_shared.cpp)";
    DragFinish(drop);
    // A drop while a box is open is dropped with the rest of the input.
    platform::beginModal();
    dropOf({"/tmp/during.map"});
    platform::endModal();
    EXPECT_TRUE(drain().empty());
}

TEST_F(Platform, ContextSwapAndCapture) {
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    PIXELFORMATDESCRIPTOR pfd = {};
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd));
    HGLRC gl = wglCreateContext(dc);
    ASSERT_NE(gl, nullptr) << SDL_GetError();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr) << "wglCreateContext does not make it current";
    EXPECT_TRUE(wglMakeCurrent(dc, gl));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), gl->sdl);
    EXPECT_TRUE(SwapBuffers(dc));
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_TRUE(wglDeleteContext(gl));
    EXPECT_FALSE(wglDeleteContext(nullptr));
    EXPECT_EQ(SetCapture(window), nullptr);
    EXPECT_EQ(SetCapture(window), window);
    EXPECT_TRUE(ReleaseCapture());
}

TEST_F(Platform, ASecondWindowComesAndGoes) {
    HWND second = CreateWindowExA(0, "TestClass", "Second", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(second, nullptr) << SDL_GetError();
    EXPECT_EQ(platform::mainWindow(), window) << "the first window stays the editor's";
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, UINT(WM_CREATE));
    EXPECT_EQ(received[1].message, UINT(WM_SIZE));
    EXPECT_EQ(received[1].lParam, MAKELPARAM(320, 200));
    EXPECT_EQ(received[1].hwnd, second);
    SetCapture(second);
    platform::QueuedMessage late;
    late.msg.hwnd = second;
    late.msg.message = WM_MOUSEMOVE;
    platform::messageQueue().push_back(late);
    EXPECT_TRUE(DestroyWindow(second));
    EXPECT_EQ(received.back().message, UINT(WM_DESTROY));
    EXPECT_EQ(SetCapture(window), nullptr) << "destroying the captured window releases the capture";
    ReleaseCapture();
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, nullptr) << "a message for the destroyed window reaches no procedure";
    EXPECT_EQ(DispatchMessageA(&m), 0);
}

// No box can be shown on the offscreen driver (and SDL's fallback program is
// kept off PATH): each kind answers what closing it would, the answer that
// changes nothing, and says its text on stderr.
TEST_F(Platform, MessageBoxWithoutADisplayTakesTheCloseAnswer) {
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    setenv("PATH", "/nonexistent", 1);
    struct Case { UINT type; int answer; };
    const Case cases[] = {{MB_OK, IDOK}, {MB_OKCANCEL, IDCANCEL}, {MB_YESNO, IDNO},
                          {MB_YESNOCANCEL | MB_ICONERROR, IDCANCEL}};
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const int answer = MessageBoxA(window, "Save changes?", "VornGroundEditor", c.type);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(answer, c.answer) << "type " << c.type;
        EXPECT_NE(err.find("VornGroundEditor: Save changes?"), std::string::npos) << err;
    }
    setenv("PATH", saved.c_str(), 1);
}

TEST_F(Platform, FileDialogWithoutAProgramIsACancel) {
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    setenv("PATH", "/nonexistent", 1);
    char buffer[260] = "x";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = 260;
    testing::internal::CaptureStderr();
    const BOOL chosen = GetOpenFileNameA(&ofn);
    const std::string err = testing::internal::GetCapturedStderr();
    setenv("PATH", saved.c_str(), 1);
    EXPECT_FALSE(chosen);
    EXPECT_NE(err.find("zenity"), std::string::npos) << err;
}

}  // namespace

namespace {

// A stand-in dialog program on PATH: records its arguments one per line and
// answers with the contents of an answer file and an exit code.
class DialogProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
            ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        }
        dir = std::string(::testing::TempDir()) + "vorn_dialog_" + std::to_string(getpid());
        ASSERT_EQ(system(("mkdir -p '" + dir + "'").c_str()), 0);
        const char* old = std::getenv("PATH");
        savedPath = old ? old : "";
        setenv("PATH", dir.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
        if (system(("rm -rf '" + dir + "'").c_str()) != 0) ADD_FAILURE() << "cleanup";
    }
    void install(const char* name, const std::string& answer, int code) {
        {
            std::ofstream a(dir + "/answer", std::ios::binary);
            a << answer;
        }
        const std::string script = dir + "/" + name;
        std::ofstream s(script);
        s << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << dir << "/args'\n"
          << "/bin/cat '" << dir << "/answer'\nexit " << code << "\n";
        s.close();
        chmod(script.c_str(), 0755);
    }
    std::vector<std::string> args() {
        std::ifstream in(dir + "/args");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    BOOL ask(bool save, const char* title, DWORD flags, const char* filter = "All Files\0*.*\0") {
        buffer[0] = '\0';
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = filter;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = buffer;
        ofn.nMaxFile = sizeof buffer;
        ofn.lpstrTitle = title;
        ofn.Flags = flags;
        return save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    }
    std::string dir, savedPath;
    char buffer[PATH_MAX];
};

TEST_F(DialogProgram, OpenWithZenity) {
    const std::string file = dir + "/a map.map";
    std::ofstream(file) << "x";
    install("zenity", file + "\n", 0);
    const char* title = "Choose \"Map\" $(true) `x`";  // no shell: arrives verbatim
    ASSERT_TRUE(ask(false, title, OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR));
    EXPECT_EQ(std::string(buffer), file);
    const std::vector<std::string> want = {"--file-selection", std::string("--title=") + title,
                                           "--file-filter=All Files | *"};
    EXPECT_EQ(args(), want);
}

TEST_F(DialogProgram, SaveAsksBeforeOverwriting) {
    install("zenity", dir + "/new.map\n", 0);
    ASSERT_TRUE(ask(true, nullptr, OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(std::string(buffer), dir + "/new.map");
    const std::vector<std::string> want = {"--file-selection", "--title=Save As", "--file-filter=All Files | *",
                                           "--save", "--confirm-overwrite"};
    EXPECT_EQ(args(), want);
}

TEST_F(DialogProgram, FailedAnswers) {
    struct Case { std::string answer; int code; bool save; const char* why; DWORD error; };
    const Case cases[] = {
        {"", 1, false, "cancelled", 0},
        {dir + "/x.map\n", 1, false, "cancelled with output", 0},
        {dir + "/missing.map\n", 0, false, "open: file must exist", 0},
        {dir + "/no_dir/new.map\n", 0, true, "save: folder must exist", 0},
        {"/" + std::string(PATH_MAX - 1, 'a') + "\n", 0, true, "PATH_MAX characters", FNERR_BUFFERTOOSMALL},
        {"/" + std::string(3 * PATH_MAX, 'a') + "\n", 0, false, "far too long", FNERR_BUFFERTOOSMALL},
        {"\n", 0, true, "empty", 0},
    };
    for (const Case& c : cases) {
        install("zenity", c.answer, c.code);
        buffer[0] = 'q';
        EXPECT_FALSE(ask(c.save, "T", c.save ? OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST)) << c.why;
        EXPECT_EQ(CommDlgExtendedError(), c.error) << c.why;
    }
    // Longer than Windows' 259 characters is still a path here, up to PATH_MAX with its NUL.
    const std::string longest = dir + "/" + std::string(PATH_MAX - 1 - dir.size() - 1, 'b');
    ASSERT_EQ(longest.size(), size_t(PATH_MAX - 1));
    install("zenity", longest + "\n", 0);
    EXPECT_TRUE(ask(true, "T", OFN_PATHMUSTEXIST));
    EXPECT_EQ(std::string(buffer), longest);
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    // An existing file that is not a folder is an answer, a pipe too: the
    // caller's reader refuses it and says so. A folder is not.
    const std::string fifo = dir + "/pipe.map";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    install("zenity", fifo + "\n", 0);
    EXPECT_TRUE(ask(false, "T", OFN_FILEMUSTEXIST));
    EXPECT_EQ(std::string(buffer), fifo);
    install("zenity", dir + "\n", 0);
    EXPECT_FALSE(ask(false, "T", OFN_FILEMUSTEXIST));
    unlink(fifo.c_str());
}

// A filter list of several entries (G's images, then all files) reaches both
// programs in order; Windows' patterns ignore case, so each also goes upper case.
TEST_F(DialogProgram, FilterListReachesBothPrograms) {
    const std::string file = dir + "/grey.png";
    std::ofstream(file) << "x";
    const char filter[] = "Images (*.bmp;*.png)\0*.bmp;*.png\0All Files\0*.*\0";
    install("zenity", file + "\n", 0);
    ASSERT_TRUE(ask(false, "G", OFN_FILEMUSTEXIST, filter));
    const std::vector<std::string> zenity = {"--file-selection", "--title=G",
                                             "--file-filter=Images (*.bmp;*.png) | *.bmp *.BMP *.png *.PNG",
                                             "--file-filter=All Files | *"};
    EXPECT_EQ(args(), zenity);
    unlink((dir + "/zenity").c_str());
    install("kdialog", file + "\n", 0);
    ASSERT_TRUE(ask(false, "G", OFN_FILEMUSTEXIST, filter));
    const std::vector<std::string> kdialog = {"--title", "G", "--getopenfilename", ".",
                                              "*.bmp *.BMP *.png *.PNG|Images (*.bmp;*.png)", "*|All Files"};
    EXPECT_EQ(args(), kdialog) << "kdialog's filter is one argument of lines, recorded one a line";
}

TEST_F(DialogProgram, KdialogWhenZenityIsMissing) {
    const std::string file = dir + "/grey.bmp";
    std::ofstream(file) << "x";
    install("kdialog", file + "\n", 0);
    ASSERT_TRUE(ask(false, "Choose Grey Bitmap", OFN_FILEMUSTEXIST));
    EXPECT_EQ(std::string(buffer), file);
    const std::vector<std::string> want = {"--title", "Choose Grey Bitmap", "--getopenfilename", ".", "*|All Files"};
    EXPECT_EQ(args(), want);
}

}  // namespace

namespace {

TEST(Process, ModuleFileNameIsThisProgramWithWindowsTruncation) {
    char want[4096];
    const ssize_t n = readlink("/proc/self/exe", want, sizeof want - 1);
    ASSERT_GT(n, 5);
    want[n] = '\0';
    const DWORD length = static_cast<DWORD>(n);
    struct Case { DWORD size; DWORD result; size_t chars; };
    const Case cases[] = {{4096, length, static_cast<size_t>(n)},
                          {length + 1, length, static_cast<size_t>(n)},
                          {length, length, static_cast<size_t>(n) - 1},
                          {4, 4, 3},
                          {1, 1, 0}};
    for (const Case& c : cases) {
        std::vector<char> got(4096, 'x');
        EXPECT_EQ(GetModuleFileNameA(nullptr, got.data(), c.size), c.result) << "size " << c.size;
        EXPECT_EQ(std::string(got.data()), std::string(want, c.chars)) << "size " << c.size;
    }
    char keep[4] = "abc";
    EXPECT_EQ(GetModuleFileNameA(nullptr, keep, 0), 0u);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(0x10), keep, sizeof keep), 0u);
    EXPECT_STREQ(keep, "abc");
}

TEST(Process, ArgumentsSurviveTheWindowsCommandLine) {
    const std::vector<std::string> args = {"plain.map", "with space.map", "", "a\"quote", "back\\slash\\",
                                           "trail\\\\", "\\\"mixed \\\\\" end\\", "tab\there", "--help"};
    std::vector<char*> argv = {const_cast<char*>("VornGroundEditor")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    const std::string line = platform::windowsCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(splitCommandLine(line.c_str()), args) << "line: " << line;
    EXPECT_EQ(platform::windowsCommandLine(1, argv.data()), "");
}

}  // namespace

// The clipboard calls reach SDL's clipboard, which other programs share: text
// the shell sets is SDL's, and SDL's text is what the shell reads.
TEST_F(Platform, ClipboardIsSdls) {
    const char text[] = "VornGroundEditor stamp 1 2 1\n04\n";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    std::memcpy(GlobalLock(memory), text, sizeof text);
    GlobalUnlock(memory);
    ASSERT_TRUE(OpenClipboard(window));
    EmptyClipboard();
    ASSERT_NE(SetClipboardData(CF_TEXT, memory), nullptr);
    CloseClipboard();
    char* held = SDL_GetClipboardText();
    EXPECT_STREQ(held, text);
    SDL_free(held);

    ASSERT_EQ(SDL_SetClipboardText("from another program"), 0) << SDL_GetError();
    ASSERT_TRUE(OpenClipboard(window));
    HANDLE answer = GetClipboardData(CF_TEXT);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(answer)), "from another program");
    GlobalUnlock(answer);
    CloseClipboard();
}
