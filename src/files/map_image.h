// The map as a picture without OpenGL: the tile layer and the mission objects
// drawn in software exactly as the editor's frame shows them at zoom 1, and
// the picture written as a PNG file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/mission.h"

struct GroundMap;

// Pixels a cell takes at full size (the frame at zoom 1).
constexpr int32_t kFullCellPixels = 32;

// The two atlases as images: 512 x 512 RGB, top row first.
struct MapArt {
    std::vector<uint8_t> tiles;
    std::vector<uint8_t> sprites;
};

// Callers: the map tool and the editor's export. `image` becomes the atlas
// file at `path` as the editor's texture reads it (readAtlasPixels), top row
// first. A file that cannot be read, or an image of another size, leaves it
// white, as the frame draws without its texture: false then, with the words
// for the user in the reason (files/reason.h).
bool loadAtlasImage(const std::string& path, std::vector<uint8_t>& image, std::string* reason);
// Callers: loadAtlasImage and the editor's start-up, which keeps the atlases
// it loaded. `image` becomes the atlas of `stored` (kAtlasBytes as
// readAtlasPixels gives them, bottom row first), top row first.
void atlasImageFromPixels(const uint8_t* stored, std::vector<uint8_t>& image);

// What is drawn over the tile layer; heightTexels (128 x 128 x 3 as
// heightsToGreyTexels makes them, or nullptr for all black) feed the tile objects.
struct MapObjects {
    const std::vector<StructureRecord>* structures;
    const std::vector<TileObjectRecord>* tileObjects;
    const uint8_t* heightTexels;
};

// Callers: the map tool, the editor's export, tests and benchmarks. The whole
// map as RGB rows, top first, cellPixels (32, 16, 8, 4, 2 or 1) a cell: at 32
// the tiles copied from the atlas and, when `objects` is given, the structures
// and then the tile objects over them, each pixel as the frame at zoom 1 shows
// it; smaller, each pixel the mean of the 32 / cellPixels square block it
// covers, rounded to nearest. Returns false (rgb untouched) for another size,
// or atlases that are not 512 x 512 RGB.
bool renderMapImage(const GroundMap& map, const MapArt& art, const MapObjects* objects, int32_t cellPixels,
                    std::vector<uint8_t>& rgb);

// Caller: renderMapImage, shrinking its sources for a thumbnail. `out`
// becomes the w / factor x h / factor image of block means (rounded to nearest).
void shrinkImage(const uint8_t* rgb, int32_t w, int32_t h, int32_t factor, std::vector<uint8_t>& out);

// Callers: the map tool and the editor's export. Writes w x h RGB rows as an
// 8-bit PNG through the safe save: true only when every byte reached the
// disk; otherwise the old file stays as it was and `reason` gets the system's
// words.
bool savePngImage(const char* path, int32_t w, int32_t h, const std::vector<uint8_t>& rgb, std::string* reason);
// Callers: savePngImage and the map tool. `png` becomes the bytes of that
// PNG file; false when the encoder refuses.
bool encodePngImage(int32_t w, int32_t h, const std::vector<uint8_t>& rgb, std::vector<uint8_t>& png);
// Caller: vorn-map kinds. `png` becomes a w x h PNG of colour type 3 whose
// pixel (x, y) is palette entry indices[y * w + x], with exactly `count`
// entries (`palette`: count RGB triples, 1..256 of them); every index must be
// below count. False, `png` unspecified, when it cannot be encoded.
bool encodePalettePng(int32_t w, int32_t h, const uint8_t* indices, const uint8_t* palette, int32_t count,
                      std::vector<uint8_t>& png);
