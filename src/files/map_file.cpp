// Raw map files: width x height tile bytes, row by row, no header. The tile
// grid is column-major, so both directions transpose. Saving is in
// map_save.cpp.
#include "files/map_file.h"

#include <cstdio>
#include <vector>

#include "map/ground_map.h"

namespace {

// Bytes of one load; kept between calls so that a map of unchanged size
// costs no allocation.
std::vector<uint8_t> fileBytes;

}  // namespace

bool loadMap(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    GroundMap& map = workingMap;
    fileBytes.resize(static_cast<size_t>(map.width) * map.height);
    size_t got = std::fread(fileBytes.data(), 1, fileBytes.size(), file);
    // A folder opens on some systems but cannot be read: like a file that
    // cannot be opened, it leaves the map as it was.
    bool unreadable = got == 0 && std::ferror(file);
    std::fclose(file);
    if (unreadable) return false;
    // Cells past the end of a short file get the plain tile, which decodes to nothing.
    for (size_t i = got; i < fileBytes.size(); ++i) fileBytes[i] = kPlainTile;
    map.clear();
    // Each cell is decoded as soon as its byte is stored, in file order: the
    // shared lattice points depend on that order.
    for (int32_t y = 0; y < map.height; ++y) {
        for (int32_t x = 0; x < map.width; ++x) {
            map.tileAt(x, y) = fileBytes[y * map.width + x];
            map.decodeTile(x, y);
        }
    }
    return true;
}
