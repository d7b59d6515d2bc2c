#include "render/gl_harness.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

int gClientW = glh::kMaxWidth;   // what GetClientRect reports
int gClientH = glh::kMaxHeight;

struct Context {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    bool tried = false;
    bool ok = false;
};
Context gContext;

bool createContext() {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) return false;
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) return false;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                    EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                    EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1) return false;
    const EGLint surfaceAttribs[] = {EGL_WIDTH, glh::kMaxWidth, EGL_HEIGHT, glh::kMaxHeight, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
    if (surface == EGL_NO_SURFACE) return false;
    // The default context of the desktop API is a compatibility one: immediate mode works.
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) return false;
    if (!eglMakeCurrent(display, surface, surface, context)) return false;
    gContext.display = display;
    gContext.surface = surface;
    gContext.context = context;
    return true;
}

}  // namespace

// The two window calls of the drawing code, answered for the offscreen target.
BOOL WINAPI GetClientRect(HWND, LPRECT rect) {
    rect->left = 0;
    rect->top = 0;
    rect->right = gClientW;
    rect->bottom = gClientH;
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC) {
    glFinish();  // a pbuffer has nothing to present; wait so timings include the drawing
    return TRUE;
}

namespace glh {

bool makeContext() {
    if (!gContext.tried) {
        gContext.tried = true;
        gContext.ok = createContext();
    }
    return gContext.ok;
}

void setClientSize(int w, int h) {
    gClientW = w;
    gClientH = h;
}
int clientWidth() { return gClientW; }
int clientHeight() { return gClientH; }

HWND window() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1000)); }
HDC deviceContext() { return reinterpret_cast<HDC>(static_cast<uintptr_t>(0x2000)); }

std::string toString(const Rgb& c) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "(%d, %d, %d)", c.r, c.g, c.b);
    return buf;
}

Rgb pixelAt(int x, int y) {
    uint8_t px[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // GL counts rows from the bottom of the viewport, the client from the top.
    glReadPixels(x, gClientH - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2]};
}

std::vector<uint8_t> readClient() {
    const int w = gClientW, h = gClientH;
    std::vector<uint8_t> bottomUp(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    const size_t row = static_cast<size_t>(w) * 3;
    for (int y = 0; y < h; ++y) {
        std::memcpy(&topDown[y * row], &bottomUp[(h - 1 - y) * row], row);
    }
    return topDown;
}

namespace {

uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    put32(out, static_cast<uint32_t>(body.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32(out, crc32(typed.data(), typed.size()));
}

}  // namespace

bool writePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb) {
    // Filter byte 0 before each row, then a zlib stream of stored (uncompressed) blocks.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(h) * (w * 3 + 1));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + static_cast<size_t>(y) * w * 3,
                   rgb.begin() + static_cast<size_t>(y + 1) * w * 3);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, (b << 16) | a);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    put32(ihdr, static_cast<uint32_t>(w));
    put32(ihdr, static_cast<uint32_t>(h));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

bool writeRawImage(const std::string& path, const std::vector<uint8_t>& storedBytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    uint8_t header[54] = {'B', 'M'};
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
    ok = ok && std::fwrite(storedBytes.data(), 1, storedBytes.size(), f) == storedBytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace glh
