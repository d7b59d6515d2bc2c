// Map files: the row-order format, decoding on load, and saves that never
// damage an existing file.
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <climits>
#include <cstring>

#include "files/file_test_util.h"
#include "files/map_file.h"
#include "files/recovery_store.h"
#include "map/ground_map.h"

using filetest::Bytes;
using filetest::ScratchDir;
using filetest::readFile;
using filetest::writeFile;

namespace {

constexpr size_t kMapBytes = 64 * 64;

// The map every load and save here acts on, as the shell's working map.
GroundMap testMap(64, 64);

class MapFile : public ::testing::Test {
protected:
    void SetUp() override {
        initPatternTable();
        testMap.clear();
    }
    void TearDown() override { testMap.clear(); }

    // Tiles in the order of the file format.
    static Bytes tilesInRowOrder() {
        Bytes b(kMapBytes);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) b[y * 64 + x] = testMap.tileAt(x, y);
        return b;
    }
    static Bytes corners() {
        return Bytes(testMap.corners, testMap.corners + 129 * 129);
    }
    // Some painted ground, so that a failed load has something to keep.
    static void paintSomething() {
        for (int i = 0; i < 40; ++i) testMap.paintCorner((i * 37) % 129, (i * 59) % 129, 1 + i % 4);
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
        for (int px = 0; px < n; ++px) s += char('0' + testMap.cornerAt(px, py));
        return s;
    }

    ScratchDir dir;
};

TEST_F(MapFile, SaveWritesTilesRowByRowAndLoadReadsThemBack) {
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y) testMap.tileAt(x, y) = static_cast<uint8_t>(x * 7 + y * 13 + (x * y) % 5);
    Bytes expected = tilesInRowOrder();
    std::string path = dir / "map.bin";
    ASSERT_TRUE(saveMap(path.c_str(), testMap));
    Bytes file = readFile(path);
    ASSERT_EQ(file.size(), kMapBytes);
    EXPECT_EQ(file[1], testMap.tileAt(1, 0)) << "offset 1 is cell (1, 0)";
    EXPECT_EQ(file[64], testMap.tileAt(0, 1)) << "offset 64 is cell (0, 1)";
    EXPECT_EQ(file, expected);

    testMap.clear();
    ASSERT_TRUE(loadMap(path.c_str(), testMap));
    EXPECT_EQ(tilesInRowOrder(), expected) << "decoding must never change a loaded tile";
}

TEST_F(MapFile, ClearedMapSavesAs4096PlainTiles) {
    std::string path = dir / "plain.map";
    ASSERT_TRUE(saveMap(path.c_str(), testMap));
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
        ASSERT_TRUE(loadMap(path.c_str(), testMap));
        for (int py = 0; py < 3; ++py)
            EXPECT_EQ(row(py, 5), c.rows[py]) << "tiles " << int(c.left) << ", " << int(c.right) << " row " << py;
    }
    // Cell (1, 0) comes before cell (0, 1) in the file although it comes
    // after it in the tile grid; they share point (2, 2).
    writeFile(path, plainFileWith({{1, 207}, {64, 129}}));
    ASSERT_TRUE(loadMap(path.c_str(), testMap));
    EXPECT_EQ(testMap.cornerAt(2, 2), 1) << "cell (0, 1) is decoded after cell (1, 0)";
    EXPECT_EQ(testMap.cornerAt(4, 2), 3);
}

TEST_F(MapFile, LoadClearsTheLatticeFirst) {
    paintSomething();
    std::string path = dir / "plain.map";
    writeFile(path, Bytes(kMapBytes, kPlainTile));
    ASSERT_TRUE(loadMap(path.c_str(), testMap));
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
        ASSERT_TRUE(loadMap(path.c_str(), testMap)) << c.name;
        Bytes got = tilesInRowOrder();
        for (size_t i = 0; i < kMapBytes; ++i) {
            uint8_t expected = i < c.length ? full[i] : kPlainTile;
            ASSERT_EQ(got[i], expected) << c.name << ": cell at file offset " << i;
        }
    }
    // A short file's lattice is decoded from the tiles it has: all-kind-3
    // tiles but the last, whose own points stay 0 after the clear.
    writeFile(path, Bytes(kMapBytes - 1, 207));
    ASSERT_TRUE(loadMap(path.c_str(), testMap));
    EXPECT_EQ(testMap.cornerAt(126, 126), 3) << "shared with earlier cells";
    EXPECT_EQ(testMap.cornerAt(127, 127), 0) << "centre of the missing cell";
    EXPECT_EQ(testMap.cornerAt(128, 128), 0) << "corner of the missing cell";
    EXPECT_EQ(testMap.cornerAt(128, 125), 3);
}

TEST_F(MapFile, LoadThatCannotReadLeavesBothGrids) {
    paintSomething();
    Bytes tiles = tilesInRowOrder(), lattice = corners();
    mkdir((dir / "folder").c_str(), 0755);
    for (std::string path : {dir / "missing.map", dir / "folder", dir / "missing/inner.map"}) {
        EXPECT_FALSE(loadMap(path.c_str(), testMap)) << path;
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
            for (int y = 0; y < 64; ++y) testMap.tileAt(x, y) = static_cast<uint8_t>(3 * x + y);
        fresh = tilesInRowOrder();
    }
    Bytes fresh;                       // what a successful save writes
    Bytes old = Bytes(kMapBytes, 42);  // an existing file's content

    // saveMap in a child (filetest::inChild), after `setup` when given (its
    // non-zero result is returned instead): 1 saved, 0 not, and then the
    // failure's reason in `reason`, carried back through a pipe; 91 when the
    // save left SIGXFSZ blocked or pending (the mask must be the caller's again).
    int saveInChild(const std::string& path, bool unprivileged, std::string& reason,
                    const std::function<int()>& setup = nullptr) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return -1;
        int status = filetest::inChild(
            [&] {
                close(pipeEnds[0]);
                if (setup)
                    if (int r = setup()) return r;
                std::string why;
                bool saved = saveMap(path.c_str(), testMap, &why);
                if (write(pipeEnds[1], why.data(), why.size()) != ssize_t(why.size())) return 92;
                sigset_t mask, pending;
                sigprocmask(SIG_BLOCK, nullptr, &mask);
                sigpending(&pending);
                if (sigismember(&mask, SIGXFSZ) || sigismember(&pending, SIGXFSZ)) return 91;
                return saved ? 1 : 0;
            },
            unprivileged);
        close(pipeEnds[1]);
        reason.clear();
        char buf[256];
        ssize_t n;
        while ((n = read(pipeEnds[0], buf, sizeof buf)) > 0) reason.append(buf, static_cast<size_t>(n));
        close(pipeEnds[0]);
        return status;
    }
};

TEST_F(MapSave, FolderOrMissingFolderIsRefused) {
    mkdir((dir / "folder").c_str(), 0755);
    writeFile(dir / "file", old);
    struct Case { std::string path; const char* reason; };
    const Case cases[] = {
        {dir / "folder", "Is a directory"},
        {dir / "folder/", "Is a directory"},
        {dir / "file/inner.map", "Not a directory"},
        {dir / "no/such/folder.map", "No such file or directory"},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_FALSE(saveMap(c.path.c_str(), testMap, &reason)) << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
    }
    EXPECT_EQ(ScratchDir::list(dir.path()), (std::set<std::string>{"folder", "file"}));
    EXPECT_TRUE(ScratchDir::list(dir / "folder").empty());
    EXPECT_EQ(readFile(dir / "file"), old);
}

TEST_F(MapSave, ReplacesAnExistingFileKeepingItsMode) {
    std::string path = dir / "old.map";
    writeFile(path, old);
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(saveMap(path.c_str(), testMap));
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
    ASSERT_TRUE(saveMap((dir / "link2.map").c_str(), testMap));
    struct stat st;
    ASSERT_EQ(lstat((dir / "link.map").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    ASSERT_EQ(lstat((dir / "link2.map").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(real), fresh) << "the file it points to is replaced";
    EXPECT_EQ(ScratchDir::list(dir / "real"), std::set<std::string>{"target.map"});

    // A link to a file not yet there makes the file, as opening it would.
    ASSERT_EQ(symlink("real/new.map", (dir / "dangling.map").c_str()), 0);
    ASSERT_TRUE(saveMap((dir / "dangling.map").c_str(), testMap));
    EXPECT_EQ(readFile(dir / "real/new.map"), fresh);
}

TEST_F(MapSave, FullDiskLeavesTheOldFileAndNoTemporary) {
    std::string path = dir / "old.map";
    writeFile(path, old);
    std::string reason;
    int status = saveInChild(path, false, reason, [] {
        rlimit limit{1000, 1000};
        return setrlimit(RLIMIT_FSIZE, &limit) != 0 ? 90 : 0;
    });
    EXPECT_EQ(status, 0) << "expected the save to report failure";
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(ScratchDir::list(dir.path()), std::set<std::string>{"old.map"});
}

TEST_F(MapSave, FileThatCannotBeWrittenIsRefused) {
    std::string path = dir / "locked.map";
    writeFile(path, old);
    chmod(path.c_str(), 0444);
    chmod(dir.path().c_str(), 0777);  // a temporary file could be made
    std::string reason;
    int status = saveInChild(path, true, reason);
    EXPECT_EQ(status, 0) << "expected the save to be refused";
    EXPECT_EQ(reason, "Permission denied");
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
    int status = filetest::inChild([&] { return saveMap(path.c_str(), testMap) ? 1 : 0; }, true);
    EXPECT_EQ(status, 1) << "expected the save to succeed";
    EXPECT_EQ(readFile(path), fresh);
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the same file, written in place";

    // A new file in the same folder cannot be made at all.
    std::string reason;
    status = saveInChild(dir / "locked/new.map", true, reason);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reason, "Permission denied");
    chmod((dir / "locked").c_str(), 0755);
    EXPECT_EQ(ScratchDir::list(dir / "locked"), std::set<std::string>{"open.map"});
}

// A FIFO is never replaced. One with a reader takes the bytes; one without
// fails at once (a blocking open would wait for a reader for ever: the child
// is stopped by an alarm only if it hangs).
TEST_F(MapSave, PipeIsWrittenInPlaceOrFailsAtOnce) {
    std::string path = dir / "pipe";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    for (bool reader : {true, false}) {
        int in = reader ? open(path.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        std::string reason;
        int status = saveInChild(path, false, reason, [] {
            alarm(20);
            return 0;
        });
        EXPECT_EQ(status, reader ? 1 : 0) << (reader ? "with a reader" : "without a reader");
        if (!reader) {
            EXPECT_EQ(reason, "No such device or address");
        }
        if (reader) {
            Bytes got(kMapBytes + 1);
            EXPECT_EQ(read(in, got.data(), got.size()), ssize_t(kMapBytes));
            got.resize(kMapBytes);
            EXPECT_EQ(got, fresh);
            close(in);
        }
        struct stat st;
        ASSERT_EQ(lstat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "a device or pipe is never replaced";
        EXPECT_EQ(ScratchDir::list(dir.path()), std::set<std::string>{"pipe"});
    }
}

// Where the file must be written in place, a write that fails part-way (here
// at the file-size limit, with SIGXFSZ at its default) puts the old bytes
// back; one that succeeds leaves exactly the new bytes. Same file throughout.
TEST_F(MapSave, InPlaceWriteRestoresTheOldBytesOnFailure) {
    enum Why { LockedFolder, HardLink, OtherOwner };
    struct Case {
        const char* what;
        Why why;
        size_t oldSize;
        rlim_t limit;
        bool saved;
    } cases[] = {
        {"locked folder, size limit", LockedFolder, 100, 1000, false},
        {"locked folder, longer old file", LockedFolder, 5000, RLIM_INFINITY, true},
        {"hard link, size limit", HardLink, 100, 1000, false},
        {"hard link, longer old file", HardLink, 5000, RLIM_INFINITY, true},
        {"other owner, size limit", OtherOwner, 100, 1000, false},
        {"other owner", OtherOwner, 4096, RLIM_INFINITY, true},
    };
    for (const Case& c : cases) {
        // Root may create files anywhere and keep any owner: only an
        // unprivileged saver meets the locked folder and the other owner.
        if (c.why != HardLink && geteuid() != 0) continue;
        std::string folder = dir / "case";
        ScratchDir::removeAll(folder);
        mkdir(folder.c_str(), c.why == OtherOwner ? 0777 : 0755);
        chmod(folder.c_str(), c.why == OtherOwner ? 0777 : 0755);
        std::string path = folder + "/old.map", other = folder + "/other.map";
        Bytes before(c.oldSize);
        for (size_t i = 0; i < before.size(); ++i) before[i] = static_cast<uint8_t>(i * 7 + 1);
        writeFile(path, before);
        chmod(path.c_str(), 0666);
        if (c.why == HardLink) {
            ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
        }
        if (c.why == LockedFolder) chmod(folder.c_str(), 0555);
        struct stat was, now;
        ASSERT_EQ(stat(path.c_str(), &was), 0);
        std::string reason;
        int status = saveInChild(path, c.why != HardLink, reason, [&] {
            rlimit limit{c.limit, c.limit};
            return setrlimit(RLIMIT_FSIZE, &limit) != 0 ? 90 : 0;
        });
        EXPECT_EQ(status, c.saved ? 1 : 0) << c.what << ": expected " << c.saved;
        EXPECT_EQ(reason, c.saved ? "" : "File too large") << c.what;
        EXPECT_EQ(readFile(path), c.saved ? fresh : before) << c.what;
        ASSERT_EQ(stat(path.c_str(), &now), 0);
        EXPECT_EQ(now.st_ino, was.st_ino) << c.what << ": written in place";
        EXPECT_EQ(now.st_uid, was.st_uid) << c.what;
        EXPECT_EQ(now.st_gid, was.st_gid) << c.what;
        if (c.why == HardLink) {
            EXPECT_EQ(readFile(other), readFile(path)) << c.what << ": one file, two names";
        }
        chmod(folder.c_str(), 0755);
        std::set<std::string> names = {"old.map"};
        if (c.why == HardLink) names.insert("other.map");
        EXPECT_EQ(ScratchDir::list(folder), names) << c.what;
    }
}

// The temporary file's name does not grow with the target's, and a path at
// the system's limit saves as well as a short one.
TEST_F(MapSave, LongestNamesSave) {
    std::string shallow = dir / "short", deep = dir / "deep";
    ASSERT_EQ(mkdir(shallow.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    // Folders down to where a five-byte name ends the longest path the system
    // takes: a temporary name longer than the target's would not fit beside it.
    const size_t kPath = PATH_MAX - 1, kName = 5;
    while (kPath - kName - 1 - deep.size() > 256) {
        deep += "/" + std::string(200, 'd');
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    }
    deep += "/" + std::string(kPath - kName - 1 - deep.size() - 1, 'e');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    struct Case {
        std::string folder;
        size_t length;  // of the file's name
    } cases[] = {{shallow, 244}, {shallow, 255}, {deep, kName}};
    for (const Case& c : cases) {
        std::string name(c.length, 'n');
        std::string path = c.folder + "/" + name;
        ASSERT_TRUE(saveMap(path.c_str(), testMap)) << path.size() << "-byte path, " << c.length << "-byte name, new file";
        writeFile(path, old);
        ASSERT_TRUE(saveMap(path.c_str(), testMap)) << path.size() << "-byte path, " << c.length << "-byte name, over the old";
        EXPECT_EQ(readFile(path), fresh);
        EXPECT_EQ(ScratchDir::list(c.folder), std::set<std::string>{name});
        unlink(path.c_str());
    }
}

// A pid that has certainly ended: a child's, reaped.
pid_t endedPid() {
    pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

// A save removes temporary files of ours whose process has ended, and
// nothing else.
TEST_F(MapSave, LeftoverTemporaryFilesOfEndedSavesAreRemoved) {
    const std::string dead = std::to_string(endedPid());
    const std::string gone = ".vornsave-" + dead + "-7";
    const std::set<std::string> kept = {
        ".vornsave-1-0",               // its process runs
        ".vornsave-" + dead + "-7.x",  // not our pattern
        ".vornsave-" + dead,
        ".vornsave--3",
        "vornsave-" + dead + "-7",
        ".vornsave-" + dead + "-8",  // a folder, not a file of ours
        "old.map",
    };
    for (const std::string& name : kept)
        if (name != ".vornsave-" + dead + "-8") writeFile(dir / name, old);
    mkdir((dir / (".vornsave-" + dead + "-8")).c_str(), 0755);
    writeFile(dir / gone, old);
    ASSERT_TRUE(saveMap((dir / "old.map").c_str(), testMap));
    EXPECT_EQ(ScratchDir::list(dir.path()), kept);
    EXPECT_EQ(readFile(dir / ".vornsave-1-0"), old);
}

// Saves killed at random moments leave the old map or the new one, never a
// mix; the next save clears what they left behind.
TEST_F(MapSave, KilledSavesLeaveOldOrNewAndNextSaveTidies) {
    std::string path = dir / "map.map";
    ASSERT_TRUE(saveMap(path.c_str(), testMap));
    Bytes first = fresh, second = fresh;
    second[0] ^= 0xff;
    uint32_t lcg = 12345;  // our own generator: the same moments every run
    int mixed = 0;
    for (int kill_ = 0; kill_ < 200; ++kill_) {
        std::fflush(nullptr);
        pid_t child = fork();
        if (child == 0) {
            // Saves the two maps in turn until killed.
            for (uint8_t t = 0;; t ^= 1) {
                testMap.tileAt(0, 0) = t ? second[0] : first[0];
                saveMap(path.c_str(), testMap);
            }
        }
        lcg = lcg * 1664525u + 1013904223u;
        usleep((lcg >> 8) % 3000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        Bytes got = readFile(path);
        if (got != first && got != second) ++mixed;
    }
    size_t before = ScratchDir::list(dir.path()).size() - 1;
    ASSERT_TRUE(saveMap(path.c_str(), testMap));
    size_t after = ScratchDir::list(dir.path()).size() - 1;
    std::printf("temporary files left by 200 killed saves: %zu, after one more save: %zu\n", before, after);
    EXPECT_EQ(mixed, 0) << "maps neither old nor new";
    EXPECT_LE(after, 2u) << "temporary files of ours after one more save";
    EXPECT_EQ(readFile(path), fresh);
}

}  // namespace

// Recovery copies: what a start-up finds in the folder, row by row. Each row
// leaves a dead editor's copy (written, lock dropped as a crash drops it),
// spoils it as the row says, and expects it offered or passed over untouched.
TEST_F(MapSave, RecoveryCopiesFoundOnlyWholeAndUnlocked) {
    Bytes map(kMapBytes);
    for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint8_t>(i * 7);
    struct Row {
        const char* name;
        std::function<void(const std::string& base)> spoil;  // base: folder + id
        bool holdLock;  // the editor still runs
        bool offered;
    };
    const Row rows[] = {
        {"whole copy", [](const std::string&) {}, false, true},
        {"locked copy", [](const std::string&) {}, true, false},
        {"0 bytes", [](const std::string& b) { writeFile(b + ".map", Bytes()); }, false, false},
        {"4095 bytes", [&](const std::string& b) { writeFile(b + ".map", Bytes(map.begin(), map.end() - 1)); }, false, false},
        {"4097 bytes", [&](const std::string& b) { Bytes m = map; m.push_back(1); writeFile(b + ".map", m); }, false, false},
        {"FIFO", [](const std::string& b) { unlink((b + ".map").c_str()); mkfifo((b + ".map").c_str(), 0600); }, false, false},
        {"link to a whole copy", [&](const std::string& b) {
             writeFile(b + ".real", map);
             unlink((b + ".map").c_str());
             if (symlink((b + ".real").c_str(), (b + ".map").c_str()) != 0) std::abort();
         }, false, false},
        {"rubbish path file", [](const std::string& b) { writeFile(b + ".info", Bytes{'x', '\n', '/', '\n'}); }, false, false},
        {"path with a control character", [](const std::string& b) { writeFile(b + ".info", Bytes{'5', '\n', '/', 7, '\n'}); }, false, false},
        {"no path file", [](const std::string& b) { unlink((b + ".info").c_str()); }, false, false},
        {"info of an editor before stamps", [](const std::string& b) {
             const std::string two = "1234\n/maps/a b.map\n";
             writeFile(b + ".info", Bytes(two.begin(), two.end()));
         }, false, true},
        {"rubbish stamp line", [](const std::string& b) {
             const std::string three = "1234\n/maps/a b.map\nstamp 1 2 x 4\n";
             writeFile(b + ".info", Bytes(three.begin(), three.end()));
         }, false, false},
    };
    FileStamp stamp;  // what the dead editor knew of its file; a time before 1970 too
    stamp.known = stamp.regular = true;
    stamp.device = 2049;
    stamp.file = UINT64_MAX;
    stamp.size = 4096;
    stamp.modified = -1500000000;
    for (const Row& row : rows) {
        const std::string folder = dir / (std::string(row.name) + "/");
        RecoverySlot live;
        std::string reason;
        ASSERT_TRUE(openRecoverySlot(folder, live, &reason)) << row.name << ": " << reason;
        ASSERT_TRUE(writeRecoveryCopy(live, map.data(), map.size(), "/maps/a b.map", stamp, 1234, &reason)) << reason;
        const std::string base = folder + live.id;
        RecoverySlot dead = std::move(live);
        if (!row.holdLock) dead = RecoverySlot();  // drops the lock, keeps the files
        row.spoil(base);
        const std::set<std::string> before = ScratchDir::list(folder);
        std::vector<OrphanCopy> found = findOrphanCopies(folder, kMapBytes);
        EXPECT_EQ(found.size(), row.offered ? 1u : 0u) << row.name;
        if (row.offered && found.size() == 1) {
            EXPECT_EQ(found[0].bytes, map) << row.name;
            EXPECT_EQ(found[0].mapPath, "/maps/a b.map") << row.name;
            EXPECT_EQ(found[0].changeTime, 1234) << row.name;
            const bool stamped = std::string(row.name) != "info of an editor before stamps";
            EXPECT_EQ(found[0].stamp.known, stamped) << row.name;
            if (stamped) {
                EXPECT_TRUE(sameFile(found[0].stamp, stamp) && found[0].stamp.size == stamp.size &&
                            found[0].stamp.modified == stamp.modified)
                    << row.name;
            }
            // Found again by nobody while this start holds it.
            EXPECT_EQ(findOrphanCopies(folder, kMapBytes).size(), 0u) << row.name << ", held by the first finder";
            discardOrphanCopy(found[0]);
            EXPECT_EQ(ScratchDir::list(folder), std::set<std::string>{}) << row.name << ", discarded";
        } else {
            found.clear();
            EXPECT_EQ(ScratchDir::list(folder), before) << row.name << ": left as it is";
        }
    }
}

// Several dead copies come newest first; removal keeps only the lock, a
// close removes everything; a folder that cannot be made says why.
TEST_F(MapSave, RecoverySlotsNewestFirstRemovedAndRefused) {
    const std::string folder = dir / "state/vorngroundeditor/";
    const Bytes map(kMapBytes, 3);
    std::string reason;
    for (int64_t time : {200, 300, 100}) {
        RecoverySlot dead;
        ASSERT_TRUE(openRecoverySlot(folder, dead, &reason)) << reason;
        ASSERT_TRUE(writeRecoveryCopy(dead, map.data(), map.size(), std::to_string(time), FileStamp(), time, &reason)) << reason;
    }
    std::vector<OrphanCopy> found = findOrphanCopies(folder, kMapBytes);
    std::string order;
    for (const OrphanCopy& c : found) order += c.mapPath + " ";
    EXPECT_EQ(order, "300 200 100 ");
    for (OrphanCopy& c : found) discardOrphanCopy(c);

    RecoverySlot mine;
    ASSERT_TRUE(openRecoverySlot(folder, mine, &reason)) << reason;
    ASSERT_TRUE(writeRecoveryCopy(mine, map.data(), map.size(), "", FileStamp(), 1, &reason)) << reason;
    EXPECT_EQ(ScratchDir::list(folder).size(), 3u) << "lock, copy and info";
    removeRecoveryCopy(mine);
    EXPECT_EQ(ScratchDir::list(folder), std::set<std::string>{mine.id + ".lock"});
    closeRecoverySlot(mine);
    EXPECT_EQ(ScratchDir::list(folder), std::set<std::string>{});

    writeFile(dir / "file", map);
    RecoverySlot refused;
    EXPECT_FALSE(openRecoverySlot(dir / "file/vorngroundeditor/", refused, &reason));
    EXPECT_NE(reason.find("Not a directory"), std::string::npos) << reason;
}

// The store's names are its own: a link at the copy's or the info's name is
// refused and its target untouched; a second name of the copy's file keeps
// its bytes (the copy is replaced, not written in place); a temporary file a
// killed write left is gone at the next start, whatever is written then.
TEST_F(MapSave, RecoveryNamesAreNeverFollowed) {
    const std::string folder = dir / "state/";
    const Bytes map(kMapBytes, 9);
    const std::string target = dir / "user.map";
    std::string reason;
    for (const char* suffix : {".map", ".info"}) {
        RecoverySlot slot;
        ASSERT_TRUE(openRecoverySlot(folder, slot, &reason)) << reason;
        writeFile(target, old);
        const std::string name = folder + slot.id + suffix;
        ASSERT_EQ(symlink(target.c_str(), name.c_str()), 0);
        EXPECT_FALSE(writeRecoveryCopy(slot, map.data(), map.size(), "", FileStamp(), 1, &reason)) << suffix;
        EXPECT_EQ(reason, name + " is a link") << suffix;
        EXPECT_EQ(readFile(target), old) << suffix;
        closeRecoverySlot(slot);
        EXPECT_EQ(ScratchDir::list(folder), std::set<std::string>{}) << suffix << ": the link goes with the slot";
    }
    RecoverySlot slot;
    ASSERT_TRUE(openRecoverySlot(folder, slot, &reason)) << reason;
    ASSERT_TRUE(writeRecoveryCopy(slot, old.data(), old.size(), "", FileStamp(), 1, &reason)) << reason;
    ASSERT_EQ(link((folder + slot.id + ".map").c_str(), (dir / "second name").c_str()), 0);
    ASSERT_TRUE(writeRecoveryCopy(slot, map.data(), map.size(), "", FileStamp(), 2, &reason)) << reason;
    EXPECT_EQ(readFile(folder + slot.id + ".map"), map);
    EXPECT_EQ(readFile(dir / "second name"), old);
    closeRecoverySlot(slot);

    const std::string leftover = ".vornsave-" + std::to_string(endedPid()) + "-3";
    writeFile(folder + leftover, old);
    writeFile(folder + ".vornsave-1-3", old);  // its process runs
    ASSERT_TRUE(openRecoverySlot(folder, slot, &reason)) << reason;
    EXPECT_EQ(ScratchDir::list(folder), (std::set<std::string>{".vornsave-1-3", slot.id + ".lock"}));
    closeRecoverySlot(slot);
}

// Recovery writes killed at random moments: the next start finds the old
// copy or the new one, never a broken one, and one more write leaves no
// temporary file.
TEST_F(MapSave, KilledRecoveryWritesLeaveOldOrNewCopy) {
    const std::string folder = dir / "state/";
    Bytes first(kMapBytes, 1), second(kMapBytes, 2);
    RecoverySlot slot;
    std::string reason;
    ASSERT_TRUE(openRecoverySlot(folder, slot, &reason)) << reason;
    ASSERT_TRUE(writeRecoveryCopy(slot, first.data(), first.size(), "first", FileStamp(), 1, &reason)) << reason;
    uint32_t lcg = 54321;
    int broken = 0;
    for (int kill_ = 0; kill_ < 200; ++kill_) {
        std::fflush(nullptr);
        pid_t child = fork();
        if (child == 0) {
            for (int t = 0;; t ^= 1) {
                const Bytes& b = t ? second : first;
                writeRecoveryCopy(slot, b.data(), b.size(), t ? "second" : "first", FileStamp(), 1 + t, nullptr);
            }
        }
        lcg = lcg * 1664525u + 1013904223u;
        usleep((lcg >> 8) % 3000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        slot = RecoverySlot();  // this editor dies too: its lock goes
        std::vector<OrphanCopy> found = findOrphanCopies(folder, kMapBytes);
        if (found.size() != 1 || (found[0].bytes != first && found[0].bytes != second)) {
            ++broken;
            ASSERT_EQ(found.size(), 1u) << "copies found after kill " << kill_;
        }
        slot = std::move(found[0].slot);  // the next editor carries on with it
    }
    auto temporaries = [&] {
        size_t n = 0;
        for (const std::string& name : ScratchDir::list(folder)) n += name.rfind(".vornsave-", 0) == 0;
        return n;
    };
    const size_t before = temporaries();
    ASSERT_TRUE(writeRecoveryCopy(slot, second.data(), second.size(), "second", FileStamp(), 2, &reason)) << reason;
    std::printf("temporary files left by 200 killed recovery writes: %zu, after one more write: %zu\n", before,
                temporaries());
    EXPECT_EQ(broken, 0) << "copies neither old nor new";
    EXPECT_EQ(temporaries(), 0u) << "temporary files after one more write";
    EXPECT_EQ(ScratchDir::list(folder).size(), 3u);
}
