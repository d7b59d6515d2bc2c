// vorn-map's entry: the program's own path for the art search, then the tool.
#include <string>
#include <vector>

#include "map_tool.h"

#ifdef _WIN32
#include <windows.h>

#include "shell/command_line.h"
#else
#include <unistd.h>
#endif

namespace {

std::string programPath() {
    char path[4096];
#ifdef _WIN32
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
#else
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return n > 0 && static_cast<size_t>(n) < sizeof path ? std::string(path, static_cast<size_t>(n)) : std::string();
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The C runtime's argv loses names outside the legacy code page; the
    // command line itself is UTF-8 (the manifest), split as Windows splits it.
    (void)argc;
    (void)argv;
    const std::vector<std::string> args = splitCommandLine(argumentsOf(GetCommandLineA()));
#else
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
    return runMapTool(args, programPath(), stdout, stderr);
}
