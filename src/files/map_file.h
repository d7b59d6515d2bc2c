// Raw 4096-byte map files: the working map's tile grid, row by row.
#pragma once

// Caller: the shell (key S, the quit prompt). Writes the working map's tiles
// to `path`. True only when every byte reached the disk; a failed save leaves
// an existing file as it was and no temporary file behind.
bool saveMap(const char* path);
// Caller: the shell (key O). Replaces the working map's tiles with the file's
// and rebuilds its lattice; a short file's missing cells get the plain tile.
// False, with both grids untouched, when the file cannot be opened or read.
bool loadMap(const char* path);
