// Recovery copies of the working map (recovery.cpp): the questions at start,
// the copy kept while the map has unsaved changes, its removal at a quit.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Caller: WinMain, after the art and before
// the command-line map. Asks about each copy left by an editor that died,
// newest first: Yes recovers it (openRecoveredMap), No deletes it; then
// takes this editor's own copy. A folder that cannot be used is said once
// ("Unsaved changes cannot be kept for recovery: <reason>.") and editing goes on.
void startRecovery(HWND window);
// Caller: WinMain's loop, each turn. Ends a stroke whose button came up
// where the window did not see it (in a box's own loop), writes the copy when
// the timing rule says so, and removes it when the map has no unsaved changes.
void keepRecoveryCopy(HWND window);
// Caller: WinMain after its loop (a normal quit). Removes this editor's copy.
void endRecovery();
// The start question for a copy: its local date and time and the file's
// path as recorded (absolute; a relative one, from an older editor, as it
// was written), or "a map never saved".
std::string recoveryQuestion(int64_t changeTime, const std::string& mapPath);
