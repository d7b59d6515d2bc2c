// Raw map files: width x height tile bytes, row by row, no header. The tile
// grid is column-major, so both directions transpose.
#include "files/map_file.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "files/file_read.h"
#include "map/ground_map.h"

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Bytes of one load or save; kept between calls so that a map of unchanged
// size costs no allocation.
std::vector<uint8_t> fileBytes;

// The working map's tiles in file order (row by row).
void tilesToFileOrder(const GroundMap& map) {
    fileBytes.resize(static_cast<size_t>(map.width) * map.height);
    for (int32_t y = 0; y < map.height; ++y)
        for (int32_t x = 0; x < map.width; ++x) fileBytes[y * map.width + x] = map.tileAt(x, y);
}

// Writes all of fileBytes through an open stream and closes it. With `sync`
// the bytes are also forced to the disk; a device cannot always be synced, so
// for one a completed write is all that can be asked.
bool writeAndClose(FILE* file, bool sync) {
    bool ok = std::fwrite(fileBytes.data(), 1, fileBytes.size(), file) == fileBytes.size();
    ok = ok && std::fflush(file) == 0;
    if (ok && sync) {
#ifdef _WIN32
        ok = FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != 0;
#else
        ok = fsync(fileno(file)) == 0;
#endif
    }
    return std::fclose(file) == 0 && ok;
}

// The plain save: truncate and write the target itself. Used where no
// temporary file can stand in for it.
bool writeInPlace(const std::string& target, bool sync) {
    FILE* file = std::fopen(target.c_str(), "wb");
    if (!file) return false;
    return writeAndClose(file, sync);
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

#ifdef _WIN32

bool saveToDisk(const std::string& path) {
    std::string target = path;
    DWORD attr = GetFileAttributesA(target.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
    HANDLE h = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool exists = h != INVALID_HANDLE_VALUE;
    // There but not writable (read-only, denied, or in use): refused, as
    // "wb" refuses it, rather than replaced behind its back.
    if (!exists && attr != INVALID_FILE_ATTRIBUTES) return false;
    if (exists) {
        DWORD type = GetFileType(h);
        // A link is followed: the file it points to is the one replaced.
        char final[MAX_PATH + 8];
        DWORD n = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT)
                      ? GetFinalPathNameByHandleA(h, final, sizeof final, FILE_NAME_NORMALIZED)
                      : 0;
        CloseHandle(h);
        // A device cannot be replaced by a move: write to it as before.
        if (type != FILE_TYPE_DISK) return writeInPlace(target, false);
        if (n > 0 && n < sizeof final) {
            target = final;
            attr = GetFileAttributesA(target.c_str());
            if (attr == INVALID_FILE_ATTRIBUTES) return false;
        }
    }
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folderOf(target).c_str(), "vmp", 0, temp)) {
        // A folder we may not create files in: write the file itself as before.
        if (GetLastError() == ERROR_ACCESS_DENIED) return writeInPlace(target, true);
        return false;
    }
    FILE* file = std::fopen(temp, "wb");
    bool ok = file && writeAndClose(file, true);
    if (ok && exists)
        SetFileAttributesA(temp, attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    // The C library's rename fails over an existing file; MoveFileExA replaces it.
    if (ok && MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temp);
    return false;
}

#else

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

bool saveToDisk(const char* path) {
    std::string target;
    if (!followLinks(path, target)) return false;
    struct stat st;
    bool exists = stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) return false;
        // A device or pipe cannot be replaced by a rename: write to it as before.
        if (!S_ISREG(st.st_mode)) return writeInPlace(target, false);
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
        if (errno == EACCES || errno == EPERM) return writeInPlace(target, true);
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
    bool ok = file && writeAndClose(file, true) && rename(temp.c_str(), target.c_str()) == 0;
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

#endif

}  // namespace

bool saveMap(const char* path) {
    tilesToFileOrder(workingMap);
    return saveToDisk(path);
}

void loadMapBytes(const uint8_t* bytes, size_t size) {
    GroundMap& map = workingMap;
    map.clear();
    // Each cell is decoded as soon as its byte is stored, in file order: the
    // shared lattice points depend on that order. Cells past the end of a
    // short file get the plain tile, which decodes to nothing.
    for (int32_t y = 0; y < map.height; ++y) {
        for (int32_t x = 0; x < map.width; ++x) {
            size_t at = static_cast<size_t>(y) * map.width + x;
            map.tileAt(x, y) = at < size ? bytes[at] : kPlainTile;
            map.decodeTile(x, y);
        }
    }
}

bool loadMap(const char* path) {
    const GroundMap& map = workingMap;
    // A map has a fixed size: anything but a regular file (a FIFO, a device)
    // is refused, and a folder cannot be read; both leave the map as it was.
    // A longer file gives its first width x height bytes.
    if (readWholeFile(path, static_cast<size_t>(map.width) * map.height, true, fileBytes) == FileRead::CannotRead)
        return false;
    loadMapBytes(fileBytes.data(), fileBytes.size());
    return true;
}
