// Raw map files: a map's tile grid, row by row (4096 bytes for 64 x 64).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct GroundMap;

// Caller: the shell (key S, the quit prompt), with its working map. Writes
// the map's tiles to `path`. True only when every byte reached the disk; a
// failed save leaves an existing file as it was and no temporary file behind,
// and puts the system's reason, one line ("Is a directory"), in `reason`
// when given.
bool saveMap(const char* path, const GroundMap& map, std::string* reason = nullptr);
// Callers: saveMap and the shell's recovery copy. `bytes` becomes exactly
// what saveMap writes for `map`.
void mapFileBytes(const GroundMap& map, std::vector<uint8_t>& bytes);
// Caller: the shell (key O), with its working map. Replaces the map's tiles
// with the file's and rebuilds its lattice; a short file's missing cells get
// the plain tile. False, with both grids untouched, when the file cannot be
// opened or read or is not a regular file (a FIFO fails at once instead of
// waiting for a writer).
bool loadMap(const char* path, GroundMap& map);
// Callers: loadMap and the map fuzz target. `map` becomes the map of these
// file bytes: the first width x height are its tiles, row by row, missing
// ones the plain tile; the lattice is rebuilt from them. Sizes unchanged.
void loadMapBytes(const uint8_t* bytes, size_t size, GroundMap& map);
