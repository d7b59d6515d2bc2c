// Win32 calls whose answers depend on no window system, shared by the SDL and
// browser hosts.
#include "platform/shared/win32_shared.h"

#include <cstring>
#include <map>

namespace {

// Registered classes by name: only the procedure matters on these hosts.
std::map<std::string, WNDPROC>& classes() {
    static std::map<std::string, WNDPROC> registry;
    return registry;
}

}  // namespace

ATOM platform::rememberClass(const WNDCLASSA* windowClass) {
    if (!windowClass || !windowClass->lpszClassName) return 0;
    classes()[windowClass->lpszClassName] = windowClass->lpfnWndProc;
    return static_cast<ATOM>(classes().size());
}

WNDPROC platform::classProcedure(LPCSTR name) {
    auto found = classes().find(name ? name : "");
    return found == classes().end() ? nullptr : found->second;
}

DWORD platform::copyNameCut(const std::string& name, LPSTR out, DWORD size) {
    if (!out || size == 0) return 0;
    const size_t length = name.size();
    const size_t copied = length < size ? length : size - 1;
    std::memcpy(out, name.data(), copied);
    out[copied] = '\0';
    return length < size ? static_cast<DWORD>(length) : size;
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

// Windows turns WM_KEYDOWN into WM_CHAR here; the editor reads virtual keys only.
BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    // The editor handles WM_CLOSE itself; nothing else needs default handling
    // on these hosts (no non-client area, no system menu, no WM_PAINT).
    return 0;
}

// Icons, cursors and brushes have no meaning on these hosts: the window has
// the system's icon and arrow, and OpenGL paints every frame.
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
HGDIOBJ WINAPI GetStockObject(int) { return nullptr; }
