// The safe save on POSIX systems: the new bytes go to a temporary file beside
// the target, are synced, and the file is renamed over the target. Where a
// rename would lose something (a folder we may not create files in, a file
// with several names, an owner we cannot give the replacement) the target is
// written in place, with its old bytes kept in memory and put back if the
// write fails. Quirks worked around here: open() of a FIFO blocks until a
// reader comes (so every open is non-blocking), and writing past the
// file-size limit raises SIGXFSZ, which kills by default.
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "files/safe_save.h"

namespace {

// Our temporary files are ".vornsave-<pid>-<serial>": short whatever the
// target's name, and the pid tells a later save whether their owner still runs.
const char kTempPrefix[] = ".vornsave-";

// errno of the save's failing step, for the caller's message. Set where a
// step fails, before any clean-up (unlinking, putting old bytes back) can
// change errno; a later fallback that fails too sets it again.
thread_local int failure = 0;

// Notes `error` (errno by default) as the reason of the failure; returns false.
bool failed(int error = errno) {
    failure = error != 0 ? error : EIO;
    return false;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Closes a descriptor at the end of a scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// Blocks SIGXFSZ for the length of a save, so that the file-size limit fails
// a write with EFBIG instead of killing the editor; one raised meanwhile is
// taken off the queue before the old mask comes back.
class FileSizeSignalBlock {
public:
    FileSizeSignalBlock() {
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &only, &old_);
        sigset_t pending;
        wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ);
    }
    ~FileSizeSignalBlock() {
        sigset_t pending;
        if (!wasPending_ && sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ)) {
            sigset_t only;
            sigemptyset(&only);
            sigaddset(&only, SIGXFSZ);
            timespec now = {0, 0};
            sigtimedwait(&only, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }

private:
    sigset_t old_;     // the caller's mask, restored at the end
    bool wasPending_;  // a SIGXFSZ that was already waiting is not ours to take
};

bool writeAll(int fd, const uint8_t* bytes, size_t size, off_t at, bool positioned) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = positioned ? pwrite(fd, bytes + done, size - done, at + static_cast<off_t>(done))
                               : write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        // EAGAIN included: a pipe or device that cannot take the bytes now fails the save.
        if (n <= 0) return failed(n == 0 ? EIO : errno);
        done += static_cast<size_t>(n);
    }
    return true;
}

bool readAll(int fd, uint8_t* bytes, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, bytes + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return failed(n == 0 ? EIO : errno);
        done += static_cast<size_t>(n);
    }
    return true;
}

// The file a path finally names, following symbolic links as open() would.
// False for a loop of links.
bool followLinks(const char* path, std::string& out) {
    out = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat ls;
        if (lstat(out.c_str(), &ls) != 0 || !S_ISLNK(ls.st_mode)) return true;
        std::vector<char> link(static_cast<size_t>(ls.st_size > 0 ? ls.st_size : 255) + 2);
        ssize_t n = readlink(out.c_str(), link.data(), link.size() - 1);
        if (n < 0) return failed();
        std::string next(link.data(), static_cast<size_t>(n));
        out = next.empty() || next[0] == '/' ? next : folderOf(out) + "/" + next;
    }
    return failed(ELOOP);
}

// Writes the target itself. The bytes the new ones cover are read first; the
// file is never truncated before the new bytes are on the disk, and on any
// failure the old bytes and length are put back.
bool writeInPlace(const std::string& target, const struct stat& expected, const uint8_t* bytes, size_t size) {
    Fd file(open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st;
    // Unreadable (write-only) or swapped for another file since we looked:
    // without its old bytes a failure could not be undone.
    if (file.fd < 0 || fstat(file.fd, &st) != 0) return failed();
    if (st.st_dev != expected.st_dev || st.st_ino != expected.st_ino) return failed(EAGAIN);
    const size_t oldSize = static_cast<size_t>(st.st_size);
    std::vector<uint8_t> old(oldSize < size ? oldSize : size);
    if (!readAll(file.fd, old.data(), old.size())) return false;
    bool ok = writeAll(file.fd, bytes, size, 0, true) && (fsync(file.fd) == 0 || failed());
    if (ok && oldSize > size) ok = ftruncate(file.fd, static_cast<off_t>(size)) == 0 || failed();
    if (ok) {
        fsync(file.fd);  // the new bytes are already safe; this only settles the length
        return true;
    }
    const int why = failure;  // the write's reason, not the restore's
    writeAll(file.fd, old.data(), old.size(), 0, true);
    if (oldSize < size) ftruncate(file.fd, static_cast<off_t>(oldSize));
    fsync(file.fd);
    return failed(why);
}

// A device or a FIFO with a reader: written once, as it is, without a sync
// (a device cannot always be synced). Its descriptor is non-blocking, so one
// that cannot take the bytes at once fails instead of freezing the editor.
bool writeSpecial(int fd, const uint8_t* bytes, size_t size) { return writeAll(fd, bytes, size, 0, false); }

// True for the name of one of our temporary files; its pid in `pid`.
bool isOurTemp(const char* name, long& pid) {
    const size_t prefix = sizeof kTempPrefix - 1;
    if (std::strncmp(name, kTempPrefix, prefix) != 0) return false;
    const char* p = name + prefix;
    auto digits = [&](long& value) {
        const char* start = p;
        value = 0;
        while (*p >= '0' && *p <= '9' && p - start < 10) value = value * 10 + (*p++ - '0');
        return p > start;
    };
    long serial;
    if (!digits(pid) || *p++ != '-' || !digits(serial) || *p != '\0') return false;
    return pid > 0;
}

// Removes temporary files of ours that a save killed part-way left in the
// folder `dir`: only names of our pattern, only regular files, only when
// their process is gone (not merely someone else's).
void removeLeftovers(int dir) {
    int listFd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* list = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!list) {
        if (listFd >= 0) close(listFd);
        return;
    }
    const long self = static_cast<long>(getpid());
    while (dirent* e = readdir(list)) {
        long pid;
        if (!isOurTemp(e->d_name, pid) || pid == self) continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        struct stat st;
        if (fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) unlinkat(dir, e->d_name, 0);
    }
    closedir(list);
}

// A fresh name for a temporary file.
std::string tempName() {
    static unsigned serial = 0;
    return kTempPrefix + std::to_string(getpid()) + "-" + std::to_string(serial++);
}

// A temporary file being written: unnamed (O_TMPFILE) where the system has
// them, so that a save killed part-way rarely leaves anything behind.
struct Temp {
    int fd = -1;
    std::string name;  // in the target's folder; "" while unnamed
};

// Makes the temporary file in the folder `dir`: unnamed when `unnamed` and
// the file system has such files, named otherwise. Leaves errno set on failure
// (the caller decides whether it is one).
bool makeTemp(int dir, bool unnamed, Temp& temp) {
#ifdef O_TMPFILE  // Linux only; elsewhere every temporary file is named
    if (unnamed) {
        temp.fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (temp.fd >= 0) return true;
        // Only a kernel or file system without unnamed files falls through to
        // a named one; a refusal (EACCES, ENOSPC ...) is the answer for both.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    }
#else
    (void)unnamed;
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp.name = tempName();
        temp.fd = openat(dir, temp.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temp.fd >= 0 || errno != EEXIST) return temp.fd >= 0;
    }
    return false;  // errno EEXIST
}

// Gives an unnamed temporary file a name in the folder `dir`: `base` itself
// when `direct` (a target not there yet needs no rename), else a temporary
// name. Leaves errno set on failure.
bool nameTemp(Temp& temp, int dir, const std::string& base, bool direct) {
    if (!temp.name.empty()) return true;
    const std::string fdPath = "/proc/self/fd/" + std::to_string(temp.fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = direct ? base : tempName();
        // Through /proc where it is mounted; AT_EMPTY_PATH needs a privilege.
        if (linkat(AT_FDCWD, fdPath.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            linkat(temp.fd, "", dir, name.c_str(), AT_EMPTY_PATH) == 0) {
            temp.name = name;
            return true;
        }
        if (errno != EEXIST) return false;
        direct = false;  // someone made the target meanwhile: replace it by rename
    }
    return false;
}

enum class TempResult {
    Saved,
    Failed,
    InPlace,  // the replacement could not keep the old file's owner or group
    Unnamed,  // an unnamed file could not be given a name (no /proc): retry named
};

// The save through a temporary file in the target's folder `dir`, where the
// target is called `base`. Every name is relative to the folder, so a target
// whose path is near the system's limit saves too.
TempResult saveThroughTemp(int dir, const std::string& base, bool exists, const struct stat& st,
                           const uint8_t* bytes, size_t size, bool unnamed, SaveTarget target) {
    const bool user = target == SaveTarget::userFile;
    Temp temp;
    if (!makeTemp(dir, unnamed, temp)) {
        // A folder we may not create files in: write the user's file itself.
        // Any other failure (a full disk, say) is a failure, with the file kept.
        if (user && exists && (errno == EACCES || errno == EPERM)) return TempResult::InPlace;
        failed();
        return TempResult::Failed;
    }
    Fd closer(temp.fd);
    // A failed step's errno is taken before the unlink can change it.
    auto fail = [&](TempResult result, bool noteErrno = true) {
        if (result == TempResult::Failed && noteErrno) failed();
        if (!temp.name.empty()) unlinkat(dir, temp.name.c_str(), 0);
        return result;
    };
    if (user && exists) {
        // The replacement keeps the old file's owner, group and mode; where
        // the owner or group cannot be kept, the file is written in place.
        struct stat mine;
        if (fstat(temp.fd, &mine) != 0) return fail(TempResult::Failed);
        if ((mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) &&
            (fchown(temp.fd, st.st_uid, st.st_gid) != 0 || fstat(temp.fd, &mine) != 0 || mine.st_uid != st.st_uid ||
             mine.st_gid != st.st_gid))
            return fail(TempResult::InPlace);
        fchmod(temp.fd, st.st_mode & 07777);
    }
    if (!writeAll(temp.fd, bytes, size, 0, false)) return fail(TempResult::Failed, false);  // noted by writeAll
    if (fsync(temp.fd) != 0) return fail(TempResult::Failed);
    if (!nameTemp(temp, dir, base, !exists)) return fail(errno == EEXIST ? TempResult::Failed : TempResult::Unnamed);
    if (temp.name != base && renameat(dir, temp.name.c_str(), dir, base.c_str()) != 0) return fail(TempResult::Failed);
    fsync(dir);  // makes the new name itself durable
    return TempResult::Saved;
}

// The folder a target is in, opened for the calls relative to it.
int openFolder(const std::string& target) {
    const std::string folder = folderOf(target);
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH  // Linux: a folder we may enter and write but not list still takes a file
    if (dir < 0 && errno == EACCES) dir = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
    return dir;
}

// A file of our own: the name is looked at, never opened, and whatever is
// there is replaced by the rename alone.
bool saveOwn(const char* path, const uint8_t* bytes, size_t size) {
    const std::string target = path;
    struct stat st = {};
    const bool exists = lstat(path, &st) == 0;
    if (!exists && errno != ENOENT) return failed();
    if (exists && S_ISDIR(st.st_mode)) return failed(EISDIR);
    const std::string base = target.substr(target.find_last_of('/') + 1);
    Fd dir(openFolder(target));
    if (dir.fd < 0) return failed();
    if (base.empty()) return failed(EISDIR);
    removeLeftovers(dir.fd);
    TempResult result = saveThroughTemp(dir.fd, base, exists, st, bytes, size, true, SaveTarget::ownFile);
    if (result == TempResult::Unnamed)
        result = saveThroughTemp(dir.fd, base, exists, st, bytes, size, false, SaveTarget::ownFile);
    return result == TempResult::Saved;
}

bool save(const char* path, const uint8_t* bytes, size_t size) {
    std::string target;
    if (!followLinks(path, target)) return false;
    // Non-blocking: a FIFO without a reader fails at once (ENXIO) instead of
    // waiting for one. No O_TRUNC: nothing is lost by looking.
    Fd probe(open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st = {};
    const bool exists = probe.fd >= 0;
    // Not there yet is the one failure to open that a save can cure; a file
    // we may not write is refused, not replaced behind its back.
    if (!exists && errno != ENOENT) return failed();
    if (exists) {
        if (fstat(probe.fd, &st) != 0) return failed();
        // A device or pipe cannot be replaced by a rename: write to it as it is.
        if (!S_ISREG(st.st_mode)) return writeSpecial(probe.fd, bytes, size);
        // Several names share the file: a rename would split it from the others.
        if (st.st_nlink > 1) return writeInPlace(target, st, bytes, size);
    }
    const std::string base = target.substr(target.find_last_of('/') + 1);
    Fd dir(openFolder(target));
    if (dir.fd < 0) return failed();
    if (base.empty()) return failed(EISDIR);  // "folder/" names a folder
    removeLeftovers(dir.fd);
    TempResult result = saveThroughTemp(dir.fd, base, exists, st, bytes, size, true, SaveTarget::userFile);
    if (result == TempResult::Unnamed)
        result = saveThroughTemp(dir.fd, base, exists, st, bytes, size, false, SaveTarget::userFile);
    if (result == TempResult::InPlace) return writeInPlace(target, st, bytes, size);
    return result == TempResult::Saved;
}

}  // namespace

bool saveFileSafely(const char* path, const uint8_t* bytes, size_t size, std::string* reason, SaveTarget target) {
    FileSizeSignalBlock noSignal;
    failure = 0;
    if (target == SaveTarget::ownFile ? saveOwn(path, bytes, size) : save(path, bytes, size)) return true;
    if (reason) *reason = std::strerror(failure != 0 ? failure : EIO);
    return false;
}

void removeEndedSaveTemporaries(const std::string& folder) {
    Fd dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) removeLeftovers(dir.fd);
}
