// Recovery copies against the scripted host: the questions at start, the
// copy kept and removed, and a recovered file's path, stamp and quick save.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <string>
#include <vector>

#include <unistd.h>

#include "fake_host.h"
#include "files/file_test_util.h"
#include "files/map_file.h"
#include "files/recovery_store.h"
#include "map/ground_map.h"
#include "shell/command_line.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/recovery.h"
#include "shell/wndproc.h"

namespace {

HWND const kWindow = reinterpret_cast<HWND>(0x1234);

// Names in a folder ending in `suffix`.
std::vector<std::string> namesEndingIn(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != ".." && name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

// A dead editor's copy is asked about and recovered as unsaved work; this
// editor's copy follows a change, goes with a save, and the folder is empty
// after a normal quit; a folder that cannot be used is said once.
TEST(Recovery, AskedRecoveredKeptAndRemoved) {
    initPatternTable();
    resetFakeHost();
    FakeHost& host = fakeHost();
    setenv("TZ", "UTC", 1);
    tzset();
    const std::string state = std::string(::testing::TempDir()) + "vorn_state_" + std::to_string(getpid());
    const std::string folder = state + "/vorngroundeditor/";
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    EXPECT_EQ(recoveryFolder(), folder);

    workingMap.clear();
    workingMap.paintCorner(20, 20, 2);
    std::vector<uint8_t> lost;
    mapFileBytes(workingMap, lost);
    {
        RecoverySlot dead;
        std::string reason;
        ASSERT_TRUE(openRecoverySlot(folder, dead, &reason)) << reason;
        ASSERT_TRUE(writeRecoveryCopy(dead, lost.data(), lost.size(), "/maps/lost.map", FileStamp(), 1796457600, &reason));
    }
    EXPECT_EQ(recoveryQuestion(1796457600, ""),
              "VornGroundEditor was not closed properly. Recover the unsaved map from 2026-12-05 08:00:00 "
              "(a map never saved)?");

    workingMap.clear();
    resetDocument();
    host.boxAnswers = {IDYES};
    startRecovery(kWindow);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "VornGroundEditor was not closed properly. Recover the unsaved map from "
                                  "2026-12-05 08:00:00 (/maps/lost.map)?");
    EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_YESNO));
    std::vector<uint8_t> got;
    mapFileBytes(workingMap, got);
    EXPECT_EQ(got, lost);
    EXPECT_EQ(currentFilePath(), "/maps/lost.map");
    EXPECT_TRUE(hasUnsavedChanges());
    // The old copy went only once this editor's held the work.
    std::vector<std::string> maps = namesEndingIn(folder, ".map");
    ASSERT_EQ(maps.size(), 1u);
    std::vector<OrphanCopy> none = findOrphanCopies(folder, 4096);
    EXPECT_TRUE(none.empty()) << "this editor's copy is locked";

    // A stroke: nothing written while the button is held, then at once.
    host.ticks = 5000;
    host.leftDown = true;
    workingMap.paintCorner(30, 30, 3);
    keepRecoveryCopy(kWindow);
    EXPECT_EQ(filetest::readFile(folder + maps[0]), lost) << "written during a stroke";
    host.leftDown = false;
    endChange();
    keepRecoveryCopy(kWindow);
    mapFileBytes(workingMap, got);
    EXPECT_EQ(filetest::readFile(folder + maps[0]), got) << "after the stroke";

    // A save leaves no unsaved changes: the copy goes, the lock stays.
    const std::string saved = state + "/saved.map";
    host.dialogAnswers = {saved};
    ASSERT_TRUE(saveWithDialog(kWindow));
    keepRecoveryCopy(kWindow);
    EXPECT_TRUE(namesEndingIn(folder, ".map").empty());
    EXPECT_EQ(namesEndingIn(folder, ".lock").size(), 1u);
    endRecovery();
    EXPECT_TRUE(namesEndingIn(folder, "").empty()) << "left after a normal quit";

    // A folder that cannot be made: one message, editing goes on.
    host.boxes.clear();
    setenv("XDG_STATE_HOME", saved.c_str(), 1);  // a file, not a folder
    startRecovery(kWindow);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Unsaved changes cannot be kept for recovery: " + saved +
                                      "/vorngroundeditor: Not a directory.");
    workingMap.paintCorner(40, 40, 1);
    endChange();
    keepRecoveryCopy(kWindow);
    EXPECT_EQ(host.boxes.size(), 1u);
    unlink(saved.c_str());
    rmdir(folder.c_str());
    rmdir(state.c_str());
    unsetenv("XDG_STATE_HOME");
}

// What the copy says about its file and how the next editor uses it, row by
// row of faults that once lost work: a relative path (as older editors wrote
// it) is shown as written and Ctrl+S then asks for a file; a file saved again
// by someone else after the crash is not overwritten without a question; a
// stroke whose release a box took still reaches the copy; a link at the
// copy's name is refused, its target untouched.
TEST(Recovery, PathsStampsBoxesAndLinks) {
    initPatternTable();
    resetFakeHost();
    FakeHost& host = fakeHost();
    filetest::ScratchDir dir;
    const std::string folder = dir / "vorngroundeditor/";
    setenv("XDG_STATE_HOME", dir.path().c_str(), 1);
    const std::vector<uint8_t> lost(4096, 177);
    auto die = [&](const std::string& path, const FileStamp& stamp) {
        RecoverySlot dead;
        std::string reason;
        ASSERT_TRUE(openRecoverySlot(folder, dead, &reason)) << reason;
        ASSERT_TRUE(writeRecoveryCopy(dead, lost.data(), lost.size(), path, stamp, 1796457600, &reason)) << reason;
    };
    auto start = [&](std::deque<int> answers) {
        workingMap.clear();
        resetDocument();
        host.boxes.clear();
        host.dialogs.clear();
        host.boxAnswers = answers;
        startRecovery(kWindow);
    };

    // A relative path: shown as written; Ctrl+S asks for a file.
    die("maps/old.map", FileStamp());
    start({IDYES});
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find(" (maps/old.map)?"), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(currentFilePath(), "maps/old.map");
    EXPECT_FALSE(quickSave(kWindow));
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_TRUE(host.dialogs[0].save);
    endRecovery();

    // A file saved again (by another editor's safe save) after the crash:
    // Ctrl+S asks, No keeps the newer save, Yes writes the recovered work.
    const std::string work = dir / "work.map";
    filetest::writeFile(work, std::vector<uint8_t>(4096, 176));
    die(work, fileStamp(work.c_str()));
    GroundMap newer(64, 64);
    newer.paintCorner(5, 5, 3);
    ASSERT_TRUE(saveMap(work.c_str(), newer));
    const std::vector<uint8_t> theirs = filetest::readFile(work);
    start({IDYES, IDNO, IDYES});
    EXPECT_NE(host.boxes[0].text.find(" (" + work + ")?"), std::string::npos) << host.boxes[0].text;
    EXPECT_FALSE(quickSave(kWindow));
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text, work + " was changed by another program since it was opened or saved. Save over it?");
    EXPECT_EQ(filetest::readFile(work), theirs);
    EXPECT_TRUE(quickSave(kWindow));
    EXPECT_EQ(filetest::readFile(work), lost);
    EXPECT_TRUE(host.dialogs.empty());
    endRecovery();

    // Strokes whose release a box took: ended by the box's WM_CANCELMODE, or
    // by the loop's next turn once the button is up; copied either way.
    start({});
    ASSERT_EQ(filetest::ScratchDir::list(folder).size(), 1u) << "only the lock";
    std::string id = *filetest::ScratchDir::list(folder).begin();
    id.erase(id.size() - 5);
    std::vector<uint8_t> want;
    for (bool cancelMode : {true, false}) {
        host.ticks += 5000;
        host.leftDown = true;
        workingMap.paintCorner(cancelMode ? 30 : 60, 30, 2);
        if (cancelMode) editorWndProc(kWindow, WM_CANCELMODE, 0, 0);
        EXPECT_EQ(changeInProgress(), !cancelMode);
        keepRecoveryCopy(kWindow);
        host.leftDown = false;  // the release went to the box
        keepRecoveryCopy(kWindow);
        mapFileBytes(workingMap, want);
        EXPECT_EQ(filetest::readFile(folder + id + ".map"), want) << (cancelMode ? "WM_CANCELMODE" : "release lost");
    }

    // A link at the copy's name: said once, the target untouched.
    const std::string target = dir / "someone's.map";
    filetest::writeFile(target, theirs);
    ASSERT_EQ(unlink((folder + id + ".map").c_str()), 0);
    ASSERT_EQ(symlink(target.c_str(), (folder + id + ".map").c_str()), 0);
    for (int change = 0; change < 2; ++change) {
        host.ticks += 5000;
        workingMap.paintCorner(80 + change, 80, 1);
        endChange();
        keepRecoveryCopy(kWindow);
    }
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Unsaved changes cannot be kept for recovery: " + folder + id + ".map is a link.");
    EXPECT_EQ(filetest::readFile(target), theirs);
    endRecovery();
    unsetenv("XDG_STATE_HOME");
}

}  // namespace
