// Reading a whole file in one call, bounded, without ever waiting on a pipe or
// a device. One implementation per platform (file_read_posix.cpp,
// file_read_win32.cpp), chosen by the build.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum class FileRead {
    Read,        // bytes holds the whole file
    Longer,      // bytes holds the first `limit` bytes; the file goes on
    CannotRead,  // not opened, not the kind of file asked for, or no byte readable
};

// Callers: the map, mission and image readers. Opens `path` so that the open
// itself never waits (a FIFO without a writer, a device), reads at most `limit`
// bytes into `bytes` and closes it again. With `regularOnly`, anything but a
// regular file is CannotRead. A pipe or device is read while it has bytes
// ready; one that would make the read wait is CannotRead, as is a file that
// fails before its first byte (a folder). A read error later ends the bytes.
FileRead readWholeFile(const char* path, size_t limit, bool regularOnly, std::vector<uint8_t>& bytes);

// Caller: the shell's art search. True when `path` names a regular file that
// opens for reading. Never waits: the type is checked before the file is
// opened, and it is opened as readWholeFile opens it; nothing is read.
bool isReadableRegularFile(const char* path);
