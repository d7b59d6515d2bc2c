// readWholeFile on Windows. Reading a named pipe or a console waits for its
// writer and Windows has no non-blocking read for them, so only disk files are
// read, whatever the caller allows. A folder does not open without backup
// semantics, so it fails at CreateFileA as it did with fopen.
#include "files/file_read.h"

#include <windows.h>

#include <algorithm>

FileRead readWholeFile(const char* path, size_t limit, bool /*regularOnly*/, std::vector<uint8_t>& bytes) {
    bytes.clear();
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FileRead::CannotRead;
    LARGE_INTEGER size;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        return FileRead::CannotRead;
    }
    // One more byte than the limit tells whether the file goes on.
    const size_t want = limit == SIZE_MAX ? limit : limit + 1;
    bytes.resize(std::min(want, static_cast<size_t>(std::max<LONGLONG>(size.QuadPart, 0))));
    size_t got = 0;
    bool failed = false;
    for (;;) {
        if (got == bytes.size()) {
            if (got == want) break;
            bytes.resize(std::min(want, got + 64 * 1024));  // a file that grew since its size was taken
        }
        DWORD n = 0;
        DWORD ask = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 1u << 30));
        if (!ReadFile(h, bytes.data() + got, ask, &n, nullptr)) {
            failed = got == 0;
            break;
        }
        if (n == 0) break;
        got += n;
    }
    CloseHandle(h);
    bytes.resize(got);
    if (failed) return FileRead::CannotRead;
    if (bytes.size() > limit) {
        bytes.resize(limit);
        return FileRead::Longer;
    }
    return FileRead::Read;
}

bool isReadableRegularFile(const char* path) {
    // Folders and devices are turned away before any open.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return false;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool disk = GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    return disk;
}
