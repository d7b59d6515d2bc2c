// Start-up pieces WinMain calls before its loop: the OpenGL context, the
// answers to --help and --version, the art and the map named on the command line.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

// The window's device context and the OpenGL context made current on it.
struct GLContextHandles {
    HDC dc;          // GetDC of the window, held until teardown
    HGLRC context;   // current from start-up to teardown
};
// Start-up: pixel format, context creation and activation on the window's DC.
GLContextHandles createGLContext(HWND window);

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
