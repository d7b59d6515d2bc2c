// File identity on Windows: the volume's serial number and the file index
// name a file, with its size and last write time; GetFullPathNameA makes a
// path absolute. Paths are UTF-8, the program's ANSI code page (see
// packaging/editor.manifest).
#include "files/file_identity.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

namespace {

FileStamp stampOf(HANDLE h) {
    FileStamp stamp;
    BY_HANDLE_FILE_INFORMATION info;
    const DWORD type = GetFileType(h);
    if (type != FILE_TYPE_DISK) {
        // A console, a pipe or a device: there, but no file on a disk.
        stamp.known = type != FILE_TYPE_UNKNOWN;
        return stamp;
    }
    if (!GetFileInformationByHandle(h, &info)) return stamp;
    stamp.known = true;
    stamp.regular = !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    stamp.device = info.dwVolumeSerialNumber;
    stamp.file = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modified = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                          info.ftLastWriteTime.dwLowDateTime);
    return stamp;
}

}  // namespace

FileStamp fileStamp(const char* path) {
    if (!path || !*path) return FileStamp();
    // Only the attributes are asked for: the file's description is read, not
    // its bytes, and a file another program holds open still answers. Backup
    // semantics let a folder open, so it is told apart rather than taken for
    // nothing.
    HANDLE h = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FileStamp();
    const FileStamp stamp = stampOf(h);
    CloseHandle(h);
    return stamp;
}

FileStamp streamStamp(FILE* stream) {
    if (!stream) return FileStamp();
    const intptr_t h = _get_osfhandle(_fileno(stream));
    if (h == -1 || h == -2) return FileStamp();
    return stampOf(reinterpret_cast<HANDLE>(h));
}

bool sameFile(const FileStamp& a, const FileStamp& b) {
    return a.known && b.known && a.regular && b.regular && a.device == b.device && a.file == b.file;
}

bool fileChangedSince(const FileStamp& then, const FileStamp& now) {
    if (!then.known) return now.known;
    return !sameFile(then, now) || then.size != now.size || then.modified != now.modified;
}

std::string absolutePath(const std::string& path) {
    if (path.empty()) return path;
    const DWORD need = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (need == 0) return path;
    std::string full(need, '\0');
    const DWORD n = GetFullPathNameA(path.c_str(), need, &full[0], nullptr);
    if (n == 0 || n >= need) return path;
    full.resize(n);
    return full;
}

bool isAbsolutePath(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && separator(path[0]) && separator(path[1])) return true;  // \\server\share
    return path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
           path[1] == ':' && separator(path[2]);
}

bool writeStreamBytes(FILE* stream, const uint8_t* bytes, size_t size, std::string* reason) {
    // Text mode would put a carriage return before every line feed of a picture.
    std::fflush(stream);
    const int old = _setmode(_fileno(stream), _O_BINARY);
    errno = 0;
    const bool ok = std::fwrite(bytes, 1, size, stream) == size && std::fflush(stream) == 0;
    const int error = errno;
    if (old != -1) _setmode(_fileno(stream), old);
    if (!ok && reason) *reason = std::strerror(error != 0 ? error : EIO);
    return ok;
}
