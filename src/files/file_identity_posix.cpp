// File identity on POSIX systems: stat's device, inode, size and modification
// time (to the nanosecond), and the working folder for relative paths.
#include "files/file_identity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

FileStamp stampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.known = true;
    stamp.regular = S_ISREG(st.st_mode);
    stamp.device = static_cast<uint64_t>(st.st_dev);
    stamp.file = static_cast<uint64_t>(st.st_ino);
    stamp.size = static_cast<uint64_t>(st.st_size);
    stamp.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

}  // namespace

FileStamp fileStamp(const char* path) {
#ifdef __EMSCRIPTEN__
    (void)path;
    return FileStamp();
#else
    struct stat st;
    if (!path || stat(path, &st) != 0) return FileStamp();
    return stampOf(st);
#endif
}

FileStamp streamStamp(FILE* stream) {
    struct stat st;
    if (!stream || fstat(fileno(stream), &st) != 0) return FileStamp();
    return stampOf(st);
}

bool sameFile(const FileStamp& a, const FileStamp& b) {
    return a.known && b.known && a.device == b.device && a.file == b.file;
}

bool fileChangedSince(const FileStamp& then, const FileStamp& now) {
    if (!then.known) return now.known;
    return !sameFile(then, now) || then.size != now.size || then.modified != now.modified;
}

std::string absolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    // The working folder may be longer than any fixed buffer.
    std::vector<char> folder(4096);
    while (!getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE || folder.size() > (1u << 20)) return path;
        folder.resize(folder.size() * 2);
    }
    std::string base = folder.data();
    if (base.empty() || base[0] != '/') return path;  // "(unreachable)": no folder to name
    std::string rest = path;
    while (rest.size() > 2 && rest.compare(0, 2, "./") == 0) rest.erase(0, 2);
    return base + (base.back() == '/' ? "" : "/") + rest;
}

bool isAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

bool writeStreamBytes(FILE* stream, const uint8_t* bytes, size_t size, std::string* reason) {
    errno = 0;
    const bool ok = std::fwrite(bytes, 1, size, stream) == size && std::fflush(stream) == 0;
    if (!ok && reason) *reason = std::strerror(errno != 0 ? errno : EIO);
    return ok;
}
