// Scripted stand-ins for the Win32 calls, the OpenGL call and the render
// functions the window procedure makes, linked into the shell's tests instead
// of the platform layer and libGL.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

struct FakeHost {
    // Message boxes shown, and the answers still to give (IDCANCEL when none is scripted).
    struct Box { std::string text, caption; UINT type; };
    std::vector<Box> boxes;
    std::deque<int> boxAnswers;
    // File dialogs shown, and the paths still to give ("" = cancelled; cancel when none scripted).
    struct Dialog { bool save; std::string title; bool titleNull; DWORD flags, structSize, maxFile; std::string filter; };
    std::vector<Dialog> dialogs;
    std::deque<std::string> dialogAnswers;
    int clientW = 800, clientH = 600;
    bool leftDown = false;           // what GetKeyState(VK_LBUTTON) reports
    bool ctrlDown = false, shiftDown = false;  // GetKeyState(VK_CONTROL / VK_SHIFT)
    std::vector<std::string> titles; // every SetWindowTextA text, in order
    int acceptFiles = -1;            // DragAcceptFiles' last argument (-1: never called)
    int quitPosts = 0, lastQuitCode = -1;
    int captures = 0, releases = 0;
    int applyViews = 0;
    std::vector<unsigned> deletedTextures;
    unsigned nextGenerated = 100;    // texture names generateHeightField hands out
    unsigned importResult = 0;       // what importGreyBitmap returns
    const char* importRefusal = nullptr;  // and the refusal it gives
    std::vector<std::string> imports;
    std::string modulePath;          // what GetModuleFileNameA reports ("" = the call fails)
    std::vector<std::string> textureLoads;  // paths given to loadTextureImage
    unsigned nextTexture = 50;       // names it hands out for files that open
    DWORD ticks = 0;                 // what GetTickCount reports
    std::string clipboard;           // the CF_TEXT on the clipboard
    bool clipboardHolds = false;     // whether there is any
    int clipboardOpens = 0;          // OpenClipboard calls not yet closed
};

// A drop as Windows hands it over; the test owns it, DragFinish marks it.
struct HDROP__ {
    std::vector<std::string> files;
    int finished = 0;
};

// The one fake, reset by each test's fixture.
FakeHost& fakeHost();
void resetFakeHost();
