// Saving a map: its tiles in file order (row by row; the grid is
// column-major), handed to the safe save.
#include "files/map_file.h"

#include <vector>

#include "files/safe_save.h"
#include "map/ground_map.h"

void mapFileBytes(const GroundMap& map, std::vector<uint8_t>& bytes) {
    bytes.resize(static_cast<size_t>(map.width) * map.height);
    for (int32_t y = 0; y < map.height; ++y)
        for (int32_t x = 0; x < map.width; ++x) bytes[y * map.width + x] = map.tileAt(x, y);
}

bool saveMap(const char* path, const GroundMap& map, std::string* reason) {
    // Kept between calls so that a map of unchanged size costs no allocation.
    static std::vector<uint8_t> fileBytes;
    mapFileBytes(map, fileBytes);
    return saveFileSafely(path, fileBytes.data(), fileBytes.size(), reason);
}
