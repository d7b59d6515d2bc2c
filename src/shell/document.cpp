// The file being edited: the current file, whether the map has unsaved
// changes, saving and loading, undo, and the window title that shows them.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "files/file_identity.h"
#include "files/file_read.h"
#include "files/map_file.h"
#include "map/ground_map.h"
#include "shell/dialogs.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/paint_tool_table.h"
#include "shell/title.h"
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
    // Each file as this editor last opened or saved it (by absolute path, as
    // the history names files), so that writing over the current file can
    // tell whether another program changed it since.
    std::map<std::string, FileStamp> stamps;
    std::string shownTitle; // last text given to SetWindowTextA; empty = set the next one
};
Document document;


bool modified() { return differsFromFile(document.history, workingMap); }

FileStamp knownStamp(const std::string& path) {
    const auto found = document.stamps.find(path);
    return found == document.stamps.end() ? FileStamp() : found->second;
}

// The file has the map's bytes: closes the change in progress, so the saved
// state has an id of its own.
void markSaved(const char* path) {
    recordChange(document.history, workingMap);
    const std::string absolute = absolutePath(path);
    recordSaved(document.history, absolute);
    document.stamps[absolute] = fileStamp(path);
}

// Writing, without a dialog, over the current file that another program
// changed, replaced or removed since this editor opened or saved it: only
// after a Yes. (A file the save dialog chose is the dialog's business: it
// names the file and asks before replacing one.)
bool mayWriteOver(HWND window, const std::string& path) {
    if (!fileChangedSince(knownStamp(path), fileStamp(path.c_str()))) return true;
    const std::string text = path + " was changed by another program since it was opened or saved. Save over it?";
    return MessageBoxA(window, text.c_str(), kTitle, MB_YESNO) == IDYES;
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
    } else if (modified()) {
        text += " - untitled*";  // work no file holds yet
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
    // Taken before the read: a write in between makes a later save ask
    // needlessly rather than pass over a change.
    const FileStamp stamp = fileStamp(path);
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
    // Absolute: the recovery copy names it, and an editor started elsewhere
    // must find this file, not one of the same name in its own folder.
    const std::string absolute = absolutePath(name);
    recordLoad(document.history, workingMap, absolute);
    document.stamps[absolute] = stamp;
    refreshTitle(window);
    return true;
}

void openRecoveredMap(HWND window, const uint8_t* bytes, size_t size, const std::string& path,
                      const FileStamp& stamp) {
    recordChange(document.history, workingMap);
    loadMapBytes(bytes, size, workingMap);
    recordRecovered(document.history, workingMap, path);
    if (!path.empty()) document.stamps[path] = stamp;
    refreshTitle(window);
}

bool saveWithDialog(HWND window) {
    const char* path = chooseSaveFile(window, nullptr);
    return path && saveTo(window, path);
}

bool quickSave(HWND window) {
    // A relative path (recovered from an older editor's copy) would name a
    // file in whatever folder this editor started in: the dialog decides.
    if (!isAbsolutePath(currentFilePath())) return saveWithDialog(window);
    const std::string path = currentFilePath();  // saveTo replaces it
    return mayWriteOver(window, path) && saveTo(window, path.c_str());
}

bool hasUnsavedChanges() { return modified(); }

uint32_t mapStateId() { return currentStateId(document.history); }

bool changeInProgress() { return hasUnrecordedChange(document.history, workingMap); }

const std::string& currentFilePath() { return document.history.file; }

FileStamp currentFileStamp() { return knownStamp(currentFilePath()); }

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
    document.stamps.clear();
    resetUndo(document.history, workingMap);
    document.shownTitle.clear();
}
