// Map files: the row-order format, decoding on load, and saves that never
// damage an existing file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>

#include "files/file_test_util.h"
#include "files/map_file.h"
#include "map/ground_map.h"

using filetest::Bytes;
using filetest::ScratchDir;
using filetest::readFile;
using filetest::writeFile;

namespace {

constexpr size_t kMapBytes = 64 * 64;

class MapFile : public ::testing::Test {
protected:
    void SetUp() override {
        initPatternTable();
        workingMap.clear();
    }
    void TearDown() override { workingMap.clear(); }

    // Tiles in the order of the file format.
    static Bytes tilesInRowOrder() {
        Bytes b(kMapBytes);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) b[y * 64 + x] = workingMap.tileAt(x, y);
        return b;
    }
    static Bytes corners() {
        return Bytes(workingMap.corners, workingMap.corners + 129 * 129);
    }
    // Some painted ground, so that a failed load has something to keep.
    static void paintSomething() {
        for (int i = 0; i < 40; ++i) workingMap.paintCorner((i * 37) % 129, (i * 59) % 129, 1 + i % 4);
    }
    // A file of plain tiles with the given bytes at the given offsets.
    static Bytes plainFileWith(std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
        Bytes b(kMapBytes, kPlainTile);
        for (auto [at, v] : bytes) b[at] = v;
        return b;
    }
    // Lattice row py, points px 0..n-1, as text.
    static std::string row(int py, int n) {
        std::string s;
        for (int px = 0; px < n; ++px) s += char('0' + workingMap.cornerAt(px, py));
        return s;
    }

    ScratchDir dir;
};

TEST_F(MapFile, SaveWritesTilesRowByRowAndLoadReadsThemBack) {
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y) workingMap.tileAt(x, y) = static_cast<uint8_t>(x * 7 + y * 13 + (x * y) % 5);
    Bytes expected = tilesInRowOrder();
    std::string path = dir / "map.bin";
    ASSERT_TRUE(saveMap(path.c_str()));
    Bytes file = readFile(path);
    ASSERT_EQ(file.size(), kMapBytes);
    EXPECT_EQ(file[1], workingMap.tileAt(1, 0)) << "offset 1 is cell (1, 0)";
    EXPECT_EQ(file[64], workingMap.tileAt(0, 1)) << "offset 64 is cell (0, 1)";
    EXPECT_EQ(file, expected);

    workingMap.clear();
    ASSERT_TRUE(loadMap(path.c_str()));
    EXPECT_EQ(tilesInRowOrder(), expected) << "decoding must never change a loaded tile";
}

TEST_F(MapFile, ClearedMapSavesAs4096PlainTiles) {
    std::string path = dir / "plain.map";
    ASSERT_TRUE(saveMap(path.c_str()));
    EXPECT_EQ(readFile(path), Bytes(kMapBytes, kPlainTile));
}

// Shared lattice points take the value of the cell decoded last, so loading
// must decode in file order, each cell right after its byte.
TEST_F(MapFile, LoadDecodesCellsInFileOrder) {
    struct Case {
        uint8_t left, right;
        const char* rows[3];  // points px 0..4 of lattice rows 0..2
    } cases[] = {
        {207, 191, {"33322", "33322", "33322"}},
        {207, 193, {"33333", "33222", "33222"}},
        {193, 207, {"33333", "22333", "22333"}},
        {207, 129, {"33111", "33300", "33300"}},
    };
    std::string path = dir / "pair.map";
    for (const Case& c : cases) {
        writeFile(path, plainFileWith({{0, c.left}, {1, c.right}}));
        ASSERT_TRUE(loadMap(path.c_str()));
        for (int py = 0; py < 3; ++py)
            EXPECT_EQ(row(py, 5), c.rows[py]) << "tiles " << int(c.left) << ", " << int(c.right) << " row " << py;
    }
    // Cell (1, 0) comes before cell (0, 1) in the file although it comes
    // after it in the tile grid; they share point (2, 2).
    writeFile(path, plainFileWith({{1, 207}, {64, 129}}));
    ASSERT_TRUE(loadMap(path.c_str()));
    EXPECT_EQ(workingMap.cornerAt(2, 2), 1) << "cell (0, 1) is decoded after cell (1, 0)";
    EXPECT_EQ(workingMap.cornerAt(4, 2), 3);
}

TEST_F(MapFile, LoadClearsTheLatticeFirst) {
    paintSomething();
    std::string path = dir / "plain.map";
    writeFile(path, Bytes(kMapBytes, kPlainTile));
    ASSERT_TRUE(loadMap(path.c_str()));
    EXPECT_EQ(corners(), Bytes(129 * 129, 0));
}

TEST_F(MapFile, FilesOfOtherLengths) {
    Bytes full(kMapBytes + 1);
    for (size_t i = 0; i < full.size(); ++i) full[i] = static_cast<uint8_t>(i * 31 + 7);

    struct Case {
        const char* name;
        size_t length;
    } cases[] = {{"empty", 0}, {"one byte", 1}, {"4095 bytes", 4095}, {"4096 bytes", 4096}, {"4097 bytes", 4097}};
    std::string path = dir / "sized.map";
    for (const Case& c : cases) {
        paintSomething();
        writeFile(path, Bytes(full.begin(), full.begin() + c.length));
        ASSERT_TRUE(loadMap(path.c_str())) << c.name;
        Bytes got = tilesInRowOrder();
        for (size_t i = 0; i < kMapBytes; ++i) {
            uint8_t expected = i < c.length ? full[i] : kPlainTile;
            ASSERT_EQ(got[i], expected) << c.name << ": cell at file offset " << i;
        }
    }
    // A short file's lattice is decoded from the tiles it has: all-kind-3
    // tiles but the last, whose own points stay 0 after the clear.
    writeFile(path, Bytes(kMapBytes - 1, 207));
    ASSERT_TRUE(loadMap(path.c_str()));
    EXPECT_EQ(workingMap.cornerAt(126, 126), 3) << "shared with earlier cells";
    EXPECT_EQ(workingMap.cornerAt(127, 127), 0) << "centre of the missing cell";
    EXPECT_EQ(workingMap.cornerAt(128, 128), 0) << "corner of the missing cell";
    EXPECT_EQ(workingMap.cornerAt(128, 125), 3);
}

TEST_F(MapFile, LoadThatCannotReadLeavesBothGrids) {
    paintSomething();
    Bytes tiles = tilesInRowOrder(), lattice = corners();
    mkdir((dir / "folder").c_str(), 0755);
    for (std::string path : {dir / "missing.map", dir / "folder", dir / "missing/inner.map"}) {
        EXPECT_FALSE(loadMap(path.c_str())) << path;
        EXPECT_EQ(tilesInRowOrder(), tiles) << path;
        EXPECT_EQ(corners(), lattice) << path;
    }
}

// --- Saves that fail, or that must not replace what they find ---

class MapSave : public MapFile {
protected:
    void SetUp() override {
        MapFile::SetUp();
        for (int x = 0; x < 64; ++x)
            for (int y = 0; y < 64; ++y) workingMap.tileAt(x, y) = static_cast<uint8_t>(3 * x + y);
        fresh = tilesInRowOrder();
    }
    Bytes fresh;                       // what a successful save writes
    Bytes old = Bytes(kMapBytes, 42);  // an existing file's content
};

TEST_F(MapSave, FolderOrMissingFolderIsRefused) {
    mkdir((dir / "folder").c_str(), 0755);
    writeFile(dir / "file", old);
    for (std::string path : {dir / "folder", dir / "file/inner.map", dir / "no/such/folder.map"}) {
        EXPECT_FALSE(saveMap(path.c_str())) << path;
    }
    EXPECT_EQ(ScratchDir::list(dir.path()), (std::set<std::string>{"folder", "file"}));
    EXPECT_TRUE(ScratchDir::list(dir / "folder").empty());
    EXPECT_EQ(readFile(dir / "file"), old);
}

TEST_F(MapSave, ReplacesAnExistingFileKeepingItsMode) {
    std::string path = dir / "old.map";
    writeFile(path, old);
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(saveMap(path.c_str()));
    EXPECT_EQ(readFile(path), fresh);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ScratchDir::list(dir.path()), std::set<std::string>{"old.map"}) << "no temporary file left";
}

TEST_F(MapSave, SymbolicLinkIsFollowed) {
    mkdir((dir / "real").c_str(), 0755);
    std::string real = dir / "real/target.map";
    writeFile(real, old);
    ASSERT_EQ(symlink("real/target.map", (dir / "link.map").c_str()), 0);
    ASSERT_EQ(symlink((dir / "link.map").c_str(), (dir / "link2.map").c_str()), 0);
    ASSERT_TRUE(saveMap((dir / "link2.map").c_str()));
    struct stat st;
    ASSERT_EQ(lstat((dir / "link.map").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    ASSERT_EQ(lstat((dir / "link2.map").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(real), fresh) << "the file it points to is replaced";
    EXPECT_EQ(ScratchDir::list(dir / "real"), std::set<std::string>{"target.map"});

    // A link to a file not yet there makes the file, as opening it would.
    ASSERT_EQ(symlink("real/new.map", (dir / "dangling.map").c_str()), 0);
    ASSERT_TRUE(saveMap((dir / "dangling.map").c_str()));
    EXPECT_EQ(readFile(dir / "real/new.map"), fresh);
}

TEST_F(MapSave, FullDiskLeavesTheOldFileAndNoTemporary) {
    std::string path = dir / "old.map";
    writeFile(path, old);
    int status = filetest::inChild(
        [&] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{1000, 1000};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 90;
            return saveMap(path.c_str()) ? 1 : 0;
        },
        false);
    EXPECT_EQ(status, 0) << "expected the save to report failure";
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(ScratchDir::list(dir.path()), std::set<std::string>{"old.map"});
}

TEST_F(MapSave, FileThatCannotBeWrittenIsRefused) {
    std::string path = dir / "locked.map";
    writeFile(path, old);
    chmod(path.c_str(), 0444);
    chmod(dir.path().c_str(), 0777);  // a temporary file could be made
    int status = filetest::inChild([&] { return saveMap(path.c_str()) ? 1 : 0; }, true);
    EXPECT_EQ(status, 0) << "expected the save to be refused";
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(ScratchDir::list(dir.path()), std::set<std::string>{"locked.map"});
}

TEST_F(MapSave, WritableFileInLockedFolderIsWrittenInPlace) {
    mkdir((dir / "locked").c_str(), 0755);
    std::string path = dir / "locked/open.map";
    writeFile(path, old);
    chmod(path.c_str(), 0666);
    struct stat before, after;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    chmod((dir / "locked").c_str(), geteuid() == 0 ? 0755 : 0555);
    int status = filetest::inChild([&] { return saveMap(path.c_str()) ? 1 : 0; }, true);
    EXPECT_EQ(status, 1) << "expected the save to succeed";
    EXPECT_EQ(readFile(path), fresh);
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the same file, written in place";

    // A new file in the same folder cannot be made at all.
    status = filetest::inChild([&] { return saveMap((dir / "locked/new.map").c_str()) ? 1 : 0; }, true);
    EXPECT_EQ(status, 0);
    chmod((dir / "locked").c_str(), 0755);
    EXPECT_EQ(ScratchDir::list(dir / "locked"), std::set<std::string>{"open.map"});
}

TEST_F(MapSave, PipeIsWrittenInPlace) {
    std::string path = dir / "pipe";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    int status = -1;
    pid_t writer = fork();
    if (writer == 0) _exit(saveMap(path.c_str()) ? 1 : 0);
    Bytes got = readFile(path);
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "expected the save to succeed";
    EXPECT_EQ(got, fresh);
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "a device or pipe is never replaced";
    EXPECT_EQ(ScratchDir::list(dir.path()), std::set<std::string>{"pipe"});
}

}  // namespace
