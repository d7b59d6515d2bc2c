// Writing a whole small file so that a failure never costs the old one. One
// implementation per platform (safe_save_posix.cpp, safe_save_win32.cpp),
// chosen by the build.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Whose file a save writes, which decides what it does with what it finds.
enum class SaveTarget {
    // A file the user named: a link is followed to the file it points to, a
    // FIFO or device is written as it is (as far as it takes the bytes at
    // once), and a file a rename would part from its other names, its owner
    // or a folder we may not create files in is written in place.
    userFile,
    // A file of the program's own, in its own folder (the recovery copies):
    // whatever is at the name (a link, a FIFO, a file with other names) is
    // only ever replaced by the rename, never opened or written through.
    ownFile,
};

// Callers: saveMap, the picture export and the recovery store. Makes the file
// at `path` hold exactly `bytes`. True only when every byte reached the disk;
// on false an existing file keeps its old bytes, no temporary file of this
// save is left behind, and `reason` (when given) gets the system's words for
// the step that failed, one line with no final period ("Permission denied").
bool saveFileSafely(const char* path, const uint8_t* bytes, size_t size, std::string* reason = nullptr,
                    SaveTarget target = SaveTarget::userFile);

// Caller: the recovery store at start. Removes the temporary files that saves
// killed part-way left in `folder` (ending in a separator): only names of the
// safe save's own pattern, only files, only those whose process has ended.
// Each save tidies its own folder so; this reaches a folder no save has
// written in since.
void removeEndedSaveTemporaries(const std::string& folder);
