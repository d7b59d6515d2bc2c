// Reading an atlas bitmap's pixels (the OpenGL upload lives with the renderer).
#include "files/texture_image.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {
// The bitmap headers in front of the pixels are skipped unread.
constexpr long kHeaderBytes = 54;
}  // namespace

bool readAtlasPixels(const char* path, uint8_t* rgb) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    size_t got = 0;
    if (std::fseek(file, kHeaderBytes, SEEK_SET) == 0)
        got = std::fread(rgb, 1, kAtlasBytes, file);
    // A folder opens on some systems but reads nothing: it counts as a file
    // that cannot be opened, so the caller gets no texture rather than a black one.
    bool unreadable = got == 0 && std::ferror(file);
    std::fclose(file);
    if (unreadable) return false;
    // A short file leaves its missing pixels black instead of undefined.
    std::memset(rgb + got, 0, kAtlasBytes - got);
    for (size_t i = 0; i < static_cast<size_t>(kAtlasBytes); i += 3) std::swap(rgb[i], rgb[i + 2]);
    return true;
}
