// Command-line splitting and options. VORN_VERSION comes from the build
// (CMake's project version).
#include "shell/command_line.h"

#include "shell/title.h"

#ifndef VORN_VERSION
#define VORN_VERSION "unknown"
#endif

std::vector<std::string> splitCommandLine(const char* commandLine) {
    std::vector<std::string> args;
    if (!commandLine) return args;
    const char* p = commandLine;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) break;
        std::string arg;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            size_t slashes = 0;
            while (*p == '\\') ++slashes, ++p;
            if (*p == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2) {
                    arg += '"';
                } else if (quoted && p[1] == '"') {
                    arg += '"';  // "" inside quotes: a literal quote, still quoted
                    ++p;
                } else {
                    quoted = !quoted;
                }
                ++p;
            } else {
                arg.append(slashes, '\\');
                if (*p && (quoted || (*p != ' ' && *p != '\t'))) arg += *p++;
            }
        }
        args.push_back(arg);
    }
    return args;
}

const char* argumentsOf(const char* commandLine) {
    if (!commandLine) return "";
    // Unsigned: the bytes of a UTF-8 name are above 0x7F, never blanks.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
    bool quoted = false;
    for (; *p > ' ' || (*p && quoted); ++p)
        if (*p == '"') quoted = !quoted;
    while (*p && *p <= ' ') ++p;
    return reinterpret_cast<const char*>(p);
}

StartOptions parseStartOptions(const char* commandLine) {
    StartOptions options;
    bool optionsEnded = false;
    for (const std::string& arg : splitCommandLine(commandLine)) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            if (options.action != StartOptions::Action::Wrong) options.action = StartOptions::Action::Help;
        } else if (!optionsEnded && arg == "--version") {
            if (options.action == StartOptions::Action::Run) options.action = StartOptions::Action::Version;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            options.action = StartOptions::Action::Wrong;
            options.problem = "unknown option '" + arg + "'";
        } else if (!options.mapPath.empty()) {
            options.action = StartOptions::Action::Wrong;
            options.problem = "only one map can be opened, got '" + options.mapPath + "' and '" + arg + "'";
        } else if (arg.empty()) {
            options.action = StartOptions::Action::Wrong;
            options.problem = "an empty map name";
        } else {
            options.mapPath = arg;
        }
    }
    return options;
}

std::string usageText() {
    return "Usage: " + std::string(kTitle) + " [MAP]\n"
           "Edits the ground layer of a 64 x 64 tile map.\n"
           "\n"
           "  MAP        a map file to open at start-up\n"
           "  --help     show this help and exit\n"
           "  --version  show the version and exit\n"
           "\n"
           "The art (tex1.bmp, structures.bmp) is read from the working folder,\n"
           "then the program's folder, then <prefix>/share/vorngroundeditor.\n";
}

std::string versionText() { return std::string(kTitle) + " " VORN_VERSION "\n"; }
