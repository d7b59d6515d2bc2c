#include "fake_host.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "files/texture_image.h"
#include "shell/render.h"

namespace {
FakeHost host;
HWND captured = nullptr;
DWORD dialogError = 0;  // what CommDlgExtendedError reports

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
    dialogError = 0;
    if (ofn->lpstrFile[0] != '\0') return FALSE;  // every dialog must open with an empty name
    if (host.dialogAnswers.empty()) return FALSE;
    const std::string answer = host.dialogAnswers.front();
    host.dialogAnswers.pop_front();
    if (answer.empty()) return FALSE;
    // As Windows does when the chosen path does not fit the buffer.
    if (answer.size() + 1 > ofn->nMaxFile) {
        dialogError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    answer.copy(ofn->lpstrFile, answer.size());
    ofn->lpstrFile[answer.size()] = '\0';
    return TRUE;
}
}  // namespace

FakeHost& fakeHost() { return host; }
void resetFakeHost() {
    host = FakeHost();
    captured = nullptr;
    dialogError = 0;
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
DWORD WINAPI CommDlgExtendedError(void) { return dialogError; }
BOOL WINAPI GetClientRect(HWND, LPRECT rect) {
    *rect = {0, 0, host.clientW, host.clientH};
    return TRUE;
}
DWORD WINAPI GetTickCount(void) { return host.ticks; }
// Movable memory as a plain vector; the clipboard as text in the fake.
HGLOBAL WINAPI GlobalAlloc(UINT, SIZE_T bytes) { return new std::vector<char>(bytes); }
LPVOID WINAPI GlobalLock(HGLOBAL memory) { return memory ? static_cast<std::vector<char>*>(memory)->data() : nullptr; }
BOOL WINAPI GlobalUnlock(HGLOBAL) { return FALSE; }
HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
    delete static_cast<std::vector<char>*>(memory);
    return nullptr;
}
BOOL WINAPI OpenClipboard(HWND) { return fakeHost().clipboardOpens++ == 0; }
BOOL WINAPI CloseClipboard(void) { return fakeHost().clipboardOpens > 0 && --fakeHost().clipboardOpens == 0; }
BOOL WINAPI EmptyClipboard(void) {
    fakeHost().clipboardHolds = false;
    return TRUE;
}
HANDLE WINAPI SetClipboardData(UINT format, HANDLE data) {
    if (format != CF_TEXT || fakeHost().clipboardOpens != 1) return nullptr;
    auto* bytes = static_cast<std::vector<char>*>(data);
    fakeHost().clipboard = bytes->data();
    fakeHost().clipboardHolds = true;
    delete bytes;
    return data;
}
HANDLE WINAPI GetClipboardData(UINT format) {
    static std::vector<char> answer;
    if (format != CF_TEXT || fakeHost().clipboardOpens != 1 || !fakeHost().clipboardHolds) return nullptr;
    answer.assign(fakeHost().clipboard.begin(), fakeHost().clipboard.end());
    answer.push_back('\0');
    return &answer;
}

short WINAPI GetKeyState(int vk) {
    const bool down = (vk == VK_LBUTTON && host.leftDown) || (vk == VK_CONTROL && host.ctrlDown) ||
                      (vk == VK_SHIFT && host.shiftDown);
    return down ? static_cast<short>(0xff80) : 0;
}
BOOL WINAPI SetWindowTextA(HWND, LPCSTR text) {
    host.titles.push_back(text ? text : "");
    return TRUE;
}
void WINAPI DragAcceptFiles(HWND, BOOL accept) { host.acceptFiles = accept; }
// Windows' encodings: index 0xFFFFFFFF gives the count, a null buffer the
// name's length, otherwise the name cut to size - 1 characters and its length.
UINT WINAPI DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size) {
    if (index == 0xFFFFFFFF) return static_cast<UINT>(drop->files.size());
    if (index >= drop->files.size()) return 0;
    const std::string& name = drop->files[index];
    if (!file) return static_cast<UINT>(name.size());
    if (size == 0) return 0;
    const size_t n = name.size() < size - 1 ? name.size() : size - 1;
    name.copy(file, n);
    file[n] = '\0';
    return static_cast<UINT>(n);
}
void WINAPI DragFinish(HDROP drop) { ++drop->finished; }
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
unsigned importGreyBitmap(const char* path, std::string* reason) {
    host.imports.push_back(path);
    if (reason) *reason = host.importRefusal ? host.importRefusal : "";
    return host.importResult;
}

// Windows' contract: the length on success; a path that does not fit is cut
// to size - 1 characters, terminated, and the answer is size.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    if (module != nullptr || !fileName || size == 0 || host.modulePath.empty()) return 0;
    const DWORD length = static_cast<DWORD>(host.modulePath.size());
    const DWORD copied = length < size ? length : size - 1;
    std::memcpy(fileName, host.modulePath.data(), copied);
    fileName[copied] = '\0';
    return length < size ? length : size;
}
// A name for every file that opens, as the real loader gives one for any it
// can open, and its pixels as the real reader reads them.
unsigned loadTextureImage(const char* path, int, std::vector<uint8_t>* pixels, std::string* reason) {
    host.textureLoads.push_back(path);
    if (reason) reason->clear();
    if (pixels) pixels->clear();
    FILE* f = std::fopen(path, "rb");
    if (!f) return 0;
    std::fclose(f);
    if (pixels) {
        pixels->assign(kAtlasBytes, 0);
        if (!readAtlasPixels(path, pixels->data())) pixels->clear();
    }
    return host.nextTexture++;
}
