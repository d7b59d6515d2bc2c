// The entry point: start-up, the paced main loop and teardown.
#include <windows.h>
#include <GL/gl.h>

#include <cstdint>
#include <ctime>

#include "height/height_field.h"
#include "map/ground_map.h"
#include "shell/command_line.h"
#include "shell/editor_state.h"
#include "shell/recovery.h"
#include "shell/render.h"
#include "shell/startup.h"
#include "shell/title.h"
#include "shell/view_steps.h"
#include "shell/wndproc.h"

GLContextHandles createGLContext(HWND window) {
    GLContextHandles handles;
    handles.dc = GetDC(window);
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = 16;
    format.iLayerType = PFD_MAIN_PLANE;
    const int number = ChoosePixelFormat(handles.dc, &format);
    SetPixelFormat(handles.dc, number, &format);
    handles.context = wglCreateContext(handles.dc);
    wglMakeCurrent(handles.dc, handles.context);
    return handles;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    // --help, --version and a wrong command line end here, before any window.
    const StartOptions options = parseStartOptions(commandLine);
    const int answered = answerStartOptions(options, stdout, stderr);
    if (answered >= 0) return answered;

    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = editorWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kTitle;
    RegisterClassA(&windowClass);

    initPatternTable();
    HWND window = CreateWindowExA(0, kTitle, kTitle, WS_POPUP | WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, kWindowWidth,
                                  kWindowHeight, nullptr, nullptr, instance, nullptr);
    const GLContextHandles gl = createGLContext(window);
    applyView(window);
    // tex1.bmp and structures.bmp: the working folder first, then beside the program.
    loadArt(window);
    seedRandom(static_cast<uint32_t>(time(nullptr)));
    textureNames.height = generateHeightField();
    // Work left by an editor that died is offered before the command-line
    // map, which then asks before replacing what was recovered.
    startRecovery(window);
    // The map named on the command line, loaded as key O loads one.
    openStartMap(window, options.mapPath.c_str());

    // Waiting messages always go first; a frame starts only on an empty queue
    // and at most once per frame interval, measured start to start.
    uint32_t lastFrame = GetTickCount();
    MSG message = {};
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        keepRecoveryCopy(window);
        const uint32_t now = GetTickCount();
        if (!frameDue(now, lastFrame)) {
            Sleep(1);
            continue;
        }
        drawFrame(window, gl.dc);
        lastFrame = now;
    }

    // Quit only after the prompt's save or No: nothing is left to recover.
    endRecovery();
    // The sprite atlas goes with the context.
    glDeleteTextures(1, &textureNames.tileAtlas);
    glDeleteTextures(1, &textureNames.height);
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(gl.context);
    ReleaseDC(window, gl.dc);
    DestroyWindow(window);
    return static_cast<int>(message.wParam);
}
