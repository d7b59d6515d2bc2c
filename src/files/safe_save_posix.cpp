// The safe save on POSIX systems: a temporary file beside the target, synced,
// then renamed over it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "files/safe_save.h"

namespace {

// Writes all of `bytes` through an open stream and closes it. With `sync`
// the bytes are also forced to the disk; a device cannot always be synced, so
// for one a completed write is all that can be asked.
bool writeAndClose(FILE* file, const uint8_t* bytes, size_t size, bool sync) {
    bool ok = std::fwrite(bytes, 1, size, file) == size;
    ok = ok && std::fflush(file) == 0;
    if (ok && sync) {
        ok = fsync(fileno(file)) == 0;
    }
    return std::fclose(file) == 0 && ok;
}

// The plain save: truncate and write the target itself. Used where no
// temporary file can stand in for it.
bool writeInPlace(const std::string& target, const uint8_t* bytes, size_t size, bool sync) {
    FILE* file = std::fopen(target.c_str(), "wb");
    if (!file) return false;
    return writeAndClose(file, bytes, size, sync);
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

// The file a path finally names, following symbolic links as "wb" would.
// False for a loop of links.
bool followLinks(const char* path, std::string& out) {
    out = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat ls;
        if (lstat(out.c_str(), &ls) != 0 || !S_ISLNK(ls.st_mode)) return true;
        std::vector<char> link(static_cast<size_t>(ls.st_size > 0 ? ls.st_size : 255) + 2);
        ssize_t n = readlink(out.c_str(), link.data(), link.size() - 1);
        if (n < 0) return false;
        std::string next(link.data(), static_cast<size_t>(n));
        out = next.empty() || next[0] == '/' ? next : folderOf(out) + "/" + next;
    }
    return false;
}

// Creates a new, unique temporary file beside the target. Leaves errno set on failure.
int makeTemp(const std::string& target, std::string& temp) {
    static unsigned serial = 0;
    std::string base = target.substr(target.find_last_of('/') + 1);
    std::string stem = folderOf(target) + "/." + base + ".save" + std::to_string(getpid()) + "_";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = stem + std::to_string(serial++);
        int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool saveFileSafely(const char* path, const uint8_t* bytes, size_t size) {
    std::string target;
    if (!followLinks(path, target)) return false;
    struct stat st;
    bool exists = stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) return false;
        // A device or pipe cannot be replaced by a rename: write to it as before.
        if (!S_ISREG(st.st_mode)) return writeInPlace(target, bytes, size, false);
        // A file "wb" could not open is refused, not replaced behind its back.
        int probe = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0) return false;
        close(probe);
    }
    std::string temp;
    int fd = makeTemp(target, temp);
    if (fd < 0) {
        // A folder we may not create files in: write the file itself as before.
        // Any other failure (a full disk, say) would also truncate the target.
        if (errno == EACCES || errno == EPERM) return writeInPlace(target, bytes, size, true);
        return false;
    }
    if (exists) {
        // The replacement keeps the old file's owner (where we may set it) and mode.
        if ((st.st_uid != geteuid() || st.st_gid != getegid()) && fchown(fd, st.st_uid, st.st_gid) != 0) {
        }
        fchmod(fd, st.st_mode & 07777);
    }
    FILE* file = fdopen(fd, "wb");
    if (!file) close(fd);
    bool ok = file && writeAndClose(file, bytes, size, true) && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    int dir = open(folderOf(target).c_str(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

