// Stamps: a rectangle of lattice kinds lifted from one map and painted into
// another, and the plain text they travel in through the clipboard.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "map/ground_map.h"
#include "map/paint_tools.h"

// The longest clipboard text read as a stamp; longer texts are not stamps.
constexpr size_t kStampTextLimit = 64 * 1024;
// The largest side a stamp may have: the editor's map's whole lattice.
constexpr int32_t kStampSideLimit = kLatticeSide;

struct Stamp {
    int32_t width = 0;           // points across, 1..kStampSideLimit
    int32_t height = 0;          // points down
    std::vector<uint8_t> kinds;  // point (x, y) at y * width + x, each 0..4
};

// Caller: the shell's Ctrl+V. Reads `size` bytes of clipboard text: true and
// `out` set when they are a stamp text (header "VornGroundEditor stamp 1 W H",
// then H rows of W digits 0..4; LF or CR LF line ends, optional end on the
// last line, trailing blank lines and a leading UTF-8 byte-order mark allowed);
// false, `out` untouched, for anything else, any text over kStampTextLimit included.
bool parseStamp(const char* text, size_t size, Stamp& out);
// Caller: the shell's Ctrl+C. The stamp's text, every line ending in LF.
std::string stampText(const Stamp& stamp);

// Callers: the shell's Z, X and Y. The stamp turned a quarter turn clockwise,
// mirrored left-right, mirrored top-bottom.
Stamp turnedClockwise(const Stamp& stamp);
Stamp flippedLeftRight(const Stamp& stamp);
Stamp flippedTopBottom(const Stamp& stamp);

// Caller: the shell's Ctrl+C. The kinds of the lattice rectangle between two
// corner points (either order, both inclusive), which must lie inside the lattice.
Stamp copyStamp(const GroundMap& map, LatticePoint a, LatticePoint b);

// Callers: the shell's left press while a stamp floats, and its preview.
// Paints the stamp's points with its top-left point at (left, top) into
// `map`: columns left to right, top to bottom within a column, those outside
// the map's lattice left out,
// each with its own kind as paintCorner does and followed by its symmetry
// images in that kind, except the points (stamp's or images) whose kind
// `map` already held before placing: those are not painted at all.
void placeStamp(GroundMap& map, const Stamp& stamp, int32_t left, int32_t top,
                Symmetry symmetry = Symmetry::off);
