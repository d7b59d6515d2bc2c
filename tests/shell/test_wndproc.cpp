// The window procedure driven with synthetic messages against a scripted host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fake_host.h"
#include "files/image_decode.h"
#include "files/map_image.h"
#include "files/mission.h"
#include "height/height_field.h"
#include "height/height_fill.h"
#include "height/height_image.h"
#include "map/ground_map.h"
#include "map/paint_tools.h"
#include "map/stamp.h"
#include "shell/commands.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/startup.h"
#include "shell/view_steps.h"
#include "shell/wndproc.h"

// Failure messages show a mode or kind as its number.
static void PrintTo(EditMode mode, std::ostream* os) { *os << static_cast<int>(mode); }
static void PrintTo(TerrainKind kind, std::ostream* os) { *os << static_cast<int>(kind); }

namespace {

HWND const kWindow = reinterpret_cast<HWND>(0x1234);

LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return editorWndProc(kWindow, message, wParam, lParam);
}
LRESULT key(WPARAM vk) { return send(WM_KEYDOWN, vk, 1); }
// Client position packed as Windows does: signed 16-bit halves.
LPARAM at(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// A client position whose lattice position is (400 + dx)/16-ish: the centre
// of the 800 x 600 fake client area plus (dx, dy) pixels, at zoom 1, pan 0,
// maps to ((dx / 16) + 0.5, (dy / 16) + 0.5).
LPARAM latticeAt(double lx, double ly) {
    return at(400 + static_cast<int>(std::lround((lx - 0.5) * 16)), 300 + static_cast<int>(std::lround((ly - 0.5) * 16)));
}

std::string tempPath(const char* name) {
    return std::string(::testing::TempDir()) + "vorn_shell_" + std::to_string(getpid()) + "_" + name;
}

bool sameMap(const GroundMap& a, const GroundMap& b) {
    const int points = a.latticeStride() * (2 * a.height + 1);
    for (int i = 0; i < points; ++i)
        if (a.corners[i] != b.corners[i]) return false;
    for (int i = 0; i < a.width * a.height; ++i)
        if (a.tiles[i] != b.tiles[i]) return false;
    return true;
}

class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        static bool patterns = false;
        if (!patterns) {
            initPatternTable();
            patterns = true;
        }
        resetFakeHost();
        editorState = EditorState();
        viewState = ViewState();
        textureNames = TextureNames();
        workingMap.clear();
        previewMap.clear();
        selection = SelectionState();
        floatingStamp = FloatingStamp();
        toolDrag = ToolDragState();
        resetDocument();
    }
    FakeHost& host = fakeHost();
};

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

TEST_F(Shell, FileKeysWithCancelledDialogs) {
    struct Case { WPARAM vk; bool save; const char* title; };
    const Case cases[] = {{'G', false, "Choose Grey Bitmap"}, {'M', false, "Choose Mission"},
                          {'O', false, "Choose Map"}, {'S', true, nullptr}};
    workingMap.paintCorner(3, 3, 1);
    GroundMap before(64, 64);
    before.copyFrom(workingMap);
    textureNames.height = 55;
    for (const Case& c : cases) {
        resetFakeHost();
        key(c.vk);
        ASSERT_EQ(host.dialogs.size(), 1u) << char(c.vk);
        const FakeHost::Dialog& d = host.dialogs[0];
        EXPECT_EQ(d.save, c.save);
        EXPECT_EQ(d.titleNull, c.title == nullptr) << char(c.vk);
        if (c.title) {
            EXPECT_EQ(d.title, c.title);
        }
        EXPECT_EQ(d.flags, c.save ? 0x80Au : 0x1008u) << char(c.vk);
        EXPECT_EQ(d.structSize, sizeof(OPENFILENAMEA));
        EXPECT_EQ(d.maxFile, DWORD(VORN_PATH_CHARS));
        EXPECT_EQ(d.filter, c.vk == 'G' ? "Images (*.bmp;*.png)|*.bmp;*.png|All Files|*.*|" : "All Files|*.*|");
        EXPECT_TRUE(host.boxes.empty()) << "a cancelled dialog is silent";
        EXPECT_TRUE(host.deletedTextures.empty()) << "G keeps the height texture when cancelled";
        EXPECT_TRUE(host.imports.empty());
    }
    EXPECT_EQ(textureNames.height, 55u);
    EXPECT_TRUE(sameMap(workingMap, before));
}

TEST_F(Shell, SaveThenOpenRoundTrips) {
    const std::string path = tempPath("round.map");
    workingMap.paintCorner(20, 30, 2);
    GroundMap painted(64, 64);
    painted.copyFrom(workingMap);
    host.dialogAnswers = {path};
    key('S');
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.quitPosts, 0);
    key('C');  // cancelled by the fake: the map stays
    host.boxAnswers = {IDYES, IDNO};  // clear, then "save the cleared map?" before O: No
    key('C');
    host.dialogAnswers = {path};
    key('O');
    EXPECT_EQ(std::vector<uint8_t>(workingMap.tiles, workingMap.tiles + 4096),
              std::vector<uint8_t>(painted.tiles, painted.tiles + 4096));
    std::remove(path.c_str());

    // S into a folder that does not exist says so, and why.
    host.dialogAnswers = {tempPath("missing_dir/x.map")};
    key('S');
    ASSERT_EQ(host.boxes.size(), 4u);
    EXPECT_EQ(host.boxes[3].text, "Could not save map.\nNo such file or directory");
    EXPECT_EQ(host.quitPosts, 0);
}

// Paths longer than Windows' 259 characters work where the host takes them;
// one longer than the host takes is said, not silently dropped.
TEST_F(Shell, LongPaths) {
    std::string folder = tempPath("long");
    for (int i = 0; i < 3; ++i) {
        folder += "/" + std::string(200, char('a' + i));
        ASSERT_EQ(system(("mkdir -p '" + folder + "'").c_str()), 0);
    }
    const std::string path = folder + "/map.map";
    workingMap.paintCorner(20, 30, 2);
    GroundMap painted(64, 64);
    painted.copyFrom(workingMap);
    host.dialogAnswers = {path};
    key('S');
    EXPECT_TRUE(host.boxes.empty()) << path.size() << " characters save";
    workingMap.clear();
    host.dialogAnswers = {path};
    key('O');
    const std::vector<uint8_t> tiles(painted.tiles, painted.tiles + 4096);
    EXPECT_EQ(std::vector<uint8_t>(workingMap.tiles, workingMap.tiles + 4096), tiles) << path.size() << " characters open";
    EXPECT_EQ(system(("rm -rf '" + tempPath("long") + "'").c_str()), 0);

    const std::string tooLong = "/" + std::string(VORN_PATH_CHARS, 'x');
    for (WPARAM vk : {'S', 'O'}) {
        resetFakeHost();
        host.dialogAnswers = {tooLong};
        key(vk);
        ASSERT_EQ(host.boxes.size(), 1u) << char(vk);
        EXPECT_EQ(host.boxes[0].text, "The file name is too long.");
        EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
        EXPECT_EQ(host.quitPosts, 0);
    }
    EXPECT_EQ(std::vector<uint8_t>(workingMap.tiles, workingMap.tiles + 4096), tiles);
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

// Both grids, for comparing states of the working map.
std::vector<uint8_t> snapshot(const GroundMap& m) {
    std::vector<uint8_t> bytes(m.tiles, m.tiles + m.width * m.height);
    bytes.insert(bytes.end(), m.corners, m.corners + m.latticeStride() * (2 * m.height + 1));
    return bytes;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Editing as a person would, through messages only.
void stroke(int kind, double lx, double ly) {
    FakeHost& host = fakeHost();
    editorState.editMode = EditMode::corners;
    editorState.currentKind = static_cast<TerrainKind>(kind);
    send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(lx, ly));
    host.leftDown = true;
    send(WM_MOUSEMOVE, MK_LBUTTON, latticeAt(lx, ly));
    send(WM_MOUSEMOVE, MK_LBUTTON, latticeAt(lx + 4, ly + 1));
    host.leftDown = false;
    send(WM_LBUTTONUP, 0, latticeAt(lx + 4, ly + 1));
}
void ctrlKey(WPARAM vk, bool shift = false) {
    FakeHost& host = fakeHost();
    host.ctrlDown = true;
    host.shiftDown = shift;
    key(vk);
    host.ctrlDown = host.shiftDown = false;
}
void drop(const std::vector<std::string>& files) {
    HDROP__ d;
    d.files = files;
    EXPECT_EQ(send(WM_DROPFILES, reinterpret_cast<WPARAM>(&d)), 0);
    EXPECT_EQ(d.finished, 1) << "every drop is finished once";
}

// Each step also checks the current file, the "*" and whether an open asked
// about unsaved changes (always answered No).
TEST_F(Shell, UndoRedoRestoresBothGridsAndTheFileAfterEveryStep) {
    const std::string rockFile = tempPath("rock.map"), mixedFile = tempPath("mixed.map");
    writeBytes(rockFile, std::vector<uint8_t>(4096, 192));
    std::vector<uint8_t> mixed(4096, kPlainTile);
    for (int i = 0; i < 4096; i += 7) mixed[i] = static_cast<uint8_t>(i);
    writeBytes(mixedFile, mixed);
    std::fill(heightField.values, heightField.values + heightField.width * heightField.height, 0.0);

    enum Action { kStroke, kFill, kClear, kOpen, kOpenMissing, kDrop, kUndo, kRedoY, kRedoShiftZ, kQuickSave, kStart };
    enum File { none, rock, mix };
    const char* const fileNames[] = {"", "rock.map", "mixed.map"};
    // expect: index of the state the map must be in afterwards; new states
    // are numbered in order of appearance (state 0 is the blank start).
    struct Step { Action action; int kind; double at; int expect; File file; bool modified; bool asks = false; };
    const Step steps[] = {
        {kStroke, 2, 10, 1, none, true}, {kStroke, 1, 30, 2, none, true}, {kUndo, 0, 0, 1, none, true},
        {kUndo, 0, 0, 0, none, false}, {kUndo, 0, 0, 0, none, false}, {kRedoY, 0, 0, 1, none, true},
        {kRedoShiftZ, 0, 0, 2, none, true}, {kRedoY, 0, 0, 2, none, true}, {kUndo, 0, 0, 1, none, true},
        {kStroke, 0, 90, 1, none, true},                                   // changes no byte: no step
        {kStroke, 3, 50, 3, none, true}, {kRedoY, 0, 0, 3, none, true},    // a new change dropped the redo step
        {kFill, 4, 0, 4, none, true}, {kClear, 0, 0, 0, none, true}, {kUndo, 0, 0, 4, none, true},
        {kUndo, 0, 0, 3, none, true}, {kRedoY, 0, 0, 4, none, true},
        {kOpen, 0, 0, 5, rock, false, true}, {kOpenMissing, 0, 0, 5, rock, false, false},
        {kDrop, 0, 0, 6, mix, false, false},
        // Undo and redo across opens move the file with the map.
        {kUndo, 0, 0, 5, rock, false}, {kUndo, 0, 0, 4, none, true}, {kRedoY, 0, 0, 5, rock, false},
        {kRedoY, 0, 0, 6, mix, false},
        // The probe: paint B, open A, undo: B's painted map with B's "*";
        // Ctrl+S writes B; redo and undo keep each file's own mark.
        {kStroke, 1, 20, 7, mix, true}, {kOpen, 0, 0, 5, rock, false, true}, {kUndo, 0, 0, 7, mix, true},
        {kQuickSave, 0, 0, 7, mix, false}, {kRedoY, 0, 0, 5, rock, false}, {kUndo, 0, 0, 7, mix, false},
        // rock.map was read again since state 5: the editor cannot tell that
        // state 5 is still its content, and marks it as changed.
        {kUndo, 0, 0, 6, mix, true}, {kUndo, 0, 0, 5, rock, true}, {kUndo, 0, 0, 4, none, true},
        {kUndo, 0, 0, 3, none, true}, {kUndo, 0, 0, 1, none, true}, {kUndo, 0, 0, 0, none, false},
        {kUndo, 0, 0, 0, none, false}, {kRedoY, 0, 0, 1, none, true},
        // A command-line load at start: undone, the cleared map and no file.
        {kStart, 0, 0, 5, rock, false, false}, {kStroke, 2, 40, 8, rock, true}, {kUndo, 0, 0, 5, rock, false},
        {kUndo, 0, 0, 0, none, false}, {kRedoY, 0, 0, 5, rock, false},
        // Drops without and with unsaved changes; the second reloads the current file.
        {kDrop, 0, 0, 9, mix, false, false}, {kStroke, 3, 60, 10, mix, true}, {kDrop, 0, 0, 9, mix, false, true},
        {kUndo, 0, 0, 10, mix, true}, {kRedoY, 0, 0, 9, mix, false},
    };
    std::vector<std::vector<uint8_t>> states = {snapshot(workingMap)};
    std::vector<uint8_t> quickSaved;
    int n = 0;
    for (const Step& s : steps) {
        ++n;
        const size_t boxesBefore = host.boxes.size();
        host.boxAnswers = {IDNO};  // the question about unsaved changes, if asked
        switch (s.action) {
        case kStroke: stroke(s.kind, s.at, s.at); break;
        case kFill:
            editorState.editMode = EditMode::fill;
            editorState.currentKind = static_cast<TerrainKind>(s.kind);
            send(WM_MOUSEMOVE, 0, latticeAt(64.5, 64.5));
            send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(64.5, 64.5));
            send(WM_LBUTTONUP, 0, latticeAt(64.5, 64.5));
            break;
        case kClear: host.boxAnswers = {IDYES}; key('C'); break;
        case kOpen: host.dialogAnswers = {rockFile}; key('O'); break;
        case kOpenMissing:
            host.dialogAnswers = {tempPath("missing.map")};
            key('O');
            ASSERT_FALSE(host.boxes.empty());
            EXPECT_EQ(host.boxes.back().text, "Could not read map " + tempPath("missing.map") + ".");
            break;
        case kDrop: drop({mixedFile, rockFile}); break;
        case kUndo: ctrlKey('Z'); break;
        case kRedoY: ctrlKey('Y'); break;
        case kRedoShiftZ: ctrlKey('Z', true); break;
        case kQuickSave:
            ctrlKey('S');
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) quickSaved.push_back(workingMap.tileAt(x, y));
            break;
        case kStart:
            workingMap.clear();
            send(WM_CREATE);
            EXPECT_TRUE(openStartMap(kWindow, rockFile.c_str()));
            break;
        }
        host.boxAnswers.clear();
        if (s.expect == static_cast<int>(states.size())) {
            EXPECT_NE(snapshot(workingMap), states.back()) << "step " << n << " must change the map";
            states.push_back(snapshot(workingMap));
        }
        ASSERT_LT(s.expect, static_cast<int>(states.size()));
        EXPECT_TRUE(snapshot(workingMap) == states[s.expect]) << "step " << n << ": expected state " << s.expect;
        bool asked = false;
        for (size_t i = boxesBefore; i < host.boxes.size(); ++i) asked = asked || host.boxes[i].text == "Do you want to save map?";
        EXPECT_EQ(asked, s.asks) << "step " << n << ": the question about unsaved changes";
        EXPECT_EQ(hasUnsavedChanges(), s.modified) << "step " << n;
        const std::string title = host.titles.empty() ? "" : host.titles.back();
        if (s.file == none) {
            EXPECT_EQ(title.find(".map"), std::string::npos) << "step " << n << ": no file expected in " << title;
            continue;
        }
        const std::string shown =
            tempPath(fileNames[s.file]).substr(tempPath("").rfind('/') + 1) + (s.modified ? "* - " : " - ");
        EXPECT_NE(title.find(shown), std::string::npos) << "step " << n << ": expected " << shown << " in " << title;
    }
    EXPECT_EQ(host.dialogs.size(), 3u) << "undo and redo ask nothing";
    EXPECT_EQ(host.boxes.size(), 5u) << "C, three questions and one failed open";
    EXPECT_TRUE(readBytes(mixedFile) == quickSaved) << "Ctrl+S after the undo wrote the file the title named";
    EXPECT_TRUE(readBytes(rockFile) == std::vector<uint8_t>(4096, 192)) << "the other file kept its bytes";
    std::remove(rockFile.c_str());
    std::remove(mixedFile.c_str());
}

// O and a drop over unsaved changes: the question's answers, and a Yes
// that saves as Ctrl+S does (to the current file, else through the dialog).
TEST_F(Shell, ReplacingUnsavedChangesAsksFirst) {
    const std::string next = tempPath("next.map"), current = tempPath("current.map"), chosen = tempPath("chosen.map");
    const std::string lostDir = tempPath("lost_dir"), lost = lostDir + "/current.map";
    writeBytes(next, std::vector<uint8_t>(4096, 192));
    struct Case { bool painted; const char* file; int answer; const char* saveTo; bool opens; const char* savedIn; const char* what; };
    const Case cases[] = {
        {false, "", 0, nullptr, true, nullptr, "nothing unsaved: no question"},
        {true, "", IDNO, nullptr, true, nullptr, "No opens without saving"},
        {true, "current", IDCANCEL, nullptr, false, nullptr, "Cancel keeps everything"},
        {true, "current", IDYES, nullptr, true, "current", "Yes saves to the current file"},
        {true, "", IDYES, "chosen", true, "chosen", "Yes without a file saves through the dialog"},
        {true, "", IDYES, "", false, nullptr, "Yes, save dialog cancelled"},
        {true, "lost", IDYES, nullptr, false, nullptr, "Yes, the save fails"},
    };
    auto pathOf = [&](const std::string& f) { return f == "current" ? current : f == "chosen" ? chosen : f == "lost" ? lost : f; };
    for (const Case& c : cases) {
        for (bool byDrop : {false, true}) {
            const std::string what = std::string(c.what) + (byDrop ? " (drop)" : " (O)");
            resetFakeHost();
            workingMap.clear();
            resetDocument();
            std::remove(current.c_str());
            std::remove(chosen.c_str());
            if (*c.file) {
                if (pathOf(c.file) == lost) {
                    ASSERT_EQ(mkdir(lostDir.c_str(), 0700), 0);
                }
                writeBytes(pathOf(c.file), std::vector<uint8_t>(4096, kPlainTile));
                ASSERT_TRUE(openStartMap(kWindow, pathOf(c.file).c_str()));
            }
            if (pathOf(c.file) == lost) {  // the current file can no longer be written
                std::remove(lost.c_str());
                rmdir(lostDir.c_str());
            }
            if (c.painted) stroke(2, 20, 20);
            const std::vector<uint8_t> before = snapshot(workingMap);
            std::vector<uint8_t> tiles;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) tiles.push_back(workingMap.tileAt(x, y));
            if (c.answer) host.boxAnswers = {c.answer, IDYES};  // then Yes to saving over a file gone
            if (c.saveTo) host.dialogAnswers = {pathOf(c.saveTo)};
            if (byDrop) {
                drop({next});
            } else {
                host.dialogAnswers.push_front(next);
                key('O');
            }
            ASSERT_EQ(host.boxes.empty(), c.answer == 0) << what;
            if (c.answer) {
                EXPECT_EQ(host.boxes[0].text, "Do you want to save map?") << what;
                EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
                EXPECT_EQ(host.boxes[0].type, UINT(MB_YESNOCANCEL));
            }
            EXPECT_EQ(host.dialogs.size(), (byDrop ? 0u : 1u) + (c.saveTo ? 1u : 0u)) << what;
            if (c.saveTo && !byDrop) {
                EXPECT_FALSE(host.dialogs[0].save) << "the map is chosen before the question";
            }
            if (std::string(c.file) == "lost" && c.answer == IDYES) {
                // Where files have stamps (not in the browser), the file gone
                // since the open is asked about first.
                const bool stamps = fileStamp(next.c_str()).known;
                ASSERT_EQ(host.boxes.size(), stamps ? 3u : 2u) << what;
                if (stamps) {
                    EXPECT_EQ(host.boxes[1].text, lost + " was changed by another program since it was opened or "
                                                         "saved. Save over it?");
                }
                EXPECT_EQ(host.boxes.back().text.rfind("Could not save map.", 0), 0u) << host.boxes.back().text;
            }
            EXPECT_EQ(snapshot(workingMap) != before, c.opens) << what;
            if (c.opens) {
                EXPECT_NE(host.titles.back().find(next.substr(next.rfind('/') + 1) + " - "), std::string::npos)
                    << what << ": " << host.titles.back();
            }
            if (c.savedIn) {
                EXPECT_TRUE(readBytes(pathOf(c.savedIn)) == tiles) << what << ": the painted map saved";
            }
            if (std::string(c.file) == "current" && !c.savedIn) {
                EXPECT_TRUE(readBytes(current) == std::vector<uint8_t>(4096, kPlainTile)) << what;
            }
        }
    }
    for (const std::string& f : {next, current, chosen}) std::remove(f.c_str());
}

// O, a drop and the command line read the file first: one that cannot be
// read or is over 1 MiB is refused with a message, one of another size than
// 4096 bytes opens only after a Yes; the map is unchanged otherwise.
TEST_F(Shell, OpenChecksTheFileFirst) {
    const std::string folder = tempPath("open_checks");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::string fifo = folder + "/pipe.map";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto sized = [&](const char* name, off_t size) {
        const std::string path = folder + "/" + name;
        writeBytes(path, std::vector<uint8_t>(static_cast<size_t>(std::min<off_t>(size, 8192)), 192));
        EXPECT_EQ(truncate(path.c_str(), size), 0);  // sparse past 8 KiB: no disk used
        return path;
    };
    const std::string question = " bytes; a map file is 4096 bytes. Open it as a map anyway?";
    struct Case { std::string path; int answer; std::string box; UINT type; bool opens; };
    const Case cases[] = {
        {sized("exact.map", 4096), 0, "", 0, true},
        {sized("long.map", 4097), IDNO, "@ is 4097" + question, MB_YESNO, false},
        {sized("long.map", 4097), IDYES, "@ is 4097" + question, MB_YESNO, true},
        {sized("short.map", 100), IDYES, "@ is 100" + question, MB_YESNO, true},
        {sized("empty.map", 0), IDNO, "@ is 0" + question, MB_YESNO, false},
        {sized("mib.map", 1 << 20), IDYES, "@ is 1048576" + question, MB_YESNO, true},
        {sized("big.map", (1 << 20) + 1), 0, "@ is 1048577 bytes, too large for a map file.", MB_OK | MB_ICONERROR, false},
        {sized("huge.map", off_t(1) << 36), 0, "@ is 68719476736 bytes, too large for a map file.", MB_OK | MB_ICONERROR, false},
        {fifo, 0, "Could not read map @.", MB_OK | MB_ICONERROR, false},
        {folder, 0, "Could not read map @.", MB_OK | MB_ICONERROR, false},
        {folder + "/missing.map", 0, "Could not read map @.", MB_OK | MB_ICONERROR, false},
    };
    // Node's file system makes neither a FIFO nor a sparse 64 GiB file; a row
    // whose file came out otherwise has nothing to check there.
    auto madeAsMeant = [&](const Case& c) {
        struct stat st;
        if (stat(c.path.c_str(), &st) != 0) return true;
        if (c.path == fifo) return S_ISFIFO(st.st_mode);
        if (c.path == folder + "/huge.map") return st.st_size == (off_t(1) << 36);
        return true;
    };
    enum How { byKey, byDrop, byCommandLine };
    for (const Case& c : cases) {
        if (!madeAsMeant(c)) continue;
        for (How how : {byKey, byDrop, byCommandLine}) {
            const std::string what = c.path + (how == byKey ? " by O" : how == byDrop ? " dropped" : " on the command line");
            resetFakeHost();
            workingMap.clear();
            resetDocument();
            const std::vector<uint8_t> blank = snapshot(workingMap);
            if (c.answer) host.boxAnswers = {c.answer};
            if (how == byKey) {
                host.dialogAnswers = {c.path};
                key('O');
            } else if (how == byDrop) {
                drop({c.path});
            } else {
                EXPECT_EQ(openStartMap(kWindow, c.path.c_str()), c.opens) << what;
            }
            EXPECT_EQ(snapshot(workingMap) != blank, c.opens) << what;
            EXPECT_EQ(hasUnsavedChanges(), false) << what;
            ASSERT_EQ(host.boxes.size(), c.box.empty() ? 0u : 1u) << what;
            if (c.box.empty()) continue;
            std::string text = c.box;
            text.replace(text.find('@'), 1, c.path);
            EXPECT_EQ(host.boxes[0].text, text) << what;
            EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
            EXPECT_EQ(host.boxes[0].type, c.type) << what;
        }
    }
    EXPECT_EQ(system(("rm -rf '" + folder + "'").c_str()), 0);
}

TEST_F(Shell, UndoKeepsTheLast256ChangesAndDropsTheOldest) {
    std::vector<std::vector<uint8_t>> after;  // after[i]: the map after i + 1 strokes
    for (int i = 0; i < 300; ++i) {
        stroke(1 + i % 2, 20, 20);
        after.push_back(snapshot(workingMap));
    }
    int undone = 0;
    for (int i = 0; i < 300; ++i) {
        const std::vector<uint8_t> before = snapshot(workingMap);
        ctrlKey('Z');
        if (snapshot(workingMap) != before) ++undone;
    }
    EXPECT_EQ(undone, 256);
    EXPECT_TRUE(snapshot(workingMap) == after[300 - 256 - 1]) << "the oldest 44 changes are gone";
    for (int i = 0; i < 256; ++i) ctrlKey('Y');
    EXPECT_TRUE(snapshot(workingMap) == after.back());
}

TEST_F(Shell, UndoInFillModeRebuildsThePreview) {
    editorState.editMode = EditMode::fill;
    send(WM_MOUSEMOVE, 0, at(0, 0));  // off the lattice: the preview is the working map
    previewFill(800, 600);
    stroke(3, 40, 40);
    editorState.editMode = EditMode::fill;
    send(WM_MOUSEMOVE, 0, at(0, 0));
    previewFill(800, 600);
    EXPECT_TRUE(snapshot(previewMap) == snapshot(workingMap));
    ctrlKey('Z');
    previewFill(800, 600);
    EXPECT_TRUE(snapshot(previewMap) == snapshot(GroundMap(64, 64))) << "the next frame shows the map undone";
}

TEST_F(Shell, QuickSave) {
    const std::string path = tempPath("quick.map");
    const std::string folder = tempPath("quick_dir");
    std::remove(path.c_str());
    // No current file: Ctrl+S is S, a cancelled dialog included.
    ctrlKey('S');
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_TRUE(host.dialogs[0].save);
    host.dialogAnswers = {path};
    ctrlKey('S');
    EXPECT_EQ(host.dialogs.size(), 2u);
    EXPECT_EQ(readBytes(path).size(), 4096u);
    // With one: no dialog, the file follows the map.
    stroke(2, 12, 12);
    ctrlKey('S');
    EXPECT_EQ(host.dialogs.size(), 2u) << "Ctrl+S must not ask again";
    std::vector<uint8_t> tiles(4096);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) tiles[y * 64 + x] = workingMap.tileAt(x, y);
    EXPECT_TRUE(readBytes(path) == tiles);
    EXPECT_TRUE(host.boxes.empty());
    // A failed quick save (its folder gone) says so and why, keeps the "*",
    // and opens no dialog; where files have stamps it first asks whether to
    // write where the file went, and Yes tries.
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::string inside = folder + "/gone.map";
    writeBytes(inside, tiles);
    host.dialogAnswers = {inside};
    key('O');
    const bool stamps = fileStamp(inside.c_str()).known;  // none in the browser
    std::remove(inside.c_str());
    rmdir(folder.c_str());
    stroke(1, 50, 50);
    host.boxAnswers = {IDYES};
    ctrlKey('S');
    ASSERT_EQ(host.boxes.size(), stamps ? 2u : 1u);
    EXPECT_EQ(host.boxes.back().text, "Could not save map.\nNo such file or directory");
    EXPECT_EQ(host.boxes.back().caption, "VornGroundEditor");
    EXPECT_EQ(host.dialogs.size(), 3u) << "only the two S's and O's dialogs";
    EXPECT_NE(host.titles.back().find("gone.map* - "), std::string::npos) << host.titles.back();
    std::remove(path.c_str());
}

// Ctrl+S over a current file another program wrote since (a newer save),
// replaced by another file, or removed: asked first, No leaves it alone, Yes
// saves; once saved here it is known again. The same after an open.
TEST_F(Shell, QuickSaveAsksBeforeWritingOverAChangedFile) {
    const std::string path = tempPath("changed.map");
    host.dialogAnswers = {path};
    key('S');
    stroke(2, 12, 12);
    std::vector<uint8_t> tiles(4096);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) tiles[y * 64 + x] = workingMap.tileAt(x, y);
    // The file written by another program since (a newer save), replaced
    // by another file, or gone: Ctrl+S asks first, and No leaves it alone.
    const std::vector<uint8_t> theirs(4096, 7);
    // Written in place, as a tool might: the same file and size, a later time
    // (set, as two writes within one tick of the file system's clock share it).
    auto writeLater = [&] {
        writeBytes(path, theirs);
        const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 10, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    };
    struct Change { const char* what; std::function<void()> make; };
    const Change changes[] = {
        {"written since", writeLater},
        {"replaced", [&] {
             writeBytes(path + ".new", theirs);
             ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
         }},
        {"gone", [&] { std::remove(path.c_str()); }},
    };
    const std::string question = path + " was changed by another program since it was opened or saved. Save over it?";
    for (const Change& c : changes) {
        c.make();
        const std::vector<uint8_t> there = readBytes(path);
        host.boxes.clear();
        host.boxAnswers = {IDNO};
        ctrlKey('S');
        ASSERT_EQ(host.boxes.size(), 1u) << c.what;
        EXPECT_EQ(host.boxes[0].text, question) << c.what;
        EXPECT_EQ(host.boxes[0].type, UINT(MB_YESNO)) << c.what;
        EXPECT_TRUE(readBytes(path) == there) << c.what << ": No writes nothing";
        host.boxAnswers = {IDYES};
        ctrlKey('S');
        EXPECT_EQ(host.boxes.size(), 2u) << c.what;
        EXPECT_TRUE(readBytes(path) == tiles) << c.what << ": Yes saves";
        ctrlKey('S');
        EXPECT_EQ(host.boxes.size(), 2u) << c.what << ": saved here, the file is known again";
    }
    EXPECT_EQ(host.dialogs.size(), 1u) << "S's dialog alone";
    // The same with the file opened: its stamp is taken at the open.
    host.dialogAnswers = {path};
    key('O');
    host.boxes.clear();
    ctrlKey('S');
    EXPECT_TRUE(host.boxes.empty()) << "unchanged since the open";
    writeLater();
    ctrlKey('S');
    EXPECT_EQ(host.boxes.size(), 1u) << "written since the open";
    host.boxes.clear();

    std::remove(path.c_str());
}

TEST_F(Shell, TitleFollowsFileModeKindBrushAndFill) {
    const std::string path = tempPath("desert.map");
    // title nullptr: unchanged; "@" stands for the file's name without its folder.
    struct Case { std::function<void()> act; const char* title; };
    const std::string prefix = "VornGroundEditor - ";
    const Case cases[] = {
        {[] { send(WM_CREATE); }, "view, kind 0 (sand), brush 1"},
        {[] { key('2'); }, "view, kind 2 (rock), brush 1"},
        {[] { key('E'); }, "corners, brush, kind 2 (rock), brush 1"},
        {[] { stroke(2, 30, 30); }, "untitled* - corners, brush, kind 2 (rock), brush 1"},  // work no file holds
        {[] { ctrlKey('Z'); }, "corners, brush, kind 2 (rock), brush 1"},
        {[] { key('W'); }, "corners, brush, kind 2 (rock), brush 2"},
        {[] { key('W'); }, "corners, brush, kind 2 (rock), brush 3"},
        {[] { send(WM_MOUSEMOVE, 0, at(5, 5)); key('Z'); key(VK_SPACE); }, nullptr},
        {[] { key('F'); }, "fill, kind 2 (rock), brush 3, fill above"},
        {[] { key('I'); }, "fill, kind 2 (rock), brush 3, fill below"},
        {[] { key('4'); }, "fill, kind 4 (water), brush 3, fill below"},
        {[] { key(VK_ESCAPE); }, "view, kind 4 (water), brush 3"},
        {[&] { fakeHost().dialogAnswers = {path}; key('S'); }, "@ - view, kind 4 (water), brush 3"},
        {[] { key('E'); }, "@ - corners, brush, kind 4 (water), brush 3"},
        {[] { key('2'); }, "@ - corners, brush, kind 2 (rock), brush 3"},
        {[] { stroke(2, 30, 30); }, "@* - corners, brush, kind 2 (rock), brush 3"},
        {[] { ctrlKey('Z'); }, "@ - corners, brush, kind 2 (rock), brush 3"},
        {[] { ctrlKey('Y'); }, "@* - corners, brush, kind 2 (rock), brush 3"},
        {[] { ctrlKey('S'); }, "@ - corners, brush, kind 2 (rock), brush 3"},
        {[] { ctrlKey('Z'); }, "@* - corners, brush, kind 2 (rock), brush 3"},
        {[] { fakeHost().boxAnswers = {IDYES}; key('C'); }, nullptr},
        {[&] { fakeHost().dialogAnswers = {path}; fakeHost().boxAnswers = {IDNO}; key('O'); },
         "@ - corners, brush, kind 2 (rock), brush 3"},
        {[] { key('Q'); }, "@ - corners, brush, kind 2 (rock), brush 2"},
        {[] { key('L'); }, "@ - corners, line, kind 2 (rock), brush 2"},
        {[] { key('V'); }, "@ - corners, line, kind 2 (rock), brush 2, mirror left-right"},
        {[] { key(VK_ESCAPE); }, "@ - view, kind 2 (rock), brush 2, mirror left-right"},
        {[] { key('V'); }, "@ - view, kind 2 (rock), brush 2, mirror top-bottom"},
        {[] { key('V'); }, "@ - view, kind 2 (rock), brush 2, mirror four ways"},
        {[] { key('F'); }, "@ - fill, kind 2 (rock), brush 2, fill below, mirror four ways"},
        {[] { key('A'); }, "@ - corners, rectangle, kind 2 (rock), brush 2, mirror four ways"},
        {[] { key('V'); }, "@ - corners, rectangle, kind 2 (rock), brush 2, half turn"},
        {[] { key('B'); }, "@ - corners, bucket, kind 2 (rock), brush 2, half turn"},
        {[] { key('V'); }, "@ - corners, bucket, kind 2 (rock), brush 2"},
        {[] { key('P'); }, "@ - corners, bucket, kind 0 (sand), brush 2"},  // point (5, 5) of the map loaded
        {[] { key(VK_HOME); }, nullptr},
        {[] { key('D'); }, "@ - corners, brush, kind 0 (sand), brush 2"},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        const size_t before = host.titles.size();
        c.act();
        if (!c.title) {
            EXPECT_EQ(host.titles.size(), before) << "case " << n << " must not set the title";
            continue;
        }
        ASSERT_EQ(host.titles.size(), before + 1) << "case " << n << ": one title per change";
        std::string title = prefix + c.title;
        if (title.find('@') != std::string::npos) title.replace(title.find('@'), 1, path.substr(path.rfind('/') + 1));
        EXPECT_EQ(host.titles.back(), title) << "case " << n;
    }
    EXPECT_EQ(host.acceptFiles, TRUE);
    std::remove(path.c_str());
}

TEST_F(Shell, DroppedFilesOpenTheFirstAsOWould) {
    const std::string path = tempPath("dropped.map");
    writeBytes(path, std::vector<uint8_t>(4096, 192));
    GroundMap expected(64, 64);
    host.dialogAnswers = {path};
    key('O');
    expected.copyFrom(workingMap);
    workingMap.clear();
    resetDocument();
    drop({});                                                  // nothing named: nothing happens
    drop({tempPath("missing.map"), path});                     // the first cannot be read: ignored
    EXPECT_TRUE(snapshot(workingMap) == snapshot(GroundMap(64, 64)));
    drop({std::string(300, 'x'), path});                       // longer than MAX_PATH: read whole, not cut
    drop({path, tempPath("missing.map")});
    EXPECT_TRUE(snapshot(workingMap) == snapshot(expected));
    EXPECT_EQ(host.titles.back(), "VornGroundEditor - " + path.substr(path.rfind('/') + 1) + " - view, kind 0 (sand), brush 1");
    std::remove(path.c_str());
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

// Shift with a key the table binds only plainly does what the key does, and
// Ctrl does with keys other than letters; a letter with Ctrl runs only a Ctrl
// command (Ctrl+C never asks to clear as C does). A chord that needs a
// modifier wins over the plain key.
// The line, rectangle and bucket through the window: a press, a move and a
// release paint what the core's points give, with symmetry; the working map
// changes only at the release, as one undo step; Esc drops a held drag.
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

TEST(Commands, ModifiersPickTheEntry) {
    struct Case { WPARAM vk; uint8_t modifiers; const char* expected; };
    const Case cases[] = {
        {'E', kCtrl, "Ctrl+E"}, {'E', kCtrl | kShift, "Ctrl+E"}, {'E', kShift, "E"}, {'3', kShift, "0 to 4"}, {VK_F1, kCtrl, "F1"},
        {'C', 0, "C"}, {'C', kCtrl, "Ctrl+C"}, {'V', kCtrl, "Ctrl+V"}, {'V', 0, "V"}, {VK_HOME, 0, "Home"}, {'B', kCtrl, nullptr},
        {'X', kCtrl, nullptr}, {'X', 0, "X"}, {'M', kCtrl, nullptr}, {'Z', 0, "Z"},
        {'S', 0, "S"}, {'S', kCtrl, "Ctrl+S"}, {'S', kCtrl | kShift, "Ctrl+S"},
        {'Z', kShift, nullptr}, {'Z', kCtrl, "Ctrl+Z"}, {'Z', kCtrl | kShift, "Ctrl+Y or Ctrl+Shift+Z"},
        {'Y', 0, "Y"}, {'Y', kCtrl | kShift, "Ctrl+Y or Ctrl+Shift+Z"}, {'5', 0, nullptr}, {VK_CONTROL, kCtrl, nullptr},
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

namespace {

// Ctrl+E: the PNG dialog, the picture of the map (objects while shown) from
// the art start-up loaded, even once its files are gone; the map and its
// file untouched; a failed write said, a cancel silent; without an atlas it
// needs, a message and no dialog.
TEST_F(Shell, CtrlEExportsThePicture) {
    workingMap.paintCorner(20, 30, 4);
    structureList = {{0, 0, 2, 0, 64 * 3 + 5}};
    tileObjectList = {{0, 35, 0, 64 * 9 + 9, 0, 0}};
    host.ctrlDown = true;
    MapArt art;
    ASSERT_TRUE(loadAtlasImage(findArtFile("tex1.bmp"), art.tiles, nullptr));
    ASSERT_TRUE(loadAtlasImage(findArtFile("structures.bmp"), art.sprites, nullptr));
    // Start-up loads copies of the art from a folder of their own, which
    // then go: the picture is still drawn from them.
    const std::string artDir = tempPath("art_gone");
    ASSERT_EQ(mkdir(artDir.c_str(), 0700), 0);
    for (const char* name : {"tex1.bmp", "structures.bmp"})
        writeBytes(artDir + "/" + name, readBytes(findArtFile(name)));
    char here[4096];
    ASSERT_TRUE(getcwd(here, sizeof here));
    ASSERT_EQ(chdir(artDir.c_str()), 0);
    loadArt(kWindow);
    ASSERT_EQ(chdir(here), 0);
    for (const char* name : {"tex1.bmp", "structures.bmp"}) std::remove((artDir + "/" + name).c_str());
    rmdir(artDir.c_str());
    ASSERT_TRUE(host.boxes.empty());
    std::vector<uint8_t> texels(128 * 128 * 3);
    heightsToGreyTexels(heightField, texels.data());
    const MapObjects objects{&structureList, &tileObjectList, texels.data()};
    const std::string path = tempPath("picture.png");
    for (bool shown : {true, false}) {
        editorState.showObjects = shown;
        host.dialogAnswers = {path};
        key('E');
        ASSERT_EQ(host.dialogs.size(), shown ? 1u : 2u);
        EXPECT_TRUE(host.dialogs.back().save);
        EXPECT_EQ(host.dialogs.back().filter, "PNG image (*.png)|*.png|All Files|*.*|");
        EXPECT_EQ(editorState.editMode, EditMode::view) << "Ctrl+E is not E";
        const std::vector<uint8_t> file = readBytes(path);
        std::vector<uint8_t> bgr(2048u * 2048 * 3), expected;
        ImageSize found{};
        ASSERT_EQ(decodeSquareImage(file.data(), file.size(), 2048, bgr.data(), found), ImageDecode::Decoded);
        renderMapImage(workingMap, art, shown ? &objects : nullptr, 32, expected);
        int differ = 0;
        for (int y = 0; y < 2048; ++y)
            for (int i = 0; i < 2048 * 3; ++i)
                differ += bgr[(2047 - y) * 2048 * 3 + i / 3 * 3 + 2 - i % 3] != expected[y * 2048 * 3 + i];
        EXPECT_EQ(differ, 0) << (shown ? "with objects" : "objects hidden");
    }
    std::remove(path.c_str());
    EXPECT_TRUE(currentFilePath().empty()) << "the picture is not the map's file";
    EXPECT_TRUE(hasUnsavedChanges());

    host.dialogAnswers = {tempPath("missing_dir/p.png")};
    key('E');
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Could not save the picture.\nNo such file or directory");
    key('E');  // cancelled: nothing said
    EXPECT_EQ(host.boxes.size(), 1u);

    // An atlas that was not found at start-up: said before any dialog, nothing
    // written. The sprites are needed only under structures shown.
    struct Lack { bool tiles, shown; const char* said; };
    const Lack lacks[] = {{true, false, "tex1.bmp"}, {false, true, "structures.bmp"}, {false, false, nullptr}};
    const MapArt loaded = atlasImages;
    for (const Lack& l : lacks) {
        atlasImages = loaded;
        (l.tiles ? atlasImages.tiles : atlasImages.sprites).clear();
        editorState.showObjects = l.shown;
        host.boxes.clear();
        host.dialogs.clear();
        host.dialogAnswers = {path};
        key('E');
        if (l.said) {
            ASSERT_EQ(host.boxes.size(), 1u) << l.said;
            EXPECT_EQ(host.boxes[0].text, std::string("The picture needs ") + l.said +
                                              ", which was not found at start-up.");
            EXPECT_TRUE(host.dialogs.empty()) << l.said;
            EXPECT_EQ(access(path.c_str(), F_OK), -1) << l.said;
        } else {
            EXPECT_TRUE(host.boxes.empty()) << "objects hidden: no sprites needed";
            EXPECT_EQ(readBytes(path).empty(), false);
        }
        std::remove(path.c_str());
    }
    atlasImages = loaded;
}

}  // namespace
