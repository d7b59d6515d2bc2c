// The open and save dialogs as the file keys use them: cancelled, and paths
// longer than Windows' own.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "fake_host.h"
#include "shell_test.h"
#include "map/ground_map.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/wndproc.h"

namespace {

using namespace shell_test;

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

}  // namespace
