// The recovery store on Windows: LockFileEx on a lock file beside the copy.
// Windows drops a process's locks when it ends in any way, and a lock taken
// through one handle refuses every other handle, this process's own too (a
// start-up scan never takes its own editor's lock). Paths are UTF-8, the
// program's ANSI code page (see packaging/editor.manifest).
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/recovery_store.h"
#include "files/recovery_store_host.h"
#include "files/safe_save.h"

namespace {

std::string systemWords(DWORD error) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string words = n && text ? std::string(text, n) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) words.pop_back();
    return words;
}

bool fail(std::string* reason, const std::string& what, DWORD error = GetLastError()) {
    if (reason) *reason = what + ": " + systemWords(error);
    return false;
}

bool isFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool makeFolders(const std::string& folder, std::string* reason) {
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i < folder.size() && folder[i] != '\\' && folder[i] != '/') continue;
        const std::string part = folder.substr(0, i);
        if (part.size() <= 3 && part.find(':') != std::string::npos) continue;  // "C:" and "C:\"
        if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return fail(reason, part);
    }
    if (!isFolder(folder)) return fail(reason, folder, ERROR_DIRECTORY);
    return true;
}

// Opens (creating) a lock file and locks it without waiting; null when
// another holds it, or it is a link or no plain file.
HANDLE takeLock(const std::string& path, DWORD disposition) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION info;
    OVERLAPPED at = {};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        !LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        SetLastError(error);
        return nullptr;
    }
    return h;
}

}  // namespace

std::string recoveryFolder(std::string* reason) {
    const char* local = std::getenv("LOCALAPPDATA");
    if (local && *local) {
        std::string folder = local;
        if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
        return folder + "VornGroundEditor\\";
    }
    if (reason) *reason = "LOCALAPPDATA names no folder";
    return std::string();
}

bool openRecoverySlot(const std::string& folder, RecoverySlot& slot, std::string* reason) {
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/'))
        return fail(reason, folder, ERROR_BAD_PATHNAME);
    if (!makeFolders(folder, reason)) return false;
    // A copy's write killed part-way may have left a temporary file that no
    // later write in this folder would come to tidy.
    removeEndedSaveTemporaries(folder);
    const DWORD now = GetTickCount();
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        const std::string id = "recovery-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(now + attempt);
        HANDLE h = takeLock(folder + id + ".lock", CREATE_NEW);
        if (!h && GetLastError() == ERROR_FILE_EXISTS) continue;
        if (!h) return fail(reason, folder);
        RecoverySlot made;
        made.folder = folder;
        made.id = id;
        made.lock = reinterpret_cast<intptr_t>(h);
        slot = std::move(made);
        return true;
    }
    return fail(reason, folder, ERROR_FILE_EXISTS);
}

// ---- The seam

bool recovery_host::failNoLock(std::string* reason, const std::string& what) {
    return fail(reason, what, ERROR_INVALID_HANDLE);
}

void recovery_host::release(intptr_t& lock) {
    if (lock != -1) CloseHandle(reinterpret_cast<HANDLE>(lock));
    lock = -1;
}

// Opened as the reparse point it is, not as what it points to, and its
// attributes checked: a symbolic link or a junction.
bool recovery_host::isLink(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD a = GetFileAttributesA(path.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool link = GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    CloseHandle(h);
    return link;
}

void recovery_host::removeFile(const std::string& path) { DeleteFileA(path.c_str()); }

void recovery_host::dropLockFile(RecoverySlot& slot) {
    release(slot.lock);  // closed first: a held file's name may outlive DeleteFileA
    DeleteFileA((slot.folder + slot.id + ".lock").c_str());
}

std::vector<std::string> recovery_host::copyIds(const std::string& folder) {
    std::vector<std::string> ids;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "recovery-*.map").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return ids;
    do {
        const std::string name = entry.cFileName;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".map") == 0) ids.push_back(name.substr(0, name.size() - 4));
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return ids;
}

intptr_t recovery_host::takeOrphanLock(const std::string& path) {
    HANDLE h = takeLock(path, OPEN_ALWAYS);
    return h ? reinterpret_cast<intptr_t>(h) : -1;
}

bool recovery_host::missing(const std::string& path) {
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool recovery_host::readRegular(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
              !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
              info.nFileSizeHigh == 0 && info.nFileSizeLow <= limit;
    if (ok) {
        bytes.resize(info.nFileSizeLow);
        DWORD got = 0;
        ok = bytes.empty() || (ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                               got == bytes.size());
    }
    CloseHandle(h);
    return ok;
}

