// The recovery store on POSIX systems: flock() on a lock file beside the
// copy. flock locks belong to the open file, so the kernel drops them when
// the editor dies in any way, and a second descriptor of the same process
// does not share them (a start-up scan never takes its own editor's lock).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/recovery_store.h"
#include "files/recovery_store_host.h"
#include "files/safe_save.h"

namespace {

bool fail(std::string* reason, const std::string& what, int error = errno) {
    if (reason) *reason = what + ": " + std::strerror(error);
    return false;
}

// mkdir -p, each new folder private to the user.
bool makeFolders(const std::string& folder, std::string* reason) {
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i < folder.size() && folder[i] != '/') continue;
        const std::string part = folder.substr(0, i);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return fail(reason, part);
    }
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return fail(reason, folder);
    if (!S_ISDIR(st.st_mode)) return fail(reason, folder, ENOTDIR);
    return true;
}

// Opens (creating) a lock file and takes its lock without waiting; -1 when
// another process holds it or it is no plain file of ours.
int takeLock(const std::string& path, bool create) {
    const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string recoveryFolder(std::string* reason) {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/vorngroundeditor/";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/state/vorngroundeditor/";
    if (reason) *reason = "neither XDG_STATE_HOME nor HOME names a folder";
    return std::string();
}

bool openRecoverySlot(const std::string& folder, RecoverySlot& slot, std::string* reason) {
    if (folder.empty() || folder.back() != '/') return fail(reason, folder, EINVAL);
    if (!makeFolders(folder, reason)) return false;
    // A copy's write killed part-way may have left a temporary file that no
    // later write in this folder would come to tidy.
    removeEndedSaveTemporaries(folder);
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    // pid and a clock: unique among running editors, and a reused pid gets a new name.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string id = "recovery-" + std::to_string(getpid()) + "-" + std::to_string(now + attempt);
        const std::string path = folder + id + ".lock";
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return fail(reason, folder);
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            unlink(path.c_str());
            return fail(reason, path, error);
        }
        RecoverySlot made;
        made.folder = folder;
        made.id = id;
        made.lock = fd;
        slot = std::move(made);
        return true;
    }
    return fail(reason, folder, EEXIST);
}

// ---- The seam

bool recovery_host::failNoLock(std::string* reason, const std::string& what) { return fail(reason, what, EBADF); }

// Unlocked before the close: the browser's flock (Web Locks) cannot see a close.
void recovery_host::release(intptr_t& lock) {
    if (lock < 0) return;
    flock(static_cast<int>(lock), LOCK_UN);
    close(static_cast<int>(lock));
    lock = -1;
}

bool recovery_host::isLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void recovery_host::removeFile(const std::string& path) { unlink(path.c_str()); }

void recovery_host::dropLockFile(RecoverySlot& slot) {
    // Unlinked while still held: a start-up scan that opened it just now
    // finds no copy beside it.
    unlink((slot.folder + slot.id + ".lock").c_str());
    release(slot.lock);
}

std::vector<std::string> recovery_host::copyIds(const std::string& folder) {
    std::vector<std::string> ids;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return ids;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".map") == 0 && name.rfind("recovery-", 0) == 0)
            ids.push_back(name.substr(0, name.size() - 4));
    }
    closedir(dir);
    return ids;
}

intptr_t recovery_host::takeOrphanLock(const std::string& path) { return takeLock(path, true); }

bool recovery_host::missing(const std::string& path) { return access(path.c_str(), F_OK) != 0 && errno == ENOENT; }

bool recovery_host::readRegular(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= limit;
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (ok && got < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) got += static_cast<size_t>(n);
        }
    }
    close(fd);
    return ok;
}
