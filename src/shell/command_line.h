// What the editor was asked to do on its command line. Plain parsing, no
// platform: Windows hands WinMain one string, other hosts join their argv
// into one with Windows' quoting, and both come back apart here.
#pragma once
#include <string>
#include <vector>

struct StartOptions {
    enum class Action { Run, Help, Version, Wrong };
    Action action = Action::Run;  // Wrong: `problem` says why
    std::string mapPath;          // the map to open at start-up, "" for none
    std::string problem;          // for Wrong: the message for the user
};

// Caller: WinMain (and the host's quoting test). Splits a command line as
// the C runtime of Windows does: blanks separate, quotes group, 2n
// backslashes before a quote give n and the quote acts, 2n + 1 give n and a
// literal quote, other backslashes stay as they are.
std::vector<std::string> splitCommandLine(const char* commandLine);

// Caller: the mingw build's process entry. The arguments of a whole command
// line (GetCommandLineA's): the program's name skipped as Windows' C runtime
// skips it (quotes group, any byte above a blank belongs to the name), then
// the blanks after it. "" for a null line.
const char* argumentsOf(const char* commandLine);

// Caller: WinMain. The command line without the program's name: one map
// path, --help (-h), --version; "--" ends the options.
StartOptions parseStartOptions(const char* commandLine);

// The texts --help and --version print.
std::string usageText();
std::string versionText();
