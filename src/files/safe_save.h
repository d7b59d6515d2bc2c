// Writing a whole small file so that a failure never costs the old one. One
// implementation per platform (safe_save_posix.cpp, safe_save_win32.cpp),
// chosen by the build.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Caller: saveMap. Makes the file at `path` hold exactly `bytes`. True only
// when every byte reached the disk; on false an existing file keeps its old
// bytes, no temporary file of this save is left behind, and `reason` (when
// given) gets the system's words for the step that failed, one line with no
// final period ("Permission denied").
bool saveFileSafely(const char* path, const uint8_t* bytes, size_t size, std::string* reason = nullptr);
