// Mission file reader: walks the tagged records and keeps structures and tile
// objects; every other record is skipped by its known length.
#include "files/mission.h"

#include "files/file_read.h"
#include "files/reason.h"

namespace {

// Sequential reader over the file's bytes. Every read reports whether all of
// its bytes were there, so a record cut short by the end of the file is never
// taken for a whole one. A skip past the end leaves the reader at the end; the
// next read then fails and reading ends, as a seek past the end of the file did.
struct MissionBytes {
    const uint8_t* data;
    size_t size;
    size_t at;

    bool byte(uint8_t& out) {
        if (at >= size) return false;
        out = data[at++];
        return true;
    }
    // A 16-bit big-endian number, unsigned.
    bool word(uint16_t& out) {
        if (size - at < 2) {
            at = size;
            return false;
        }
        out = static_cast<uint16_t>(data[at] << 8 | data[at + 1]);
        at += 2;
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
    bool skip(size_t count) {
        at = size - at < count ? size : at + count;
        return true;
    }
    // Reads and discards `count` bytes (bodies the grammar reads rather than
    // skips): false when the file ends inside them.
    bool discard(size_t count) {
        if (size - at < count) {
            at = size;
            return false;
        }
        at += count;
        return true;
    }
};

// The lists being filled; they replace the caller's only when the whole
// file was within the bounds. Kept between reads for their storage.
std::vector<StructureRecord> newStructures;
std::vector<TileObjectRecord> newTileObjects;

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
            return in.word(n) && in.skip(2 * size_t{n});
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
        newTileObjects.push_back(r);
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
        newStructures.push_back(r);
        return true;
    }
    case 10:
        return in.discard(8);
    default:  // 11..127: header only
        return true;
    }
}

const char kTooLarge[] =
    "This mission file is larger than 4 MiB, far more than any mission holds. "
    "The objects shown before are kept.";
const char kTooManyObjects[] =
    "This mission file holds more than 8192 structures or tile objects, far more than any mission has. "
    "The objects shown before are kept.";

}  // namespace

MissionRead readMissionBytes(const uint8_t* bytes, size_t size, std::vector<StructureRecord>& structures,
                             std::vector<TileObjectRecord>& tileObjects) {
    if (size > kMaxMissionBytes) return MissionRead::TooLarge;
    newStructures.clear();
    newTileObjects.clear();
    MissionBytes in{bytes, size, 0};
    uint8_t type, sub;
    for (bool more = in.byte(type); more; more = in.byte(type)) {
        if (!in.byte(sub)) break;  // cut inside the header: nothing to keep
        if (type >= 128) break;
        if (!readBody(in, type, sub)) break;
        if (newStructures.size() > kMaxMissionObjects || newTileObjects.size() > kMaxMissionObjects)
            return MissionRead::TooManyObjects;
    }
    structures.swap(newStructures);
    tileObjects.swap(newTileObjects);
    return MissionRead::Read;
}

bool readMission(const char* path, std::vector<StructureRecord>& structures,
                 std::vector<TileObjectRecord>& tileObjects, std::string* reason) {
    clearReason(reason);
    // Local, so that a large file's bytes are freed again at once.
    std::vector<uint8_t> bytes;
    MissionRead result = MissionRead::TooLarge;
    // A mission has no fixed size, so a pipe or device is read too, as far as
    // it has bytes ready; /dev/zero stops at the bound.
    switch (readWholeFile(path, kMaxMissionBytes, false, bytes)) {
    case FileRead::CannotRead: return false;  // keeps the lists, without a word
    case FileRead::Longer: break;
    case FileRead::Read: result = readMissionBytes(bytes.data(), bytes.size(), structures, tileObjects); break;
    }
    if (result == MissionRead::Read) return true;
    return failBecause(reason, result == MissionRead::TooLarge ? kTooLarge : kTooManyObjects);
}
