// Ctrl+E: the map as a picture file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "fake_host.h"
#include "shell_test.h"
#include "files/image_decode.h"
#include "files/map_image.h"
#include "height/height_field.h"
#include "height/height_image.h"
#include "map/ground_map.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/startup.h"
#include "shell/wndproc.h"

namespace {

using namespace shell_test;

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
