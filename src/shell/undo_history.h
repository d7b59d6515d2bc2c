// Undo and redo of the working map: both grids, restored byte for byte.
// Plain data, no platform; the window procedure decides what one change is.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
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
    bool switchesFile = false;    // a load that changed the current file: undo and redo move it too
    std::string fileBefore, fileAfter;  // with switchesFile: the current file before and after
};

struct UndoHistory {
    std::deque<UndoStep> steps;   // oldest first, at most kUndoSteps
    size_t applied = 0;           // steps[0, applied) are in the map; the rest wait for redo
    uint32_t baseId = 0;          // state id with none of `steps` applied
    uint32_t nextId = 1;          // id of the next recorded step
    int32_t width = 0, height = 0;     // map size the grids below were taken at
    std::vector<uint8_t> tiles;        // the map's grids as of the last recorded state,
    std::vector<uint8_t> corners;      // so a change is found by comparing with them
    // The file the map belongs to ("" before any), as of the applied steps.
    std::string file;
    // For each file the steps or `file` name: the state id whose bytes that
    // file holds ("" the map at start). A file without an entry has none.
    std::map<std::string, uint32_t> savedStates;
};

// Caller: the shell at start-up (and recordChange, for a new map size).
// Forgets every step; the map as it stands becomes the state with nothing to
// undo, and the state the current file holds.
void resetUndo(UndoHistory& history, const GroundMap& map);
// Caller: the shell, after each change (stroke, fill, clear, load). Records
// what differs from the last recorded state as one step, drops the redo
// steps and, past kUndoSteps, the oldest. Returns false, recording nothing,
// when no byte differs. A map whose size changed starts a new history.
bool recordChange(UndoHistory& history, const GroundMap& map);
// Caller: the shell, after the map was loaded from `path`. As recordChange,
// but the step also makes `path` the current file (recorded even when no
// byte differs, unless `path` already is the current file), and `path`
// holds the resulting state.
void recordLoad(UndoHistory& history, const GroundMap& map, const std::string& path);
// Caller: the shell, after a recovered map was loaded. As recordLoad, but
// `path` (the file the lost work belonged to, "" for none) does not hold the
// result: the map stays unsaved until saved there.
void recordRecovered(UndoHistory& history, const GroundMap& map, const std::string& path);
// Caller: the shell, after the map as last recorded reached `path`: `path`
// becomes the current file, holding the current state; no undo step.
void recordSaved(UndoHistory& history, const std::string& path);
// Whether the map differs from what its current file holds (or, before any
// file, from the map at start), a change in progress included.
bool differsFromFile(const UndoHistory& history, const GroundMap& map);
// Callers: Ctrl+Z / Ctrl+Y. Unrecorded edits are first recorded as their own
// change; then one step is undone or redone, with the current file it
// switched from or to. False when there is none.
bool undoChange(UndoHistory& history, GroundMap& map);
bool redoChange(UndoHistory& history, GroundMap& map);
// Names the state the map is in as of the last record, undo or redo: equal
// ids mean byte-equal grids (the converse need not hold).
uint32_t currentStateId(const UndoHistory& history);
// True when the map differs from the last recorded state (a stroke in progress).
bool hasUnrecordedChange(const UndoHistory& history, const GroundMap& map);
