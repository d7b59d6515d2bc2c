// Raw map files: width x height tile bytes, row by row, no header. The tile
// grid is column-major, so both directions transpose. Saving is in
// map_save.cpp.
#include "files/map_file.h"

#include <vector>

#include "files/file_read.h"
#include "map/ground_map.h"

namespace {

// Bytes of one load; kept between calls so that a map of unchanged size
// costs no allocation.
std::vector<uint8_t> fileBytes;

}  // namespace

void loadMapBytes(const uint8_t* bytes, size_t size, GroundMap& map) {
    map.clear();
    // Each cell is decoded as soon as its byte is stored, in file order: the
    // shared lattice points depend on that order. Cells past the end of a
    // short file get the plain tile, which decodes to nothing.
    for (int32_t y = 0; y < map.height; ++y) {
        for (int32_t x = 0; x < map.width; ++x) {
            size_t at = static_cast<size_t>(y) * map.width + x;
            map.tileAt(x, y) = at < size ? bytes[at] : kPlainTile;
            map.decodeTile(x, y);
        }
    }
}

bool loadMap(const char* path, GroundMap& map) {
    // A map has a fixed size: anything but a regular file (a FIFO, a device)
    // is refused, and a folder cannot be read; both leave the map as it was.
    // A longer file gives its first width x height bytes.
    if (readWholeFile(path, static_cast<size_t>(map.width) * map.height, true, fileBytes) == FileRead::CannotRead)
        return false;
    loadMapBytes(fileBytes.data(), fileBytes.size(), map);
    return true;
}
