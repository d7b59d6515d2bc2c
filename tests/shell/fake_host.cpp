#include "fake_host.h"

#include <GL/gl.h>

#include "height/height_texture.h"
#include "shell/render.h"

namespace {
FakeHost host;
HWND captured = nullptr;

BOOL answerDialog(LPOPENFILENAMEA ofn, bool save) {
    FakeHost::Dialog d;
    d.save = save;
    d.titleNull = ofn->lpstrTitle == nullptr;
    d.title = ofn->lpstrTitle ? ofn->lpstrTitle : "";
    d.flags = ofn->Flags;
    d.structSize = ofn->lStructSize;
    d.maxFile = ofn->nMaxFile;
    // The filter is a list of NUL-terminated strings ending in an empty one.
    for (const char* p = ofn->lpstrFilter; p && *p; p += std::string(p).size() + 1) d.filter += std::string(p) + "|";
    host.dialogs.push_back(d);
    if (ofn->lpstrFile[0] != '\0') return FALSE;  // every dialog must open with an empty name
    if (host.dialogAnswers.empty()) return FALSE;
    const std::string answer = host.dialogAnswers.front();
    host.dialogAnswers.pop_front();
    if (answer.empty() || answer.size() + 1 > ofn->nMaxFile) return FALSE;
    answer.copy(ofn->lpstrFile, answer.size());
    ofn->lpstrFile[answer.size()] = '\0';
    return TRUE;
}
}  // namespace

FakeHost& fakeHost() { return host; }
void resetFakeHost() {
    host = FakeHost();
    captured = nullptr;
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    host.boxes.push_back({text ? text : "", caption ? caption : "", type});
    if (host.boxAnswers.empty()) return IDCANCEL;
    const int answer = host.boxAnswers.front();
    host.boxAnswers.pop_front();
    return answer;
}
BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA ofn) { return answerDialog(ofn, false); }
BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA ofn) { return answerDialog(ofn, true); }
BOOL WINAPI GetClientRect(HWND, LPRECT rect) {
    *rect = {0, 0, host.clientW, host.clientH};
    return TRUE;
}
short WINAPI GetKeyState(int vk) { return vk == VK_LBUTTON && host.leftDown ? static_cast<short>(0xff80) : 0; }
HWND WINAPI SetCapture(HWND window) {
    ++host.captures;
    HWND previous = captured;
    captured = window;
    return previous;
}
BOOL WINAPI ReleaseCapture(void) {
    ++host.releases;
    captured = nullptr;
    return TRUE;
}
void WINAPI PostQuitMessage(int code) {
    ++host.quitPosts;
    host.lastQuitCode = code;
}
LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

extern "C" void APIENTRY glDeleteTextures(GLsizei n, const GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) host.deletedTextures.push_back(names[i]);
}
void applyView(HWND) { ++host.applyViews; }
unsigned generateHeightField() { return host.nextGenerated++; }
unsigned importGreyBitmap(const char* path, const char** refusal) {
    host.imports.push_back(path);
    if (refusal) *refusal = host.importRefusal;
    return host.importResult;
}
