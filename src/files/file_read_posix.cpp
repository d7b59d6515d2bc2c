// readWholeFile on POSIX systems. A plain open of a FIFO waits for a writer
// and a read of a terminal waits for input, so the file is opened with
// O_NONBLOCK and its type checked before anything is read.
#include "files/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Growth step for files whose size fstat does not tell (pipes, devices).
constexpr size_t kChunk = 64 * 1024;

// Reads until `limit` bytes, the end, or a read that fails. False only when
// nothing could be read because the read failed or would wait.
bool readAll(int fd, size_t limit, size_t sizeHint, std::vector<uint8_t>& bytes) {
    bytes.resize(std::min(limit, sizeHint));
    size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got == limit) break;
            bytes.resize(std::min(limit, std::max(got * 2, got + kChunk)));
        }
        ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            bytes.clear();  // a writer that has not finished: not a whole file
            return false;
        }
        if (n <= 0) {
            bytes.resize(got);
            return !(n < 0 && got == 0);
        }
        got += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

FileRead readWholeFile(const char* path, size_t limit, bool regularOnly, std::vector<uint8_t>& bytes) {
    bytes.clear();
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return FileRead::CannotRead;
    struct stat st;
    bool known = fstat(fd, &st) == 0;
    bool regular = known && S_ISREG(st.st_mode);
    FileRead result = FileRead::CannotRead;
    if (regular || (known && !regularOnly && !S_ISDIR(st.st_mode))) {
        // One more byte than the limit tells whether the file goes on.
        size_t hint = regular && st.st_size >= 0 ? static_cast<size_t>(st.st_size) : kChunk;
        if (readAll(fd, limit == SIZE_MAX ? limit : limit + 1, hint, bytes)) {
            result = FileRead::Read;
            if (bytes.size() > limit) {
                bytes.resize(limit);
                result = FileRead::Longer;
            }
        }
    }
    close(fd);
    return result;
}

bool isReadableRegularFile(const char* path) {
    struct stat st;
    // stat first: a FIFO or device is never opened, not even without waiting.
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    // Still a regular file: the name may have been replaced since the stat.
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return regular;
}
