// Scratch folders, whole-file reads and writes, and child processes for the
// file tests.
#pragma once
#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace filetest {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with its
// content at the end of the scope. Searchable by everyone, so that a child
// that has dropped its privileges can reach the files inside.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/vorn-files-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made) path_ = made;
        chmod(path_.c_str(), 0755);
    }
    ~ScratchDir() { removeAll(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    static void removeAll(const std::string& path) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) return;
        if (S_ISDIR(st.st_mode)) {
            chmod(path.c_str(), 0700);
            for (const std::string& name : list(path)) removeAll(path + "/" + name);
            rmdir(path.c_str());
        } else {
            unlink(path.c_str());
        }
    }

    // Names in a folder, without "." and "..".
    static std::set<std::string> list(const std::string& path) {
        std::set<std::string> names;
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* e = readdir(dir)) {
                std::string name = e->d_name;
                if (name != "." && name != "..") names.insert(name);
            }
            closedir(dir);
        }
        return names;
    }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline Bytes readFile(const std::string& path) {
    Bytes bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    return bytes;
}

// Runs `body` in a forked child and returns its exit status (or -1 if it did
// not exit normally). With `unprivileged`, a child running as root first
// becomes the user and group "nobody" (65534), because root ignores file
// permissions and CI runs as root.
inline int inChild(const std::function<int()>& body, bool unprivileged) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (unprivileged && geteuid() == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
        }
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace filetest
