// GetOpenFileNameA / GetSaveFileNameA through zenity, or kdialog where zenity
// is missing. Quirk: Linux has no system file dialog in-process, so the
// desktop's dialog program runs as a child, started directly (no shell, so no
// quoting of titles or paths), and its answer is read from its stdout.
#include "platform/sdl/platform.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "shell/title.h"

extern char** environ;

namespace {

// The longest path the system's file calls take: PATH_MAX counts the NUL.
constexpr size_t kMaxPathChars = PATH_MAX - 1;

// The full path of an executable found on PATH, or "".
std::string findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

// Runs the program with `args` and collects its stdout; false when it could
// not start or did not exit with 0 (cancelled). The editor's window is pumped
// meanwhile so the window manager does not take it for hung.
bool runDialog(const std::string& program, const std::vector<std::string>& args, std::string& out) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    // GTK and Qt talk on stderr about things that are not the editor's business.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return false;
    }
    char buffer[512];
    for (;;) {
        pollfd fd = {pipeFds[0], POLLIN, 0};
        const int ready = poll(&fd, 1, 50);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0) {
            const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            // Far longer than any path: stop collecting, it fails the length test anyway.
            if (out.size() <= kMaxPathChars + 1) out.append(buffer, static_cast<size_t>(n));
        }
        SDL_PumpEvents();
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// OFN_FILEMUSTEXIST as Windows' dialog has it: any existing file that is not
// a folder. A pipe or device goes to the caller, whose reader refuses it and
// says so, rather than the dialog ending as if cancelled.
bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool parentDirExists(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat info;
    return stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The Win32 filter list as name and space-separated patterns; none gives
// "All Files". Windows matches patterns without regard to case, the dialog
// programs with it, so each pattern also goes in upper case; "*.*" becomes "*".
std::vector<std::pair<std::string, std::string>> filterList(const char* filter) {
    std::vector<std::pair<std::string, std::string>> list;
    for (const auto& [name, patterns] : platform::filterEntries(filter)) {
        std::string words;
        for (std::string one : patterns) {
            if (one == "*.*") one = "*";
            std::string upper = one;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (!one.empty()) words += (words.empty() ? "" : " ") + one + (upper != one ? " " + upper : "");
        }
        list.emplace_back(name, words);
    }
    if (list.empty()) list.emplace_back("All Files", "*");
    return list;
}

BOOL fileDialog(LPOPENFILENAMEA request, bool save) {
    platform::shared().dialogError = 0;
    if (!request || !request->lpstrFile || request->nMaxFile == 0) return FALSE;
    std::string program = findProgram("zenity");
    std::vector<std::string> args;
    // Without a title Windows shows its own caption; say the same words here
    // rather than the dialog program's name.
    const char* title = request->lpstrTitle ? request->lpstrTitle : (save ? "Save As" : "Open");
    if (!program.empty()) {
        args.push_back("--file-selection");
        args.push_back(std::string("--title=") + title);
        for (const auto& [name, patterns] : filterList(request->lpstrFilter))
            args.push_back("--file-filter=" + name + " | " + patterns);
        if (save) {
            args.push_back("--save");
            if (request->Flags & OFN_OVERWRITEPROMPT) args.push_back("--confirm-overwrite");
        }
    } else if (!(program = findProgram("kdialog")).empty()) {
        args.push_back("--title");
        args.push_back(title);
        args.push_back(save ? "--getsavefilename" : "--getopenfilename");
        args.push_back(".");
        std::string filters;  // kdialog: "patterns|name" lines
        for (const auto& [name, patterns] : filterList(request->lpstrFilter))
            filters += (filters.empty() ? "" : "\n") + patterns + "|" + name;
        args.push_back(filters);
    } else {
        std::fprintf(stderr, "%s: no file dialog: install zenity or kdialog.\n", kTitle);
        return FALSE;
    }

    platform::beginModal();
    std::string out;
    const bool chosen = runDialog(program, args, out);
    platform::endModal();
    if (!chosen) return FALSE;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    if (out.empty()) return FALSE;
    // A path the system or the caller's buffer could not hold is a failed
    // dialog, said as Windows says it, never a truncated path.
    if (out.size() > kMaxPathChars || out.size() + 1 > request->nMaxFile) {
        platform::shared().dialogError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    if ((request->Flags & OFN_FILEMUSTEXIST) && !fileExists(out)) return FALSE;
    if ((request->Flags & OFN_PATHMUSTEXIST) && !parentDirExists(out)) return FALSE;
    return platform::giveDialogAnswer(request, out);
}

}  // namespace

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA request) { return fileDialog(request, false); }
BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA request) { return fileDialog(request, true); }
