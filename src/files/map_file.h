// Raw 4096-byte map files: the working map's tile grid, row by row.
#pragma once

// Writes the working map's tiles to `path`. True only when every byte reached
// the disk; a failed save leaves an existing file as it was.
bool saveMap(const char* path);
// Replaces the working map's tiles with the file's and rebuilds its lattice.
// False, with both grids untouched, when the file cannot be opened.
bool loadMap(const char* path);
