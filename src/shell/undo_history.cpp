#include "shell/undo_history.h"

#include <cstring>
#include <iterator>

#include "map/ground_map.h"

namespace {

size_t tileBytes(const GroundMap& map) { return static_cast<size_t>(map.width) * map.height; }
size_t cornerBytes(const GroundMap& map) { return static_cast<size_t>(map.latticeStride()) * map.latticeRows(); }

bool sameSize(const UndoHistory& h, const GroundMap& map) {
    return h.width == map.width && h.height == map.height && h.tiles.size() == tileBytes(map) &&
           h.corners.size() == cornerBytes(map);
}

// Row r of the two grids as a span: tile columns first, then lattice rows.
uint8_t* rowOf(uint8_t* tiles, uint8_t* corners, int32_t width, int32_t height, uint16_t r, size_t& length) {
    if (r < width) {
        length = static_cast<size_t>(height);
        return tiles + static_cast<size_t>(r) * height;
    }
    length = static_cast<size_t>(2 * width + 1);
    return corners + static_cast<size_t>(r - width) * length;
}

// XORs the step's delta into the map and into the recorded grids alike.
void applyStep(UndoHistory& h, GroundMap& map, const UndoStep& step) {
    const uint8_t* d = step.delta.data();
    for (uint16_t r : step.rows) {
        size_t length = 0;
        uint8_t* live = rowOf(map.tiles, map.corners, h.width, h.height, r, length);
        uint8_t* kept = rowOf(h.tiles.data(), h.corners.data(), h.width, h.height, r, length);
        for (size_t i = 0; i < length; ++i) {
            live[i] ^= d[i];
            kept[i] ^= d[i];
        }
        d += length;
    }
}

// Forgets the saved states of files that neither the steps nor the current
// file name any more, so opening many files one after another does not add up.
void forgetUnnamedFiles(UndoHistory& h) {
    for (auto it = h.savedStates.begin(); it != h.savedStates.end();) {
        bool named = it->first == h.file;
        for (size_t i = 0; i < h.steps.size() && !named; ++i)
            named = h.steps[i].switchesFile && (h.steps[i].fileBefore == it->first || h.steps[i].fileAfter == it->first);
        it = named ? std::next(it) : h.savedStates.erase(it);
    }
}

// recordChange and recordLoad: `path` is the file a load switches to, or null.
bool record(UndoHistory& h, const GroundMap& map, const std::string* path) {
    if (!sameSize(h, map)) {
        resetUndo(h, map);
        return false;
    }
    // Two passes, so each step holds exactly its bytes and no growth slack.
    UndoStep step;
    const int32_t rowCount = h.width + 2 * h.height + 1;
    size_t total = 0;
    for (int32_t r = 0; r < rowCount; ++r) {
        size_t length = 0;
        const uint16_t row = static_cast<uint16_t>(r);
        const uint8_t* kept = rowOf(h.tiles.data(), h.corners.data(), h.width, h.height, row, length);
        const uint8_t* live = rowOf(map.tiles, map.corners, h.width, h.height, row, length);
        if (std::memcmp(kept, live, length) == 0) continue;
        step.rows.push_back(row);
        total += length;
    }
    step.rows.shrink_to_fit();
    step.delta.resize(total);
    uint8_t* d = step.delta.data();
    for (uint16_t row : step.rows) {
        size_t length = 0;
        uint8_t* kept = rowOf(h.tiles.data(), h.corners.data(), h.width, h.height, row, length);
        const uint8_t* live = rowOf(map.tiles, map.corners, h.width, h.height, row, length);
        for (size_t i = 0; i < length; ++i) {
            *d++ = static_cast<uint8_t>(kept[i] ^ live[i]);
            kept[i] = live[i];
        }
    }
    if (path && *path != h.file) {
        step.switchesFile = true;
        step.fileBefore = h.file;
        step.fileAfter = *path;
        h.file = *path;
    }
    if (step.rows.empty() && !step.switchesFile) return false;
    step.id = h.nextId++;
    const bool dropsSteps = h.applied < h.steps.size() || h.steps.size() == kUndoSteps;
    h.steps.erase(h.steps.begin() + static_cast<std::ptrdiff_t>(h.applied), h.steps.end());
    h.steps.push_back(std::move(step));
    if (h.steps.size() > kUndoSteps) {
        h.baseId = h.steps.front().id;
        h.steps.pop_front();
    }
    h.applied = h.steps.size();
    if (dropsSteps) forgetUnnamedFiles(h);
    return true;
}

}  // namespace

void resetUndo(UndoHistory& h, const GroundMap& map) {
    h.steps.clear();
    h.applied = 0;
    h.baseId = h.nextId++;
    h.width = map.width;
    h.height = map.height;
    h.tiles.assign(map.tiles, map.tiles + tileBytes(map));
    h.corners.assign(map.corners, map.corners + cornerBytes(map));
    h.savedStates.clear();
    h.savedStates[h.file] = h.baseId;
}

bool recordChange(UndoHistory& h, const GroundMap& map) { return record(h, map, nullptr); }

void recordLoad(UndoHistory& h, const GroundMap& map, const std::string& path) {
    record(h, map, &path);
    h.file = path;  // also when a new map size started a new history
    h.savedStates[path] = currentStateId(h);
}

void recordRecovered(UndoHistory& h, const GroundMap& map, const std::string& path) {
    record(h, map, &path);
    h.file = path;
}

void recordSaved(UndoHistory& h, const std::string& path) {
    h.file = path;
    h.savedStates[path] = currentStateId(h);
    forgetUnnamedFiles(h);
}

bool differsFromFile(const UndoHistory& h, const GroundMap& map) {
    const auto saved = h.savedStates.find(h.file);
    return saved == h.savedStates.end() || saved->second != currentStateId(h) || hasUnrecordedChange(h, map);
}

bool undoChange(UndoHistory& h, GroundMap& map) {
    recordChange(h, map);
    if (h.applied == 0) return false;
    const UndoStep& step = h.steps[--h.applied];
    applyStep(h, map, step);
    if (step.switchesFile) h.file = step.fileBefore;
    return true;
}

bool redoChange(UndoHistory& h, GroundMap& map) {
    recordChange(h, map);
    if (h.applied == h.steps.size()) return false;
    const UndoStep& step = h.steps[h.applied++];
    applyStep(h, map, step);
    if (step.switchesFile) h.file = step.fileAfter;
    return true;
}

uint32_t currentStateId(const UndoHistory& h) { return h.applied ? h.steps[h.applied - 1].id : h.baseId; }

bool hasUnrecordedChange(const UndoHistory& h, const GroundMap& map) {
    if (!sameSize(h, map)) return true;
    return std::memcmp(h.tiles.data(), map.tiles, h.tiles.size()) != 0 ||
           std::memcmp(h.corners.data(), map.corners, h.corners.size()) != 0;
}
