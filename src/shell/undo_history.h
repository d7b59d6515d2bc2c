// Undo and redo of the working map: both grids, restored byte for byte.
// Plain data, no platform; the window procedure decides what one change is.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

struct GroundMap;

// Changes kept; the oldest goes first when a newer one would exceed this.
constexpr size_t kUndoSteps = 256;

// One change. Only the rows it altered are kept, each as the XOR of its bytes
// before and after: applying the same delta undoes the change, applying it
// again redoes it. A row is one column of tiles (`height` bytes) or one row
// of lattice points (`latticeStride()` bytes), so a change costs at most the
// two grids.
struct UndoStep {
    uint32_t id = 0;              // names the map state this step leads to; unique, increasing
    std::vector<uint16_t> rows;   // altered rows: tile columns 0..width-1, then lattice rows from width on
    std::vector<uint8_t> delta;   // before ^ after of those rows, in the order of `rows`
};

struct UndoHistory {
    std::deque<UndoStep> steps;   // oldest first, at most kUndoSteps
    size_t applied = 0;           // steps[0, applied) are in the map; the rest wait for redo
    uint32_t baseId = 0;          // state id with none of `steps` applied
    uint32_t nextId = 1;          // id of the next recorded step
    int32_t width = 0, height = 0;     // map size the grids below were taken at
    std::vector<uint8_t> tiles;        // the map's grids as of the last recorded state,
    std::vector<uint8_t> corners;      // so a change is found by comparing with them
};

// Caller: the shell at start-up (and recordChange, for a new map size).
// Forgets every step; the map as it stands becomes the state with nothing to
// undo.
void resetUndo(UndoHistory& history, const GroundMap& map);
// Caller: the shell, after each change (stroke, fill, clear, load). Records
// what differs from the last recorded state as one step, drops the redo
// steps and, past kUndoSteps, the oldest. Returns false, recording nothing,
// when no byte differs. A map whose size changed starts a new history.
bool recordChange(UndoHistory& history, const GroundMap& map);
// Callers: Ctrl+Z / Ctrl+Y. Unrecorded edits are first recorded as their own
// change; then one step is undone or redone. False when there is none.
bool undoChange(UndoHistory& history, GroundMap& map);
bool redoChange(UndoHistory& history, GroundMap& map);
// Names the state the map is in as of the last record, undo or redo: equal
// ids mean byte-equal grids (the converse need not hold).
uint32_t currentStateId(const UndoHistory& history);
// True when the map differs from the last recorded state (a stroke in progress).
bool hasUnrecordedChange(const UndoHistory& history, const GroundMap& map);
