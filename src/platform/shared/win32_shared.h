// The parts of the Win32 subset that every non-Windows host answers alike,
// because they touch no window system: the dropped-file list and its queries,
// and the way Windows hands a name to a buffer too short for it. Each host's
// layer includes this beside its own records.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// What a HDROP points to: the paths of one drop, in the order the host
// reported them. The host's layer makes it for WM_DROPFILES; DragFinish frees it.
struct HDROP__ {
    std::vector<std::string> files;
};

namespace platform {

// RegisterClassA's part that needs no window system: remembers the class's
// procedure under its name; the atom, or 0 for a class without a name.
ATOM rememberClass(const WNDCLASSA* windowClass);
// The procedure of the class registered under `name`, or null (CreateWindowExA).
WNDPROC classProcedure(LPCSTR name);

// Copies `name` into `out` as Windows' name queries do (GetModuleFileNameA):
// cut to size - 1 characters and terminated; returns the name's length when it
// fits, else `size`. Nothing is written when size is 0. The hosts' module-path
// calls use it.
DWORD copyNameCut(const std::string& name, LPSTR out, DWORD size);

}  // namespace platform
