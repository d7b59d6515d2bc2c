// Atlas pixels and grey bitmaps: bytes after the 54-byte header, short files,
// and the conversions between grey levels and heights.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "files/file_read.h"
#include "files/file_test_util.h"
#include "files/map_file.h"
#include "files/texture_image.h"
#include "height/height_image.h"
#include "map/ground_map.h"

using filetest::Bytes;
using filetest::ScratchDir;
using filetest::writeFile;

namespace {

constexpr size_t kHeader = 54;

// A 129 x 129 field of its own, every value `fill`.
struct TestField {
    std::vector<double> values = std::vector<double>(129 * 129, 0.0);
    HeightField field;
    explicit TestField(double fill) {
        std::fill(values.begin(), values.end(), fill);
        field.width = field.height = 129;
        field.values = values.data();
    }
};

TEST(AtlasPixels, FirstAndThirdBytesExchangedRowsAsStored) {
    ScratchDir dir;
    Bytes file(kHeader + kAtlasBytes + 10, 0x77);  // a header and trailing bytes the reader skips
    for (size_t i = 0; i < static_cast<size_t>(kAtlasBytes); ++i) file[kHeader + i] = static_cast<uint8_t>(i % 251);
    file[kHeader + 0] = 10, file[kHeader + 1] = 20, file[kHeader + 2] = 30;
    writeFile(dir / "a.bmp", file);
    std::vector<uint8_t> rgb(kAtlasBytes);
    ASSERT_TRUE(readAtlasPixels((dir / "a.bmp").c_str(), rgb.data()));
    EXPECT_EQ(rgb[0], 30);
    EXPECT_EQ(rgb[1], 20);
    EXPECT_EQ(rgb[2], 10);
    for (size_t i = 3; i < rgb.size(); ++i) {
        size_t from = i - i % 3 + 2 - i % 3;
        ASSERT_EQ(rgb[i], file[kHeader + from]) << "byte " << i;
    }
}

TEST(AtlasPixels, ShortFilesAndFilesThatCannotBeRead) {
    ScratchDir dir;
    struct Case {
        const char* name;
        size_t length;
    } cases[] = {{"empty", 0}, {"header cut", 20}, {"header only", kHeader}, {"one pixel and a byte", kHeader + 4},
                 {"one byte short", kHeader + kAtlasBytes - 1}};
    std::vector<uint8_t> rgb(kAtlasBytes);
    for (const Case& c : cases) {
        Bytes file(c.length);
        for (size_t i = 0; i < c.length; ++i) file[i] = static_cast<uint8_t>(1 + i % 200);
        writeFile(dir / "short.bmp", file);
        std::fill(rgb.begin(), rgb.end(), 0xAA);
        ASSERT_TRUE(readAtlasPixels((dir / "short.bmp").c_str(), rgb.data())) << c.name;
        size_t have = c.length > kHeader ? c.length - kHeader : 0;
        for (size_t i = 0; i < rgb.size(); ++i) {
            size_t from = i - i % 3 + 2 - i % 3;
            ASSERT_EQ(rgb[i], from < have ? file[kHeader + from] : 0) << c.name << ": byte " << i;
        }
    }
    mkdir((dir / "folder").c_str(), 0755);
    for (std::string bad : {dir / "missing.bmp", dir / "folder"}) {
        std::fill(rgb.begin(), rgb.end(), 0xAA);
        EXPECT_FALSE(readAtlasPixels(bad.c_str(), rgb.data())) << bad;
        EXPECT_EQ(rgb, std::vector<uint8_t>(kAtlasBytes, 0xAA)) << bad << ": nothing written";
    }
}

TEST(GreyBitmap, MeanOfThreeBytesPlacedTopRowFirst) {
    ScratchDir dir;
    Bytes file(kHeader + kGreyBitmapPixelBytes + 5, 0);
    auto pixel = [&](size_t n, uint8_t a, uint8_t b, uint8_t c) {
        file[kHeader + 3 * n] = a, file[kHeader + 3 * n + 1] = b, file[kHeader + 3 * n + 2] = c;
    };
    pixel(0, 30, 60, 91);          // bottom-left of the picture
    pixel(16383, 255, 255, 255);   // top-right
    pixel(128, 1, 1, 2);           // second row from the bottom, first column
    pixel(5, 0, 0, 255);
    writeFile(dir / "g.bmp", file);
    TestField t(0.25);
    ASSERT_TRUE(readGreyBitmap((dir / "g.bmp").c_str(), t.field));
    struct Case {
        int x, y;
        double height;
    } cases[] = {
        {0, 127, 60 / 255.0},  // 181 / 3, the fraction dropped
        {127, 0, 1.0},
        {0, 126, 1 / 255.0},
        {5, 127, 85 / 255.0},
        {1, 127, 0.0},
        {64, 64, 0.0},
        {128, 5, 0.25},  // the last column and row are not in the picture
        {7, 128, 0.25},
        {128, 128, 0.25},
    };
    for (const Case& c : cases)
        EXPECT_EQ(t.field.at(c.x, c.y), c.height) << "point (" << c.x << ", " << c.y << ")";
}

TEST(GreyBitmap, ShortFilesAndFilesThatCannotBeRead) {
    ScratchDir dir;
    // Only the first two pixels are in the file; the rest read as black.
    Bytes file(kHeader + 5, 0);
    std::fill(file.begin() + kHeader, file.end(), 255);
    writeFile(dir / "short.bmp", file);
    TestField t(0.5);
    ASSERT_TRUE(readGreyBitmap((dir / "short.bmp").c_str(), t.field));
    EXPECT_EQ(t.field.at(0, 127), 1.0);
    EXPECT_EQ(t.field.at(1, 127), (255 + 255) / 3 / 255.0) << "a pixel with its last byte missing";
    EXPECT_EQ(t.field.at(2, 127), 0.0);
    EXPECT_EQ(t.field.at(127, 0), 0.0);
    EXPECT_EQ(t.field.at(128, 0), 0.5);

    writeFile(dir / "tiny.bmp", Bytes(10, 255));
    ASSERT_TRUE(readGreyBitmap((dir / "tiny.bmp").c_str(), t.field));
    EXPECT_EQ(t.field.at(0, 127), 0.0);

    mkdir((dir / "folder").c_str(), 0755);
    for (std::string bad : {dir / "missing.bmp", dir / "folder"}) {
        TestField u(0.5);
        EXPECT_FALSE(readGreyBitmap(bad.c_str(), u.field)) << bad;
        EXPECT_EQ(u.values, std::vector<double>(129 * 129, 0.5)) << bad << ": heights unchanged";
    }
}

TEST(GreyTexels, HeightTimes255Truncated) {
    TestField t(0.0);
    struct Case {
        int x, y;
        double height;
        uint8_t grey;
    } cases[] = {{0, 0, 1.0, 255}, {1, 0, 0.5, 127}, {0, 1, 0.999, 254}, {127, 127, 60 / 255.0, 60},
                 {127, 0, 0.0, 0}, {3, 2, 1e-9, 0}};
    for (const Case& c : cases) t.field.at(c.x, c.y) = c.height;
    t.field.at(128, 0) = 1.0;  // outside the texture
    std::vector<uint8_t> texels(kHeightTexSize * kHeightTexSize * 3, 0xAA);
    heightsToGreyTexels(t.field, texels.data());
    for (const Case& c : cases)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(texels[3 * (c.y * 128 + c.x) + k], c.grey) << "texel (" << c.x << ", " << c.y << ") byte " << k;
}

// A grey level read from a bitmap comes back as the same level in the texture.
TEST(GreyTexels, EveryGreyLevelSurvivesTheRoundTrip) {
    ScratchDir dir;
    Bytes file(kHeader + kGreyBitmapPixelBytes);
    for (size_t n = 0; n < 128 * 128; ++n) std::memset(&file[kHeader + 3 * n], static_cast<int>(n % 256), 3);
    writeFile(dir / "levels.bmp", file);
    TestField t(0.0);
    ASSERT_TRUE(readGreyBitmap((dir / "levels.bmp").c_str(), t.field));
    std::vector<uint8_t> texels(kHeightTexSize * kHeightTexSize * 3);
    heightsToGreyTexels(t.field, texels.data());
    for (int n = 0; n < 128 * 128; ++n) {
        int x = n % 128, y = 127 - n / 128;
        ASSERT_EQ(texels[3 * (y * 128 + x)], n % 256) << "pixel " << n;
    }
}

}  // namespace

namespace {

// A FIFO named like an atlas or a map (nobody writing to it) must not hold up
// start-up or a key: the art search's probe and the fixed-size readers refuse
// it at once, changing nothing.
TEST(FixedSizeReaders, RefuseAFifoAtOnce) {
    ScratchDir dir;
    std::string fifo = dir / "tex1.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> rgb(kAtlasBytes, 0xAA);
    TestField t(0.5);
    initPatternTable();
    GroundMap testMap(64, 64);
    testMap.paintCorner(10, 10, 3);
    const std::vector<uint8_t> tiles(testMap.tiles, testMap.tiles + 4096);
    alarm(10);  // a reader that waits ends the test here
    EXPECT_FALSE(isReadableRegularFile(fifo.c_str())) << "the art search's probe";
    EXPECT_FALSE(readAtlasPixels(fifo.c_str(), rgb.data()));
    EXPECT_FALSE(readGreyBitmap(fifo.c_str(), t.field));
    EXPECT_FALSE(loadMap(fifo.c_str(), testMap));
    alarm(0);
    EXPECT_EQ(rgb, std::vector<uint8_t>(kAtlasBytes, 0xAA));
    EXPECT_EQ(t.values, std::vector<double>(129 * 129, 0.5));
    EXPECT_EQ(std::vector<uint8_t>(testMap.tiles, testMap.tiles + 4096), tiles);
}

}  // namespace

namespace {

// Image files in the layouts everyday tools write, made by ImageMagick in the
// test run from one reference that our own code writes as a plain 54-byte
// 24-bit bitmap. Every layout must give exactly what that reference gives, and
// the reference exactly what the raw reading gives (its "BM" blanked).
class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick's convert is missing";
    }
    // A plain bitmap: 54-byte header, 24-bit pixels bottom row first.
    static Bytes plainBitmap(int32_t side, const std::function<void(int32_t, int32_t, uint8_t*)>& pixel) {
        Bytes b(kHeader + 3 * static_cast<size_t>(side) * side, 0);
        auto put32 = [&](size_t at, uint32_t v) {
            for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
        };
        b[0] = 'B', b[1] = 'M';
        put32(2, static_cast<uint32_t>(b.size()));
        put32(10, kHeader);
        put32(14, 40);
        put32(18, static_cast<uint32_t>(side));
        put32(22, static_cast<uint32_t>(side));
        b[26] = 1, b[28] = 24;
        for (int32_t row = 0; row < side; ++row)
            for (int32_t x = 0; x < side; ++x) pixel(x, side - 1 - row, &b[kHeader + 3 * (size_t(row) * side + x)]);
        return b;
    }
    // The same picture stored top row first (a negative height).
    static Bytes topDown(Bytes b, int32_t side) {
        const size_t row = 3 * static_cast<size_t>(side);
        for (int32_t r = 0; r < side / 2; ++r)
            std::swap_ranges(b.begin() + kHeader + r * row, b.begin() + kHeader + (r + 1) * row,
                             b.begin() + kHeader + (side - 1 - r) * row);
        const uint32_t h = static_cast<uint32_t>(-side);
        for (int k = 0; k < 4; ++k) b[22 + k] = static_cast<uint8_t>(h >> (8 * k));
        return b;
    }
    // convert FROM ARGS... TO in the scratch folder; the file it wrote.
    Bytes convert(const std::string& from, const std::string& args, const std::string& to) {
        const size_t colon = to.find(':');
        const std::string format = colon == std::string::npos ? "" : to.substr(0, colon + 1);
        const std::string name = to.substr(colon + 1);
        std::string command = "convert '" + dir / from + "' " + args + " '" + format + dir / name + "' >/dev/null 2>&1";
        return std::system(command.c_str()) == 0 ? filetest::readFile(dir / name) : Bytes{};
    }
    // A bitmap's information header size and bits per pixel, as "124/24".
    static std::string bmpLayout(const Bytes& b) {
        if (b.size() < 30 || b[0] != 'B') return "not a BMP";
        return std::to_string(b[14] | b[15] << 8) + "/" + std::to_string(b[28]);
    }
    struct Variant {
        const char* name;
        const char* from;    // the file convert reads
        const char* args;    // convert's options, or nullptr for a file made here
        const char* to;      // output, with a format prefix where needed
        const char* layout;  // header size / bits per pixel of a BMP, or nullptr
    };
    ScratchDir dir;
};

TEST_F(ImageFiles, GreyBitmapLayoutsGiveTheSameHeights) {
    // Grey levels that differ along both axes, so a flipped or shifted image shows.
    const Bytes reference = plainBitmap(128, [](int32_t x, int32_t y, uint8_t* p) {
        p[0] = p[1] = p[2] = static_cast<uint8_t>((x * 3 + y * 7) % 256);
    });
    writeFile(dir / "ref.bmp", reference);
    Bytes raw = reference;
    raw[0] = 'X';  // no signature: read as raw pixels after 54 bytes, as before
    TestField expected(-1.0), got(-1.0);
    ASSERT_TRUE(readGreyBitmapBytes(raw.data(), raw.size(), expected.field));
    ASSERT_TRUE(readGreyBitmapBytes(reference.data(), reference.size(), got.field));
    EXPECT_EQ(got.values, expected.values) << "the plain 54-byte bitmap gives today's heights";
    EXPECT_EQ(expected.field.at(1, 0), ((3 + 7 * 0) % 256) / 255.0);

    ASSERT_FALSE(convert("ref.bmp", "-define png:color-type=0", "grey.png").empty());
    writeFile(dir / "topdown.bmp", topDown(reference, 128));
    const Variant variants[] = {
        {"default BMP", "ref.bmp", "-type TrueColor", "v5.bmp", "124/24"},
        {"grey PNG made a BMP (run-length encoded)", "grey.png", "", "fromgrey.bmp", "108/8"},
        {"8-bit grey BMP", "grey.png", "-compress None", "BMP3:grey8.bmp", "40/8"},
        {"32-bit BMP", "ref.bmp", "-type TrueColorAlpha", "alpha.bmp", "124/32"},
        {"grey PNG", "ref.bmp", "-define png:color-type=0", "grey.png", nullptr},
        {"RGB PNG", "ref.bmp", "-define png:color-type=2", "rgb.png", nullptr},
        {"top-down BMP", "", nullptr, "topdown.bmp", "40/24"},
    };
    for (const Variant& v : variants) {
        Bytes file = v.args ? convert(v.from, v.args, v.to) : filetest::readFile(dir / v.to);
        ASSERT_FALSE(file.empty()) << v.name << ": convert failed";
        if (v.layout) {
            EXPECT_EQ(bmpLayout(file), v.layout) << v.name;
        }
        TestField t(-1.0);
        std::string refusal = "unset";
        const std::string name = std::string(v.to).substr(std::string(v.to).find(':') + 1);
        EXPECT_TRUE(readGreyBitmap((dir / name).c_str(), t.field, &refusal)) << v.name;
        EXPECT_EQ(refusal, "") << v.name;
        EXPECT_EQ(t.values, expected.values) << v.name << ": heights differ from the 54-byte bitmap's";
    }

    const struct {
        const char* args;
        const char* to;
        const char* message;
    } refused[] = {
        {"-crop 127x128+0+0 +repage", "narrow.bmp", "The grey bitmap must be 128 x 128 pixels; this image is 127 x 128."},
        {"-resize 256x256!", "big.png", "The grey bitmap must be 128 x 128 pixels; this image is 256 x 256."},
    };
    for (const auto& r : refused) {
        ASSERT_FALSE(convert("ref.bmp", r.args, r.to).empty()) << r.to;
        TestField t(0.5);
        std::string refusal;
        EXPECT_FALSE(readGreyBitmap((dir / r.to).c_str(), t.field, &refusal)) << r.to;
        EXPECT_EQ(refusal, r.message) << r.to;
        EXPECT_EQ(t.values, std::vector<double>(129 * 129, 0.5)) << r.to << ": heights unchanged";
    }
}

TEST_F(ImageFiles, AtlasLayoutsGiveTheSameTexels) {
    const Bytes reference = plainBitmap(kAtlasSize, [](int32_t x, int32_t y, uint8_t* p) {
        p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = static_cast<uint8_t>(x * 5 + y * 3);
    });
    writeFile(dir / "ref.bmp", reference);
    Bytes raw = reference;
    raw[0] = 'X';
    std::vector<uint8_t> expected(kAtlasBytes), got(kAtlasBytes);
    ASSERT_TRUE(readAtlasBytes(raw.data(), raw.size(), expected.data()));
    ASSERT_TRUE(readAtlasBytes(reference.data(), reference.size(), got.data()));
    EXPECT_EQ(got, expected) << "the plain 54-byte bitmap gives today's texels";

    writeFile(dir / "topdown.bmp", topDown(reference, kAtlasSize));
    const Variant variants[] = {
        {"default BMP", "ref.bmp", "-type TrueColor", "v5.bmp", "124/24"},
        {"32-bit BMP", "ref.bmp", "-type TrueColorAlpha", "alpha.bmp", "124/32"},
        {"RGB PNG", "ref.bmp", "-define png:color-type=2", "rgb.png", nullptr},
        {"top-down BMP", "", nullptr, "topdown.bmp", "40/24"},
    };
    for (const Variant& v : variants) {
        Bytes file = v.args ? convert(v.from, v.args, v.to) : filetest::readFile(dir / v.to);
        ASSERT_FALSE(file.empty()) << v.name << ": convert failed";
        if (v.layout) {
            EXPECT_EQ(bmpLayout(file), v.layout) << v.name;
        }
        std::fill(got.begin(), got.end(), 0xAA);
        EXPECT_TRUE(readAtlasPixels((dir / v.to).c_str(), got.data())) << v.name;
        EXPECT_TRUE(got == expected) << v.name << ": texels differ from the 54-byte bitmap's";
    }

    ASSERT_FALSE(convert("ref.bmp", "-resize 256x256!", "small.png").empty());
    std::fill(got.begin(), got.end(), 0xAA);
    std::string refusal;
    const std::string small = dir / "small.png";
    EXPECT_FALSE(readAtlasPixels(small.c_str(), got.data(), &refusal));
    EXPECT_EQ(refusal,
              "The atlas image " + small + " must be 512 x 512 pixels; this image is 256 x 256.");
    EXPECT_TRUE(got == std::vector<uint8_t>(kAtlasBytes, 0xAA)) << "nothing written";
}

}  // namespace
