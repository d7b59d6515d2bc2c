// The editor's commands, one entry each: the keys (or the mouse action) that
// give it, the words F1 and the page's key line show, and what a key does.
// The window procedure dispatches keys from this table; the help box, the
// browser page's key line and the documentation test follow from it.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Modifier bits of a key chord and of a key press.
enum KeyModifier : uint8_t { kCtrl = 1, kShift = 2 };

// The keys that run a command: the virtual keys first..last (one key when
// last is 0), with the modifiers `held` down and `released` up; modifiers in
// neither may be either. A chord with first 0 is an unused slot.
struct KeyChord {
    WPARAM first;
    WPARAM last;
    uint8_t held;
    uint8_t released;
};

struct Command {
    const char* keys;   // the keys or mouse action as F1 and the docs name them
    const char* help;   // F1's line after "keys: "
    const char* brief;  // the page's key line, after `keys`
    KeyChord chords[2]; // none for a mouse action: its message case runs it
    void (*run)(HWND window, WPARAM key);  // the key's action; nullptr for a mouse action
};

// Every command, in the order F1 lists them.
extern const Command kCommands[];
extern const size_t kCommandCount;

// Caller: the window procedure. The command a key press runs, or nullptr:
// of the chords that match, the one holding the most modifiers wins, so
// Ctrl+S beats S and Ctrl+E beats E.
const Command* commandForKey(WPARAM key, uint8_t modifiers);

// F1's text: one "keys: help" line per command, no final newline.
const char* helpText();
// Caller: the browser host, for the line of keys under the canvas: each
// command's keys and brief, separated by middle dots (UTF-8).
std::string keyLineText();
