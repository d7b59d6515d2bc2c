// Map loader on arbitrary bytes.
#include "files/map_file.h"
#include "fuzz/fuzz_check.h"
#include "map/ground_map.h"

namespace {

// The map every input is loaded into, as the shell's working map.
GroundMap& loaded() {
    static GroundMap map(64, 64);
    return map;
}

VORN_UNINSTRUMENTED void checkLoaded(const uint8_t* data, size_t size) {
    const GroundMap& map = loaded();
    bool tilesOk = true, kindsOk = true;
    for (int32_t y = 0; y < map.height; ++y)
        for (int32_t x = 0; x < map.width; ++x) {
            size_t at = static_cast<size_t>(y * map.width + x);
            // The grids are read directly: the accessors, being instrumented,
            // would not be inlined here.
            tilesOk &= map.tiles[x * map.height + y] == (at < size ? data[at] : kPlainTile);
        }
    const int32_t points = (2 * map.width + 1) * (2 * map.height + 1);
    for (int32_t i = 0; i < points; ++i) kindsOk &= map.corners[i] <= 4;
    fuzzCheck(tilesOk, "every tile is the file's byte, or the plain tile past its end");
    fuzzCheck(kindsOk, "every lattice point holds a kind 0..4");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = (initPatternTable(), true);
    (void)ready;
    loadMapBytes(data, size, loaded());
    checkLoaded(data, size);
    return 0;
}
