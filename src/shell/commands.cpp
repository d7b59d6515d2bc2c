// The command table and its key actions. A new key is one entry here and its
// action; `bash scripts/key-docs.sh` then writes its lines into the docs,
// which the docs test asks for.
#include "shell/commands.h"

#include <GL/gl.h>

#include <cstdint>
#include <iterator>
#include <string>

#include "files/mission.h"
#include "map/ground_map.h"
#include "shell/dialogs.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/paint_tool_table.h"
#include "shell/picture_export.h"
#include "shell/render.h"
#include "shell/stamps.h"
#include "shell/title.h"
#include "shell/tools.h"
#include "shell/wndproc.h"

namespace {

void leaveModeOrQuit(HWND window, WPARAM) {
    if (editorState.editMode == EditMode::view) confirmQuit(window);
    else editorState.editMode = EditMode::view;
}

void toggleHeightOverlay(HWND, WPARAM) { editorState.heightOverlay = !editorState.heightOverlay; }

void chooseKind(HWND, WPARAM key) { editorState.currentKind = static_cast<TerrainKind>(key - '0'); }

void clearMap(HWND window, WPARAM) {
    if (MessageBoxA(window, "Do you really want to clear map?", kTitle, MB_YESNO) == IDYES) {
        endChange();  // a stroke in progress stays a change of its own
        workingMap.clear();
        endChange();
    }
}

void toggleCornerEditing(HWND, WPARAM) {
    editorState.editMode = editorState.editMode == EditMode::corners ? EditMode::view : EditMode::corners;
}

void toggleHeightFill(HWND, WPARAM) {
    editorState.editMode = editorState.editMode == EditMode::fill ? EditMode::view : EditMode::fill;
}

void importGreyHeights(HWND window, WPARAM) {
    if (const char* path = chooseOpenFile(window, "Choose Grey Bitmap", kImageFilter)) {
        // The old texture goes first, so a failed import leaves name 0.
        glDeleteTextures(1, &textureNames.height);
        std::string reason;
        textureNames.height = importGreyBitmap(path, &reason);
        if (!reason.empty()) MessageBoxA(window, reason.c_str(), kTitle, MB_OK | MB_ICONERROR);
    }
}

void toggleFillBelow(HWND, WPARAM) { editorState.fillBelow = !editorState.fillBelow; }

void openMission(HWND window, WPARAM) {
    if (const char* path = chooseOpenFile(window, "Choose Mission")) {
        // A file the reader refuses for its size says why; one that cannot
        // be opened stays silent, as before.
        std::string reason;
        if (!readMission(path, structureList, tileObjectList, &reason) && !reason.empty())
            MessageBoxA(window, reason.c_str(), kTitle, MB_OK | MB_ICONERROR);
    }
}

// The file first, then the question about unsaved changes: a cancelled
// dialog asks nothing.
void openMap(HWND window, WPARAM) {
    const char* chosen = chooseOpenFile(window, "Choose Map");
    if (!chosen) return;
    const std::string path = chosen;  // kept whole while the question and a save run
    if (confirmReplaceUnsaved(window)) openMapFile(window, path.c_str());
}

void smallerBrush(HWND, WPARAM) {
    if (--editorState.brushSize < 1) editorState.brushSize = 1;
}

void newHeightField(HWND, WPARAM) {
    glDeleteTextures(1, &textureNames.height);
    textureNames.height = generateHeightField();
}

void saveChoosingFile(HWND window, WPARAM) { saveWithDialog(window); }

void toggleObjects(HWND, WPARAM) { editorState.showObjects = !editorState.showObjects; }

void toggleStatusLine(HWND, WPARAM) { editorState.statusLine = !editorState.statusLine; }

void toggleGrid(HWND, WPARAM) { editorState.grid = !editorState.grid; }

void largerBrush(HWND, WPARAM) {
    // No limit worth having, but never a signed overflow while W is held.
    if (editorState.brushSize < INT32_MAX) ++editorState.brushSize;
}

void undo(HWND, WPARAM) { undoLastChange(); }
void redo(HWND, WPARAM) { redoLastChange(); }
void saveToCurrentFile(HWND window, WPARAM) { quickSave(window); }
void exportPictureKey(HWND window, WPARAM) { exportPicture(window); }
void showHelp(HWND window, WPARAM) { MessageBoxA(window, helpText(), kTitle, MB_OK); }

int32_t modifierCount(uint8_t bits) { return (bits & kCtrl ? 1 : 0) + (bits & kShift ? 1 : 0); }

bool matches(const KeyChord& chord, WPARAM key, uint8_t modifiers) {
    if (chord.first == 0) return false;
    // Ctrl with a letter is a command of its own or nothing: Ctrl+C must not
    // ask to clear the map as C does.
    if (key >= 'A' && key <= 'Z' && (modifiers & kCtrl) && !(chord.held & kCtrl)) return false;
    const WPARAM last = chord.last ? chord.last : chord.first;
    return key >= chord.first && key <= last && (modifiers & chord.held) == chord.held &&
           (modifiers & chord.released) == 0;
}

// The fixed entries; the painting tools' keys come between these two parts,
// one entry each from the tool table.
const Command kBeforeTools[] = {
    {"Esc", "leave corner editing or fill; in view mode, quit (asks to save)", "view / quit",
     {{VK_ESCAPE, 0, 0, 0}}, leaveModeOrQuit, kAsks},
    {"Space", "height overlay on or off", "height overlay", {{VK_SPACE, 0, 0, 0}}, toggleHeightOverlay, 0},
    {"0 to 4", "kind 0 sand, 1 grass, 2 rock, 3 snow, 4 water", "kind", {{'0', '4', 0, 0}}, chooseKind, 0},
    {"C", "clear the map (asks first)", "clear", {{'C', 0, 0, 0}}, clearMap, kAsks},
    {"E", "corner editing on or off", "corner editing", {{'E', 0, 0, 0}}, toggleCornerEditing, 0},
    {"F", "height fill on or off", "height fill", {{'F', 0, 0, 0}}, toggleHeightFill, 0},
    {"G", "import a grey bitmap as the height field", "grey bitmap", {{'G', 0, 0, 0}}, importGreyHeights, kAsks},
    {"I", "fill takes points below or above the height under the cursor", "fill below", {{'I', 0, 0, 0}},
     toggleFillBelow, 0},
    {"M", "open a mission", "mission", {{'M', 0, 0, 0}}, openMission, kAsks},
    {"O", "open a map (asks to save unsaved changes first)", "open map", {{'O', 0, 0, 0}}, openMap, kAsks},
    {"Q", "smaller brush", "smaller brush", {{'Q', 0, 0, 0}}, smallerBrush, 0},
    {"R", "new random height field", "new heights", {{'R', 0, 0, 0}}, newHeightField, 0},
    {"S", "save the map, choosing the file", "save map", {{'S', 0, 0, 0}}, saveChoosingFile, kAsks},
    {"U", "mission objects on or off", "objects", {{'U', 0, 0, 0}}, toggleObjects, 0},
    {"W", "larger brush", "larger brush", {{'W', 0, 0, 0}}, largerBrush, 0},
};
const Command kAfterTools[] = {
    {"P", "pick the kind of the point under the cursor", "pick kind", {{'P', 0, 0, 0}}, pickKind, 0},
    {"V", "symmetry: off, mirror left-right, mirror top-bottom, mirror four ways, half turn", "symmetry",
     {{'V', 0, 0, 0}}, nextSymmetry, 0},
    {"K", "symmetry marks on or off: the points unlike their image and the objects without a twin, in magenta",
     "symmetry marks", {{'K', 0, 0, 0}}, toggleSymmetryMarks, 0},
    {"Ctrl+M", "make the ground exactly symmetric from the part under the cursor",
     "mend symmetry", {{'M', 0, kCtrl, 0}}, mendSymmetryAtCursor, 0},
    {"Home", "show the whole map", "whole map", {{VK_HOME, 0, 0, 0}}, showWholeMap, 0},
    {"Tab", "status line on or off: the point, cell, tile, kind and height under the cursor, the size of what is "
            "drawn, the zoom",
     "status line", {{VK_TAB, 0, 0, 0}}, toggleStatusLine, 0},
    {"Ctrl+G", "grid of the cells on or off: a line every cell, stronger every eighth, the centre lines yellow",
     "grid", {{'G', 0, kCtrl, 0}}, toggleGrid, 0},
    {"Ctrl+Z", "undo", "undo", {{'Z', 0, kCtrl, kShift}}, undo, 0},
    {"Ctrl+Y or Ctrl+Shift+Z", "redo", "redo", {{'Y', 0, kCtrl, 0}, {'Z', 0, kCtrl | kShift, 0}}, redo, 0},
    {"Ctrl+S", "save to the current file", "save to the current file", {{'S', 0, kCtrl, 0}}, saveToCurrentFile,
     kAsks},
    {"Ctrl+C", "copy the selected points as a stamp, to the clipboard", "copy", {{'C', 0, kCtrl, 0}}, copySelection,
     kBrowserToo},
    {"Ctrl+V", "paste the clipboard's stamp: it floats at the cursor in corner editing until Esc", "paste",
     {{'V', 0, kCtrl, 0}}, pasteStamp, kAsks | kBrowserToo},
    {"Z", "while a stamp floats: turn it a quarter turn clockwise", "turn stamp", {{'Z', 0, 0, kCtrl | kShift}},
     turnOrFlipStamp, 0},
    {"X", "while a stamp floats: flip it left-right", "flip stamp left-right", {{'X', 0, 0, kCtrl | kShift}},
     turnOrFlipStamp, 0},
    {"Y", "while a stamp floats: flip it top-bottom", "flip stamp top-bottom", {{'Y', 0, 0, kCtrl | kShift}},
     turnOrFlipStamp, 0},
    {"Ctrl+E", "export the map as a PNG picture (objects included while shown)", "export picture",
     {{'E', 0, kCtrl, 0}}, exportPictureKey, kAsks},
    {"F1", "this help", "all keys", {{VK_F1, 0, 0, 0}}, showHelp, kAsks},
    // Mouse actions: their message cases in the window procedure run them.
    {"Left drag (corner editing)", "paint the kind with the square brush", "paints", {}, nullptr, 0},
    {"Left drag (line or rectangle tool)", "paint the shape from the press to the release; Esc drops it",
     "draws the shape", {}, nullptr, 0},
    {"Left click (bucket tool)", "fill the points joined to the clicked one that hold its kind", "fills", {},
     nullptr, 0},
    {"Ctrl+left drag (corner editing)", "select a rectangle of points; a click without a move clears it",
     "selects", {}, nullptr, 0},
    {"Left click (stamp floating)", "place the stamp; it goes on floating", "places the stamp", {}, nullptr, 0},
    {"Left click (fill)", "apply the fill shown", "applies the fill", {}, nullptr, 0},
    {"Right drag", "pan", "pans", {}, nullptr, 0},
    {"Mouse wheel", "zoom", "zooms", {}, nullptr, 0},
    {"A map file dropped on the window", "open it", "opens it", {}, nullptr, 0},
};

}  // namespace

const std::vector<Command>& commandTable() {
    static const std::vector<Command> table = [] {
        std::vector<Command> all(std::begin(kBeforeTools), std::end(kBeforeTools));
        for (int32_t i = 0; i < kPaintToolCount; ++i) {
            const PaintToolEntry& tool = kPaintTools[i];
            all.push_back({tool.key, tool.help, tool.brief, {{static_cast<WPARAM>(tool.key[0]), 0, 0, 0}}, chooseTool, 0});
        }
        all.insert(all.end(), std::begin(kAfterTools), std::end(kAfterTools));
        return all;
    }();
    return table;
}

const Command* commandForKey(WPARAM key, uint8_t modifiers) {
    const Command* found = nullptr;
    int32_t foundHeld = -1;
    for (const Command& command : commandTable()) {
        for (const KeyChord& chord : command.chords) {
            if (!matches(chord, key, modifiers) || modifierCount(chord.held) <= foundHeld) continue;
            found = &command;
            foundHeld = modifierCount(chord.held);
        }
    }
    return found;
}

const char* helpText() {
    static const std::string text = [] {
        std::string lines;
        for (const Command& command : commandTable())
            lines += std::string(lines.empty() ? "" : "\n") + command.keys + ": " + command.help;
        return lines;
    }();
    return text.c_str();
}

std::string keyLineText() {
    std::string line;
    for (const Command& command : commandTable())
        line += std::string(line.empty() ? "" : " \xC2\xB7 ") + command.keys + " " + command.brief;
    return line;
}

bool commandHoldsCtrlShift(WPARAM key) {
    for (const Command& command : commandTable())
        for (const KeyChord& chord : command.chords)
            if (chord.first && (chord.held & (kCtrl | kShift)) == (kCtrl | kShift) && key >= chord.first &&
                key <= (chord.last ? chord.last : chord.first))
                return true;
    return false;
}

bool browserActsToo(WPARAM key, uint8_t modifiers) {
    const Command* command = commandForKey(key, modifiers);
    return command && (command->traits & kBrowserToo);
}
