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

// A regular file's whole bytes, at most `limit`; false for anything else
// (a FIFO or a link is never opened through: O_NONBLOCK, O_NOFOLLOW).
bool readRegular(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
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

std::string base(const RecoverySlot& slot) { return slot.folder + slot.id; }

// Whether the name itself is a symbolic link (lstat: the link, not its target).
bool isLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Unlocked before the close: the browser's flock (Web Locks) cannot see a close.
void release(intptr_t& lock) {
    if (lock < 0) return;
    flock(static_cast<int>(lock), LOCK_UN);
    close(static_cast<int>(lock));
    lock = -1;
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

RecoverySlot::RecoverySlot(RecoverySlot&& o) noexcept
    : folder(std::move(o.folder)), id(std::move(o.id)), lock(o.lock), written(o.written) {
    o.lock = -1;
}

RecoverySlot& RecoverySlot::operator=(RecoverySlot&& o) noexcept {
    if (this != &o) {
        release(lock);
        folder = std::move(o.folder);
        id = std::move(o.id);
        lock = o.lock;
        written = o.written;
        o.lock = -1;
    }
    return *this;
}

RecoverySlot::~RecoverySlot() { release(lock); }

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

bool writeRecoveryCopy(RecoverySlot& slot, const uint8_t* bytes, size_t size, const std::string& mapPath,
                       const FileStamp& stamp, int64_t changeTime, std::string* reason) {
    if (slot.lock < 0) return fail(reason, slot.folder, EBADF);
    const std::string map = base(slot) + ".map", infoPath = base(slot) + ".info";
    // Someone's link at our names: said, not replaced, as it is no accident.
    for (const std::string* name : {&map, &infoPath})
        if (isLink(*name)) {
            if (reason) *reason = *name + " is a link";
            return false;
        }
    std::string why;
    const std::string info = recoveryInfoText(changeTime, mapPath, stamp);
    // The map first: a kill between the two leaves the new map beside the
    // info of the one before, whose path is the same unless a load or save
    // came between. Our own files: a link made at a name since the look
    // above is replaced, never written through.
    if (!saveFileSafely(map.c_str(), bytes, size, &why, SaveTarget::ownFile) ||
        !saveFileSafely(infoPath.c_str(), reinterpret_cast<const uint8_t*>(info.data()), info.size(), &why,
                        SaveTarget::ownFile)) {
        if (reason) *reason = why;
        return false;
    }
    slot.written = true;
    return true;
}

void removeRecoveryCopy(RecoverySlot& slot) {
    if (slot.id.empty()) return;
    unlink((base(slot) + ".map").c_str());
    unlink((base(slot) + ".info").c_str());
    slot.written = false;
}

void closeRecoverySlot(RecoverySlot& slot) {
    if (slot.id.empty()) return;
    removeRecoveryCopy(slot);
    // Unlinked while still held: a start-up scan that opened it just now
    // finds no copy beside it.
    unlink((base(slot) + ".lock").c_str());
    release(slot.lock);
    slot.id.clear();
}

std::vector<OrphanCopy> findOrphanCopies(const std::string& folder, size_t mapBytes) {
    std::vector<OrphanCopy> found;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return found;
    std::vector<std::string> ids;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".map") == 0 && name.rfind("recovery-", 0) == 0)
            ids.push_back(name.substr(0, name.size() - 4));
    }
    closedir(dir);
    for (const std::string& id : ids) {
        OrphanCopy copy;
        copy.slot.folder = folder;
        copy.slot.id = id;
        // A copy without a lock file lost it to someone's tidying: its editor
        // is gone too, and the new lock file stands in for it.
        const int fd = takeLock(folder + id + ".lock", true);
        if (fd < 0) continue;
        copy.slot.lock = fd;
        std::vector<uint8_t> info;
        // Its editor closed between the listing and the lock: no copy, and
        // the lock file just made is nobody's.
        if (access((folder + id + ".map").c_str(), F_OK) != 0 && errno == ENOENT) {
            closeRecoverySlot(copy.slot);
            continue;
        }
        if (!readRegular(folder + id + ".map", mapBytes, copy.bytes) || copy.bytes.size() != mapBytes) continue;
        if (!readRegular(folder + id + ".info", 8192, info)) continue;
        if (!parseRecoveryInfo(std::string(info.begin(), info.end()), copy.changeTime, copy.mapPath, copy.stamp))
            continue;
        copy.slot.written = true;
        found.push_back(std::move(copy));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const OrphanCopy& a, const OrphanCopy& b) { return a.changeTime > b.changeTime; });
    return found;
}

void discardOrphanCopy(OrphanCopy& copy) { closeRecoverySlot(copy.slot); }
