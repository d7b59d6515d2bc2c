// Which file a name or a stream stands for: a path's absolute form, the
// file's identity and last write (its stamp), and bytes written unchanged to
// an open stream. One implementation per platform (file_identity_posix.cpp,
// file_identity_win32.cpp), chosen by the build.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// A file as the system describes it at one moment.
struct FileStamp {
    bool known = false;    // false: nothing there, or it could not be looked at
    bool regular = false;  // a plain file (not a FIFO, a device or a folder)
    uint64_t device = 0;   // st_dev, or the volume's serial number
    uint64_t file = 0;     // st_ino, or the file index
    uint64_t size = 0;
    int64_t modified = 0;  // last write: ns since 1970, or Windows' 100-ns ticks since 1601
};

// Callers: the shell's document (after an open or a save, before writing
// over its current file) and vorn-map (its inputs and outputs). The stamp of
// the file `path` names, links followed; unknown when there is none. Never
// waits, not even on a FIFO. In the browser it is always unknown: the page's
// files are copies it made, and an opened one is gone once read.
FileStamp fileStamp(const char* path);
// Caller: vorn-map, for an output on standard output. The stamp of the file
// behind an open stream.
FileStamp streamStamp(FILE* stream);
// Both known and one file: the same device and file number.
bool sameFile(const FileStamp& a, const FileStamp& b);
// Caller: the shell before writing over its current file. True when `now` is
// not the file `then` described: replaced by another, written since (its size
// or last write differ), or gone. With `then` unknown, true whenever there is
// a file now: nothing says it is the one the editor knew.
bool fileChangedSince(const FileStamp& then, const FileStamp& now);

// Callers: the shell's document and the recovery questions. `path` as an
// absolute path (the working folder put before a relative one, nothing else
// touched: links stay as named); "" stays "", and a path whose folder cannot
// be found stays as it is.
std::string absolutePath(const std::string& path);
// Whether `path` names its file wherever the program runs from: it starts at
// the root ("/"), or at a drive or a server on Windows ("C:\", "\\server\").
bool isAbsolutePath(const std::string& path);

// Caller: vorn-map, writing an output to standard output. Writes `bytes` to
// `stream` unchanged (no line-end translation on Windows) and flushes it;
// false, with the system's words in `reason`, when not every byte went out.
bool writeStreamBytes(FILE* stream, const uint8_t* bytes, size_t size, std::string* reason);
