// The editor's commands, one entry each: the keys (or the mouse action) that
// give it, the words F1 and the page's key line show, and what a key does.
// The window procedure dispatches keys from this table; the help box, the
// browser page's key line, the keys the page leaves to the browser, the key
// lists of the docs and the soak's keys follow from it.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// What else a command's key may do, for the hosts and the soak that share
// keys with the editor.
enum CommandTrait : uint8_t {
    kAsks = 1,        // it may open a message box or a file dialog
    kBrowserToo = 2,  // the browser acts on the key too: its copy and paste events carry the text
};

struct Command {
    const char* keys;   // the keys or mouse action as F1 and the docs name them
    const char* help;   // F1's line and the docs' words, after "keys: "
    const char* brief;  // the page's key line, after `keys`
    KeyChord chords[2]; // none for a mouse action: its message case runs it
    void (*run)(HWND window, WPARAM key);  // the key's action; nullptr for a mouse action
    uint8_t traits;     // CommandTrait bits
};

// Every command, in the order F1 lists them: the fixed entries of
// commands.cpp with each painting tool's key (paint_tool_table.h) among them.
const std::vector<Command>& commandTable();

// Caller: the window procedure. The command a key press runs, or nullptr:
// of the chords that match, the one holding the most modifiers wins, so
// Ctrl+S beats S and Ctrl+E beats E.
const Command* commandForKey(WPARAM key, uint8_t modifiers);

// F1's text: one "keys: help" line per command, no final newline.
const char* helpText();
// Caller: the browser host, for the line of keys under the canvas: each
// command's keys and brief, separated by middle dots (UTF-8).
std::string keyLineText();

// Callers: the browser host, whose page shares keys with the browser.
// Whether a chord of the table holds both Ctrl and Shift for `key` (the
// browser keeps every other Ctrl+Shift key), and whether the command a key
// press runs is one the browser acts on too (kBrowserToo).
bool commandHoldsCtrlShift(WPARAM key);
bool browserActsToo(WPARAM key, uint8_t modifiers);

// The documents that list the commands, each written by keyDocs.
enum class KeyDocs {
    readme,        // README.md: "- keys: help" lines
    manual,        // the manual page: a .TP item per command
    windowsReadme, // packaging/README.txt: keys and help in two columns
    keyList,       // e2e/command_keys.txt: each chord's name, " asks" after one that may open a box
};
// The generator of the command lists in the docs (scripts/key-docs.sh
// writes them, the docs test compares them): the list's exact lines, each
// ending in a newline, from the command table.
std::string keyDocs(KeyDocs doc);
