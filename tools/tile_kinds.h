// Which terrain each tile of the tile atlas shows: the kinds of its nine
// lattice points (bit dx + 3 * dy, top row first), as the map loader reads
// tiles back into points. Header-only so the tests can check it against the
// editor's own decoding.
#pragma once
#include <cstdint>

namespace art {

// Tiles with a kind-4 pattern (points of kind 4; the rest are kind 0).
struct Kind4Entry {
    int32_t tile;
    int32_t pattern;
};
constexpr Kind4Entry kKind4Patterns[] = {
    {80, 0x00D},  {81, 0x164},  {82, 0x014},  {83, 0x06D},  {84, 0x04D},  {85, 0x015},  {86, 0x010},
    {87, 0x011},  {88, 0x004},  {89, 0x005},  {90, 0x160},  {91, 0x14D},  {92, 0x169},  {93, 0x050},
    {94, 0x150},  {95, 0x110},  {96, 0x01D},  {97, 0x134},  {98, 0x170},  {99, 0x041},  {101, 0x024},
    {102, 0x010}, {144, 0x120}, {145, 0x124}, {146, 0x125}, {147, 0x100}, {148, 0x040}, {149, 0x140},
    {150, 0x16C}, {151, 0x049}, {152, 0x009}, {153, 0x001}, {154, 0x07D}, {155, 0x019}, {156, 0x01D},
    {157, 0x149}, {158, 0x16D}, {159, 0x1FF}, {168, 0x048}, {172, 0x051}, {176, 0x000},
};

// Points covered by an edge code's sides (1 top, 2 right, 4 bottom, 8 left),
// plus the centre unless a single side is covered.
constexpr int32_t codePattern(int32_t code) {
    int32_t p = 0;
    if (code & 1) p |= 0x007;
    if (code & 2) p |= 0x124;
    if (code & 4) p |= 0x1C0;
    if (code & 8) p |= 0x049;
    if (code != 1 && code != 2 && code != 4 && code != 8) p |= 0x010;
    return p;
}

// Two sides covered around an empty centre: tiles 60..71, four per kind.
constexpr int32_t kCornerPatterns[4] = {0x127, 0x1E4, 0x04F, 0x1C9};

// Fills kinds[9] and returns true for every tile that shows terrain; false
// (kinds untouched) for a tile no rule gives a kind. Tile 192, the corner
// overlay's picture of kind 2, is drawn as kind 2 over the whole cell.
inline bool tilePoints(int32_t tile, int32_t kinds[9]) {
    int32_t kind = -1;
    int32_t pattern = 0;
    for (const Kind4Entry& e : kKind4Patterns) {
        if (e.tile == tile) {
            kind = 4;
            pattern = e.pattern;
        }
    }
    if (kind < 0) {
        if (tile >= 60 && tile <= 71) {
            kind = 1 + (tile - 60) / 4;
            pattern = kCornerPatterns[(tile - 60) % 4];
        } else if (tile == 128) {
            kind = 1;
            pattern = 0x010;
        } else if (tile >= 129 && tile <= 143) {
            kind = 1;
            pattern = codePattern(tile - 128);
        } else if (tile >= 177 && tile <= 191) {
            kind = 2;
            pattern = codePattern(tile - 176);
        } else if (tile == 192) {
            kind = 2;
            pattern = 0x1FF;
        } else if (tile >= 193 && tile <= 207) {
            kind = 3;
            pattern = codePattern(tile - 192);
        }
    }
    if (kind < 0) return false;
    // Kind 3 only ever lies amid kind 2, so its tiles sit on kind 2, not on plain ground.
    const int32_t rest = kind == 3 ? 2 : 0;
    for (int32_t b = 0; b < 9; ++b) kinds[b] = (pattern >> b) & 1 ? kind : rest;
    return true;
}

}  // namespace art
