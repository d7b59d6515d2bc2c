// The window procedure driven with synthetic messages against a scripted
// host: the keys, the mouse, the painting tools and the stamps.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "fake_host.h"
#include "shell_test.h"
#include "files/mission.h"
#include "height/height_field.h"
#include "map/ground_map.h"
#include "map/lcg_random.h"
#include "map/paint_tools.h"
#include "map/scatter.h"
#include "map/stamp.h"
#include "map/symmetry_check.h"
#include "shell/commands.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/symmetry_counts.h"
#include "shell/view_steps.h"
#include "shell/wndproc.h"

namespace {

using namespace shell_test;

// The program-wide records as main finds them. Runs first: nothing here
// writes the height field but zeros.
TEST(ProgramRecords, StartAt64By64WithAZeroHeightField) {
    for (GroundMap* m : {&workingMap, &previewMap}) {
        ASSERT_EQ(m->width, 64);
        ASSERT_EQ(m->height, 64);
    }
    ASSERT_EQ(heightField.width, 129);
    ASSERT_EQ(heightField.height, 129);
    ASSERT_NE(heightField.values, nullptr);
    for (int i = 0; i < 129 * 129; ++i) ASSERT_EQ(heightField.values[i], 0.0) << "index " << i;
}

TEST_F(Shell, DisplayAndKindKeys) {
    struct Case { WPARAM vk; const char* name; };
    for (int k = 0; k <= 4; ++k) {
        key('0' + k);
        EXPECT_EQ(editorState.currentKind, TerrainKind(k)) << "key " << k;
    }
    key(VK_SPACE);
    EXPECT_TRUE(editorState.heightOverlay);
    key(VK_SPACE);
    EXPECT_FALSE(editorState.heightOverlay);
    key('U');
    EXPECT_FALSE(editorState.showObjects);
    key('U');
    EXPECT_TRUE(editorState.showObjects);
    key('I');
    EXPECT_TRUE(editorState.fillBelow);
    key('I');
    EXPECT_FALSE(editorState.fillBelow);
    // The status line starts on, the grid off; Tab and Ctrl+G turn them, G alone asks for a bitmap.
    EXPECT_TRUE(editorState.statusLine && !editorState.grid);
    key(VK_TAB);
    ctrlKey('G');
    EXPECT_FALSE(editorState.statusLine);
    EXPECT_TRUE(editorState.grid);
    key(VK_TAB);
    ctrlKey('G');
    EXPECT_TRUE(editorState.statusLine && !editorState.grid);
    EXPECT_TRUE(host.dialogs.empty());
    // Keys without a command, numeric keypad digits and plain Z and Y included, change nothing.
    workingMap.paintCorner(6, 6, 2);
    send(WM_LBUTTONUP);  // one step that a plain Z must not undo
    const EditorState before = editorState;
    for (WPARAM vk : {WPARAM('5'), WPARAM('J'), WPARAM('Z'), WPARAM('Y'), WPARAM(VK_NUMPAD0 + 1), WPARAM(VK_RETURN),
                      WPARAM(VK_F1 + 1), WPARAM(VK_CONTROL), WPARAM(VK_SHIFT)}) {
        EXPECT_EQ(key(vk), 0) << "vk " << vk;
    }
    EXPECT_EQ(editorState.currentKind, before.currentKind);
    EXPECT_EQ(editorState.editMode, before.editMode);
    EXPECT_EQ(editorState.brushSize, before.brushSize);
    EXPECT_EQ(workingMap.cornerAt(6, 6), 2);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(host.dialogs.empty());
}

TEST_F(Shell, BrushSizeKeys) {
    key('Q');
    EXPECT_EQ(editorState.brushSize, 1);
    for (int i = 0; i < 5; ++i) key('W');
    EXPECT_EQ(editorState.brushSize, 6);
    key('Q');
    EXPECT_EQ(editorState.brushSize, 5);
    editorState.brushSize = INT32_MAX;
    key('W');
    EXPECT_EQ(editorState.brushSize, INT32_MAX);
}

TEST_F(Shell, EditModeTransitions) {
    struct Case { EditMode from; WPARAM vk; EditMode to; };
    const EditMode view = EditMode::view, corners = EditMode::corners, fill = EditMode::fill;
    const Case cases[] = {
        {view, 'E', corners}, {view, 'F', fill}, {corners, 'E', view}, {corners, 'F', fill},
        {corners, VK_ESCAPE, view}, {fill, 'E', corners}, {fill, 'F', view}, {fill, VK_ESCAPE, view},
        {corners, '3', corners}, {fill, 'W', fill},
    };
    for (const Case& c : cases) {
        editorState.editMode = c.from;
        key(c.vk);
        EXPECT_EQ(editorState.editMode, c.to) << "from " << editModeName(c.from) << " key " << c.vk;
    }
    EXPECT_TRUE(host.boxes.empty()) << "Esc outside view mode must not prompt";

    // Esc in view mode prompts and, cancelled, stays in view mode.
    editorState.editMode = EditMode::view;
    key(VK_ESCAPE);
    EXPECT_EQ(editorState.editMode, EditMode::view);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.quitPosts, 0);
}

TEST_F(Shell, LeftClickInFillModeCommitsThePreview) {
    previewMap.paintCorner(4, 4, 2);
    editorState.editMode = EditMode::fill;
    send(WM_LBUTTONDOWN, MK_LBUTTON, at(10, 20));
    EXPECT_EQ(editorState.editMode, EditMode::view);
    EXPECT_TRUE(sameMap(workingMap, previewMap));
    EXPECT_EQ(host.captures, 1);
    EXPECT_EQ(viewState.mouseX, 10);
    EXPECT_EQ(viewState.mouseY, 20);
    send(WM_LBUTTONUP, 0, at(10, 20));
    EXPECT_EQ(host.releases, 1);
}

// Paints like the window procedure should: the expected order on a fresh map.
void paintReference(GroundMap& ref, const std::vector<std::pair<int, int>>& points, int kind) {
    for (const auto& p : points) ref.paintCorner(p.first, p.second, kind);
}

TEST_F(Shell, BrushPaintsInOrderAndClipsAtTheEdges) {
    struct Case { double lx, ly; std::vector<std::pair<int, int>> points; };
    const Case cases[] = {
        {10.6875, 20.1875, {{10, 20}, {10, 21}, {10, 22}, {11, 20}, {11, 21}, {11, 22}, {12, 20}, {12, 21}, {12, 22}}},
        {10.0, 127.5, {{10, 127}, {10, 128}, {11, 127}, {11, 128}, {12, 127}, {12, 128}}},
        {127.5, 60.0, {{127, 60}, {127, 61}, {127, 62}, {128, 60}, {128, 61}, {128, 62}}},
        {-0.5, 5.0, {{0, 5}, {0, 6}, {0, 7}, {0, 5}, {0, 6}, {0, 7}, {1, 5}, {1, 6}, {1, 7}}},
    };
    GroundMap ref(64, 64);
    for (const Case& c : cases) {
        workingMap.clear();
        ref.clear();
        editorState.editMode = EditMode::corners;
        editorState.brushSize = 3;
        editorState.currentKind = TerrainKind::snow;
        host.leftDown = true;
        send(WM_MOUSEMOVE, MK_LBUTTON, latticeAt(c.lx, c.ly));
        paintReference(ref, c.points, 3);
        EXPECT_TRUE(sameMap(workingMap, ref)) << "brush at " << c.lx << ", " << c.ly;
    }
}

TEST_F(Shell, NoPaintUnlessEveryConditionHolds) {
    GroundMap blank(64, 64);
    struct Case { EditMode mode; bool left; double lx, ly; const char* why; };
    const Case cases[] = {
        {EditMode::view, true, 10.5, 10.5, "view mode"},
        {EditMode::fill, true, 10.5, 10.5, "fill mode"},
        {EditMode::corners, false, 10.5, 10.5, "left button up"},
        {EditMode::corners, true, -1.0, 10.5, "left of the grid"},
        {EditMode::corners, true, 10.5, 129.0, "below the grid"},
    };
    for (const Case& c : cases) {
        editorState.editMode = c.mode;
        editorState.currentKind = TerrainKind::rock;
        host.leftDown = c.left;
        send(WM_MOUSEMOVE, c.left ? MK_LBUTTON : 0, latticeAt(c.lx, c.ly));
        EXPECT_TRUE(sameMap(workingMap, blank)) << c.why;
    }
    // A click without a move paints nothing either.
    editorState.editMode = EditMode::corners;
    host.leftDown = true;
    send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(10.5, 10.5));
    EXPECT_TRUE(sameMap(workingMap, blank));
}

TEST_F(Shell, HeldWWithAHugeBrushPaintsTheGridOnly) {
    editorState.editMode = EditMode::corners;
    editorState.brushSize = INT32_MAX;
    editorState.currentKind = TerrainKind::grass;
    host.leftDown = true;
    send(WM_MOUSEMOVE, MK_LBUTTON, latticeAt(120.5, 120.5));
    EXPECT_EQ(workingMap.cornerAt(128, 128), 1);
    EXPECT_EQ(workingMap.cornerAt(0, 0), 0);
}

TEST_F(Shell, RightDragPansAndCannotStick) {
    send(WM_RBUTTONDOWN, MK_RBUTTON, at(100, 100));
    EXPECT_TRUE(viewState.panDrag);
    send(WM_MOUSEMOVE, MK_RBUTTON, at(110, 100));
    EXPECT_EQ(viewState.panX, -10);
    EXPECT_EQ(host.applyViews, 1);
    // The button came up outside the window: the next move no longer pans.
    send(WM_MOUSEMOVE, 0, at(150, 120));
    EXPECT_FALSE(viewState.panDrag);
    EXPECT_EQ(viewState.panX, -10);
    EXPECT_EQ(viewState.mouseX, 150);
    send(WM_RBUTTONDOWN, MK_RBUTTON, at(150, 120));
    send(WM_RBUTTONUP, 0, at(150, 120));
    EXPECT_FALSE(viewState.panDrag);
    EXPECT_EQ(host.captures, 2);
    EXPECT_EQ(host.releases, 1);
}

TEST_F(Shell, DragWithBothButtonsPansThenPaints) {
    editorState.editMode = EditMode::corners;
    editorState.currentKind = TerrainKind::rock;
    host.leftDown = true;
    send(WM_RBUTTONDOWN, MK_RBUTTON | MK_LBUTTON, at(400, 300));
    // Moving the mouse 16 px left pans 16 px right: the cursor stays over point 0.
    send(WM_MOUSEMOVE, MK_RBUTTON | MK_LBUTTON, at(384, 300));
    EXPECT_EQ(viewState.panX, 16);
    GroundMap ref(64, 64);
    ref.paintCorner(0, 0, 2);
    EXPECT_TRUE(sameMap(workingMap, ref));
}

TEST_F(Shell, WheelZoomsAboutTheCentreAndKeepsTheMouse) {
    send(WM_MOUSEMOVE, 0, at(33, 44));
    viewState.panX = 7;
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), at(1500, 900));
    EXPECT_EQ(viewState.panX, 8);
    EXPECT_DOUBLE_EQ(viewState.zoom, 1.2);
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), at(1500, 900));
    EXPECT_EQ(viewState.panX, 6);
    EXPECT_DOUBLE_EQ(viewState.zoom, 1.0);
    EXPECT_EQ(viewState.mouseX, 33);
    EXPECT_EQ(viewState.mouseY, 44);
    EXPECT_EQ(host.applyViews, 2);
}

TEST_F(Shell, WheelTenThousandStepsEachWayAndFarPans) {
    editorState.editMode = EditMode::corners;
    host.leftDown = true;
    viewState.panX = 1000;
    viewState.panY = -3;
    for (int i = 0; i < 10000; ++i) {
        send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), 0);
        send(WM_MOUSEMOVE, MK_LBUTTON, at(i % 800, i % 600));
    }
    // The pan reaches its bound first here; from then on every step in is refused whole.
    EXPECT_LE(viewState.zoom, kZoomMax);
    EXPECT_LE(std::abs(viewState.panX), kPanLimit);
    EXPECT_GT(std::abs(viewState.panX) * 1.2, double(kPanLimit));
    const ViewState top = viewState;
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), 0);
    EXPECT_EQ(viewState.zoom, top.zoom);
    EXPECT_EQ(viewState.panX, top.panX);
    EXPECT_EQ(viewState.panY, top.panY);
    for (int i = 0; i < 10000; ++i) {
        send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
        send(WM_MOUSEMOVE, MK_LBUTTON, at(i % 800, i % 600));
    }
    EXPECT_GE(viewState.zoom, kZoomMin);
    EXPECT_LT(viewState.zoom, kZoomMin * 1.2);
    // Far pans at the smallest zoom, then the wheel again: nothing overflows.
    send(WM_RBUTTONDOWN, MK_RBUTTON, at(0, 0));
    for (int i = 0; i < 100000; ++i) {
        send(WM_MOUSEMOVE, MK_RBUTTON | MK_LBUTTON, at(i % 2 ? 32767 : -32768, i % 2 ? -32768 : 32767));
    }
    EXPECT_LE(std::abs(viewState.panX), kPanLimit);
    EXPECT_LE(std::abs(viewState.panY), kPanLimit);
    for (int i = 0; i < 10000; ++i) send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), 0);
    EXPECT_TRUE(std::isfinite(viewState.zoom));
    EXPECT_LE(viewState.zoom, kZoomMax);
    EXPECT_LE(std::abs(viewState.panX), kPanLimit);
}

TEST_F(Shell, QuitPrompt) {
    const std::string good = tempPath("quit.map");
    const std::string bad = tempPath("no_such_dir/quit.map");
    struct Case { int answer; std::string path; bool quits; bool saved; size_t boxes; const char* what; };
    const Case cases[] = {
        {IDNO, "", true, false, 1, "No quits without saving"},
        {IDCANCEL, "", false, false, 1, "Cancel does nothing"},
        {IDYES, "", false, false, 1, "Yes, then a cancelled save dialog"},
        {IDYES, bad, false, false, 2, "Yes, then a failed save"},
        {IDYES, good, true, true, 1, "Yes, then a good save"},
    };
    for (const Case& c : cases) {
        for (UINT how : {UINT(WM_KEYDOWN), UINT(WM_CLOSE)}) {
            resetFakeHost();
            std::remove(good.c_str());
            editorState.editMode = how == WM_CLOSE ? EditMode::fill : EditMode::view;  // the close box asks in every mode
            host.boxAnswers = {c.answer};
            host.dialogAnswers = {c.path};
            const LRESULT result = how == WM_CLOSE ? send(WM_CLOSE) : key(VK_ESCAPE);
            EXPECT_EQ(result, 0);
            ASSERT_GE(host.boxes.size(), 1u) << c.what;
            EXPECT_EQ(host.boxes[0].text, "Do you want to save map?");
            EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
            EXPECT_EQ(host.boxes[0].type, UINT(MB_YESNOCANCEL));
            EXPECT_EQ(host.boxes.size(), c.boxes) << c.what;
            if (c.boxes == 2) {
                EXPECT_EQ(host.boxes[1].text, "Could not save map.\nNo such file or directory");
                EXPECT_EQ(host.boxes[1].caption, "VornGroundEditor");
            }
            EXPECT_EQ(host.quitPosts, c.quits ? 1 : 0) << c.what;
            if (c.quits) {
                EXPECT_EQ(host.lastQuitCode, 0);
            }
            EXPECT_EQ(host.dialogs.size(), c.answer == IDYES ? 1u : 0u) << c.what;
            std::ifstream file(good, std::ios::binary | std::ios::ate);
            EXPECT_EQ(file.is_open() && file.tellg() == 4096, c.saved) << c.what;
        }
    }
    std::remove(good.c_str());
}

TEST_F(Shell, ClearPrompt) {
    workingMap.paintCorner(10, 10, 3);
    structureList.push_back({1, 2, 3, 4, 5});
    editorState.editMode = EditMode::corners;
    GroundMap painted(64, 64);
    painted.copyFrom(workingMap);
    host.boxAnswers = {IDNO};
    key('C');
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Do you really want to clear map?");
    EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
    EXPECT_EQ(host.boxes[0].type, UINT(MB_YESNO));
    EXPECT_TRUE(sameMap(workingMap, painted));
    host.boxAnswers = {IDYES};
    key('C');
    GroundMap blank(64, 64);
    EXPECT_TRUE(sameMap(workingMap, blank));
    EXPECT_EQ(structureList.size(), 1u);
    EXPECT_EQ(editorState.editMode, EditMode::corners);
    EXPECT_EQ(host.quitPosts, 0);
    structureList.clear();
}

TEST_F(Shell, HeightTextureKeys) {
    textureNames.height = 7;
    host.nextGenerated = 40;
    key('R');
    EXPECT_EQ(host.deletedTextures, std::vector<unsigned>{7});
    EXPECT_EQ(textureNames.height, 40u);
    // G deletes the old texture first; a failed import leaves name 0.
    host.dialogAnswers = {"/no/such/grey.bmp"};
    host.importResult = 0;
    key('G');
    EXPECT_EQ(host.deletedTextures, (std::vector<unsigned>{7, 40}));
    EXPECT_EQ(host.imports, std::vector<std::string>{"/no/such/grey.bmp"});
    EXPECT_EQ(textureNames.height, 0u);
    EXPECT_TRUE(host.boxes.empty()) << "a file that cannot be read is silent";
    // An image of another size: the import keeps the heights and gives their
    // texture; the refusal is shown.
    host.dialogAnswers = {"/some/big.png"};
    host.importResult = 41;
    host.importRefusal = "The grey bitmap must be 128 x 128 pixels; this image is 256 x 256.";
    key('G');
    EXPECT_EQ(textureNames.height, 41u);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, host.importRefusal);
    EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
}

// M: a mission past the reader's size bound keeps the objects shown and says
// why; a file that cannot be opened keeps them silently.
TEST_F(Shell, MissionRefusedForItsSizeSaysWhy) {
    const std::string big = tempPath("big.mission");
    std::ofstream(big).close();
    ASSERT_EQ(truncate(big.c_str(), kMaxMissionBytes + 1), 0);  // sparse: no disk used
    structureList.assign(1, {1, 2, 3, 4, 5});
    host.dialogAnswers = {big, "/no/such/mission"};
    key('M');
    key('M');
    std::remove(big.c_str());
    ASSERT_EQ(host.boxes.size(), 1u) << "only the oversized file gives a box";
    EXPECT_NE(host.boxes[0].text.find("larger than 4 MiB"), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
    EXPECT_EQ(structureList.size(), 1u);
    structureList.clear();
}

TEST_F(Shell, MessageResults) {
    struct Case { UINT message; };
    for (UINT m : {UINT(WM_CREATE), UINT(WM_DESTROY), UINT(WM_CLOSE), UINT(WM_KEYDOWN)}) EXPECT_EQ(send(m), 0);
    EXPECT_EQ(host.quitPosts, 0) << "WM_DESTROY posts no quit message";
    send(WM_SIZE, 0, at(640, 480));
    EXPECT_EQ(host.applyViews, 1);
}

// Every entry has its F1 line, and each of its chords reaches it: an entry
// whose keys an earlier one already takes would never run.
TEST_F(Shell, HelpListsEveryCommandAndEveryChordReachesIt) {
    key(VK_F1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
    const std::string text = "\n" + host.boxes[0].text + "\n";
    for (const Command& c : commandTable()) {
        EXPECT_NE(text.find(std::string("\n") + c.keys + ": " + c.help + "\n"), std::string::npos)
            << "no F1 line for " << c.keys;
        for (const KeyChord& chord : c.chords) {
            if (!chord.first) continue;
            for (WPARAM vk = chord.first; vk <= std::max(chord.first, chord.last); ++vk)
                EXPECT_EQ(commandForKey(vk, chord.held), &c) << c.keys << ": key " << vk << " with modifiers "
                                                             << int(chord.held) << " runs another entry";
        }
    }
    EXPECT_TRUE(snapshot(workingMap) == snapshot(GroundMap(64, 64)));
}

// Select with Ctrl + drag, Ctrl+C, then Ctrl+V, Z, X and clicks; a clipboard
// without a stamp says so and changes nothing.
TEST_F(Shell, StampsCopyPasteTurnAndPlace) {
    // The client position over lattice point (x, y): truncation goes toward zero.
    const auto point = [](int x, int y) { return latticeAt(x + (x < 0 ? -0.5 : 0.5), y + (y < 0 ? -0.5 : 0.5)); };
    stroke(2, 3.5, 4.5);
    const std::vector<uint8_t> painted = snapshot(workingMap);
    ASSERT_EQ(editorState.editMode, EditMode::corners);
    // Ctrl + drag from (6, 5) to (3, 4) selects and paints nothing.
    host.ctrlDown = host.leftDown = true;
    send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, point(6, 5));
    send(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, point(3, 4));
    host.leftDown = false;
    send(WM_LBUTTONUP, MK_CONTROL, point(3, 4));
    key('C');  // Ctrl+C, not C's clear prompt
    host.ctrlDown = false;
    EXPECT_TRUE(host.boxes.empty()) << "Ctrl+C asked: " << host.boxes[0].text;
    EXPECT_EQ(snapshot(workingMap), painted) << "the selection drag painted";
    const Stamp copied = copyStamp(workingMap, {3, 4}, {6, 5});
    EXPECT_EQ(host.clipboard, stampText(copied));
    EXPECT_EQ(host.clipboard.substr(0, 29), "VornGroundEditor stamp 1 4 2\n");

    // Pasted from view mode, turned, flipped and placed twice: each press one step.
    key(VK_ESCAPE);
    host.clipboard = "VornGroundEditor stamp 1 3 2\n012\n344\n";
    ctrlKey('V');
    EXPECT_EQ(editorState.editMode, EditMode::corners);
    key('Z');
    key('X');
    Stamp expected;
    ASSERT_TRUE(parseStamp(host.clipboard.data(), host.clipboard.size(), expected));
    expected = flippedLeftRight(turnedClockwise(expected));
    GroundMap reference(64, 64);
    reference.copyFrom(workingMap);
    for (const auto& at : {std::pair<int, int>{20, 30}, {127, -1}}) {
        host.leftDown = true;
        send(WM_LBUTTONDOWN, MK_LBUTTON, point(at.first, at.second));
        send(WM_MOUSEMOVE, MK_LBUTTON, point(at.first + 5, at.second + 5));  // a held button paints nothing
        host.leftDown = false;
        send(WM_LBUTTONUP, 0, point(at.first + 5, at.second + 5));
        placeStamp(reference, expected, at.first, at.second);
        EXPECT_TRUE(sameMap(workingMap, reference)) << "stamp placed at (" << at.first << ", " << at.second << ")";
    }
    ctrlKey('Z');
    ctrlKey('Z');
    EXPECT_EQ(snapshot(workingMap), painted) << "two placements, two undo steps";

    // A clipboard without a stamp: the message, and the stamp, mode and map stay.
    const std::vector<uint8_t> before = snapshot(workingMap);
    for (const char* text : {"VornGroundEditor stamp 1 3 2\n012\n345\n", "hello", ""}) {
        host.clipboard = text;
        host.boxes.clear();
        ctrlKey('V');
        ASSERT_EQ(host.boxes.size(), 1u) << text;
        EXPECT_EQ(host.boxes[0].text, "The clipboard holds no terrain stamp.");
        EXPECT_TRUE(floatingStamp.floating);
        EXPECT_EQ(editorState.editMode, EditMode::corners);
    }
    key(VK_ESCAPE);
    EXPECT_FALSE(floatingStamp.floating) << "Esc drops the stamp";
    EXPECT_EQ(editorState.editMode, EditMode::view);
    host.boxes.clear();
    ctrlKey('V');
    EXPECT_EQ(editorState.editMode, EditMode::view) << "a bad paste leaves the mode";
    key('E');
    host.leftDown = true;
    send(WM_LBUTTONDOWN, MK_LBUTTON, point(40, 40));
    host.leftDown = false;
    send(WM_LBUTTONUP, 0, point(40, 40));
    EXPECT_EQ(snapshot(workingMap), before) << "no stamp floats after Esc";
    // Z, X and Y do nothing with no stamp floating; a Ctrl click without a move clears the selection.
    key('Z'), key('X'), key('Y');
    EXPECT_EQ(snapshot(workingMap), before);
    EXPECT_TRUE(selection.shown == false);
    host.ctrlDown = true;
    send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, point(1, 1));
    send(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, point(2, 2));
    send(WM_LBUTTONUP, MK_CONTROL, point(2, 2));
    EXPECT_TRUE(selection.shown);
    send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, point(2, 2));
    send(WM_LBUTTONUP, MK_CONTROL, point(2, 2));
    host.ctrlDown = false;
    EXPECT_FALSE(selection.shown);
    // A clipboard with no text at all: the editor's own copy from Ctrl+C.
    host.clipboardHolds = false;
    host.boxes.clear();
    ctrlKey('V');
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(floatingStamp.floating);
    EXPECT_EQ(stampText(floatingStamp.stamp), stampText(copied));
}

// The line, rectangle and bucket through the window: a press, a move and a
// release paint what the core's points give, with symmetry; the working map
// changes only at the release, as one undo step; Esc drops a held drag. The
// scatter tool's stroke against the core's step from the same seed.
TEST_F(Shell, PaintingToolsThroughTheWindow) {
    using P = LatticePoint;
    struct Case {
        const char* what; WPARAM tool; int symmetrySteps; P press, move, release; bool esc;
        std::function<void(std::vector<P>&)> expected;  // the points, before symmetry
    };
    const Case cases[] = {
        {"line", 'L', 0, {10, 10}, {30, 15}, {40, 20}, false,
         [](std::vector<P>& v) { lineBrushPoints({10, 10}, {40, 20}, 2, 129, 129, v); }},
        {"line pressed off the lattice", 'L', 0, {-3, 10}, {30, 15}, {40, 20}, false, [](std::vector<P>& v) { v.clear(); }},
        {"rectangle clamped", 'A', 0, {120, 5}, {200, -50}, {200, -50}, false,
         [](std::vector<P>& v) { rectanglePoints({120, 5}, {128, 0}, v); }},
        {"rectangle mirrored", 'A', 1, {3, 3}, {9, 9}, {10, 8}, false,
         [](std::vector<P>& v) { rectanglePoints({3, 3}, {10, 8}, v); }},
        {"bucket half turn", 'B', 4, {64, 64}, {70, 70}, {70, 70}, false,
         [](std::vector<P>& v) { rectanglePoints({0, 0}, {128, 128}, v); std::sort(v.begin(), v.end(), [](P a, P b) { return a.y != b.y ? a.y < b.y : a.x < b.x; }); }},
        {"line dropped by Esc", 'L', 0, {10, 10}, {30, 15}, {40, 20}, true, [](std::vector<P>& v) { v.clear(); }},
        {"brush four ways", 'D', 3, {10, 10}, {10, 10}, {10, 10}, false,
         [](std::vector<P>& v) { v = {{10, 10}, {10, 11}, {11, 10}, {11, 11}}; }},
    };
    for (const Case& c : cases) {
        SetUp();
        key('2');
        key('W');  // brush 2
        key(c.tool);
        for (int i = 0; i < c.symmetrySteps; ++i) key('V');
        auto pos = [](P p) { return latticeAt(p.x + 0.5, p.y + 0.5); };
        host.leftDown = true;
        send(WM_LBUTTONDOWN, MK_LBUTTON, pos(c.press));
        send(WM_MOUSEMOVE, MK_LBUTTON, pos(c.move));
        const bool brush = c.tool == 'D';
        EXPECT_EQ(workingMap.cornerAt(c.press.x < 0 ? 0 : c.press.x, c.press.y) == 2, brush && !c.esc)
            << c.what << ": only the brush paints before the release";
        if (c.esc) key(VK_ESCAPE);
        host.leftDown = false;
        send(WM_LBUTTONUP, 0, pos(c.release));
        std::vector<P> points;
        c.expected(points);
        GroundMap expected(64, 64);
        paintPoints(expected, points, 2, editorState.symmetry);
        EXPECT_TRUE(sameMap(workingMap, expected)) << c.what;
        ctrlKey('Z');
        EXPECT_TRUE(sameMap(workingMap, GroundMap(64, 64))) << c.what << ": one undo step takes it all back";
    }
    // The scatter tool: the press seeds the stroke's generator with the press
    // point (0 off the lattice), each move paints scatterStep at its lattice
    // position and a move off the lattice draws nothing; T again steps the
    // density 25, 50, 10, 25; the stroke is one undo step.
    struct Scatter { const char* what; int tKeys, symmetrySteps, density; P press; uint32_t seed; std::vector<LatticePos> moves; };
    const Scatter scatters[] = {
        {"25%", 1, 0, 25, {20, 30}, 30 * 129 + 20, {{20.5, 30.5}, {22.5, 31.5}, {25.5, 31.5}}},
        {"50% four ways", 2, 3, 50, {10, 10}, 10 * 129 + 10, {{10.5, 10.5}, {12.5, 10.5}, {60.5, 62.5}}},
        {"10% half turn", 3, 4, 10, {100, 40}, 40 * 129 + 100, {{100.5, 40.5}, {101.5, 44.5}, {104.5, 46.5}, {106.5, 50.5}}},
        {"back to 25% at the far corner, clipped", 4, 0, 25, {128, 128}, 128 * 129 + 128, {{127.5, 127.5}, {128.5, 126.5}}},
        {"top-right corner mirrored", 1, 1, 25, {128, 0}, 128, {{126.5, 0.5}, {127.5, 2.5}}},
        {"pressed off the lattice", 1, 0, 25, {-3, 10}, 0, {{1.5, 10.5}, {-2.5, 10.5}, {3.5, 11.5}}},
    };
    for (const Scatter& c : scatters) {
        SetUp();
        key('2');
        key('W');
        key('W');  // brush 3
        for (int i = 0; i < c.symmetrySteps; ++i) key('V');
        for (int i = 0; i < c.tKeys; ++i) key('T');
        EXPECT_EQ(editorState.scatterDensity, c.density) << c.what;
        host.leftDown = true;
        send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(c.press.x + 0.5, c.press.y + 0.5));
        for (const LatticePos& m : c.moves) send(WM_MOUSEMOVE, MK_LBUTTON, latticeAt(m.x, m.y));
        host.leftDown = false;
        send(WM_LBUTTONUP, 0, latticeAt(c.moves.back().x, c.moves.back().y));
        GroundMap expected(64, 64);
        LcgRandom random;
        random.seed(c.seed);
        for (const LatticePos& m : c.moves) scatterStep(expected, random, m, 3, c.density, 2, editorState.symmetry);
        EXPECT_FALSE(sameMap(expected, GroundMap(64, 64))) << c.what << ": the case paints something";
        EXPECT_TRUE(sameMap(workingMap, expected)) << c.what;
        EXPECT_EQ(toolDrag.strokeRandom.state, random.state) << c.what << ": one draw per point walked";
        ctrlKey('Z');
        EXPECT_TRUE(sameMap(workingMap, GroundMap(64, 64))) << c.what << ": one undo step takes it all back";
    }
    // A drag whose release went astray ends at the next press, and Ctrl+V
    // during one drops it: neither release paints it.
    for (bool paste : {false, true}) {
        SetUp();
        key('L');
        host.leftDown = true;
        send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(10.5, 10.5));
        send(WM_MOUSEMOVE, MK_LBUTTON, latticeAt(30.5, 20.5));
        if (paste) {
            host.clipboard = "VornGroundEditor stamp 1 1 1\n3\n";
            ctrlKey('V');
        } else {
            send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(-3.5, 10.5));
        }
        host.leftDown = false;
        send(WM_LBUTTONUP, 0, latticeAt(30.5, 20.5));
        EXPECT_TRUE(sameMap(workingMap, GroundMap(64, 64))) << (paste ? "Ctrl+V" : "a new press") << " kept the drag";
    }
}

TEST_F(Shell, PickerAndWholeMapKeys) {
    workingMap.paintCorner(20, 30, 3);
    send(WM_MOUSEMOVE, 0, latticeAt(20.5, 30.5));
    key('P');
    EXPECT_EQ(editorState.currentKind, TerrainKind::snow);
    EXPECT_EQ(editorState.editMode, EditMode::view) << "P changes no mode";
    send(WM_MOUSEMOVE, 0, latticeAt(-2.5, 30.5));
    key('P');
    EXPECT_EQ(editorState.currentKind, TerrainKind::snow) << "off the lattice nothing is picked";
    key(VK_HOME);
    EXPECT_EQ(viewState.zoom, 0.9 * 600 / 2048);
    EXPECT_EQ(viewState.panX, 270);
    EXPECT_EQ(viewState.panY, 270);
}

// The symmetry counts follow the working map (a stroke while it paints), the
// mission and the mode, and recount nothing while none of them changed. K
// turns the marks on and off.
TEST_F(Shell, SymmetryCountsFollowTheMapTheMissionAndTheMode) {
    EXPECT_EQ(symmetryStatusText(), "") << "symmetry off: no fields";
    const auto unlikeText = [](Symmetry s) {
        return "unlike their image: " + std::to_string(countUnlikeImage(workingMap, s));
    };
    stroke(2, 10.5, 20.5);  // painted without symmetry, so unlike its images
    key('V');
    EXPECT_EQ(symmetryStatusText(), unlikeText(Symmetry::mirrorLeftRight));
    EXPECT_NE(symmetryStatusText(), "unlike their image: 0");
    const uint32_t recounts = symmetryCheck.recounts;
    symmetryStatusText();
    refreshSymmetryCheck();
    EXPECT_EQ(symmetryCheck.recounts, recounts) << "nothing changed, yet it counted again";

    // A stroke counts as it paints, before its release (here over the first
    // stroke's image, which mends some of it); undo counts too.
    const std::string before = symmetryStatusText();
    host.leftDown = true;
    send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(118.5, 20.5));
    send(WM_MOUSEMOVE, MK_LBUTTON, latticeAt(118.5, 20.5));
    const std::string during = symmetryStatusText();
    EXPECT_EQ(during, unlikeText(Symmetry::mirrorLeftRight));
    EXPECT_NE(during, before);
    host.leftDown = false;
    send(WM_LBUTTONUP, 0, latticeAt(118.5, 20.5));
    ctrlKey('Z');
    EXPECT_EQ(symmetryStatusText(), before);

    // A mission: a 3 x 3 structure at cell (2, 5) whose twin stands at
    // (59, 5), and a tile object at (1, 1) without one.
    structureList = {{0, 0, 2, 0, 5 * 64 + 2}, {0, 0, 2, 0, 5 * 64 + 59}};
    tileObjectList = {{0, 7, 0, 64 + 1, 0, 0}};
    EXPECT_EQ(symmetryStatusText(), unlikeText(Symmetry::mirrorLeftRight) + "  objects without twin: 1");
    key('V');  // top-bottom: now all three lack a twin
    EXPECT_EQ(symmetryStatusText(), unlikeText(Symmetry::mirrorTopBottom) + "  objects without twin: 3");
    ASSERT_EQ(symmetryCheck.withoutTwin.size(), 3u);
    EXPECT_EQ(symmetryCheck.withoutTwin[0].w, 3);
    tileObjectList.clear();
    structureList.clear();
    EXPECT_EQ(symmetryStatusText(), unlikeText(Symmetry::mirrorTopBottom)) << "no objects, no object field";
    for (int i = 0; i < 3; ++i) key('V');
    EXPECT_EQ(editorState.symmetry, Symmetry::off);
    EXPECT_EQ(symmetryStatusText(), "");
    EXPECT_TRUE(symmetryCheck.unlike.empty());

    EXPECT_FALSE(editorState.symmetryMarks) << "marks start off";
    key('K');
    EXPECT_TRUE(editorState.symmetryMarks);
    ctrlKey('K');
    EXPECT_TRUE(editorState.symmetryMarks) << "Ctrl+K is no command";
    key('K');
    EXPECT_FALSE(editorState.symmetryMarks);
}

// Ctrl+M makes the working map exactly what mendSymmetry makes of it from
// the part under the cursor, as one undo step, and a second Ctrl+M adds no
// step; with the cursor off the lattice or on an axis, or with symmetry
// off, nothing changes and no step is kept.
TEST_F(Shell, CtrlMMendsFromThePartUnderTheCursor) {
    struct Case { const char* what; int vPresses; LatticePoint cursor; bool mends; };
    const Case cases[] = {
        {"left-right from the left", 1, {10, 20}, true},
        {"left-right from the right", 1, {100, 20}, true},
        {"top-bottom from the bottom", 2, {10, 100}, true},
        {"four ways from the bottom-right", 3, {100, 90}, true},
        {"half turn from the left", 4, {30, 110}, true},
        {"on the left-right axis", 1, {64, 20}, false},
        {"on the four ways' row axis", 3, {20, 64}, false},
        {"off the lattice", 1, {-3, 20}, false},
        {"symmetry off", 0, {10, 20}, false},
    };
    for (const Case& c : cases) {
        SetUp();
        stroke(2, 10.5, 20.5);
        stroke(4, 90.5, 100.5);
        ctrlKey('Z');
        const std::vector<uint8_t> afterFirst = snapshot(workingMap);
        ctrlKey('Y');
        for (int i = 0; i < c.vPresses; ++i) key('V');
        const std::vector<uint8_t> before = snapshot(workingMap);
        GroundMap want(64, 64);
        want.copyFrom(workingMap);
        EXPECT_EQ(mendSymmetry(want, editorState.symmetry, c.cursor), c.mends) << c.what;
        send(WM_MOUSEMOVE, 0, latticeAt(c.cursor.x + 0.5, c.cursor.y + 0.5));
        ctrlKey('M');
        EXPECT_TRUE(sameMap(workingMap, want)) << c.what;
        if (c.mends) {
            EXPECT_EQ(countUnlikeImage(workingMap, editorState.symmetry), 0) << c.what;
            EXPECT_EQ(symmetryStatusText(), "unlike their image: 0") << c.what;
            ctrlKey('M');  // changes no byte: no step
            ctrlKey('Z');
            EXPECT_EQ(snapshot(workingMap), before) << c.what << ": one undo step takes the mend back";
            ctrlKey('Y');
            EXPECT_TRUE(sameMap(workingMap, want)) << c.what << ": redo";
        } else {
            EXPECT_EQ(snapshot(workingMap), before) << c.what;
            ctrlKey('Z');
            EXPECT_EQ(snapshot(workingMap), afterFirst) << c.what << ": Ctrl+M kept a step";
        }
    }
}

// Shift with a key the table binds only plainly does what the key does, and
// Ctrl does with keys other than letters; a letter with Ctrl runs only a Ctrl
// command (Ctrl+C never asks to clear as C does). A chord that needs a
// modifier wins over the plain key.
TEST(Commands, ModifiersPickTheEntry) {
    struct Case { WPARAM vk; uint8_t modifiers; const char* expected; };
    const Case cases[] = {
        {'E', kCtrl, "Ctrl+E"}, {'E', kCtrl | kShift, "Ctrl+E"}, {'E', kShift, "E"}, {'3', kShift, "0 to 4"}, {VK_F1, kCtrl, "F1"},
        {'C', 0, "C"}, {'C', kCtrl, "Ctrl+C"}, {'V', kCtrl, "Ctrl+V"}, {'V', 0, "V"}, {VK_HOME, 0, "Home"}, {'B', kCtrl, nullptr},
        {'X', kCtrl, nullptr}, {'X', 0, "X"}, {'M', kCtrl, "Ctrl+M"}, {'K', kCtrl, nullptr}, {'Z', 0, "Z"},
        {'S', 0, "S"}, {'S', kCtrl, "Ctrl+S"}, {'S', kCtrl | kShift, "Ctrl+S"},
        {'Z', kShift, nullptr}, {'Z', kCtrl, "Ctrl+Z"}, {'Z', kCtrl | kShift, "Ctrl+Y or Ctrl+Shift+Z"},
        {'Y', 0, "Y"}, {'Y', kCtrl | kShift, "Ctrl+Y or Ctrl+Shift+Z"}, {'5', 0, nullptr}, {VK_CONTROL, kCtrl, nullptr},
        {'G', kCtrl, "Ctrl+G"}, {'G', 0, "G"}, {VK_TAB, kShift, "Tab"},
    };
    for (const Case& c : cases) {
        const Command* got = commandForKey(c.vk, c.modifiers);
        EXPECT_EQ(std::string(got ? got->keys : "none"), std::string(c.expected ? c.expected : "none"))
            << "key " << c.vk << " with modifiers " << int(c.modifiers);
    }
    // What the browser page shares with the browser: Ctrl+Shift+Z alone of
    // the Ctrl+Shift keys, and Ctrl+C and Ctrl+V (its copy and paste events).
    for (WPARAM vk : {WPARAM('Z'), WPARAM('S'), WPARAM('Y'), WPARAM('C')})
        EXPECT_EQ(commandHoldsCtrlShift(vk), vk == 'Z') << "key " << vk;
    EXPECT_TRUE(browserActsToo('C', kCtrl) && browserActsToo('V', kCtrl));
    EXPECT_FALSE(browserActsToo('C', 0) || browserActsToo('S', kCtrl) || browserActsToo('X', kCtrl));
}

}  // namespace
