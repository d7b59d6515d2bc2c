// Recovery copies of the working map: the questions at start about copies
// left by editors that died, the copy kept while the map has unsaved
// changes, and its removal at a normal quit. The store (files/) does the
// files and locks; the timing rule (recovery_timing) says when to write.
#include <windows.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "files/map_file.h"
#include "files/recovery_store.h"
#include "map/ground_map.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/recovery.h"
#include "shell/recovery_timing.h"
#include "shell/title.h"

namespace {

struct Recovery {
    RecoverySlot slot;          // this editor's copy; no id when none can be kept
    RecoveryTiming timing;
    uint32_t seenState = 0;     // the map state the last turn saw
    int64_t changeTime = 0;     // when the change waiting to be written was seen
    bool told = false;          // the one message about a failing folder was shown
    std::vector<uint8_t> bytes; // kept between writes: no allocation per write
};
Recovery recovery;

void tellOnce(HWND window, const std::string& reason) {
    if (recovery.told) return;
    recovery.told = true;
    const std::string text =
        "Unsaved changes cannot be kept for recovery: " + reason + (reason.empty() || reason.back() == '.' ? "" : ".");
    MessageBoxA(window, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
}

// A stroke is under way while the left button is held. Edits left
// unrecorded with the button up lost their release to a box's own loop (or
// to another window): the stroke is over, and becomes its change now.
bool strokeUnderWay() {
    if (GetKeyState(VK_LBUTTON) & 0x8000) return true;
    if (changeInProgress()) endChange();
    return false;
}

bool writeCopy(HWND window) {
    mapFileBytes(workingMap, recovery.bytes);
    std::string reason;
    if (writeRecoveryCopy(recovery.slot, recovery.bytes.data(), recovery.bytes.size(), currentFilePath(),
                          currentFileStamp(), recovery.changeTime, &reason))
        return true;
    tellOnce(window, reason);
    return false;
}

}  // namespace

std::string recoveryQuestion(int64_t changeTime, const std::string& mapPath) {
    const time_t when = static_cast<time_t>(changeTime);
    char date[64] = "an unknown time";
    if (const tm* local = std::localtime(&when)) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", local);
    // The whole path: a name alone would not say which file Ctrl+S writes.
    const std::string name = mapPath.empty() ? "a map never saved" : mapPath;
    return std::string(kTitle) + " was not closed properly. Recover the unsaved map from " + date + " (" + name + ")?";
}

void startRecovery(HWND window) {
    // Each start begins afresh: the message about a failing folder is owed
    // once per start, not once per process (the tests start many times).
    recovery = Recovery();
    std::string reason;
    const std::string folder = recoveryFolder(&reason);
    if (folder.empty()) {
        tellOnce(window, reason);
        return;
    }
    const size_t mapBytes = static_cast<size_t>(workingMap.width) * workingMap.height;
    std::vector<OrphanCopy> adopted;
    for (OrphanCopy& copy : findOrphanCopies(folder, mapBytes)) {
        const std::string question = recoveryQuestion(copy.changeTime, copy.mapPath);
        if (MessageBoxA(window, question.c_str(), kTitle, MB_YESNO) != IDYES) {
            discardOrphanCopy(copy);
            continue;
        }
        // A second Yes would replace the first recovered map: the usual question.
        if (!confirmReplaceUnsaved(window)) continue;  // kept for the next start
        openRecoveredMap(window, copy.bytes.data(), copy.bytes.size(), copy.mapPath, copy.stamp);
        recovery.changeTime = copy.changeTime;
        adopted.push_back(std::move(copy));
    }
    if (!openRecoverySlot(folder, recovery.slot, &reason)) {
        tellOnce(window, reason);
        return;
    }
    recovery.seenState = mapStateId();
    // The recovered work is in this editor's copy before the old one goes.
    if (hasUnsavedChanges() && !writeCopy(window)) return;
    for (OrphanCopy& copy : adopted) discardOrphanCopy(copy);
}

void keepRecoveryCopy(HWND window) {
    if (recovery.slot.id.empty()) return;
    const bool stroke = strokeUnderWay();
    if (stroke) return;
    const uint32_t state = mapStateId();
    if (!hasUnsavedChanges()) {
        // Saved, or undone back to the saved state: nothing to recover.
        if (recovery.slot.written) removeRecoveryCopy(recovery.slot);
        recovery.timing.pending = false;
        recovery.seenState = state;
        return;
    }
    if (state != recovery.seenState) {
        recovery.seenState = state;
        recovery.changeTime = static_cast<int64_t>(std::time(nullptr));
        noteFinishedChange(recovery.timing);
    }
    const uint32_t now = GetTickCount();
    if (!recoveryWriteDue(recovery.timing, now, stroke)) return;
    writeCopy(window);
    noteRecoveryWritten(recovery.timing, now);
}

void endRecovery() { closeRecoverySlot(recovery.slot); }
