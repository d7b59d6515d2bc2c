// The recovery store's seam, private to src/files: what only the system can
// do, one definition per platform (recovery_store_posix.cpp,
// recovery_store_win32.cpp). The rest of the store, the same on every
// platform, is recovery_store.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/recovery_store.h"

namespace recovery_host {

// Closes the lock file and so drops its lock; -1 afterwards.
void release(intptr_t& lock);
// Puts "<what>: <the system's words for the last error>" in `reason`; false.
bool failWithLastError(std::string* reason, const std::string& what);
// Puts "<what>: <the system's words for a lock that is not held>"; false.
bool failNoLock(std::string* reason, const std::string& what);
// Whether the name itself is a link (the link, not what it points to).
bool isLink(const std::string& path);
// Removes a file, quietly.
void removeFile(const std::string& path);
// Removes the slot's lock file and releases its lock, in the order the
// system needs (a held file's name may outlive its removal on Windows).
void dropLockFile(RecoverySlot& slot);
// The ids of the copies in `folder`: names "recovery-*.map" without ".map".
std::vector<std::string> copyIds(const std::string& folder);
// Opens or creates the lock file at `path` and takes its lock without
// waiting; -1 when another holds it, or it is a link or no plain file.
intptr_t takeOrphanLock(const std::string& path);
// Whether no file at all stands at `path` (not merely one that cannot be read).
bool missing(const std::string& path);
// A regular file's whole bytes, at most `limit`; false for anything else,
// a FIFO or a link never opened through.
bool readRegular(const std::string& path, size_t limit, std::vector<uint8_t>& bytes);

}  // namespace recovery_host
