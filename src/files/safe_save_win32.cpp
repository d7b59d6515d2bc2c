// The safe save on Windows: a temporary file beside the target, flushed, then
// moved over it. Quirk: the C library's rename cannot replace a file.
#include <windows.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "files/safe_save.h"

namespace {

// Writes all of `bytes` through an open stream and closes it. With `sync`
// the bytes are also forced to the disk; a device cannot always be synced, so
// for one a completed write is all that can be asked.
bool writeAndClose(FILE* file, const uint8_t* bytes, size_t size, bool sync) {
    bool ok = std::fwrite(bytes, 1, size, file) == size;
    ok = ok && std::fflush(file) == 0;
    if (ok && sync) {
        ok = FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != 0;
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

}  // namespace

bool saveFileSafely(const char* path, const uint8_t* bytes, size_t size) {
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
        if (type != FILE_TYPE_DISK) return writeInPlace(target, bytes, size, false);
        if (n > 0 && n < sizeof final) {
            target = final;
            attr = GetFileAttributesA(target.c_str());
            if (attr == INVALID_FILE_ATTRIBUTES) return false;
        }
    }
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folderOf(target).c_str(), "vmp", 0, temp)) {
        // A folder we may not create files in: write the file itself as before.
        if (GetLastError() == ERROR_ACCESS_DENIED) return writeInPlace(target, bytes, size, true);
        return false;
    }
    FILE* file = std::fopen(temp, "wb");
    bool ok = file && writeAndClose(file, bytes, size, true);
    if (ok && exists)
        SetFileAttributesA(temp, attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    // The C library's rename fails over an existing file; MoveFileExA replaces it.
    if (ok && MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temp);
    return false;
}

