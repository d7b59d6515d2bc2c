// The reference auto-tiler: each operation is the rule as written, in order.
#include "reference/ground_map_reference.h"

namespace reference {

namespace {
constexpr int32_t buildEntry(int t) {
    switch (t) {
        case 80: return 0x00D;  case 81: return 0x164;  case 82: return 0x014;
        case 83: return 0x06D;  case 84: return 0x04D;  case 85: return 0x015;
        case 86: return 0x010;  case 87: return 0x011;  case 88: return 0x004;
        case 89: return 0x005;  case 90: return 0x160;  case 91: return 0x14D;
        case 92: return 0x169;  case 93: return 0x050;  case 94: return 0x150;
        case 95: return 0x110;  case 96: return 0x01D;  case 97: return 0x134;
        case 98: return 0x170;  case 99: return 0x041;  case 101: return 0x024;
        case 102: return 0x010; case 144: return 0x120; case 145: return 0x124;
        case 146: return 0x125; case 147: return 0x100; case 148: return 0x040;
        case 149: return 0x140; case 150: return 0x16C; case 151: return 0x049;
        case 152: return 0x009; case 153: return 0x001; case 154: return 0x07D;
        case 155: return 0x019; case 156: return 0x01D; case 157: return 0x149;
        case 158: return 0x16D; case 159: return 0x1FF; case 168: return 0x048;
        case 172: return 0x051; case 176: return 0x000;
        default: return -1;
    }
}
struct Table {
    int32_t v[256];
};
constexpr Table buildTable() {
    Table t{};
    for (int i = 0; i < 256; ++i) t.v[i] = buildEntry(i);
    return t;
}
constexpr Table kTable = buildTable();

int bitsIn(int v) {
    int n = 0;
    for (int b = 0; b < 9; ++b)
        if (v & (1 << b)) ++n;
    return n;
}
}  // namespace

const int32_t kind4Patterns[256] = {
#define R(i) kTable.v[i]
#define R8(i) R(i), R(i + 1), R(i + 2), R(i + 3), R(i + 4), R(i + 5), R(i + 6), R(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R8
#undef R
};

RefGroundMap::RefGroundMap(int32_t w, int32_t h)
    : width(w), height(h), tiles(w * h), corners((2 * w + 1) * (2 * h + 1)) {
    clear();
}

void RefGroundMap::clear() {
    for (auto& t : tiles) t = 176;
    for (auto& c : corners) c = 0;
}

int RefGroundMap::edgeCode(int32_t x, int32_t y, int32_t kind) const {
    // Kind mask: bit dx + 3 * dy set when the point holds the kind (kind 2 counts 3 too).
    int m = 0;
    for (int dx = 0; dx < 3; ++dx)
        for (int dy = 0; dy < 3; ++dy) {
            int v = corner(2 * x + dx, 2 * y + dy);
            if (v == kind || (kind == 2 && v == 3)) m |= 1 << (dx + 3 * dy);
        }
    if (kind == 4) {
        int best = 0, bestScore = 10;
        for (int i = 0; i <= 255; ++i) {
            int p = kind4Patterns[i];
            if (p == -1) continue;
            bool uncovered = false;
            for (int b = 0; b < 9; ++b)
                if ((0x16D & (1 << b)) && (m & (1 << b)) && !(p & (1 << b))) uncovered = true;
            if (uncovered) continue;
            int score = bitsIn((p ^ m) & 0x16D);
            if (score < bestScore) {
                best = i;
                bestScore = score;
            }
        }
        int target = (kind4Patterns[best] & 0x16D) | (m & 0x010);
        for (int i = 0; i <= 255; ++i) {
            int p = kind4Patterns[i];
            if (p != -1 && (p & 0x17D) == target) best = i;
        }
        if (best == 156 && (m & 0x002)) best = 96;
        if (kind4Patterns[best] == 0) return 0;
        return best;
    }
    int code = 0;
    if ((m & 0x007) == 0x007) code += 1;
    if ((m & 0x124) == 0x124) code += 2;
    if ((m & 0x1C0) == 0x1C0) code += 4;
    if ((m & 0x049) == 0x049) code += 8;
    if (kind == 1 && code == 0) return (m & 0x010) ? 16 : 0;
    if (!(m & 0x010)) {
        if (code == 3) return 17;
        if (code == 6) return 18;
        if (code == 9) return 19;
        if (code == 12) return 20;
    }
    return code;
}

void RefGroundMap::selectTile(int32_t x, int32_t y) {
    int t = 176;
    int c1 = edgeCode(x, y, 1);
    if (c1 >= 1 && c1 <= 15) t = 128 + c1;
    if (c1 == 16) t = 128;
    if (c1 >= 17) t = 60 + (c1 - 17);
    int c2 = edgeCode(x, y, 2);
    if (c2 >= 1 && c2 <= 15) t = 176 + c2;
    if (c2 >= 17) t = 64 + (c2 - 17);
    int c3 = edgeCode(x, y, 3);
    if (c3 >= 1 && c3 <= 15) t = 192 + c3;
    if (c3 >= 17) t = 68 + (c3 - 17);
    bool four = false;
    for (int dx = 0; dx < 3; ++dx)
        for (int dy = 0; dy < 3; ++dy)
            if (corner(2 * x + dx, 2 * y + dy) == 4) four = true;
    if (four) {
        int r = edgeCode(x, y, 4);
        if (r != 0) t = r;
    }
    tile(x, y) = static_cast<uint8_t>(t);
}

void RefGroundMap::paintCorner(int32_t px, int32_t py, int32_t kind) {
    corner(px, py) = static_cast<uint8_t>(kind);
    int32_t cx = px / 2, cy = py / 2;
    const int32_t order[4][2] = {{cx, cy}, {cx - 1, cy}, {cx, cy - 1}, {cx - 1, cy - 1}};
    for (auto& c : order) {
        if (c[0] < 0 || c[1] < 0 || c[0] >= width || c[1] >= height) continue;
        repairCell(c[0], c[1], kind);
    }
}

void RefGroundMap::repairCell(int32_t x, int32_t y, int32_t kind) {
    int c = 0;
    if (kind != 0) c = edgeCode(x, y, kind);
    if (c != 0) {
        for (int dx = 0; dx <= 2; ++dx)
            for (int dy = 0; dy <= 2; ++dy) {
                int32_t px = 2 * x + dx, py = 2 * y + dy;
                int v = corner(px, py);
                int bit = 1 << (dx + 3 * dy);
                bool plus = (0x0BA & bit) != 0;
                if (kind == 4) {
                    if (plus && v != 0 && v != 4) paintCorner(px, py, 0);
                } else {
                    int allowed = kind == 1 ? 3 : kind == 2 ? 13 : 12;
                    int repairKind = kind == 3 ? 2 : 0;
                    if (!(allowed & (1 << v)) && (plus || kind == 3 || v == 4))
                        paintCorner(px, py, repairKind);
                }
            }
    }
    for (int i = -1; i <= 1; ++i)
        for (int j = -1; j <= 1; ++j) {
            int32_t nx = x + i, ny = y + j;
            if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
            selectTile(nx, ny);
        }
}

void RefGroundMap::decodeTile(int32_t x, int32_t y) {
    int t = tile(x, y);
    int K = -1, P = 0;
    auto codePattern = [](int code) {
        int p = 0;
        if (code & 1) p |= 0x007;
        if (code & 2) p |= 0x124;
        if (code & 4) p |= 0x1C0;
        if (code & 8) p |= 0x049;
        if (code != 1 && code != 2 && code != 4 && code != 8) p |= 0x010;
        return p;
    };
    const int twoSides[4] = {0x127, 0x1E4, 0x04F, 0x1C9};
    if (t >= 60 && t <= 63) K = 1, P = twoSides[t - 60];
    if (t >= 64 && t <= 67) K = 2, P = twoSides[t - 64];
    if (t >= 68 && t <= 71) K = 3, P = twoSides[t - 68];
    if (t == 128) K = 1, P = 0x010;
    if (t >= 129 && t <= 143) K = 1, P = codePattern(t - 128);
    if (t >= 177 && t <= 191) K = 2, P = codePattern(t - 176);
    if (t >= 193 && t <= 207) K = 3, P = codePattern(t - 192);
    if (kind4Patterns[t] != -1) K = 4, P = kind4Patterns[t];
    if (K == -1) return;
    for (int dx = 0; dx <= 2; ++dx)
        for (int dy = 0; dy <= 2; ++dy) {
            uint8_t& v = corner(2 * x + dx, 2 * y + dy);
            if (P & (1 << (dx + 3 * dy))) {
                if (K == 2 && v == 3) continue;
                v = static_cast<uint8_t>(K);
            } else if (K == 3) {
                v = 2;
            }
        }
}

}  // namespace reference
