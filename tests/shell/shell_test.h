// What the shell's tests share: messages sent to the window procedure as
// the host would, editing through them, the maps' bytes, and the fixture
// that resets the program's records and the scripted host.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "fake_host.h"
#include "map/ground_map.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/wndproc.h"

// Failure messages show a mode or kind as its number.
inline void PrintTo(EditMode mode, std::ostream* os) { *os << static_cast<int>(mode); }
inline void PrintTo(TerrainKind kind, std::ostream* os) { *os << static_cast<int>(kind); }

namespace shell_test {

inline HWND const kWindow = reinterpret_cast<HWND>(0x1234);

inline LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return editorWndProc(kWindow, message, wParam, lParam);
}
inline LRESULT key(WPARAM vk) { return send(WM_KEYDOWN, vk, 1); }
// Client position packed as Windows does: signed 16-bit halves.
inline LPARAM at(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// A client position whose lattice position is (400 + dx)/16-ish: the centre
// of the 800 x 600 fake client area plus (dx, dy) pixels, at zoom 1, pan 0,
// maps to ((dx / 16) + 0.5, (dy / 16) + 0.5).
inline LPARAM latticeAt(double lx, double ly) {
    return at(400 + static_cast<int>(std::lround((lx - 0.5) * 16)), 300 + static_cast<int>(std::lround((ly - 0.5) * 16)));
}

inline std::string tempPath(const char* name) {
    return std::string(::testing::TempDir()) + "vorn_shell_" + std::to_string(getpid()) + "_" + name;
}

inline bool sameMap(const GroundMap& a, const GroundMap& b) {
    const int points = a.latticeStride() * a.latticeRows();
    for (int i = 0; i < points; ++i)
        if (a.corners[i] != b.corners[i]) return false;
    for (int i = 0; i < a.width * a.height; ++i)
        if (a.tiles[i] != b.tiles[i]) return false;
    return true;
}

// The window procedure's tests start from the records as main finds them.
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
        structureList.clear();
        tileObjectList.clear();
        resetDocument();
    }
    FakeHost& host = fakeHost();
};

// Both grids, for comparing states of the working map.
inline std::vector<uint8_t> snapshot(const GroundMap& m) {
    std::vector<uint8_t> bytes(m.tiles, m.tiles + m.width * m.height);
    bytes.insert(bytes.end(), m.corners, m.corners + m.latticeStride() * m.latticeRows());
    return bytes;
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Editing as a person would, through messages only.
inline void stroke(int kind, double lx, double ly) {
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
inline void ctrlKey(WPARAM vk, bool shift = false) {
    FakeHost& host = fakeHost();
    host.ctrlDown = true;
    host.shiftDown = shift;
    key(vk);
    host.ctrlDown = host.shiftDown = false;
}
inline void drop(const std::vector<std::string>& files) {
    HDROP__ d;
    d.files = files;
    EXPECT_EQ(send(WM_DROPFILES, reinterpret_cast<WPARAM>(&d)), 0);
    EXPECT_EQ(d.finished, 1) << "every drop is finished once";
}

}  // namespace shell_test
