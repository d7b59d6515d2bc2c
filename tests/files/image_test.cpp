// Atlas pixels and grey bitmaps: bytes after the 54-byte header, short files,
// and the conversions between grey levels and heights.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

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
// start-up or a key: the fixed-size readers refuse it at once, changing nothing.
TEST(FixedSizeReaders, RefuseAFifoAtOnce) {
    ScratchDir dir;
    std::string fifo = dir / "tex1.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> rgb(kAtlasBytes, 0xAA);
    TestField t(0.5);
    initPatternTable();
    workingMap.clear();
    workingMap.paintCorner(10, 10, 3);
    const std::vector<uint8_t> tiles(workingMap.tiles, workingMap.tiles + 4096);
    alarm(10);  // a reader that waits ends the test here
    EXPECT_FALSE(readAtlasPixels(fifo.c_str(), rgb.data()));
    EXPECT_FALSE(readGreyBitmap(fifo.c_str(), t.field));
    EXPECT_FALSE(loadMap(fifo.c_str()));
    alarm(0);
    EXPECT_EQ(rgb, std::vector<uint8_t>(kAtlasBytes, 0xAA));
    EXPECT_EQ(t.values, std::vector<double>(129 * 129, 0.5));
    EXPECT_EQ(std::vector<uint8_t>(workingMap.tiles, workingMap.tiles + 4096), tiles);
    workingMap.clear();
}

}  // namespace
