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

bool readRegular(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
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

std::string base(const RecoverySlot& slot) { return slot.folder + slot.id; }

// Whether the name itself is a link (a symbolic link or a junction): opened
// as the reparse point it is, not as what it points to, and its attributes
// checked.
bool isLink(const std::string& path) {
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

void release(intptr_t& lock) {
    if (lock != -1) CloseHandle(reinterpret_cast<HANDLE>(lock));
    lock = -1;
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

RecoverySlot::RecoverySlot(RecoverySlot&& o) noexcept
    : folder(std::move(o.folder)), id(std::move(o.id)), lock(o.lock), written(o.written) {
    o.lock = -1;
}

RecoverySlot& RecoverySlot::operator=(RecoverySlot&& o) noexcept {
    if (this != &o) {
        release(lock);
        folder = std::move(o.folder);
        id = std::move(o.id);
        lock = o.lock;
        written = o.written;
        o.lock = -1;
    }
    return *this;
}

RecoverySlot::~RecoverySlot() { release(lock); }

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

bool writeRecoveryCopy(RecoverySlot& slot, const uint8_t* bytes, size_t size, const std::string& mapPath,
                       const FileStamp& stamp, int64_t changeTime, std::string* reason) {
    if (slot.lock == -1) return fail(reason, slot.folder, ERROR_INVALID_HANDLE);
    const std::string map = base(slot) + ".map", infoPath = base(slot) + ".info";
    // Someone's link at our names: said, not replaced, as on POSIX.
    for (const std::string* name : {&map, &infoPath})
        if (isLink(*name)) {
            if (reason) *reason = *name + " is a link";
            return false;
        }
    std::string why;
    const std::string info = recoveryInfoText(changeTime, mapPath, stamp);
    // The map first, as on POSIX; our own files, replaced only by the move.
    if (!saveFileSafely(map.c_str(), bytes, size, &why, SaveTarget::ownFile) ||
        !saveFileSafely(infoPath.c_str(), reinterpret_cast<const uint8_t*>(info.data()), info.size(), &why,
                        SaveTarget::ownFile)) {
        if (reason) *reason = why;
        return false;
    }
    slot.written = true;
    return true;
}

void removeRecoveryCopy(RecoverySlot& slot) {
    if (slot.id.empty()) return;
    DeleteFileA((base(slot) + ".map").c_str());
    DeleteFileA((base(slot) + ".info").c_str());
    slot.written = false;
}

void closeRecoverySlot(RecoverySlot& slot) {
    if (slot.id.empty()) return;
    removeRecoveryCopy(slot);
    release(slot.lock);  // closed first: a held file's name may outlive DeleteFileA
    DeleteFileA((base(slot) + ".lock").c_str());
    slot.id.clear();
}

std::vector<OrphanCopy> findOrphanCopies(const std::string& folder, size_t mapBytes) {
    std::vector<OrphanCopy> found;
    std::vector<std::string> ids;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "recovery-*.map").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::string name = entry.cFileName;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".map") == 0) ids.push_back(name.substr(0, name.size() - 4));
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    for (const std::string& id : ids) {
        OrphanCopy copy;
        copy.slot.folder = folder;
        copy.slot.id = id;
        HANDLE h = takeLock(folder + id + ".lock", OPEN_ALWAYS);
        if (!h) continue;
        copy.slot.lock = reinterpret_cast<intptr_t>(h);
        if (GetFileAttributesA((folder + id + ".map").c_str()) == INVALID_FILE_ATTRIBUTES &&
            GetLastError() == ERROR_FILE_NOT_FOUND) {
            closeRecoverySlot(copy.slot);
            continue;
        }
        std::vector<uint8_t> info;
        if (!readRegular(folder + id + ".map", mapBytes, copy.bytes) || copy.bytes.size() != mapBytes) continue;
        if (!readRegular(folder + id + ".info", 8192, info)) continue;
        if (!parseRecoveryInfo(std::string(info.begin(), info.end()), copy.changeTime, copy.mapPath, copy.stamp))
            continue;
        copy.slot.written = true;
        found.push_back(std::move(copy));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const OrphanCopy& a, const OrphanCopy& b) { return a.changeTime > b.changeTime; });
    return found;
}

void discardOrphanCopy(OrphanCopy& copy) { closeRecoverySlot(copy.slot); }
