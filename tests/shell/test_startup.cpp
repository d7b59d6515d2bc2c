// Start-up against the scripted host: the command line, where the art is
// looked for, and the map named on the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <dirent.h>
#include <string>
#include <vector>

#include <sys/stat.h>
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
#include "shell/startup.h"
#include "shell/wndproc.h"

namespace {

HWND const kWindow = reinterpret_cast<HWND>(0x1234);

std::string join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& a : v) s += "[" + a + "]";
    return s;
}

TEST(CommandLine, SplitsAsTheWindowsRuntime) {
    struct Case { const char* line; const char* want; };
    const Case cases[] = {
        {"", ""},
        {"   \t ", ""},
        {"a.map", "[a.map]"},
        {"  a  b\tc ", "[a][b][c]"},
        {"\"with space.map\"", "[with space.map]"},
        {"x\"y z\"w", "[xy zw]"},
        {"\"\"", "[]"},
        {"C:\\maps\\a.map", "[C:\\maps\\a.map]"},
        {"a\\\\\\\"b", "[a\\\"b]"},        // 3 backslashes + quote: one backslash, literal quote
        {"\"a\\\\\" b", "[a\\][b]"},        // 2 backslashes + quote: one backslash, quote closes
        {"\"a\\\\\\\\\"", "[a\\\\]"},
        {"\"say \"\"hi\"\"\"", "[say \"hi\"]"},
        {"\"open", "[open]"},               // an unclosed quote runs to the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(join(splitCommandLine(c.line)), c.want) << "line: " << c.line;
    EXPECT_TRUE(splitCommandLine(nullptr).empty());
}

// The mingw build's entry cuts GetCommandLineA's line here; its runtime's own
// cut took the bytes of a UTF-8 name for blanks.
TEST(CommandLine, ArgumentsFollowTheProgramName) {
    struct Case { const char* line; const char* want; };
    const Case cases[] = {
        {"", ""},
        {"V.exe", ""},
        {"V.exe \xd0\xba\xd0\xb0.map", "\xd0\xba\xd0\xb0.map"},
        {"\"C:\\Program Files\\V.exe\" \t \"a b.map\"", "\"a b.map\""},
        {"\"V x.exe\"", ""},
        {"C:\\\xd0\xba\\V.exe --help", "--help"},
        {"a\"b c\"d e", "e"},               // quotes group inside the name too
    };
    for (const Case& c : cases) EXPECT_STREQ(argumentsOf(c.line), c.want) << "line: " << c.line;
    EXPECT_STREQ(argumentsOf(nullptr), "");
}

TEST(CommandLine, Options) {
    using A = StartOptions::Action;
    struct Case { const char* line; A action; const char* map; };
    const Case cases[] = {
        {"", A::Run, ""},
        {"maps/a.map", A::Run, "maps/a.map"},
        {"--help", A::Help, ""},
        {"-h a.map", A::Help, "a.map"},
        {"--version", A::Version, ""},
        {"--version --help", A::Help, ""},
        {"-- --help", A::Run, "--help"},
        {"-", A::Run, "-"},
        {"--frobnicate", A::Wrong, ""},
        {"--help --frobnicate", A::Wrong, ""},
        {"a.map b.map", A::Wrong, "a.map"},
        {"\"\"", A::Wrong, ""},
    };
    for (const Case& c : cases) {
        const StartOptions o = parseStartOptions(c.line);
        EXPECT_EQ(static_cast<int>(o.action), static_cast<int>(c.action)) << "line: " << c.line;
        EXPECT_EQ(o.mapPath, c.map) << "line: " << c.line;
        EXPECT_EQ(o.problem.empty(), c.action != A::Wrong) << "line: " << c.line << " problem: " << o.problem;
    }
}

std::string readAll(FILE* f) {
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
    return s;
}

TEST(CommandLine, AnswersPrintOrShowABox) {
    resetFakeHost();
    FakeHost& host = fakeHost();
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    EXPECT_EQ(answerStartOptions(parseStartOptions("a.map"), out, err), -1);
    EXPECT_EQ(answerStartOptions(parseStartOptions("--version"), out, err), 0);
    EXPECT_EQ(readAll(out), versionText());
    EXPECT_NE(versionText().find("VornGroundEditor 1."), std::string::npos) << versionText();
    EXPECT_EQ(answerStartOptions(parseStartOptions("--bad"), out, err), 2);
    EXPECT_NE(readAll(err).find("unknown option '--bad'"), std::string::npos);
    EXPECT_TRUE(host.boxes.empty());
    std::fclose(out);
    std::fclose(err);

    // A stream that takes nothing (a GUI program without a console): a box instead.
    const std::string path = std::string(::testing::TempDir()) + "vorn_ro_" + std::to_string(getpid());
    FILE* make = std::fopen(path.c_str(), "w");
    ASSERT_TRUE(make);
    std::fclose(make);
    FILE* readOnly = std::fopen(path.c_str(), "r");
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(answerStartOptions(parseStartOptions("--help"), readOnly, readOnly), 0);
    EXPECT_EQ(answerStartOptions(parseStartOptions("x y"), readOnly, nullptr), 2);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].text, usageText());
    EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
    EXPECT_NE(host.boxes[1].text.find("only one map"), std::string::npos);
    EXPECT_TRUE(host.boxes[1].type & MB_ICONERROR);
    std::fclose(readOnly);
    std::remove(path.c_str());
}

TEST(ModulePath, WindowsReturnAndTruncation) {
    resetFakeHost();
    fakeHost().modulePath = "/opt/ed/bin/VornGroundEditor";  // 28 characters
    struct Case { DWORD size; DWORD want; const char* text; };
    const Case cases[] = {{64, 28, "/opt/ed/bin/VornGroundEditor"},
                          {29, 28, "/opt/ed/bin/VornGroundEditor"},
                          {28, 28, "/opt/ed/bin/VornGroundEdito"},
                          {5, 5, "/opt"},
                          {1, 1, ""}};
    for (const Case& c : cases) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, c.size), c.want) << "size " << c.size;
        EXPECT_STREQ(buffer, c.text) << "size " << c.size;
    }
    char buffer[8] = "keep";
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 0), 0u);
    EXPECT_STREQ(buffer, "keep");
}

// A scratch tree: work/ is the working folder, inst/bin/ holds the program,
// inst/share/vorngroundeditor/ the installed art.
class ArtSearch : public ::testing::Test {
protected:
    void SetUp() override {
        resetFakeHost();
        textureNames = TextureNames();
        root = std::string(::testing::TempDir()) + "vorn_art_" + std::to_string(getpid());
        for (const char* d : {"", "/work", "/inst", "/inst/bin", "/inst/share", "/inst/share/vorngroundeditor"})
            mkdir((root + d).c_str(), 0755);
        char buf[4096];
        ASSERT_TRUE(getcwd(buf, sizeof buf));
        saved = buf;
        ASSERT_EQ(chdir((root + "/work").c_str()), 0);
        fakeHost().modulePath = root + "/inst/bin/VornGroundEditor";
    }
    void TearDown() override {
        EXPECT_EQ(chdir(saved.c_str()), 0);
        for (const char* f : {"/work/tex1.bmp", "/work/structures.bmp", "/inst/bin/tex1.bmp", "/inst/bin/structures.bmp",
                              "/inst/share/vorngroundeditor/tex1.bmp", "/inst/share/vorngroundeditor/structures.bmp"})
            std::remove((root + f).c_str());
        for (const char* d : {"/inst/share/vorngroundeditor", "/inst/share", "/inst/bin", "/inst", "/work", ""})
            rmdir((root + d).c_str());
    }
    void put(const std::string& path) {
        FILE* f = std::fopen((root + path).c_str(), "wb");
        ASSERT_TRUE(f) << path;
        std::fclose(f);
    }
    std::string root, saved;
    FakeHost& host = fakeHost();
};

TEST_F(ArtSearch, WorkingFolderThenProgramFolderThenShare) {
    const std::string bin = "/inst/bin/", share = "/inst/share/vorngroundeditor/";
    // Where tex1.bmp is put, in turn: each step adds a copy earlier in the order.
    struct Step { std::string put; std::string want; };
    const Step steps[] = {{share, root + share + "tex1.bmp"},
                          {bin, root + bin + "tex1.bmp"},
                          {"/work/", "tex1.bmp"}};
    for (const Step& s : steps) {
        put(s.put + "tex1.bmp");
        EXPECT_EQ(findArtFile("tex1.bmp"), s.want) << "after adding " << s.put;
    }
    EXPECT_EQ(artFolders(), (std::vector<std::string>{"", root + bin, root + share}));
    // Art in the share folder only: both load from there, no box.
    put(share + "structures.bmp");
    loadArt(kWindow);
    EXPECT_EQ(host.textureLoads, (std::vector<std::string>{"tex1.bmp", root + share + "structures.bmp"}));
    EXPECT_NE(textureNames.tileAtlas, 0u);
    EXPECT_NE(textureNames.spriteAtlas, 0u);
    EXPECT_TRUE(host.boxes.empty());
}

// A FIFO named like the art in the working folder (nobody writing to it) is
// passed over at once for the next folder's file; it used to hold up the first frame.
TEST_F(ArtSearch, FifoNamedLikeTheArtIsPassedOver) {
    const std::string fifo = root + "/work/tex1.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    put("/inst/share/vorngroundeditor/tex1.bmp");
    alarm(10);  // a search that waits ends the test here
    EXPECT_EQ(findArtFile("tex1.bmp"), root + "/inst/share/vorngroundeditor/tex1.bmp");
    alarm(0);
}

TEST_F(ArtSearch, MissingArtIsToldOnceWithEveryFolder) {
    put("/inst/bin/tex1.bmp");
    loadArt(kWindow);
    ASSERT_EQ(host.boxes.size(), 1u);
    const FakeHost::Box& box = host.boxes[0];
    EXPECT_EQ(box.caption, "VornGroundEditor");
    EXPECT_NE(box.text.find("structures.bmp"), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("tex1.bmp"), std::string::npos) << box.text;
    for (const std::string& where : {std::string("the working folder"), root + "/inst/bin/",
                                     root + "/inst/share/vorngroundeditor/"})
        EXPECT_NE(box.text.find(where), std::string::npos) << "expected " << where << " in: " << box.text;
    EXPECT_NE(textureNames.tileAtlas, 0u);
    EXPECT_EQ(textureNames.spriteAtlas, 0u);

    // Without the program's path (or one cut short) only the working folder is searched.
    for (const std::string& module : {std::string(), root + std::string(5000, 'x')}) {
        host.modulePath = module;
        EXPECT_EQ(artFolders(), std::vector<std::string>{""}) << module.size();
        EXPECT_EQ(findArtFile("tex1.bmp"), "");
    }
    // Nothing anywhere: one box naming both, and the editor goes on.
    host.boxes.clear();
    loadArt(kWindow);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("tex1.bmp, structures.bmp"), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(textureNames.tileAtlas, 0u);
}

TEST(StartMap, LoadsLikeOOrSaysItCannot) {
    initPatternTable();
    resetFakeHost();
    FakeHost& host = fakeHost();
    workingMap.clear();
    workingMap.paintCorner(10, 12, 4);
    const std::string path = std::string(::testing::TempDir()) + "vorn_start_" + std::to_string(getpid()) + ".map";
    ASSERT_TRUE(saveMap(path.c_str(), workingMap));
    GroundMap painted(64, 64);
    painted.copyFrom(workingMap);
    workingMap.clear();
    resetDocument();  // as at WM_CREATE: nothing unsaved

    EXPECT_TRUE(openStartMap(kWindow, ""));
    EXPECT_TRUE(openStartMap(kWindow, path.c_str()));
    EXPECT_EQ(std::vector<uint8_t>(workingMap.tiles, workingMap.tiles + 4096),
              std::vector<uint8_t>(painted.tiles, painted.tiles + 4096));
    EXPECT_TRUE(host.boxes.empty());

    // A map recovered just before is unsaved work: the usual question, and
    // Cancel keeps it.
    const std::vector<uint8_t> recovered(4096, painted.tiles[1]);
    openRecoveredMap(kWindow, recovered.data(), recovered.size(), "/lost/work.map", FileStamp());
    EXPECT_TRUE(hasUnsavedChanges());
    EXPECT_EQ(currentFilePath(), "/lost/work.map");
    EXPECT_FALSE(openStartMap(kWindow, path.c_str()));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Do you want to save map?");
    EXPECT_EQ(currentFilePath(), "/lost/work.map");
    host.boxes.clear();
    std::remove(path.c_str());

    workingMap.clear();
    resetDocument();
    const std::string missing = path + ".gone";
    EXPECT_FALSE(openStartMap(kWindow, missing.c_str()));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Could not read map " + missing + ".");
    EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
    GroundMap cleared(64, 64);
    EXPECT_EQ(std::vector<uint8_t>(workingMap.tiles, workingMap.tiles + 4096),
              std::vector<uint8_t>(cleared.tiles, cleared.tiles + 4096));
}

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
