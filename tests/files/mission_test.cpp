// Mission files: the record grammar, the two kept record kinds, files that
// end anywhere, and the objects without a twin under a symmetry.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "files/file_test_util.h"
#include "files/mission.h"
#include "files/object_twins.h"

using filetest::Bytes;
using filetest::ScratchDir;
using filetest::writeFile;

// Records compare and print field by field (found by argument lookup).
static bool operator==(const StructureRecord& a, const StructureRecord& b) {
    return a.word0 == b.word0 && a.word1 == b.word1 && a.spriteIndex == b.spriteIndex && a.word3 == b.word3 &&
           a.position == b.position;
}
static bool operator==(const TileObjectRecord& a, const TileObjectRecord& b) {
    return a.word0 == b.word0 && a.texCell == b.texCell && a.word2 == b.word2 && a.position == b.position &&
           a.word4 == b.word4 && a.word5 == b.word5;
}

static std::ostream& operator<<(std::ostream& o, const StructureRecord& r) {
    return o << "{" << r.word0 << ", " << r.word1 << ", sprite " << r.spriteIndex << ", " << r.word3 << ", position "
             << r.position << "}";
}
static std::ostream& operator<<(std::ostream& o, const TileObjectRecord& r) {
    return o << "{" << r.word0 << ", texCell " << r.texCell << ", " << r.word2 << ", position " << r.position << ", "
             << r.word4 << ", " << r.word5 << "}";
}

namespace {

// The lists every read here fills, as the shell's.
std::vector<StructureRecord> structureList;
std::vector<TileObjectRecord> tileObjectList;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A tile object record whose values are 1..6; read last, it shows that the
// reader found the start of the record exactly.
const Bytes kMarker = {8, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6};
const TileObjectRecord kMarkerRecord = {1, 2, 3, 4, 5, 6};

// Body length of a record as the grammar gives it, for a length or count
// field holding 1 (a plain re-statement of the grammar, kept obvious).
size_t bodyLength(int type, int sub) {
    switch (type) {
    case 0: return sub <= 2 ? 2 + 1 : sub <= 8 ? 2 : 0;
    case 1: return sub == 'B' || sub == 'F' ? 2 + 2 : sub == 'S' ? 2 : 0;
    case 2: case 3: case 4: case 5:
        return sub == 'B' || sub == 'C' || sub == 'M' || sub == 'Q' ? 2 : 0;
    case 6: return 2;
    case 7: return 10;
    case 8: return 12;
    case 9: return sub == 'G' ? 6 : 10;
    case 10: return 8;
    default: return 0;
    }
}

class Mission : public ::testing::Test {
protected:
    void TearDown() override {
        structureList.clear();
        tileObjectList.clear();
    }
    // Writes the bytes as a mission file and reads it.
    bool read(const Bytes& bytes) {
        writeFile(path, bytes);
        return readMission(path.c_str(), structureList, tileObjectList);
    }
    ScratchDir dir;
    std::string path = dir / "mission.bin";
};

TEST_F(Mission, KeptRecordsAndTheirFields) {
    ASSERT_TRUE(read(cat({
        {8, 0, 0x00, 0x01, 0x00, 0xB3, 0x00, 0x02, 0x01, 0x41, 0x00, 0x00, 0x00, 0x00},
        {9, 'G', 0x00, 0x41, 0x00, 0x01, 0x00, 0x05},
        {9, 0, 0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C, 0x00, 0x0D, 0x00, 0x0E},
        {8, 'Z', 0x80, 0x00, 0xFF, 0xFF, 0x7F, 0xFF, 0x80, 0x01, 0x00, 0x00, 0xFF, 0xFE},
    })));
    ASSERT_EQ(tileObjectList.size(), 2u);
    EXPECT_EQ(tileObjectList[0], (TileObjectRecord{1, 179, 2, 321, 0, 0}));
    EXPECT_EQ(tileObjectList[1], (TileObjectRecord{-32768, -1, 32767, -32767, 0, -2}))
        << "values 0x8000..0xFFFF are negative";
    ASSERT_EQ(structureList.size(), 2u);
    EXPECT_EQ(structureList[0], (StructureRecord{0, 1, 5, 0, 65})) << "short form: position comes first";
    EXPECT_EQ(structureList[1], (StructureRecord{10, 11, 12, 13, 14})) << "long form: position comes last";
}

TEST_F(Mission, SkippedRecordsTakeTheirBodies) {
    struct Case {
        const char* name;
        Bytes record;
    } cases[] = {
        {"type 0 sub 1, length 256", cat({{0, 1, 0x01, 0x00}, Bytes(256, 0xFF)})},
        {"type 1 sub F, count 3", {1, 'F', 0x00, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"type 1 sub B, count 0", {1, 'B', 0x00, 0x00}},
        {"type 7", {7, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"type 12", {12, 0xFF}},
        {"type 0 sub 9", {0, 9}},
        {"type 127", {127, 0xFF}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(read(cat({c.record, kMarker})));
        ASSERT_EQ(tileObjectList.size(), 1u) << c.name;
        EXPECT_EQ(tileObjectList[0], kMarkerRecord) << c.name;
    }
}

// Every type and sub byte: the record takes exactly its grammar's bytes
// (filled with 0xFF, which would end the reading if taken for a type byte),
// and the marker after it is found; types from 128 end the reading. One file
// per type holds the records of all 256 sub bytes, each followed by a marker.
TEST_F(Mission, EveryTypeAndSubByte) {
    for (int type = 0; type < 256; ++type) {
        Bytes file;
        for (int sub = 0; sub < 256; ++sub) {
            Bytes record = {uint8_t(type), uint8_t(sub)};
            Bytes body(bodyLength(type, sub), 0xFF);
            if (type <= 1 && body.size() == size_t(4 - (type == 0))) {  // a length or count of 1
                body[0] = 0;
                body[1] = 1;
            }
            file.insert(file.end(), record.begin(), record.end());
            file.insert(file.end(), body.begin(), body.end());
            file.insert(file.end(), kMarker.begin(), kMarker.end());
        }
        ASSERT_TRUE(read(file));
        size_t perSub = type == 8 ? 2 : 1;  // a type 8 record is itself kept
        size_t objects = type >= 128 ? 0 : 256 * perSub;
        ASSERT_EQ(tileObjectList.size(), objects) << "type " << type;
        ASSERT_EQ(structureList.size(), type == 9 ? 256u : 0u) << "type " << type;
        for (size_t i = 0; i < objects; i += perSub)
            ASSERT_EQ(tileObjectList[i + perSub - 1], kMarkerRecord) << "type " << type << " sub " << i / perSub;
    }
}

TEST_F(Mission, FilesEndingAnywhere) {
    const Bytes structure = {9, 'G', 0x00, 0x41, 0x00, 0x01, 0x00, 0x05};
    // Records cut at every byte: the complete ones stay, the cut one is not kept.
    const Bytes full = cat({kMarker, structure, kMarker});
    for (size_t cut = 0; cut <= full.size(); ++cut) {
        ASSERT_TRUE(read(Bytes(full.begin(), full.begin() + cut)));
        size_t objects = (cut >= kMarker.size()) + (cut == full.size());
        size_t structures = cut >= kMarker.size() + structure.size();
        EXPECT_EQ(tileObjectList.size(), objects) << "cut after " << cut << " bytes";
        EXPECT_EQ(structureList.size(), structures) << "cut after " << cut << " bytes";
    }
    // Long structure records cut in their body.
    for (size_t cut = 2; cut < 12; ++cut) {
        Bytes lng = {9, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5};
        ASSERT_TRUE(read(cat({kMarker, Bytes(lng.begin(), lng.begin() + cut)})));
        EXPECT_TRUE(structureList.empty()) << "cut after " << cut;
        EXPECT_EQ(tileObjectList.size(), 1u);
    }
    // Lengths and counts that skip past the end, and records whose
    // discarded bytes are missing.
    for (Bytes tail : {Bytes{0, 0, 0xFF, 0xFF, 1, 2}, Bytes{1, 'B', 0xFF, 0xFF}, Bytes{1, 'F', 0x00},
                       Bytes{7, 0, 1, 2}, Bytes{10, 0, 1, 2, 3}, Bytes{6, 0, 1}, Bytes{0}}) {
        ASSERT_TRUE(read(cat({kMarker, tail})));
        EXPECT_EQ(tileObjectList.size(), 1u);
        EXPECT_TRUE(structureList.empty());
    }
}

TEST_F(Mission, ReadReplacesTheListsAndFailureKeepsThem) {
    ASSERT_TRUE(read(cat({kMarker, kMarker, {9, 'G', 0, 1, 0, 2, 0, 3}})));
    ASSERT_TRUE(read({9, 'G', 0, 7, 0, 8, 0, 9}));
    EXPECT_TRUE(tileObjectList.empty()) << "a second file replaces the first's objects";
    ASSERT_EQ(structureList.size(), 1u);

    mkdir((dir / "folder").c_str(), 0755);
    for (std::string bad : {dir / "missing.bin", dir / "folder"}) {
        EXPECT_FALSE(readMission(bad.c_str(), structureList, tileObjectList)) << bad;
        ASSERT_EQ(structureList.size(), 1u) << bad;
        EXPECT_EQ(structureList[0], (StructureRecord{0, 8, 9, 0, 7})) << bad;
    }

    for (Bytes empty : {Bytes{}, Bytes{128}, Bytes{200, 0, 8, 0}}) {
        ASSERT_TRUE(read(empty));
        EXPECT_TRUE(structureList.empty());
        EXPECT_TRUE(tileObjectList.empty());
    }
}

}  // namespace

namespace {

// Files past the reader's bounds, and pipes and devices, which must never make
// it wait. Each case starts with one structure shown.
TEST_F(Mission, BoundsPipesAndDevices) {
    const Bytes structure = {9, 'G', 0, 1, 0, 2, 0, 3};
    auto structures = [&](size_t n) {
        Bytes b;
        for (size_t i = 0; i < n; ++i) b.insert(b.end(), structure.begin(), structure.end());
        return b;
    };
    std::string fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::function<std::string()> make;  // the path to read
        bool read;                          // lists replaced
        size_t structures;                  // then this many structures
        const char* refusal;                // else said, or nullptr for silence
    } cases[] = {
        {"zero-filled, 1 MiB: 262,144 empty records", [&] { writeFile(path, Bytes(1 << 20, 0)); return path; },
         true, 0, nullptr},
        {"zero-filled, one byte past 4 MiB", [&] {
             writeFile(path, {});
             EXPECT_EQ(truncate(path.c_str(), kMaxMissionBytes + 1), 0);
             return path;
         }, false, 1, "larger than 4 MiB"},
        {"/dev/zero, which never ends", [] { return std::string("/dev/zero"); }, false, 1, "larger than 4 MiB"},
        {"8192 structures", [&] { writeFile(path, structures(8192)); return path; }, true, 8192, nullptr},
        {"8193 structures", [&] { writeFile(path, structures(8193)); return path; }, false, 1, "more than 8192"},
        {"FIFO without a writer reads as empty", [&] { return fifo; }, true, 0, nullptr},
    };
    for (const Case& c : cases) {
        structureList.assign(1, StructureRecord{0, 8, 9, 0, 7});
        std::string from = c.make();
        std::string reason = "unset";
        alarm(10);  // a reader that waits ends the test here
        bool read = readMission(from.c_str(), structureList, tileObjectList, &reason);
        alarm(0);
        EXPECT_EQ(read, c.read) << c.name;
        EXPECT_EQ(structureList.size(), c.structures) << c.name;
        if (c.refusal)
            EXPECT_NE(reason.find(c.refusal), std::string::npos)
                << c.name << ": expected \"" << c.refusal << "\", got \"" << reason << "\"";
        else
            EXPECT_EQ(reason, "") << c.name;
    }
    // A FIFO with a writer that has not written: not a whole file, lists kept.
    structureList.assign(1, StructureRecord{0, 8, 9, 0, 7});
    int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    alarm(10);
    EXPECT_FALSE(readMission(fifo.c_str(), structureList, tileObjectList));
    alarm(0);
    close(writer);
    EXPECT_EQ(structureList.size(), 1u);
}

// Objects with and without twins: S = structure, T = tile object, each
// "id x,y"; the answer lists each object without a twin as "S id x,y>X,Y",
// X,Y its first image's cell without one. Sprites 0, 1, 2 and 3 cover 1 x 1,
// 2 x 2, 3 x 3 and 3 x 2 cells.
TEST(ObjectTwins, WithAndWithoutTwinsOnAndAcrossTheAxes) {
    struct Case {
        const char* name;
        Symmetry mode;
        std::vector<std::string> objects;
        const char* expected;
    };
    const Case cases[] = {
        {"alone", Symmetry::mirrorLeftRight, {"S0 3,5"}, "S0 3,5>60,5"},
        {"twinned", Symmetry::mirrorLeftRight, {"S0 3,5", "S0 60,5"}, ""},
        {"3 x 3 twinned", Symmetry::mirrorLeftRight, {"S2 10,20", "S2 51,20"}, ""},
        {"other sprite", Symmetry::mirrorLeftRight, {"S2 10,20", "S3 51,20"}, "S2 10,20>51,20 S3 51,20>10,20"},
        {"other kind", Symmetry::mirrorLeftRight, {"S0 3,5", "T0 60,5"}, "S0 3,5>60,5 T0 60,5>3,5"},
        {"its own image across the axis", Symmetry::mirrorLeftRight, {"S1 31,0"}, ""},
        {"its own image four ways", Symmetry::mirrorFourWays, {"S1 31,31", "T7 31,0", "T7 32,0", "T7 31,63", "T7 32,63"}, ""},
        {"3 wide across the axis", Symmetry::mirrorFourWays, {"S2 30,30"}, "S2 30,30>31,30"},
        {"first missing image", Symmetry::mirrorFourWays, {"S0 3,5", "S0 60,5", "S0 60,58"},
         "S0 3,5>3,58 S0 60,5>3,58 S0 60,58>3,58"},
        {"top-bottom", Symmetry::mirrorTopBottom, {"T9 5,10", "T9 5,53", "T9 6,10"}, "T9 6,10>6,53"},
        {"half turn", Symmetry::halfTurn, {"T12 0,0", "T12 63,63", "S3 0,0", "S3 61,62"}, ""},
        {"half turn, other id", Symmetry::halfTurn, {"T12 0,0", "T13 63,63"}, "T12 0,0>63,63 T13 63,63>0,0"},
        {"over the map's edge", Symmetry::mirrorLeftRight, {"S2 63,0"}, "S2 63,0>-2,0"},
        {"skipped: sprite outside the table, outside the map", Symmetry::mirrorFourWays,
         {"S19 3,5", "S-1 3,5", "S0 -1,0", "S0 0,64", "T4 0,70", "T4 -3,-1"}, ""},
        {"off", Symmetry::off, {"S0 3,5"}, ""},
    };
    for (const Case& c : cases) {
        std::vector<StructureRecord> structures;
        std::vector<TileObjectRecord> tileObjects;
        for (const std::string& o : c.objects) {
            int id = 0, x = 0, y = 0;
            ASSERT_EQ(std::sscanf(o.c_str() + 1, "%d %d,%d", &id, &x, &y), 3) << o;
            const int16_t position = static_cast<int16_t>(y * 64 + x);
            if (o[0] == 'S') structures.push_back({0, 0, static_cast<int16_t>(id), 0, position});
            else tileObjects.push_back({0, static_cast<int16_t>(id), 0, position, 0, 0});
        }
        std::vector<ObjectWithoutTwin> found;
        findObjectsWithoutTwin(structures, tileObjects, c.mode, 64, 64, found);
        std::string got;
        for (const ObjectWithoutTwin& f : found) {
            const std::string& listed = c.objects[f.structure ? f.index : structures.size() + f.index];
            EXPECT_EQ(listed, (f.structure ? "S" : "T") + std::to_string(f.id) + " " + std::to_string(f.x) + "," +
                                  std::to_string(f.y)) << c.name;
            got += (got.empty() ? "" : " ") + listed + ">" + std::to_string(f.twinX) + "," + std::to_string(f.twinY);
        }
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

}  // namespace
