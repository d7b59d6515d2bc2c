// The process entry of the mingw build, in place of libmingw32's. That one
// skips the blanks after the program's name comparing signed chars, so every
// byte of a UTF-8 name (above 0x7F, negative there) counts as a blank:
// "карта.map" reached WinMain as ".map". Here WinMain gets the arguments of
// GetCommandLineA as Windows' C runtime cuts them. MSVC's runtime cuts them
// right and keeps its own entry.
#include <windows.h>

#include "shell/command_line.h"

int main() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(argumentsOf(GetCommandLineA())), show);
}
