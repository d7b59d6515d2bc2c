#include "shell/symmetry_counts.h"

#include <cstring>

#include "map/symmetry_check.h"
#include "shell/editor_state.h"

SymmetryCheck symmetryCheck;

namespace {

// Whether a list holds the same records as its copy. The records are
// 16-bit fields without padding, so their bytes say it.
template <class Record>
bool sameRecords(const std::vector<Record>& a, const std::vector<Record>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Record)) == 0);
}

}  // namespace

const SymmetryCheck& refreshSymmetryCheck() {
    SymmetryCheck& c = symmetryCheck;
    const Symmetry mode = editorState.symmetry;
    if (mode == Symmetry::off) {
        // Nothing to count, whatever the map: the copies go too, so the next
        // mode counts afresh.
        if (c.symmetry != Symmetry::off) {
            const uint32_t recounts = c.recounts + 1;
            c = SymmetryCheck();
            c.recounts = recounts;
        }
        return c;
    }
    const size_t points = static_cast<size_t>(workingMap.latticeStride()) * workingMap.latticeRows();
    const bool newMode = c.symmetry != mode;
    const bool newMap = newMode || c.corners.size() != points ||
                        std::memcmp(c.corners.data(), workingMap.corners, points) != 0;
    const bool newMission = newMode || !sameRecords(c.structures, structureList) ||
                            !sameRecords(c.tileObjects, tileObjectList);
    if (!newMap && !newMission) return c;
    c.symmetry = mode;
    if (newMap) {
        c.corners.assign(workingMap.corners, workingMap.corners + points);
        findUnlikeImage(workingMap, mode, c.unlike);
    }
    if (newMission) {
        c.structures = structureList;
        c.tileObjects = tileObjectList;
        findObjectsWithoutTwin(structureList, tileObjectList, mode, workingMap.width, workingMap.height,
                               c.withoutTwin);
    }
    ++c.recounts;
    return c;
}

std::string symmetryStatusText() {
    const SymmetryCheck& c = refreshSymmetryCheck();
    if (c.symmetry == Symmetry::off) return "";
    std::string text = "unlike their image: " + std::to_string(c.unlike.size());
    if (!c.structures.empty() || !c.tileObjects.empty())
        text += "  objects without twin: " + std::to_string(c.withoutTwin.size());
    return text;
}
