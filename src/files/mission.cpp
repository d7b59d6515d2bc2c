// Mission file reader: walks the tagged records and keeps structures and tile
// objects; every other record is skipped by its known length.
#include "files/mission.h"

#include <cstdio>

std::vector<StructureRecord> structureList;
std::vector<TileObjectRecord> tileObjectList;

namespace {

// Sequential reader over an open file. Every read reports whether all of its
// bytes arrived, so a record cut short by the end of the file is never taken
// for a whole one. Skips seek, so they may land past the end; the next read
// then fails and reading ends.
struct MissionBytes {
    FILE* file;

    bool byte(uint8_t& out) {
        int c = std::fgetc(file);
        if (c == EOF) return false;
        out = static_cast<uint8_t>(c);
        return true;
    }
    // A 16-bit big-endian number, unsigned.
    bool word(uint16_t& out) {
        uint8_t hi, lo;
        if (!byte(hi) || !byte(lo)) return false;
        out = static_cast<uint16_t>(hi << 8 | lo);
        return true;
    }
    // Values 0x8000..0xFFFF become negative.
    bool value(int16_t& out) {
        uint16_t w;
        if (!word(w)) return false;
        out = static_cast<int16_t>(w);
        return true;
    }
    // Skips `count` bytes; a skip that runs out of file ends the reading.
    bool skip(long count) {
        if (std::fseek(file, count, SEEK_CUR) != 0) return false;
        return true;
    }
    // Reads and discards `count` bytes (bodies the grammar reads rather than seeks).
    bool discard(int count) {
        uint8_t b;
        for (int i = 0; i < count; ++i)
            if (!byte(b)) return false;
        return true;
    }
};

// One record body after its type and sub byte. False when the file ended
// inside it (the record is then not kept).
bool readBody(MissionBytes& in, uint8_t type, uint8_t sub) {
    switch (type) {
    case 0:
        if (sub <= 2) {
            uint16_t n;
            return in.word(n) && in.skip(n);
        }
        if (sub <= 8) return in.discard(2);
        return true;
    case 1:
        if (sub == 'B' || sub == 'F') {
            uint16_t n;
            return in.word(n) && in.skip(2L * n);
        }
        if (sub == 'S') return in.discard(2);
        return true;
    case 2:
    case 3:
    case 4:
    case 5:
        if (sub == 'B' || sub == 'C' || sub == 'M' || sub == 'Q') return in.discard(2);
        return true;
    case 6:
        return in.discard(2);
    case 7:
        return in.skip(10);
    case 8: {
        TileObjectRecord r{};
        if (!in.value(r.word0) || !in.value(r.texCell) || !in.value(r.word2) ||
            !in.value(r.position) || !in.value(r.word4) || !in.value(r.word5))
            return false;
        tileObjectList.push_back(r);
        return true;
    }
    case 9: {
        // The short form (sub byte G) carries position, word1 and spriteIndex
        // only; the fields it lacks stay 0.
        StructureRecord r{};
        bool whole = sub == 'G'
            ? in.value(r.position) && in.value(r.word1) && in.value(r.spriteIndex)
            : in.value(r.word0) && in.value(r.word1) && in.value(r.spriteIndex) &&
              in.value(r.word3) && in.value(r.position);
        if (!whole) return false;
        structureList.push_back(r);
        return true;
    }
    case 10:
        return in.discard(8);
    default:  // 11..127: header only
        return true;
    }
}

}  // namespace

bool readMission(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    MissionBytes in{file};
    uint8_t type, sub;
    bool more = in.byte(type);
    // A folder opens on some systems but cannot be read: treat it as a file
    // that cannot be opened, as other systems do, and keep the lists.
    if (!more && std::ferror(file)) {
        std::fclose(file);
        return false;
    }
    tileObjectList.clear();
    structureList.clear();
    for (; more; more = in.byte(type)) {
        if (!in.byte(sub)) break;  // cut inside the header: nothing to keep
        if (type >= 128) break;
        if (!readBody(in, type, sub)) break;
    }
    std::fclose(file);
    return true;
}
