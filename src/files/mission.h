// Mission files: tagged records, of which structures and tile objects are kept.
#pragma once
#include <cstdint>
#include <vector>

struct StructureRecord {
    int16_t word0;        // unused by the editor
    int16_t word1;        // unused by the editor
    int16_t spriteIndex;  // row of the sprite rectangle table, 0..18
    int16_t word3;        // unused by the editor
    int16_t position;     // map cell y * 64 + x of the sprite's top-left cell
};

struct TileObjectRecord {
    int16_t word0;     // unused
    int16_t texCell;   // cell of a 16 x 16 texture grid: row texCell >> 4, column texCell & 15
    int16_t word2;     // unused
    int16_t position;  // map cell y * 64 + x
    int16_t word4;     // unused
    int16_t word5;     // unused
};

// The mission's objects, in file order; empty at start-up, filled only by
// readMission and drawn by the mission object drawing.
extern std::vector<StructureRecord> structureList;
extern std::vector<TileObjectRecord> tileObjectList;

// Caller: the shell (key M). Replaces both lists with the file's complete
// records (one cut short by the end of the file is dropped); a file that
// cannot be opened or read keeps them. Returns whether the file was opened.
bool readMission(const char* path);
