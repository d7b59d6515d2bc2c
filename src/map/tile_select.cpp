// Tile selection: edge codes for kinds 1 to 3, the kind-4 pattern search, and
// the layered choice of a cell's tile from its nine lattice points.
#include "map/ground_map.h"

int32_t kind4PatternTable[256];

namespace {

// The 41 tiles that show kind-4 shapes, with the 9-bit pattern of their kind-4 points.
struct PatternEntry {
    int tile;
    int32_t pattern;
};
constexpr PatternEntry kKind4Patterns[] = {
    {80, 0x00D},  {81, 0x164},  {82, 0x014},  {83, 0x06D},  {84, 0x04D},  {85, 0x015},
    {86, 0x010},  {87, 0x011},  {88, 0x004},  {89, 0x005},  {90, 0x160},  {91, 0x14D},
    {92, 0x169},  {93, 0x050},  {94, 0x150},  {95, 0x110},  {96, 0x01D},  {97, 0x134},
    {98, 0x170},  {99, 0x041},  {101, 0x024}, {102, 0x010}, {144, 0x120}, {145, 0x124},
    {146, 0x125}, {147, 0x100}, {148, 0x040}, {149, 0x140}, {150, 0x16C}, {151, 0x049},
    {152, 0x009}, {153, 0x001}, {154, 0x07D}, {155, 0x019}, {156, 0x01D}, {157, 0x149},
    {158, 0x16D}, {159, 0x1FF}, {168, 0x048}, {172, 0x051}, {176, 0x000},
};

constexpr int kTopSide = 0x007, kRightSide = 0x124, kBottomSide = 0x1C0, kLeftSide = 0x049;
constexpr int kCentre = 0x010;
constexpr int kMatchMask = 0x16D;         // corners and left/right midpoints
constexpr int kMatchWithCentre = 0x17D;

int popcount9(int v) {
    int n = 0;
    for (; v; v &= v - 1) ++n;
    return n;
}

}  // namespace

void initPatternTable() {
    for (int32_t& e : kind4PatternTable) e = -1;
    for (const PatternEntry& e : kKind4Patterns) kind4PatternTable[e.tile] = e.pattern;
}

int GroundMap::edgeCode(int32_t x, int32_t y, int32_t kind) const {
    int m = 0;
    for (int dy = 0; dy < 3; ++dy)
        for (int dx = 0; dx < 3; ++dx) {
            int v = cornerAt(2 * x + dx, 2 * y + dy);
            bool hit = kind == 2 ? (v == 2 || v == 3) : v == kind;
            if (hit) m |= 1 << (dx + 3 * dy);
        }
    if (kind == 4) {
        int best = 0, bestScore = 10;
        for (int i = 0; i < 256; ++i) {
            int p = kind4PatternTable[i];
            if (p == -1) continue;
            if (m & kMatchMask & ~p) continue;
            int score = popcount9((p ^ m) & kMatchMask);
            if (score < bestScore) {
                best = i;
                bestScore = score;
            }
        }
        int target = (kind4PatternTable[best] & kMatchMask) | (m & kCentre);
        for (int i = 0; i < 256; ++i) {
            int p = kind4PatternTable[i];
            if (p != -1 && (p & kMatchWithCentre) == target) best = i;
        }
        if (best == 156 && (m & 0x002)) best = 96;
        return kind4PatternTable[best] == 0 ? 0 : best;
    }
    int code = 0;
    if ((m & kTopSide) == kTopSide) code += 1;
    if ((m & kRightSide) == kRightSide) code += 2;
    if ((m & kBottomSide) == kBottomSide) code += 4;
    if ((m & kLeftSide) == kLeftSide) code += 8;
    if (kind == 1 && code == 0) return (m & kCentre) ? 16 : 0;
    if (!(m & kCentre)) {
        if (code == 3) code = 17;
        else if (code == 6) code = 18;
        else if (code == 9) code = 19;
        else if (code == 12) code = 20;
    }
    return code;
}

namespace {
// Tile of a kind-1..3 family for an edge code 1..20.
int familyTile(int kind, int code) {
    static const int kCornerBase[4] = {0, 60, 64, 68};  // codes 17..20
    static const int kSideBase[4] = {0, 128, 176, 192};  // codes 1..15 (and 16 for kind 1)
    if (code >= 17) return kCornerBase[kind] + (code - 17);
    if (code == 16) return 128;
    return kSideBase[kind] + code;
}
}  // namespace

void GroundMap::selectTile(int32_t x, int32_t y) {
    int tile = kPlainTile;
    for (int kind = 1; kind <= 3; ++kind) {
        int c = edgeCode(x, y, kind);
        if (c != 0) tile = familyTile(kind, c);
    }
    bool anyFour = false;
    for (int dy = 0; dy < 3; ++dy)
        for (int dx = 0; dx < 3; ++dx)
            if (cornerAt(2 * x + dx, 2 * y + dy) == 4) anyFour = true;
    if (anyFour) {
        int r = edgeCode(x, y, 4);
        if (r != 0) tile = r;
    }
    tileAt(x, y) = static_cast<uint8_t>(tile);
}
