// The file being edited: the current file, saving and loading, undo, and
// the window title that shows them (document.cpp).
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/file_identity.h"

// Callers: O and a dropped file, before openMapFile, and any other code
// about to replace the working map (a recovered map). With unsaved changes
// asks "Do you want to save map?": Yes saves as Ctrl+S does, No goes on,
// Cancel keeps everything. True when the map may be replaced: nothing was
// unsaved, No, or Yes and the save reached the disk.
bool confirmReplaceUnsaved(HWND window);
// O, a dropped file and the command line: loads the map at `path` as one
// undo step that also makes it the current file (undo brings back the map
// and the file before), by its absolute path, with the file's stamp as it
// was read. A file that is not 4096 bytes loads only after Yes to a question
// naming its size; one over 1 MiB is refused unread; one that cannot be read
// says "Could not read map <path>.". True when loaded; the file is then
// current and unmodified, and the title says so. Asks nothing about unsaved
// changes: the caller does (confirmReplaceUnsaved).
bool openMapFile(HWND window, const char* path);
// Caller: the recovery questions at start, after Yes. Loads a recovered
// map's file bytes as one undo step; `path` (the file the work belonged to,
// "" for none) becomes the current file with `stamp`, the file as the dead
// editor last opened or saved it, and the map stays unsaved ("*").
void openRecoveredMap(HWND window, const uint8_t* bytes, size_t size, const std::string& path,
                      const FileStamp& stamp);
// S and the quit prompt's Yes: the save dialog, then the save. True only when
// the map reached the disk; the chosen file becomes the current file (its
// absolute path and stamp). A failed write says "Could not save map." and, on
// a second line, the system's reason; a cancelled dialog is silent.
bool saveWithDialog(HWND window);
// Ctrl+S and the open question's Yes: saves to the current file without a
// dialog; with none, or a relative path recovered from an older editor's
// copy, as S. When another program changed, replaced or removed the file
// since this editor opened or saved it, first asks "<path> was changed by
// another program since it was opened or saved. Save over it?"; No cancels.
bool quickSave(HWND window);
// Closes the change in progress (the edits since the last record) as one
// undo step; the window procedure calls it at the end of a stroke, when a
// box opens (WM_CANCELMODE), and around a fill commit and a confirmed clear.
void endChange();
// Ctrl+Z and Ctrl+Y / Ctrl+Shift+Z on the working map.
void undoLastChange();
void redoLastChange();
// Sets the window title from the current file, its modified mark, the mode,
// kind, brush and fill direction; SetWindowTextA only when the text changed.
void refreshTitle(HWND window);
// Whether the working map has changes its current file (or, before any
// file, the map at start) lacks; the browser host asks before its tab closes.
bool hasUnsavedChanges();
// Caller: the recovery copy. Names the map's state as of the last finished
// change, undo or redo: a new id means a change was finished.
uint32_t mapStateId();
// Caller: the recovery copy. True while edits wait to be closed as a change
// (a stroke under way).
bool changeInProgress();
// The current file's path, empty before any; the browser host offers its
// name in the save dialog.
const std::string& currentFilePath();
// Caller: the recovery copy. The current file as this editor last opened or
// saved it; unknown before any, and always in the browser.
FileStamp currentFileStamp();
// Start of a run (WM_CREATE) and tests: no current file, no undo steps, the
// working map as it stands unmodified, and the next title always set.
void resetDocument();
