// Offscreen OpenGL for the rendering tests and benchmark: an 800 x 600 pbuffer
// on Mesa's EGL surfaceless platform (no display), plus the two window calls
// drawFrame and applyView make, answered by the harness instead of a window.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace glh {

constexpr int kMaxWidth = 800;
constexpr int kMaxHeight = 600;

// Creates the context on first use and makes it current. False if EGL or the
// surfaceless platform is unavailable.
bool makeContext();

// What GetClientRect reports for every window (at most 800 x 600).
void setClientSize(int w, int h);
int clientWidth();
int clientHeight();

// A window and device context for the drawing calls; the harness ignores them.
HWND window();
HDC deviceContext();

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::string toString(const Rgb& c);

// The framebuffer pixel at client position (x, y), y downwards from the top.
Rgb pixelAt(int x, int y);
// The whole client area, RGB rows top first.
std::vector<uint8_t> readClient();

// Writes RGB rows (top first) as an 8-bit PNG. False on a write failure.
bool writePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb);

// Writes an atlas file of the editor's layout: 54 header bytes, then the
// given rows exactly as they are to be stored (bottom row first, B, G, R).
bool writeRawImage(const std::string& path, const std::vector<uint8_t>& storedBytes);

}  // namespace glh
