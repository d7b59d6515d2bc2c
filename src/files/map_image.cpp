// The software picture of a map. The frame draws each cell as a textured
// square of 32 x 32 pixels at zoom 1 with nearest sampling, whole cells on
// whole pixels, so every pixel of the picture is one texel of an atlas (or of
// the height texture for tile objects); the mapping below is the one the
// frame's texture coordinates give at pixel centres.
#include "files/map_image.h"

#include <algorithm>
#include <cstring>

#include "files/reason.h"
#include "files/safe_save.h"
#include "files/sprite_table.h"
#include "files/texture_image.h"
#include "map/ground_map.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

constexpr int32_t kCell = kFullCellPixels;
constexpr int32_t kRowBytes = kAtlasSize * 3;

// The picture being drawn: c pixels a cell. Every cell of the full-size
// picture is one whole 32 x 32 block of a source (an atlas tile or sprite
// block, or a tile object's texels), so a thumbnail's block means never mix
// two cells: a thumbnail is drawn from sources shrunk the same way, which
// equals shrinking the full picture and spares drawing it.
struct Canvas {
    uint8_t* pixels;
    int32_t width;  // in pixels
    int32_t c;      // pixels a cell
};

// The atlas as the canvas needs it: itself at 32 pixels a cell, else shrunk.
struct Source {
    std::vector<uint8_t> shrunk;
    const uint8_t* pixels;
    int32_t side;
};
void prepare(const std::vector<uint8_t>& atlas, int32_t c, Source& source) {
    source.side = kAtlasSize * c / kCell;
    if (c == kCell) {
        source.pixels = atlas.data();
        return;
    }
    shrinkImage(atlas.data(), kAtlasSize, kAtlasSize, kCell / c, source.shrunk);
    source.pixels = source.shrunk.data();
}

// Copies the cell-sized block whose full-size top left is (ax, ay) to cell (cx, cy).
void copyBlock(const Source& source, int32_t ax, int32_t ay, const Canvas& canvas, int32_t cx, int32_t cy) {
    const int32_t c = canvas.c;
    const uint8_t* from = source.pixels + (static_cast<size_t>(ay / (kCell / c)) * source.side + ax / (kCell / c)) * 3;
    uint8_t* to = canvas.pixels + (static_cast<size_t>(cy) * c * canvas.width + static_cast<size_t>(cx) * c) * 3;
    for (int32_t row = 0; row < c; ++row)
        std::memcpy(to + static_cast<size_t>(row) * canvas.width * 3, from + static_cast<size_t>(row) * source.side * 3,
                    static_cast<size_t>(c) * 3);
}

bool inside(const GroundMap& map, int32_t x, int32_t y) { return x >= 0 && y >= 0 && x < map.width && y < map.height; }

void drawStructures(const GroundMap& map, const Source& sprites, const std::vector<StructureRecord>& structures,
                    const Canvas& canvas) {
    for (const StructureRecord& s : structures) {
        if (s.spriteIndex < 0 || s.spriteIndex >= kSpriteRowCount) continue;  // as the frame: skipped
        const SpriteRect& r = kSpriteRects[s.spriteIndex];
        const MapCell at = cellOfMapPosition(s.position);
        for (int32_t j = 0; j < r.h / kCell; ++j)
            for (int32_t i = 0; i < r.w / kCell; ++i) {
                const int32_t x = at.x + i, y = at.y + j;
                if (inside(map, x, y)) copyBlock(sprites, r.x + i * kCell, r.y + j * kCell, canvas, x, y);
            }
    }
}

// A tile object shows an 8 x 8 texel cell of the 128 x 128 height texture,
// each texel 4 x 4 pixels. The texture's rows count up from its first
// uploaded row at t = 0, the grid's rows down from t = 1; the texture clamps,
// so a grid row past either end shows the texture's edge row.
void drawTileObjects(const GroundMap& map, const std::vector<TileObjectRecord>& tileObjects,
                     const uint8_t* heightTexels, const Canvas& canvas) {
    std::vector<uint8_t> cell(kCell * kCell * 3), small;
    for (const TileObjectRecord& o : tileObjects) {
        const MapCell at = cellOfMapPosition(o.position);
        const int32_t x = at.x, y = at.y;
        if (!inside(map, x, y)) continue;
        const int32_t gridRow = o.texCell >> 4, gridColumn = o.texCell & 15;
        for (int32_t py = 0; py < kCell; ++py) {
            const int32_t texelRow = std::clamp(127 - gridRow * 8 - py / 4, 0, 127);
            uint8_t* to = &cell[static_cast<size_t>(py) * kCell * 3];
            for (int32_t px = 0; px < kCell; ++px) {
                const int32_t texelColumn = gridColumn * 8 + px / 4;
                const uint8_t grey = heightTexels ? heightTexels[3 * (texelRow * 128 + texelColumn)] : 0;
                to[3 * px] = to[3 * px + 1] = to[3 * px + 2] = grey;
            }
        }
        Source source{{}, cell.data(), kCell};
        if (canvas.c != kCell) {
            shrinkImage(cell.data(), kCell, kCell, kCell / canvas.c, small);
            source = Source{{}, small.data(), canvas.c};
        }
        copyBlock(source, 0, 0, canvas, x, y);
    }
}

}  // namespace

bool loadAtlasImage(const std::string& path, std::vector<uint8_t>& image, std::string* reason) {
    image.assign(kAtlasBytes, 255);
    std::vector<uint8_t> stored(kAtlasBytes);
    std::string refusal;
    if (!readAtlasPixels(path.c_str(), stored.data(), &refusal))
        return failBecause(reason, refusal.empty() ? "Could not read " + path + "." : refusal);
    clearReason(reason);
    atlasImageFromPixels(stored.data(), image);
    return true;
}

void atlasImageFromPixels(const uint8_t* stored, std::vector<uint8_t>& image) {
    image.resize(kAtlasBytes);
    // Stored bottom row first; the picture wants the top row first.
    for (int32_t row = 0; row < kAtlasSize; ++row)
        std::memcpy(image.data() + static_cast<size_t>(row) * kRowBytes,
                    stored + static_cast<size_t>(kAtlasSize - 1 - row) * kRowBytes, kRowBytes);
}

void shrinkImage(const uint8_t* rgb, int32_t w, int32_t h, int32_t factor, std::vector<uint8_t>& out) {
    const int32_t ow = w / factor, oh = h / factor;
    const uint32_t n = static_cast<uint32_t>(factor * factor);
    out.assign(static_cast<size_t>(ow) * oh * 3, 0);
    std::vector<uint32_t> sums(static_cast<size_t>(ow) * 3);
    for (int32_t oy = 0; oy < oh; ++oy) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int32_t dy = 0; dy < factor; ++dy) {
            const uint8_t* row = rgb + static_cast<size_t>(oy * factor + dy) * w * 3;
            for (int32_t ox = 0; ox < ow; ++ox) {
                uint32_t r = 0, g = 0, b = 0;
                const uint8_t* p = row + static_cast<size_t>(ox) * factor * 3;
                for (int32_t dx = 0; dx < factor; ++dx, p += 3) {
                    r += p[0];
                    g += p[1];
                    b += p[2];
                }
                sums[3 * ox] += r;
                sums[3 * ox + 1] += g;
                sums[3 * ox + 2] += b;
            }
        }
        uint8_t* to = out.data() + static_cast<size_t>(oy) * ow * 3;
        for (int32_t i = 0; i < ow * 3; ++i) to[i] = static_cast<uint8_t>((sums[i] + n / 2) / n);
    }
}

bool renderMapImage(const GroundMap& map, const MapArt& art, const MapObjects* objects, int32_t cellPixels,
                    std::vector<uint8_t>& rgb) {
    if (cellPixels < 1 || cellPixels > kCell || kCell % cellPixels != 0) return false;
    if (art.tiles.size() != static_cast<size_t>(kAtlasBytes) || art.sprites.size() != static_cast<size_t>(kAtlasBytes))
        return false;
    const int32_t w = map.width * cellPixels, h = map.height * cellPixels;
    rgb.assign(static_cast<size_t>(w) * h * 3, 0);
    const Canvas canvas{rgb.data(), w, cellPixels};
    Source tiles, sprites;
    prepare(art.tiles, cellPixels, tiles);
    for (int32_t y = 0; y < map.height; ++y)
        for (int32_t x = 0; x < map.width; ++x) {
            const uint8_t tile = map.tileAt(x, y);
            copyBlock(tiles, (tile & 15) * kCell, (tile >> 4) * kCell, canvas, x, y);
        }
    if (objects) {
        if (objects->structures && !objects->structures->empty()) {
            prepare(art.sprites, cellPixels, sprites);
            drawStructures(map, sprites, *objects->structures, canvas);
        }
        if (objects->tileObjects) drawTileObjects(map, *objects->tileObjects, objects->heightTexels, canvas);
    }
    return true;
}

bool encodePngImage(int32_t w, int32_t h, const std::vector<uint8_t>& rgb, std::vector<uint8_t>& png) {
    // Speed over size: the encoder's own search is most of a full-size
    // picture's time. Its shortest search (5), and rows unfiltered, which
    // for the atlas art costs about 5 % in size and saves a third of the time.
    stbi_write_png_compression_level = 5;
    stbi_write_force_png_filter = 0;
    png.clear();
    const auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    return stbi_write_png_to_func(append, &png, w, h, 3, rgb.data(), w * 3) != 0;
}

bool savePngImage(const char* path, int32_t w, int32_t h, const std::vector<uint8_t>& rgb, std::string* reason) {
    std::vector<uint8_t> png;
    if (!encodePngImage(w, h, rgb, png)) {
        if (reason) *reason = "The image could not be encoded";
        return false;
    }
    return saveFileSafely(path, png.data(), png.size(), reason);
}

bool encodePalettePng(int32_t w, int32_t h, const uint8_t* indices, const uint8_t* palette, int32_t count,
                      std::vector<uint8_t>& png) {
    if (count < 1 || count > 256) return false;
    // The encoder writes grey PNGs but no paletted ones; a grey image of the
    // indices has the same image data, so it becomes paletted by its header's
    // colour type and a palette chunk after the header. Rows unfiltered, as
    // palette images are best stored.
    stbi_write_png_compression_level = 5;
    stbi_write_force_png_filter = 0;
    std::vector<uint8_t> grey;
    const auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    if (!stbi_write_png_to_func(append, &grey, w, h, 1, indices, w)) return false;
    // Signature (8), then the header chunk: length, "IHDR", 13 bytes, CRC.
    constexpr size_t kHeaderType = 12, kColourType = 25, kHeaderCrc = 29, kAfterHeader = 33;
    if (grey.size() < kAfterHeader || std::memcmp(&grey[kHeaderType], "IHDR", 4) != 0 || grey[kColourType] != 0)
        return false;
    const auto putBe32 = [](uint8_t* at, uint32_t v) {
        for (int k = 0; k < 4; ++k) at[k] = static_cast<uint8_t>(v >> (24 - 8 * k));
    };
    grey[kColourType] = 3;
    putBe32(&grey[kHeaderCrc], stbiw__crc32(&grey[kHeaderType], 4 + 13));
    const size_t entries = 3 * static_cast<size_t>(count);
    std::vector<uint8_t> chunk(4 + 4 + entries + 4);
    putBe32(chunk.data(), static_cast<uint32_t>(entries));
    std::memcpy(&chunk[4], "PLTE", 4);
    std::memcpy(&chunk[8], palette, entries);
    putBe32(&chunk[8 + entries], stbiw__crc32(&chunk[4], static_cast<int>(4 + entries)));
    png.assign(grey.begin(), grey.begin() + kAfterHeader);
    png.insert(png.end(), chunk.begin(), chunk.end());
    png.insert(png.end(), grey.begin() + kAfterHeader, grey.end());
    return true;
}
