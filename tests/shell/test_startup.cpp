// Start-up against the scripted host: the command line, where the art is
// looked for, and the map named on the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
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

}  // namespace
