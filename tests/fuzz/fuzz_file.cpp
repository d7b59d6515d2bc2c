#include "fuzz/fuzz_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

const char* fuzzFilePath(const uint8_t* data, size_t size) {
    // An anonymous in-memory file leaves nothing behind when a fuzzer is
    // killed, and its /proc path opens afresh at offset 0 for every reader.
    static int fd = -1;
    static char path[64];
    if (fd < 0) {
        fd = memfd_create("vorn-fuzz", MFD_CLOEXEC);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    fuzzCheck(ftruncate(fd, 0) == 0, "ftruncate");
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        fuzzCheck(n > 0, "pwrite");
        done += static_cast<size_t>(n);
    }
    return path;
}

void fuzzCheck(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}
