// The file being edited: the current file, whether the map has unsaved
// changes, saving and loading, undo, and the window title that shows them.
#include <windows.h>

#include <cstdint>
#include <string>

#include "files/map_file.h"
#include "map/ground_map.h"
#include "shell/editor_state.h"
#include "shell/shell.h"
#include "shell/undo_history.h"

namespace {

// The editor's document record.
struct Document {
    UndoHistory history;    // the working map's changes
    std::string path;       // current file: the last map opened or saved; empty before any
    uint32_t savedId = 0;   // undo state id whose bytes the current file holds
    std::string shownTitle; // last text given to SetWindowTextA; empty = set the next one
};
Document document;

bool modified() {
    return currentStateId(document.history) != document.savedId ||
           hasUnrecordedChange(document.history, workingMap);
}

// The file has the map's bytes: closes the change in progress, so the saved
// state has an id of its own.
void markSaved(const char* path) {
    recordChange(document.history, workingMap);
    document.path = path;
    document.savedId = currentStateId(document.history);
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
    if (!document.path.empty()) {
        const size_t slash = document.path.find_last_of("/\\");
        text += " - " + document.path.substr(slash == std::string::npos ? 0 : slash + 1);
        if (modified()) text += "*";
    }
    const char* const mode = editModeName(editorState.editMode);
    const char* const kind = terrainKindName(editorState.currentKind);
    text += " - ";
    text += mode ? mode : "mode " + std::to_string(static_cast<int32_t>(editorState.editMode));
    text += ", kind " + std::to_string(static_cast<int32_t>(editorState.currentKind));
    if (kind) text += std::string(" (") + kind + ")";
    text += ", brush " + std::to_string(editorState.brushSize);
    if (editorState.editMode == EditMode::fill) text += editorState.fillBelow ? ", fill below" : ", fill above";
    return text;
}

}  // namespace

bool openMapAsChange(HWND window, const char* path) {
    recordChange(document.history, workingMap);  // a stroke in progress stays a change of its own
    if (!path || !loadMap(path, workingMap)) return false;
    markSaved(path);
    refreshTitle(window);
    return true;
}

bool saveWithDialog(HWND window) {
    const char* path = chooseSaveFile(window, nullptr);
    return path && saveTo(window, path);
}

bool quickSave(HWND window) {
    if (document.path.empty()) return saveWithDialog(window);
    const std::string path = document.path;  // saveTo replaces it
    return saveTo(window, path.c_str());
}

bool hasUnsavedChanges() { return modified(); }

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
    document.path.clear();
    resetUndo(document.history, workingMap);
    document.savedId = currentStateId(document.history);
    document.shownTitle.clear();
}
