// The safe save on Windows: the new bytes go to a temporary file beside the
// target, are flushed, and the file is moved over the target. Where a move
// would lose something (a folder we may not create files in, a file with
// several names, an owner the replacement would not have) the target is
// written in place, with its old bytes kept in memory and put back if the
// write fails. Quirk: the C library's rename cannot replace a file, so
// MoveFileExA does.
#include <windows.h>
#include <aclapi.h>

#include <string>
#include <vector>

#include "files/safe_save.h"

namespace {

// Our temporary files are ".vornsave-<pid>-<serial>": short whatever the
// target's name, and the pid tells a later save whether their owner still runs.
const char kTempPrefix[] = ".vornsave-";

// GetLastError of the save's failing step, for the caller's message. Set
// where a step fails, before any clean-up (closing, deleting, putting old
// bytes back) can change it; a later fallback that fails too sets it again.
thread_local DWORD failure = 0;
// ERROR_DIRECTORY_NOT_SUPPORTED ("An operation is not supported on a
// directory"), which mingw-w64's headers lack.
const DWORD kDirectoryNotSupported = 336;

// Notes `error` (GetLastError by default) as the reason; returns false.
bool failed(DWORD error = GetLastError()) {
    failure = error != 0 ? error : ERROR_WRITE_FAULT;
    return false;
}

// The system's words for `error` as one line: line breaks become spaces and
// the closing period and spaces go, as the message box adds its own line.
std::string reasonText(DWORD error) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string line = n > 0 && text ? std::string(text, n) : std::string();
    if (text) LocalFree(text);
    for (char& c : line)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    while (!line.empty() && (line.back() == ' ' || line.back() == '.')) line.pop_back();
    size_t start = line.find_first_not_of(' ');
    line.erase(0, start == std::string::npos ? line.size() : start);
    // Wine has no text for the one code we set ourselves.
    if (line.empty() && error == kDirectoryNotSupported) return "An operation is not supported on a directory";
    return line.empty() ? "system error " + std::to_string(error) : line;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

// Closes a handle at the end of a scope.
struct Handle {
    HANDLE h;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

// WriteFile or ReadFile (`move`) over all `size` bytes, at most 1 MiB a
// call; a call that moves nothing fails with `stalled`.
template <typename Byte, typename Move>
bool moveAll(HANDLE h, Byte* bytes, size_t size, Move move, DWORD stalled) {
    size_t done = 0;
    while (done < size) {
        DWORD chunk = static_cast<DWORD>(size - done > 1u << 20 ? 1u << 20 : size - done), n = 0;
        if (!move(h, bytes + done, chunk, &n, nullptr)) return failed();
        if (n == 0) return failed(stalled);
        done += n;
    }
    return true;
}

bool writeAll(HANDLE h, const uint8_t* bytes, size_t size) { return moveAll(h, bytes, size, WriteFile, ERROR_WRITE_FAULT); }
bool readAll(HANDLE h, uint8_t* bytes, size_t size) { return moveAll(h, bytes, size, ReadFile, ERROR_HANDLE_EOF); }

bool seekTo(HANDLE h, uint64_t at) {
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(at);
    return SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) != 0 || failed();
}

// The path an open file has once links are followed, "" when unknown. Sized
// by asking: in UTF-8 a name of MAX_PATH characters takes up to three times
// as many bytes.
std::string finalPathOf(HANDLE file) {
    std::string path(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        // The answer counts the NUL only when the buffer was too small.
        const DWORD n =
            GetFinalPathNameByHandleA(file, &path[0], static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (n == 0) return std::string();
        if (n < path.size()) return path.substr(0, n);
        path.assign(n, '\0');
    }
    return std::string();
}

// Writes the target itself. The bytes the new ones cover are read first; the
// file is never cut short before the new bytes are on the disk, and on any
// failure the old bytes and length are put back.
bool writeInPlace(const std::string& target, const uint8_t* bytes, size_t size) {
    Handle file(CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length;
    // Without its old bytes a failure could not be undone.
    if (file.h == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.h, &length)) return failed();
    const uint64_t oldSize = static_cast<uint64_t>(length.QuadPart);
    std::vector<uint8_t> old(static_cast<size_t>(oldSize < size ? oldSize : size));
    if (!readAll(file.h, old.data(), old.size())) return false;
    bool ok = seekTo(file.h, 0) && writeAll(file.h, bytes, size) && (FlushFileBuffers(file.h) || failed());
    if (ok && oldSize > size) ok = seekTo(file.h, size) && (SetEndOfFile(file.h) || failed());
    if (ok) {
        FlushFileBuffers(file.h);  // the new bytes are already safe; this only settles the length
        return true;
    }
    const DWORD why = failure;  // the write's reason, not the restore's
    if (seekTo(file.h, 0) && writeAll(file.h, old.data(), old.size()) && oldSize < size && seekTo(file.h, oldSize))
        SetEndOfFile(file.h);
    FlushFileBuffers(file.h);
    return failed(why);
}

// The owner of an open file (opened with READ_CONTROL); empty when it cannot be read.
std::vector<uint8_t> ownerOf(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::vector<uint8_t> sid;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return sid;
    if (owner && IsValidSid(owner)) {
        const uint8_t* bytes = static_cast<const uint8_t*>(owner);
        sid.assign(bytes, bytes + GetLengthSid(owner));
    }
    LocalFree(descriptor);
    return sid;
}

// True when the replacement `temp` would not have the target's owner and
// cannot be given it. False also when either owner cannot be read, as before
// this check existed.
bool ownerWouldChange(const std::string& target, const std::string& tempName, HANDLE temp) {
    Handle old(CreateFileA(target.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (old.h == INVALID_HANDLE_VALUE) return false;
    std::vector<uint8_t> want = ownerOf(old.h), mine = ownerOf(temp);
    if (want.empty() || mine.empty() || want == mine) return false;
    // Opened anew: our own handle lacks WRITE_OWNER, which asking for at
    // creation could have cost us the temporary file in a folder that grants
    // less than full control.
    return SetNamedSecurityInfoA(const_cast<char*>(tempName.c_str()), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                 want.data(), nullptr, nullptr, nullptr) != ERROR_SUCCESS;
}

// True for the name of one of our temporary files; its pid in `pid`.
bool isOurTemp(const char* name, DWORD& pid) {
    const size_t prefix = sizeof kTempPrefix - 1;
    if (std::string(name).compare(0, prefix, kTempPrefix) != 0) return false;
    const char* p = name + prefix;
    auto digits = [&](DWORD& value) {
        const char* start = p;
        value = 0;
        while (*p >= '0' && *p <= '9' && p - start < 10) value = value * 10 + static_cast<DWORD>(*p++ - '0');
        return p > start;
    };
    DWORD serial;
    if (!digits(pid) || *p++ != '-' || !digits(serial) || *p != '\0') return false;
    return pid > 0;
}

// Whether process `pid` has ended. A process we may not look at is taken as running.
bool processEnded(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// Removes temporary files of ours that a save killed part-way left in
// `folder`: only names of our pattern, only files, only when their process
// has ended.
void removeLeftovers(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + kTempPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    const DWORD self = GetCurrentProcessId();
    do {
        DWORD pid;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !isOurTemp(found.cFileName, pid) || pid == self)
            continue;
        if (processEnded(pid)) DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Creates a new temporary file in `folder`; its name in `temp`.
HANDLE makeTemp(const std::string& folder, std::string& temp) {
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = folder + "\\" + kTempPrefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
        HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE | READ_CONTROL, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    return INVALID_HANDLE_VALUE;
}

// A file of our own: the name is only looked at (GetFileAttributesA answers
// for a link itself), never opened or written through, and whatever is there
// is replaced by the move alone, which moves onto the name, not through it.
bool saveOwn(const char* path, const uint8_t* bytes, size_t size) {
    const std::string target = path;
    const DWORD attr = GetFileAttributesA(target.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) return failed(kDirectoryNotSupported);
    const std::string folder = folderOf(target);
    removeLeftovers(folder);
    std::string temp;
    Handle file(makeTemp(folder, temp));
    if (file.h == INVALID_HANDLE_VALUE) return failed();
    bool ok = writeAll(file.h, bytes, size) && (FlushFileBuffers(file.h) || failed());
    CloseHandle(file.h);
    file.h = INVALID_HANDLE_VALUE;
    if (ok && MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (ok) failed();  // the move's reason, before the delete
    DeleteFileA(temp.c_str());
    return false;
}

bool save(const char* path, const uint8_t* bytes, size_t size) {
    std::string target = path;
    DWORD attr = GetFileAttributesA(target.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
        return failed(kDirectoryNotSupported);
    bool exists = false, inPlace = false;
    {
        Handle probe(CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        exists = probe.h != INVALID_HANDLE_VALUE;
        // There but not writable (read-only, denied, or in use): refused
        // rather than replaced behind its back.
        if (!exists && attr != INVALID_FILE_ATTRIBUTES) return failed();
        if (exists) {
            // A device or pipe cannot be replaced by a move: write to it as it is.
            if (GetFileType(probe.h) != FILE_TYPE_DISK) return writeAll(probe.h, bytes, size);
            // A link is followed: the file it points to is the one replaced.
            const std::string final = (attr & FILE_ATTRIBUTE_REPARSE_POINT) ? finalPathOf(probe.h) : std::string();
            if (!final.empty()) {
                target = final;
                attr = GetFileAttributesA(target.c_str());
                if (attr == INVALID_FILE_ATTRIBUTES) return failed();
            }
            // Several names share the file: a move would split it from the others.
            BY_HANDLE_FILE_INFORMATION info;
            inPlace = GetFileInformationByHandle(probe.h, &info) && info.nNumberOfLinks > 1;
        }
    }
    if (inPlace) return writeInPlace(target, bytes, size);
    const std::string folder = folderOf(target);
    removeLeftovers(folder);
    std::string temp;
    Handle file(makeTemp(folder, temp));
    if (file.h == INVALID_HANDLE_VALUE) {
        // A folder we may not create files in: write the file itself. Any
        // other failure (a full disk, say) is a failure, with the file kept.
        if (exists && GetLastError() == ERROR_ACCESS_DENIED) return writeInPlace(target, bytes, size);
        return failed();
    }
    // A replacement that could not keep the owner is not made: the file is
    // written in place instead.
    if (exists && ownerWouldChange(target, temp, file.h)) {
        CloseHandle(file.h);
        file.h = INVALID_HANDLE_VALUE;
        DeleteFileA(temp.c_str());
        return writeInPlace(target, bytes, size);
    }
    bool ok = writeAll(file.h, bytes, size) && (FlushFileBuffers(file.h) || failed());
    CloseHandle(file.h);
    file.h = INVALID_HANDLE_VALUE;
    if (ok && exists)
        SetFileAttributesA(temp.c_str(), attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    if (ok && MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (ok) failed();  // the move's reason, before the delete
    DeleteFileA(temp.c_str());
    return false;
}

}  // namespace

bool saveFileSafely(const char* path, const uint8_t* bytes, size_t size, std::string* reason, SaveTarget target) {
    failure = 0;
    if (target == SaveTarget::ownFile ? saveOwn(path, bytes, size) : save(path, bytes, size)) return true;
    if (reason) *reason = reasonText(failure != 0 ? failure : ERROR_WRITE_FAULT);
    return false;
}

void removeEndedSaveTemporaries(const std::string& folder) {
    std::string f = folder.empty() ? std::string(".") : folder;
    while (f.size() > 3 && (f.back() == '\\' || f.back() == '/')) f.pop_back();
    removeLeftovers(f);
}
