// How far the working map and the mission are from the painting symmetry (V):
// the points unlike their image and the objects without a twin, which the
// status line counts and K marks. Plain data, no OpenGL, no platform.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "files/mission.h"
#include "files/object_twins.h"
#include "map/ground_map.h"
#include "map/paint_tools.h"

// The last count, and what it was counted on. Recounted only when the
// working map's lattice, the mission or the mode differ from these copies:
// comparing the bytes costs about a microsecond, so every reader may ask,
// a stroke in progress is counted as it paints, and an unchanged frame
// recounts nothing.
struct SymmetryCheck {
    Symmetry symmetry = Symmetry::off;          // the mode counted; off: nothing counted, both lists empty
    std::vector<uint8_t> corners;               // the lattice counted (empty while off)
    std::vector<StructureRecord> structures;    // the mission checked (empty while off)
    std::vector<TileObjectRecord> tileObjects;
    std::vector<LatticePoint> unlike;           // the points unlike one of their images, row by row
    std::vector<ObjectWithoutTwin> withoutTwin; // the objects without a twin, structures first
    uint32_t recounts = 0;  // counts made so far: what was drawn from an older count is stale
};
extern SymmetryCheck symmetryCheck;

// Callers: the status line's text and the marks, each time before they read
// symmetryCheck. Recounts the working map and the mission under the editor's
// symmetry when either or the mode changed since the last count; returns
// the record.
const SymmetryCheck& refreshSymmetryCheck();

// Caller: the status line. Its symmetry fields, two blanks apart:
// "unlike their image: N" and, while the mission holds objects,
// "objects without twin: M"; "" while symmetry is off.
std::string symmetryStatusText();
