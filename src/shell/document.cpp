// The file being edited: the current file, whether the map has unsaved
// changes, saving and loading, undo, and the window title that shows them.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/file_read.h"
#include "files/map_file.h"
#include "map/ground_map.h"
#include "shell/editor_state.h"
#include "shell/paint_tool_table.h"
#include "shell/shell.h"
#include "shell/undo_history.h"

namespace {

// Files larger than this are refused unread: a map file is 4096 bytes, and
// anything near this size is no map a person meant to open.
constexpr size_t kMaxMapFileBytes = 1 << 20;

// The editor's document record.
struct Document {
    // The working map's changes, the current file (the last map opened or
    // saved, or the one an undo or redo brought back; empty before any) and
    // which state each file holds.
    UndoHistory history;
    std::string shownTitle; // last text given to SetWindowTextA; empty = set the next one
};
Document document;


bool modified() { return differsFromFile(document.history, workingMap); }

// The file has the map's bytes: closes the change in progress, so the saved
// state has an id of its own.
void markSaved(const char* path) {
    recordChange(document.history, workingMap);
    recordSaved(document.history, path);
}

bool saveTo(HWND window, const char* path) {
    recordChange(document.history, workingMap);
    std::string reason;
    if (saveMap(path, workingMap, &reason)) {
        markSaved(path);
        return true;
    }
    const std::string message = "Could not save map." + (reason.empty() ? "" : "\n" + reason);
    MessageBoxA(window, message.c_str(), kTitle, MB_OK | MB_ICONERROR);
    return false;
}

std::string titleText() {
    std::string text = kTitle;
    if (!currentFilePath().empty()) {
        const size_t slash = currentFilePath().find_last_of("/\\");
        text += " - " + currentFilePath().substr(slash == std::string::npos ? 0 : slash + 1);
        if (modified()) text += "*";
    }
    const char* const mode = editModeName(editorState.editMode);
    const char* const kind = terrainKindName(editorState.currentKind);
    text += " - ";
    text += mode ? mode : "mode " + std::to_string(static_cast<int32_t>(editorState.editMode));
    // The tool matters only where it paints.
    if (editorState.editMode == EditMode::corners)
        text += ", " + paintToolTitle(editorState);
    text += ", kind " + std::to_string(static_cast<int32_t>(editorState.currentKind));
    if (kind) text += std::string(" (") + kind + ")";
    text += ", brush " + std::to_string(editorState.brushSize);
    if (editorState.editMode == EditMode::fill) text += editorState.fillBelow ? ", fill below" : ", fill above";
    // Said in every mode while on: a stroke after E must not surprise anyone.
    if (editorState.symmetry != Symmetry::off)
        if (const char* symmetry = symmetryName(editorState.symmetry)) text += std::string(", ") + symmetry;
    return text;
}

}  // namespace

bool confirmReplaceUnsaved(HWND window) {
    if (!modified()) return true;
    switch (MessageBoxA(window, "Do you want to save map?", kTitle, MB_YESNOCANCEL)) {
    case IDYES: return quickSave(window);
    case IDNO: return true;
    default: return false;
    }
}

bool openMapFile(HWND window, const char* path) {
    if (!path) return false;
    const std::string name = path;
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const FileRead read = readWholeFile(path, kMaxMapFileBytes, true, bytes, &size);
    if (read == FileRead::CannotRead) {
        MessageBoxA(window, ("Could not read map " + name + ".").c_str(), kTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    if (read == FileRead::Longer) {
        const std::string text = name + " is " + std::to_string(size) + " bytes, too large for a map file.";
        MessageBoxA(window, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    // Any file would load (a short one gets plain tiles, a long one is cut),
    // and one stroke and Ctrl+S would then cut the user's file to a map.
    const uint64_t mapBytes = static_cast<uint64_t>(workingMap.width) * workingMap.height;
    if (size != mapBytes) {
        const std::string text = name + " is " + std::to_string(size) + " bytes; a map file is " +
                                 std::to_string(mapBytes) + " bytes. Open it as a map anyway?";
        if (MessageBoxA(window, text.c_str(), kTitle, MB_YESNO) != IDYES) return false;
    }
    recordChange(document.history, workingMap);  // a stroke in progress stays a change of its own
    loadMapBytes(bytes.data(), bytes.size(), workingMap);
    recordLoad(document.history, workingMap, name);
    refreshTitle(window);
    return true;
}

void openRecoveredMap(HWND window, const uint8_t* bytes, size_t size, const std::string& path) {
    recordChange(document.history, workingMap);
    loadMapBytes(bytes, size, workingMap);
    recordRecovered(document.history, workingMap, path);
    refreshTitle(window);
}

bool saveWithDialog(HWND window) {
    const char* path = chooseSaveFile(window, nullptr);
    return path && saveTo(window, path);
}

bool quickSave(HWND window) {
    if (currentFilePath().empty()) return saveWithDialog(window);
    const std::string path = currentFilePath();  // saveTo replaces it
    return saveTo(window, path.c_str());
}

bool hasUnsavedChanges() { return modified(); }

uint32_t mapStateId() { return currentStateId(document.history); }

bool changeInProgress() { return hasUnrecordedChange(document.history, workingMap); }

const std::string& currentFilePath() { return document.history.file; }

void endChange() { recordChange(document.history, workingMap); }
void undoLastChange() { undoChange(document.history, workingMap); }
void redoLastChange() { redoChange(document.history, workingMap); }

void refreshTitle(HWND window) {
    // The file's name may be in any bytes; SDL on X11 keeps the old title
    // when given one that is not UTF-8.
    const std::string text = titleSafeText(titleText());
    if (text == document.shownTitle) return;
    document.shownTitle = text;
    SetWindowTextA(window, text.c_str());
}

void resetDocument() {
    document.history.file.clear();
    resetUndo(document.history, workingMap);
    document.shownTitle.clear();
}
