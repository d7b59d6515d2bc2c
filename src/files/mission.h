// Mission files: tagged records, of which structures and tile objects are kept.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct StructureRecord {
    int16_t word0;        // unused by the editor
    int16_t word1;        // unused by the editor
    int16_t spriteIndex;  // row of the sprite rectangle table, 0..18
    int16_t word3;        // unused by the editor
    int16_t position;     // map position of the sprite's top-left cell (cellOfMapPosition)
};

struct TileObjectRecord {
    int16_t word0;     // unused
    int16_t texCell;   // cell of a 16 x 16 texture grid: row texCell >> 4, column texCell & 15
    int16_t word2;     // unused
    int16_t position;  // map position of its cell (cellOfMapPosition)
    int16_t word4;     // unused
    int16_t word5;     // unused
};

// Bounds no real mission reaches. Objects sit on the map's 64 x 64 = 4096
// cells, so even one structure and one tile object on every cell, twice over,
// stays within 8192 of each; a list longer than that only costs memory and
// frame time (131,000 structures drew at a quarter frame a second). The largest
// record body the format allows is 131,074 bytes (type 1, count 65535), so
// 4 MiB holds 30 of those besides a full map of objects (213 KB). The size
// bound also bounds the time: the worst file, 4 MiB of 4-byte empty records,
// is read and walked in about 5 ms, where an unbounded /dev/zero never ended.
constexpr size_t kMaxMissionBytes = 4u << 20;
constexpr size_t kMaxMissionObjects = 8192;

enum class MissionRead {
    Read,            // both lists replaced
    TooLarge,        // more than kMaxMissionBytes: lists kept
    TooManyObjects,  // more than kMaxMissionObjects in a list: lists kept
};

// Callers: readMission and the mission fuzz target. Replaces both lists with
// the complete records of these file bytes, in file order (one cut short by
// the end is dropped), unless the bytes pass a bound; then both lists stay as
// they were.
MissionRead readMissionBytes(const uint8_t* bytes, size_t size, std::vector<StructureRecord>& structures,
                             std::vector<TileObjectRecord>& tileObjects);

// Caller: the shell (key M), with its object lists. Reads the file at `path`
// as readMissionBytes does; true when the lists were replaced. False keeps
// them: without a reason for a file that cannot be opened or read, with one
// when the file passes a bound (files/reason.h). Never waits on a pipe or
// device; a FIFO without a writer reads as an empty file.
bool readMission(const char* path, std::vector<StructureRecord>& structures,
                 std::vector<TileObjectRecord>& tileObjects, std::string* reason = nullptr);
