// Recovery copies of unsaved maps: one per running editor, in a per-user
// folder, each held under a lock while its editor runs, so that a copy whose
// lock nobody holds is known to belong to an editor that died. A copy is
// three files: <id>.lock (held, never replaced: the copy itself is replaced
// by the safe save's rename, which would drop a lock taken on it),
// <id>.map (the map's bytes as a save writes them) and <id>.info (the time
// of the change, the current file's path and, when the editor knew it, that
// file's stamp as last opened or saved, one line each). Nothing at these
// names is ever followed: a link there is refused, and the copies replace
// their names by rename alone. The store is recovery_store.cpp over a seam
// of system calls (recovery_store_host.h) with one implementation per
// platform (recovery_store_posix.cpp, recovery_store_win32.cpp), chosen by
// the build.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/file_identity.h"

// Caller: the shell at start. The per-user folder for copies, ending in a
// separator: $XDG_STATE_HOME/vorngroundeditor/ (an unset or relative
// XDG_STATE_HOME means ~/.local/state/) or %LOCALAPPDATA%\VornGroundEditor\.
// Empty when the environment names no home; `reason` then says why.
std::string recoveryFolder(std::string* reason = nullptr);

// One editor's own copy. Movable, not copyable: it owns the lock.
struct RecoverySlot {
    std::string folder;   // ends in a separator
    std::string id;       // the three files' common name
    intptr_t lock = -1;   // the held lock file (descriptor or HANDLE); -1 none
    bool written = false; // a copy is on disk
    RecoverySlot() = default;
    RecoverySlot(RecoverySlot&& other) noexcept;
    RecoverySlot& operator=(RecoverySlot&& other) noexcept;
    RecoverySlot(const RecoverySlot&) = delete;
    RecoverySlot& operator=(const RecoverySlot&) = delete;
    ~RecoverySlot();  // releases the lock, leaving the files (as a crash would)
};

// Caller: the shell at start. Creates `folder` (and its parents) if needed,
// removes temporaries that killed saves left there, makes a new lock file and
// takes its lock. False, with the system's words in `reason`, when the folder
// cannot be created or written.
bool openRecoverySlot(const std::string& folder, RecoverySlot& slot, std::string* reason);

// Caller: the shell, after a finished change. Replaces the slot's copy with
// `bytes` and the info (`changeTime` seconds since 1970, `mapPath`, its
// `stamp`), each through the safe save: a kill at any moment leaves the old
// or the new copy. A link at either name is refused: false, with "<name> is
// a link" in `reason`, and nothing written through it.
bool writeRecoveryCopy(RecoverySlot& slot, const uint8_t* bytes, size_t size, const std::string& mapPath,
                       const FileStamp& stamp, int64_t changeTime, std::string* reason);

// Caller: the shell when the work is safe (saved, undone to the saved state).
// Removes the copy and its info, keeping the lock.
void removeRecoveryCopy(RecoverySlot& slot);

// Caller: the shell at a normal quit. Removes all three files and the lock.
void closeRecoverySlot(RecoverySlot& slot);

// A copy left by an editor that died, locked by this process until it is
// adopted, discarded or dropped (the destructor releases the lock and leaves
// the files).
struct OrphanCopy {
    RecoverySlot slot;            // its files and the lock now held by us
    std::vector<uint8_t> bytes;   // exactly the map's bytes
    std::string mapPath;          // "" for a map never saved
    FileStamp stamp;              // mapPath's file as its editor last opened or saved it; unknown if not said
    int64_t changeTime = 0;       // seconds since 1970
};

// Caller: the shell at start, before its questions. Every copy in `folder`
// whose lock nobody holds, newest first, each now locked by the caller.
// Copies that are not `mapBytes` long, cannot be read, are not regular files
// (a FIFO, a link) or whose info is not a time, a path and an optional stamp
// line are passed over and left as they are.
std::vector<OrphanCopy> findOrphanCopies(const std::string& folder, size_t mapBytes);

// Caller: the shell after No, or after the map was recovered. Removes the
// orphan's files and releases its lock.
void discardOrphanCopy(OrphanCopy& copy);

// The info file's text and its reading, shared by both platforms' stores.
// Reading refuses anything but a decimal time line, a path line without
// control characters (a path of any length the host allows, up to 4095
// bytes) and, written only for a known stamp, a line "stamp D F S M" of its
// device, file number, size and last write. An info of two lines (as
// editors before stamps wrote them) reads with the stamp unknown.
std::string recoveryInfoText(int64_t changeTime, const std::string& mapPath, const FileStamp& stamp);
bool parseRecoveryInfo(const std::string& text, int64_t& changeTime, std::string& mapPath, FileStamp& stamp);
