// vorn-map: check's verdicts, refused inputs, fill against the editor's own
// fill, and thumbnails against block means.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "files/file_test_util.h"
#include "files/image_decode.h"
#include "files/map_file.h"
#include "files/map_image.h"
#include "height/height_image.h"
#include "map/ground_map.h"
#include "map/paint_tools.h"
#include "map_tool.h"
#include "shell/editor_state.h"

namespace {

using filetest::Bytes;
using filetest::ScratchDir;

struct ToolRun {
    int code;
    std::string out, err;
};

// The tool in this process, its streams caught in temporary files.
ToolRun runTool(const std::vector<std::string>& args) {
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    ToolRun r{runMapTool(args, "", out, err), "", ""};
    for (auto [f, text] : {std::pair<FILE*, std::string*>{out, &r.out}, {err, &r.err}}) {
        std::rewind(f);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text->append(buf, n);
        std::fclose(f);
    }
    return r;
}

std::string join(const std::vector<std::string>& args) {
    std::string s;
    for (const std::string& a : args) s += (s.empty() ? "" : " ") + a;
    return s;
}

// The busy map's draws (the program's LCG formula, a fixed seed of its own).
struct BusyRandom {
    uint32_t state = 4242;
    uint32_t next() {
        state = state * 214013u + 2531011u;
        return state >> 16 & 0x7FFF;
    }
};

Bytes mapBytes(const GroundMap& map) {
    Bytes b(4096);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) b[y * 64 + x] = map.tileAt(x, y);
    return b;
}

// A map painted with every kind, water among them, as the editor saves it.
Bytes paintedMap() {
    initPatternTable();
    GroundMap map(64, 64);
    for (int i = 0; i < 400; ++i) map.paintCorner((i * 37) % 129, (i * 53) % 129, i % 5);
    return mapBytes(map);
}

// A side x side 24-bit BMP whose colour at (x, y) is rgb(x, y) (0xRRGGBB), y
// down from the top.
template <typename F>
Bytes rgbBmp(int side, F rgb) {
    const int stride = (side * 3 + 3) / 4 * 4;  // rows padded to whole words
    Bytes b(54 + side * stride, 0);
    const auto put32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    b[26] = 1;
    b[28] = 24;
    for (int row = 0; row < side; ++row)
        for (int x = 0; x < side; ++x)
            for (int c = 0; c < 3; ++c)
                b[54 + (side - 1 - row) * stride + x * 3 + c] = static_cast<uint8_t>(rgb(x, row) >> (8 * c));
    return b;
}

// The same with grey(x, y) in all three channels.
template <typename F>
Bytes greyBmp(int side, F grey) {
    return rgbBmp(side, [&grey](int x, int y) { return 0x010101u * (static_cast<uint32_t>(grey(x, y)) & 0xFF); });
}

TEST(MapTool, CheckVerdicts) {
    ScratchDir dir;
    const Bytes painted = paintedMap();
    Bytes strange = painted;
    strange[5 * 64 + 3] = 0;  // cell (3, 5): tile 0, which selection never gives
    strange[9 * 64 + 60] = 250;
    filetest::writeFile(dir / "clean.map", Bytes(4096, kPlainTile));
    filetest::writeFile(dir / "painted.map", painted);
    filetest::writeFile(dir / "strange.map", strange);
    filetest::writeFile(dir / "short.map", Bytes(4095, kPlainTile));
    // A mission of 8193 structures (short form: position, word, sprite; big
    // endian): one past the editor's bound.
    Bytes mission;
    for (int i = 0; i < 8193; ++i) {
        const Bytes record = {9, 'G', 0, 5, 0, 0, 0, 2};
        mission.insert(mission.end(), record.begin(), record.end());
    }
    filetest::writeFile(dir / "crowded.mis", mission);
    filetest::writeFile(dir / "empty.mis", Bytes());
    struct Case {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> said;  // lines the report must hold
    };
    const Case cases[] = {
        {{"check", dir / "clean.map"}, 0, {"kind 0 (sand): 16641 points", "kind 4 (water): 0 points", "no problems"}},
        {{"check", dir / "painted.map"}, 0, {"kind 4 (water): ", "no problems"}},
        {{"check", dir / "strange.map"}, 1, {"2 cells hold a tile the editor never selects; first: 3,5 60,9"}},
        {{"check", dir / "short.map"}, 1, {"the file is 4095 bytes; a map file is 4096 bytes"}},
        {{"check", dir / "clean.map", "--mission", dir / "crowded.mis"}, 1, {"more than 8192 structures"}},
        {{"check", dir / "clean.map", "--mission", dir / "empty.mis"}, 0, {"mission: 0 structures, 0 tile objects"}},
        {{"render", dir / "clean.map", "--mission", dir / "empty.mis", "-o", dir / "e.png", "--art", VORN_ART_DIR}, 0, {}},
    };
    for (const Case& c : cases) {
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.code, c.code) << join(c.args) << "\n" << r.out << r.err;
        for (const std::string& line : c.said)
            EXPECT_NE(r.out.find(line), std::string::npos) << join(c.args) << ": expected \"" << line << "\", got\n" << r.out;
        EXPECT_EQ(r.err, "") << join(c.args);
    }
}

TEST(MapTool, RefusedInputsSayWhyExitTwoAndWriteNothing) {
    ScratchDir dir;
    filetest::writeFile(dir / "a.map", Bytes(4096, kPlainTile));
    filetest::writeFile(dir / "grey.bmp", greyBmp(128, [](int, int) { return 100; }));
    filetest::writeFile(dir / "big.bmp", greyBmp(64, [](int, int) { return 100; }));
    filetest::writeFile(dir / "empty", Bytes());
    filetest::writeFile(dir / "text.txt", Bytes{'1', '2', '8', '\n'});
    Bytes crowded;  // 8193 structures: one past the editor's bound
    for (int i = 0; i < 8193; ++i) crowded.insert(crowded.end(), {9, 'G', 0, 5, 0, 0, 0, 2});
    filetest::writeFile(dir / "crowded.mis", crowded);
    filetest::writeFile(dir / "m.mis", Bytes{9, 'G', 0, 5, 0, 0, 0, 2});
    // Other names of the inputs: a link, a second name, a path with "./" in it.
    ASSERT_EQ(symlink("a.map", (dir / "link.map").c_str()), 0);
    ASSERT_EQ(link((dir / "grey.bmp").c_str(), (dir / "second.bmp").c_str()), 0);
    // Another program's ".map", as a file manager hands it to the thumbnailer.
    filetest::writeFile(dir / "other.map", Bytes(3 << 20, 'x'));
    // Kind colours, but pixel 5,3 a colour of none of them.
    filetest::writeFile(dir / "odd.bmp", rgbBmp(129, [](int x, int y) { return x == 5 && y == 3 ? 0x123456u : 0x4CA03Cu; }));
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    const std::string artCopy = dir / "art";
    mkdir(artCopy.c_str(), 0700);
    for (const char* name : {"tex1.bmp", "structures.bmp"})
        filetest::writeFile(artCopy + "/" + name, filetest::readFile(std::string(VORN_ART_DIR) + "/" + name));
    std::map<std::string, Bytes> inputs;
    for (const std::string& name : ScratchDir::list(dir.path()))
        if (name != "fifo" && name != "art") inputs[name] = filetest::readFile(dir / name);
    const std::string out = dir / "out";
    const std::string missing = dir / "missing.map";
    const std::string fill[] = {"fill", dir / "a.map", "--heights", dir / "grey.bmp", "--at", "10,10", "--kind", "1"};
    const std::string art = VORN_ART_DIR;
    struct Case {
        std::vector<std::string> args;
        std::string said;  // part of the message
    };
    const std::vector<Case> cases = {
        {{"check", missing}, "cannot read map"},
        {{"render", missing, "-o", out, "--art", art}, "cannot read map"},
        {{"fill", missing, "--heights", dir / "grey.bmp", "--at", "1,1", "--kind", "1", "-o", out}, "cannot read map"},
        {{"fill", dir / "a.map", "--heights", dir / "big.bmp", "--at", "1,1", "--kind", "1", "-o", out}, "64 x 64"},
        {{"fill", dir / "a.map", "--heights", dir / "fifo", "--at", "1,1", "--kind", "1", "-o", out}, "cannot read"},
        {{"check", dir / "fifo"}, "cannot read map"},
        {{"render", dir / "fifo", "-o", out, "--art", art}, "cannot read map"},
        {{"check", dir / "a.map", "--mission", dir / "fifo"}, "cannot read mission"},
        {{"render", dir / "a.map", "-o", out, "--mission", dir / "fifo", "--art", art}, "cannot read mission"},
        {{"check", dir / "a.map", "--colour"}, "unknown option"},
        {{"render", dir / "a.map", "-o", out, "--below"}, "unknown option"},
        {{"render", dir / "a.map"}, "needs -o"},
        {{"render", dir / "a.map", "-o"}, "needs a value"},
        {{"render", dir / "a.map", "-o", out, "--cell", "3"}, "--cell"},
        {{"render", dir / "a.map", "-o", out, "--size", "63"}, "64 or more"},
        {{"render", dir / "a.map", "-o", out, "--size", "128px"}, "64 or more"},
        {{"render", dir / "a.map", "-o", out, "--size", "128", "--cell", "2"}, "cannot both"},
        {{"render", dir / "a.map", "-o", out, "--size", "128", "--mission", dir / "a.map"}, "no mission"},
        {{"render", "--size", "256", dir / "other.map", "-o", out}, "is 3145728 bytes"},
        {{"fill", dir / "a.map", "--heights", dir / "grey.bmp", "--at", "129,0", "--kind", "1", "-o", out}, "--at"},
        {{"fill", dir / "a.map", "--heights", dir / "grey.bmp", "--at", "1,1", "--kind", "5", "-o", out}, "--kind"},
        {{"check"}, "no map file"},
        {{"draw", dir / "a.map"}, "unknown command"},
        {{"kinds", missing, "-o", out}, "cannot read map"},
        {{"kinds", dir / "a.map"}, "needs -o"},
        {{"kinds", dir / "a.map", "-o", dir / "no folder/k.png"}, "cannot write"},
        {{"paint", dir / "a.map", "--image", dir / "grey.bmp", "-o", out},
         "must be 129 x 129 pixels; this image is 128 x 128"},
        {{"paint", dir / "a.map", "--cleared", "--image", dir / "odd.bmp", "-o", out}, "not both"},
        {{"paint", "--cleared", "-o", out}, "needs --image"},
        {{"paint", "--image", dir / "odd.bmp", "-o", out}, "no map file"},
        {{"paint", "--cleared", "--image", dir / "a.map", "-o", out}, "not a PNG or BMP"},
        {{"paint", "--cleared", "--image", dir / "fifo", "-o", out}, "cannot read image"},
        {{"paint", "--cleared", "--image", dir / "odd.bmp", "-o", out},
         dir / "odd.bmp" + ": pixel 5,3 is #123456, not one of the five kinds' colours (try --nearest)"},
        {{"paint", "--cleared", "--nearest", "--image", dir / "odd.bmp", "-o", dir / "no folder/p.map"}, "cannot write"},
        {{"check", dir / "a.map", "--symmetry", "diagonal"}, "--symmetry must be"},
        {{"check", dir / "a.map", "--symmetry"}, "needs a value"},
        {{"fill", dir / "a.map", "--nearest"}, "unknown option"},
        {{}, "no command"},
        {{"render", dir / "a.map", "-o", dir / "no folder/out.png", "--art", art}, "cannot write"},
        {{"render", dir / "a.map", "-o", dir.path(), "--art", art}, "cannot write"},
        {{"render", dir / "a.map", "-o", out, "--art", dir / "no art"}, "cannot find the art"},
        {{fill[0], fill[1], fill[2], fill[3], fill[4], fill[5], fill[6], fill[7], "-o", dir / "no folder/x.map"},
         "cannot write"},
        // Heights that are no 128 x 128 image: refused, not read raw.
        {{"fill", dir / "a.map", "--heights", dir / "empty", "--at", "1,1", "--kind", "4", "-o", out}, "is no image"},
        {{"fill", dir / "a.map", "--heights", dir / "text.txt", "--at", "1,1", "--kind", "4", "-o", out},
         "text.txt is no image (BMP or PNG)"},
        // The tool's own words for a mission the editor refuses.
        {{"render", dir / "a.map", "-o", out, "--mission", dir / "crowded.mis", "--art", art},
         "crowded.mis is refused: it holds more than 8192 structures or tile objects"},
        // Every way an output can name an input.
        {{"render", dir / "a.map", "-o", dir / "a.map", "--art", art}, "a.map is also an input; choose another output file."},
        {{"render", dir / "a.map", "-o", dir / "link.map", "--art", art}, "link.map is also an input"},
        {{"render", dir / "link.map", "-o", dir / "a.map", "--art", art}, "a.map is also an input"},
        {{"render", dir / "a.map", "-o", dir.path() + "/./a.map", "--art", art}, "is also an input"},
        {{"render", dir / "a.map", "--mission", dir / "m.mis", "-o", dir / "m.mis", "--art", art}, "m.mis is also an input"},
        {{"render", dir / "a.map", "-o", artCopy + "/tex1.bmp", "--art", artCopy}, "tex1.bmp is also an input"},
        {{"render", dir / "a.map", "--mission", dir / "m.mis", "-o", artCopy + "/structures.bmp", "--art", artCopy},
         "structures.bmp is also an input"},
        {{fill[0], fill[1], fill[2], fill[3], fill[4], fill[5], fill[6], fill[7], "-o", dir / "a.map"}, "is also an input"},
        {{fill[0], fill[1], fill[2], fill[3], fill[4], fill[5], fill[6], fill[7], "-o", dir / "second.bmp"},
         "second.bmp is also an input"},
        {{"kinds", dir / "link.map", "-o", dir / "a.map"}, "a.map is also an input"},
        {{"paint", "--cleared", "--nearest", "--image", dir / "odd.bmp", "-o", dir / "odd.bmp"}, "odd.bmp is also an input"},
    };
    for (const Case& c : cases) {
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.code, 2) << join(c.args);
        EXPECT_NE(r.err.find(c.said), std::string::npos)
            << join(c.args) << ": expected \"" << c.said << "\" in\n" << r.err;
        EXPECT_EQ(r.err.find("The objects shown before are kept"), std::string::npos) << "the editor's words";
        EXPECT_EQ(r.out, "") << join(c.args);
        EXPECT_EQ(access(out.c_str(), F_OK), -1) << join(c.args) << " left " << out;
    }
    std::set<std::string> expected = {"fifo", "art"};
    for (const auto& [name, bytes] : inputs) {
        expected.insert(name);
        EXPECT_EQ(filetest::readFile(dir / name), bytes) << name << " changed";
    }
    EXPECT_EQ(ScratchDir::list(dir.path()), expected) << "no temporary file left";
    struct stat st;
    ASSERT_EQ(lstat((dir / "link.map").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ScratchDir::list(artCopy), (std::set<std::string>{"tex1.bmp", "structures.bmp"}));
}

// "-o -" and /dev/stdout write the output to standard output, the same bytes
// a file gets; a FIFO gets them in one stream; standard output that is one
// of the inputs (">> a.map") is refused as any other name of it.
TEST(MapTool, OutputsToStandardOutputAndStreams) {
    ScratchDir dir;
    filetest::writeFile(dir / "p.map", paintedMap());
    filetest::writeFile(dir / "grey.bmp", greyBmp(128, [](int x, int y) { return (x + y) % 256; }));
    const std::vector<std::string> render = {"render", dir / "p.map", "--cell", "4", "--art", VORN_ART_DIR, "-o"};
    const std::vector<std::string> fill = {"fill", dir / "p.map", "--heights", dir / "grey.bmp", "--at", "9,9",
                                           "--kind", "4", "-o"};
    for (const std::vector<std::string>& command : {render, fill}) {
        std::vector<std::string> args = command;
        args.push_back(dir / "file.out");
        ASSERT_EQ(runTool(args).code, 0) << join(args);
        const Bytes file = filetest::readFile(dir / "file.out");
        ASSERT_FALSE(file.empty());
        for (const char* name : {"-", "/dev/stdout"}) {
            args.back() = name;
            const ToolRun r = runTool(args);
            EXPECT_EQ(r.code, 0) << join(args) << r.err;
            EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), file) << join(args);
        }
        // A FIFO with a reader: one stream, waited for.
        const std::string fifo = dir / "fifo";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        Bytes got;
        std::thread reader([&] { got = filetest::readFile(fifo); });
        args.back() = fifo;
        EXPECT_EQ(runTool(args).code, 0) << join(args);
        reader.join();
        EXPECT_EQ(got, file) << join(args) << " into a FIFO";
        unlink(fifo.c_str());
    }
    // Standard output appending to the map itself.
    const Bytes before = filetest::readFile(dir / "p.map");
    FILE* out = std::fopen((dir / "p.map").c_str(), "ab");
    FILE* err = std::tmpfile();
    std::vector<std::string> args = render;
    args.push_back("-");
    EXPECT_EQ(runMapTool(args, "", out, err), 2);
    std::fclose(out);
    std::fclose(err);
    EXPECT_EQ(filetest::readFile(dir / "p.map"), before);
}

TEST(MapTool, FillEqualsTheEditorsFillAndClick) {
    ScratchDir dir;
    const Bytes start = paintedMap();
    filetest::writeFile(dir / "start.map", start);
    // Rolling heights, so the threshold's mix of neighbours matters.
    filetest::writeFile(dir / "grey.bmp", greyBmp(128, [](int x, int y) { return (x * 7 + y * 3) % 256 ^ (x * y % 64); }));
    struct Case {
        int x, y, kind;
        bool below;
    };
    const Case cases[] = {{10, 20, 1, false}, {64, 64, 4, true}, {0, 0, 2, false}, {128, 128, 3, true},
                          {127, 5, 4, false}, {3, 128, 0, true}};
    for (const Case& c : cases) {
        const std::string out = dir / "out.map";
        std::vector<std::string> args = {"fill", dir / "start.map", "--heights", dir / "grey.bmp",
                                         "--at", std::to_string(c.x) + "," + std::to_string(c.y),
                                         "--kind", std::to_string(c.kind), "-o", out};
        if (c.below) args.push_back("--below");
        const ToolRun r = runTool(args);
        ASSERT_EQ(r.code, 0) << join(args) << r.err;

        // The editor: O, G, the kind, I, F, the mouse over the point at zoom 1, click.
        ASSERT_TRUE(loadMap((dir / "start.map").c_str(), workingMap));
        for (int i = 0; i < kHeightFieldSide * kHeightFieldSide; ++i) heightField.values[i] = 0.0;
        ASSERT_TRUE(readGreyBitmap((dir / "grey.bmp").c_str(), heightField));
        viewState = ViewState{};
        editorState = EditorState{};
        editorState.currentKind = static_cast<TerrainKind>(c.kind);
        editorState.fillBelow = c.below;
        editorState.editMode = EditMode::fill;
        viewState.mouseX = 400 + 16 * c.x;  // the map's corner at the centre of 800 x 600
        viewState.mouseY = 300 + 16 * c.y;
        previewFill(800, 600);
        commitFill();
        EXPECT_EQ(filetest::readFile(out), mapBytes(workingMap))
            << "fill at " << c.x << "," << c.y << " kind " << c.kind << (c.below ? " below" : "");
    }
}

TEST(MapTool, ThumbnailsAreBlockMeansAndThePngHoldsThePicture) {
    ScratchDir dir;
    const Bytes painted = paintedMap();
    filetest::writeFile(dir / "p.map", painted);
    GroundMap map(64, 64);
    loadMapBytes(painted.data(), painted.size(), map);
    MapArt art;
    ASSERT_TRUE(loadAtlasImage(std::string(VORN_ART_DIR) + "/tex1.bmp", art.tiles, nullptr));
    ASSERT_TRUE(loadAtlasImage(std::string(VORN_ART_DIR) + "/structures.bmp", art.sprites, nullptr));
    // Objects too: thumbnails are drawn from shrunk sources, not from the full picture.
    std::vector<StructureRecord> structures;
    std::vector<TileObjectRecord> tileObjects;
    for (int i = 0; i < 40; ++i) structures.push_back({0, 0, static_cast<int16_t>(i % 19), 0, static_cast<int16_t>(i * 97 % 4096)});
    for (int i = 0; i < 60; ++i) tileObjects.push_back({0, static_cast<int16_t>(i * 37 - 300), 0, static_cast<int16_t>(i * 71 % 4096), 0, 0});
    std::vector<uint8_t> texels(128 * 128 * 3);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(i * 7 / 3);
    const MapObjects objects{&structures, &tileObjects, texels.data()};
    std::vector<uint8_t> full;
    ASSERT_TRUE(renderMapImage(map, art, &objects, 32, full));
    ASSERT_EQ(full.size(), 2048u * 2048 * 3);
    for (int cell : {32, 16, 8, 4, 2, 1}) {
        const int side = 64 * cell, f = 32 / cell;
        std::vector<uint8_t> got;
        ASSERT_TRUE(renderMapImage(map, art, &objects, cell, got));
        ASSERT_EQ(got.size(), static_cast<size_t>(side) * side * 3);
        int wrong = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                for (int c = 0; c < 3; ++c) {
                    double sum = 0;
                    for (int dy = 0; dy < f; ++dy)
                        for (int dx = 0; dx < f; ++dx) sum += full[((y * f + dy) * 2048 + x * f + dx) * 3 + c];
                    const int expected = static_cast<int>(std::floor(sum / (f * f) + 0.5));
                    wrong += got[(y * side + x) * 3 + c] != expected;
                }
        EXPECT_EQ(wrong, 0) << cell << " pixels a cell: bytes off the block mean";

        // The tool's PNG at this size decodes to the picture (no mission given).
        ASSERT_TRUE(renderMapImage(map, art, nullptr, cell, got));
        const std::string png = dir / "p.png";
        const ToolRun r = runTool({"render", dir / "p.map", "-o", png, "--cell", std::to_string(cell), "--art", VORN_ART_DIR});
        ASSERT_EQ(r.code, 0) << r.err;
        const Bytes file = filetest::readFile(png);
        std::vector<uint8_t> bgr(static_cast<size_t>(side) * side * 3);
        ImageSize found{};
        ASSERT_EQ(decodeSquareImage(file.data(), file.size(), side, bgr.data(), found), ImageDecode::Decoded);
        int differ = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                for (int c = 0; c < 3; ++c)
                    differ += bgr[((side - 1 - y) * side + x) * 3 + 2 - c] != got[(y * side + x) * 3 + c];
        EXPECT_EQ(differ, 0) << cell << " pixels a cell: PNG differs from the picture";
    }
}

// A thumbnailer's --size S: the picture of the largest cell size whose map fits in S.
TEST(MapTool, SizeTakesTheLargestCellThatFits) {
    ScratchDir dir;
    filetest::writeFile(dir / "p.map", paintedMap());
    const std::pair<int, int> cases[] = {{64, 1}, {127, 1}, {128, 2}, {256, 4}, {1000, 8}, {2048, 32}, {99999, 32}};
    for (const auto& [size, cell] : cases) {
        const std::string sized = dir / "sized.png", celled = dir / "celled.png";
        const ToolRun r = runTool({"render", dir / "p.map", "--size", std::to_string(size), "-o", sized, "--art", VORN_ART_DIR});
        ASSERT_EQ(r.code, 0) << size << ": " << r.err;
        ASSERT_EQ(runTool({"render", dir / "p.map", "--cell", std::to_string(cell), "-o", celled, "--art", VORN_ART_DIR}).code, 0);
        EXPECT_EQ(filetest::readFile(sized), filetest::readFile(celled)) << "--size " << size << " is --cell " << cell;
    }
}

// The kinds' colours as the tool's pictures hold them, 0xRRGGBB.
constexpr uint32_t kKindRgb[5] = {0xE8D8A8, 0x4CA03C, 0x8C8C8C, 0xF4F8FC, 0x2860C8};

// An image's pixels as ImageMagick decodes them (no code of ours): RGB rows,
// top first; empty when it cannot.
Bytes decodedByImageMagick(const std::string& path, const std::string& dir) {
    const std::string raw = dir + "/decoded.rgb";
    const std::string command = "convert '" + path + "' -depth 8 'rgb:" + raw + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? filetest::readFile(raw) : Bytes{};
}

std::string outputOf(const std::string& command) {
    std::string text;
    if (FILE* f = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        pclose(f);
    }
    return text;
}

// paint's rule written out: from `map`, row by row, each point whose kind
// differs from its wanted kind at its turn painted. Returns the summary's
// two numbers.
std::pair<int, int> paintAsTheRuleSays(GroundMap& map, const Bytes& wanted) {
    int painted = 0, differ = 0;
    for (int y = 0; y < 129; ++y)
        for (int x = 0; x < 129; ++x)
            if (map.cornerAt(x, y) != wanted[y * 129 + x]) {
                map.paintCorner(x, y, wanted[y * 129 + x]);
                ++painted;
            }
    for (int i = 0; i < 129 * 129; ++i) differ += map.corners[i] != wanted[i];
    return {painted, differ};
}

std::string summary(const std::string& out, std::pair<int, int> n) {
    return out + ": " + std::to_string(n.first) + " points painted; " + std::to_string(n.second) +
           " points differ from the image after the repairs\n";
}

// kinds on a cleared, a painted and a random map: the palette and pixels as
// ImageMagick reads them; paint of that picture onto the same map paints
// nothing and gives the same bytes, onto a cleared map what the rule gives;
// a blurred picture is refused, and with --nearest gives each pixel's
// nearest kind (a tie to the lower kind).
TEST(MapTool, KindsPicturesAndPaintingFromThem) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick's convert is missing";
    ScratchDir dir;
    Bytes random(4096);
    BusyRandom rng;
    for (uint8_t& b : random) b = static_cast<uint8_t>(rng.next());
    const std::pair<const char*, Bytes> maps[] = {
        {"cleared", Bytes(4096, kPlainTile)}, {"painted", paintedMap()}, {"random", random}};
    for (const auto& [name, bytes] : maps) {
        const std::string map = dir / (std::string(name) + ".map"), png = dir / "k.png", back = dir / "back.map";
        filetest::writeFile(map, bytes);
        GroundMap loaded(64, 64);
        loadMapBytes(bytes.data(), bytes.size(), loaded);
        const Bytes lattice(loaded.corners, loaded.corners + 129 * 129);

        ToolRun r = runTool({"kinds", map, "-o", png});
        ASSERT_EQ(r.code, 0) << name << r.err;
        EXPECT_EQ(r.out, "");
        const std::string verbose = outputOf("identify -verbose '" + png + "'");
        for (const char* line : {"png:IHDR.color-type-orig: 3", "Colormap entries: 5", "0: (232,216,168) #E8D8A8",
                                 "1: (76,160,60) #4CA03C", "2: (140,140,140) #8C8C8C", "3: (244,248,252) #F4F8FC",
                                 "4: (40,96,200) #2860C8", "Geometry: 129x129+0+0"})
            EXPECT_NE(verbose.find(line), std::string::npos) << name << ": no \"" << line << "\" in\n" << verbose;
        const Bytes rgb = decodedByImageMagick(png, dir.path());
        ASSERT_EQ(rgb.size(), 129u * 129 * 3) << name;
        int wrong = 0;
        for (int i = 0; i < 129 * 129; ++i)
            for (int c = 0; c < 3; ++c) wrong += rgb[3 * i + c] != (kKindRgb[lattice[i]] >> (16 - 8 * c) & 0xFF);
        EXPECT_EQ(wrong, 0) << name << ": pixels unlike their points' kinds";

        r = runTool({"paint", map, "--image", png, "-o", back});
        ASSERT_EQ(r.code, 0) << name << r.err;
        EXPECT_EQ(r.out, summary(back, {0, 0})) << name;
        EXPECT_EQ(filetest::readFile(back), bytes) << name << ": kinds then paint changed the map";

        GroundMap fresh(64, 64);
        const auto counts = paintAsTheRuleSays(fresh, lattice);
        r = runTool({"paint", "--cleared", "--image", png, "-o", back});
        ASSERT_EQ(r.code, 0) << name << r.err;
        EXPECT_EQ(r.out, summary(back, counts)) << name;
        EXPECT_EQ(filetest::readFile(back), mapBytes(fresh)) << name << ": painted onto a cleared map";

        if (std::string(name) != "painted") continue;
        const std::string blurred = dir / "blurred.png";
        ASSERT_EQ(std::system(("convert '" + png + "' -blur 0x1.5 -type TrueColor '" + blurred + "'").c_str()), 0);
        r = runTool({"paint", "--cleared", "--image", blurred, "-o", back});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("not one of the five kinds' colours (try --nearest)"), std::string::npos) << r.err;
        const Bytes soft = decodedByImageMagick(blurred, dir.path());
        ASSERT_EQ(soft.size(), 129u * 129 * 3);
        Bytes nearest(129 * 129);
        for (int i = 0; i < 129 * 129; ++i) {
            int best = 0, bestDistance = 1 << 30;
            for (int k = 0; k < 5; ++k) {
                int d = 0;
                for (int c = 0; c < 3; ++c) {
                    const int e = soft[3 * i + c] - static_cast<int>(kKindRgb[k] >> (16 - 8 * c) & 0xFF);
                    d += e * e;
                }
                if (d < bestDistance) best = k, bestDistance = d;
            }
            nearest[i] = static_cast<uint8_t>(best);
        }
        fresh.clear();
        const auto nearCounts = paintAsTheRuleSays(fresh, nearest);
        r = runTool({"paint", "--cleared", "--nearest", "--image", blurred, "-o", back});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, summary(back, nearCounts));
        EXPECT_EQ(filetest::readFile(back), mapBytes(fresh)) << "--nearest on a blurred picture";
    }
    // Halfway between sand and snow, as a BMP: the lower kind, sand.
    filetest::writeFile(dir / "tie.bmp", rgbBmp(129, [](int, int) { return 0xEEE8D2u; }));
    const ToolRun r = runTool({"paint", "--cleared", "--nearest", "--image", dir / "tie.bmp", "-o", dir / "tie.map"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(filetest::readFile(dir / "tie.map"), Bytes(4096, kPlainTile)) << "a tie goes to the lower kind";
}

// check --symmetry: the lines of a symmetric map in full, the count of one
// that is not, several maps, objects with and without twins, exit codes.
TEST(MapTool, CheckSymmetryLinesAndExitCodes) {
    ScratchDir dir;
    initPatternTable();
    GroundMap one(64, 64);
    // Cell 5,5 all grass: its nine points come back from its tile.
    for (int x = 10; x <= 12; ++x)
        for (int y = 10; y <= 12; ++y) one.paintCorner(x, y, 1);
    filetest::writeFile(dir / "clean.map", Bytes(4096, kPlainTile));
    filetest::writeFile(dir / "one.map", mapBytes(one));
    // Missions: a 1 x 1 structure (sprite 0) at cell 3,5, alone, with its
    // left-right twin at 60,5, and with that twin and a tile object (texCell 7) at 0,0.
    const auto structure = [](int x, int y) {
        return Bytes{9, 'G', static_cast<uint8_t>((y * 64 + x) >> 8), static_cast<uint8_t>(y * 64 + x), 0, 0, 0, 0};
    };
    const Bytes tileObject = {8, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0};
    filetest::writeFile(dir / "alone.mis", structure(3, 5));
    Bytes twinned = structure(3, 5), other = structure(60, 5);
    twinned.insert(twinned.end(), other.begin(), other.end());
    filetest::writeFile(dir / "pair.mis", twinned);
    twinned.insert(twinned.end(), tileObject.begin(), tileObject.end());
    filetest::writeFile(dir / "twinned.mis", twinned);
    const std::string clean = dir / "clean.map", oneMap = dir / "one.map";
    const std::string quadrant = ": sand 4096, grass 0, rock 0, snow 0, water 0\n";
    struct Case {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> said;  // parts of the output, in order
    };
    const Case cases[] = {
        {{"check", clean, "--symmetry", "four-ways"}, 0,
         {"no problems\n" + clean + ": 0 points unlike their image under four-ways\n" + clean + ": top-left" + quadrant +
          clean + ": top-right" + quadrant + clean + ": bottom-left" + quadrant + clean + ": bottom-right" + quadrant}},
        {{"check", "--symmetry=top-bottom", clean}, 0,
         {clean + ": top: sand 8256, grass 0, rock 0, snow 0, water 0\n" + clean +
          ": bottom: sand 8256, grass 0, rock 0, snow 0, water 0\n"}},
        {{"check", oneMap, "--symmetry", "left-right"}, 1,
         {oneMap + ": 18 points unlike their image under left-right\n" + oneMap +
          ": left: sand 8247, grass 9, rock 0, snow 0, water 0\n" + oneMap +
          ": right: sand 8256, grass 0, rock 0, snow 0, water 0\n"}},
        {{"check", oneMap, "--symmetry", "half-turn"}, 1, {oneMap + ": 18 points unlike their image under half-turn"}},
        {{"check", oneMap, "--symmetry", "four-ways"}, 1, {oneMap + ": 36 points unlike their image under four-ways"}},
        {{"check", clean, oneMap}, 0, {clean + ": kind 0 (sand): 16641 points", oneMap + ": kind 1 (grass): 9 points"}},
        {{"check", clean, oneMap, "--symmetry", "top-bottom"}, 1,
         {clean + ": no problems\n" + clean + ": 0 points unlike", oneMap + ": no problems\n" + oneMap + ": 18 points"}},
        {{"check", clean, "--symmetry", "left-right", "--mission", dir / "alone.mis"}, 1,
         {clean + ": structure 0 at cell 3,5 has no twin at cell 60,5\n"}},
        {{"check", clean, "--symmetry", "left-right", "--mission", dir / "pair.mis"}, 0, {"0 points unlike"}},
        {{"check", clean, "--symmetry", "half-turn", "--mission", dir / "twinned.mis"}, 1,
         {clean + ": structure 0 at cell 3,5 has no twin at cell 60,58\n" + clean +
          ": structure 0 at cell 60,5 has no twin at cell 3,58\n" + clean +
          ": tile object 7 at cell 0,0 has no twin at cell 63,63\n"}},
    };
    for (const Case& c : cases) {
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.code, c.code) << join(c.args) << "\n" << r.out << r.err;
        size_t at = 0;
        for (const std::string& part : c.said) {
            const size_t found = r.out.find(part, at);
            EXPECT_NE(found, std::string::npos) << join(c.args) << ": expected \"" << part << "\" in\n" << r.out;
            if (found != std::string::npos) at = found + part.size();
        }
    }
    // An unreadable map among others: the rest are checked, exit 2.
    const ToolRun r = runTool({"check", clean, dir / "missing.map", oneMap, "--symmetry", "left-right"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("cannot read map"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find(clean + ": 0 points unlike"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(oneMap + ": 18 points unlike"), std::string::npos) << r.out;
}

TEST(MapTool, HelpAndVersion) {
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* word : {"render MAP -o OUT.png", "fill MAP --heights IMAGE", "check MAP... [--mission FILE] [--symmetry MODE]",
                             "kinds MAP -o OUT.png", "paint (MAP | --cleared) --image IMAGE [--nearest] -o OUT.map"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "vorn-map " VORN_TEST_VERSION "\n");
}

}  // namespace
