// Atlas and height textures as OpenGL holds them after the upload.
#include <cstdio>

#include "render/render_fixture.h"

namespace {

using glh::Rgb;
using rt::RenderTest;

std::vector<uint8_t> textureTexels(unsigned name, int size) {
    std::vector<uint8_t> texels(static_cast<size_t>(size) * size * 3);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

// Stored pixel n (file order) gets the bytes (n mod 251, n mod 241, n / 1024):
// every pixel of the file told from its neighbours, and the byte order visible.
uint8_t storedByte(size_t n, int k) {
    return static_cast<uint8_t>(k == 0 ? n % 251 : k == 1 ? n % 241 : n / 1024);
}

TEST_F(RenderTest, AtlasUploadSwapsBlueAndRedAndKeepsTheStoredRowOrder) {
    std::vector<uint8_t> stored(kAtlasBytes);
    for (size_t n = 0; n < 512 * 512; ++n)
        for (int k = 0; k < 3; ++k) stored[n * 3 + k] = storedByte(n, k);
    stored[0] = 10, stored[1] = 20, stored[2] = 30;
    const std::string path = rt::tempPath("order.bmp");
    ASSERT_TRUE(glh::writeRawImage(path, stored));
    const unsigned name = loadTextureImage(path.c_str(), 1);
    std::remove(path.c_str());
    ASSERT_NE(name, 0u);
    const std::vector<uint8_t> texels = textureTexels(name, 512);
    // Texel (s-column x, t-row y) is stored pixel y * 512 + x: the file's first
    // row (the image's bottom) is t = 0.
    EXPECT_EQ(texels[0], 30);
    EXPECT_EQ(texels[1], 20);
    EXPECT_EQ(texels[2], 10);
    int wrong = 0;
    for (size_t n = 1; n < 512 * 512; n += 7) {
        for (int k = 0; k < 3; ++k) {
            if (texels[n * 3 + k] != storedByte(n, 2 - k) && wrong++ < 5) {
                ADD_FAILURE() << "texel " << n << " byte " << k << ": expected " << int(storedByte(n, 2 - k))
                              << ", got " << int(texels[n * 3 + k]);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    glDeleteTextures(1, &name);
}

TEST_F(RenderTest, AtlasTileDrawnUprightFromTheImageTop) {
    // Tile 0 is the image's top-left 32 x 32 pixels; give each pixel of it its own colour.
    auto colour = [](int x, int y) { return x < 32 && y < 32 ? Rgb{x * 8, y * 8, 77} : Rgb{1, 2, 3}; };
    const std::string path = rt::tempPath("upright.bmp");
    ASSERT_TRUE(glh::writeRawImage(path, rt::storedImage(colour)));
    glDeleteTextures(1, &textureNames.tileAtlas);
    textureNames.tileAtlas = loadTextureImage(path.c_str(), 1);
    std::remove(path.c_str());
    workingMap.tileAt(0, 0) = 0;
    viewState.zoom = 4;  // a texel is 4 x 4 pixels
    viewState.panX = 64;
    viewState.panY = 64;
    applyView(glh::window());
    frame();
    for (int ty = 0; ty < 32; ty += 5) {
        for (int tx = 0; tx < 32; tx += 3) {
            const Rgb got = RenderTest::atCell(0, 0, (tx + 0.5) / 32, (ty + 0.5) / 32);
            EXPECT_EQ(got, colour(tx, ty)) << "image pixel (" << tx << ", " << ty << ")";
        }
    }
}

TEST_F(RenderTest, AtlasTextureParameters) {
    const std::string path = rt::tempPath("params.bmp");
    ASSERT_TRUE(glh::writeRawImage(path, std::vector<uint8_t>(kAtlasBytes, 9)));
    struct Case {
        int repeat;
        GLint wrap;
    };
    for (const Case c : {Case{1, GL_REPEAT}, Case{7, GL_REPEAT}, Case{0, GL_CLAMP}}) {
        const unsigned name = loadTextureImage(path.c_str(), c.repeat);
        ASSERT_NE(name, 0u);
        GLint bound = 0, value = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<unsigned>(bound), name) << "the new texture stays bound";
        for (GLenum p : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
            glGetTexParameteriv(GL_TEXTURE_2D, p, &value);
            EXPECT_EQ(value, c.wrap) << "repeat flag " << c.repeat;
        }
        for (GLenum p : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
            glGetTexParameteriv(GL_TEXTURE_2D, p, &value);
            EXPECT_EQ(value, GL_NEAREST);
        }
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
        EXPECT_EQ(value, GL_MODULATE);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, 512);
        EXPECT_EQ(h, 512);
        glDeleteTextures(1, &name);
    }
    std::remove(path.c_str());
}

TEST_F(RenderTest, MissingAtlasGivesNameZeroAndShortAtlasEndsInBlack) {
    EXPECT_EQ(loadTextureImage(rt::tempPath("no such atlas.bmp").c_str(), 1), 0u);

    // Only two stored rows: the bottom two texel rows; every later texel is black.
    const std::string path = rt::tempPath("short.bmp");
    ASSERT_TRUE(glh::writeRawImage(path, std::vector<uint8_t>(2 * 512 * 3 + 6, 200)));
    const unsigned name = loadTextureImage(path.c_str(), 1);
    std::remove(path.c_str());
    ASSERT_NE(name, 0u);
    const std::vector<uint8_t> texels = textureTexels(name, 512);
    const size_t firstMissing = 2 * 512 * 3 + 6;
    EXPECT_EQ(texels[firstMissing - 1], 200);
    size_t nonBlack = 0;
    for (size_t i = firstMissing; i < texels.size(); ++i) nonBlack += texels[i] != 0;
    EXPECT_EQ(nonBlack, 0u);
    glDeleteTextures(1, &name);

    // A frame with a missing tile atlas binds name 0 and still draws.
    glDeleteTextures(1, &textureNames.tileAtlas);
    textureNames.tileAtlas = 0;
    frame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderTest, HeightTextureGreyLevelsAndRowOrder) {
    struct Case {
        int x, y;
        double h;
        int grey;
    };
    const Case cases[] = {{0, 0, 1.0, 255}, {1, 0, 0.5, 127}, {0, 1, 0.999, 254}, {127, 0, 0.0, 0},
                          {0, 127, 60 / 255.0, 60}, {127, 127, 0.25, 63}, {64, 3, 1e-9, 0}};
    for (const Case& c : cases) heightField.at(c.x, c.y) = c.h;
    heightField.at(128, 0) = 1.0;  // the last column and row are not in the image
    heightField.at(0, 128) = 1.0;
    remakeHeightTexture();
    const std::vector<uint8_t> texels = textureTexels(textureNames.height, 128);
    GLint w = 0, value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 128);
    for (GLenum p : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
        glGetTexParameteriv(GL_TEXTURE_2D, p, &value);
        EXPECT_EQ(value, GL_CLAMP);
    }
    for (const Case& c : cases) {
        // Lattice row y is texel row y: the first uploaded row is lattice row 0.
        const uint8_t* t = &texels[(static_cast<size_t>(c.y) * 128 + c.x) * 3];
        EXPECT_TRUE(t[0] == c.grey && t[1] == c.grey && t[2] == c.grey)
            << "point (" << c.x << ", " << c.y << ") height " << c.h << ": expected grey " << c.grey << ", got "
            << int(t[0]) << " " << int(t[1]) << " " << int(t[2]);
    }
}

TEST_F(RenderTest, GreyBitmapImportMakesATextureOrLeavesTheFieldAlone) {
    heightField.at(5, 5) = 0.75;
    EXPECT_EQ(importGreyBitmap(rt::tempPath("no such grey.bmp").c_str()), 0u);
    EXPECT_EQ(heightField.at(5, 5), 0.75);

    std::vector<uint8_t> file(54 + 128 * 128 * 3, 0);
    file[54] = 30, file[55] = 60, file[56] = 91;  // first stored pixel: bottom-left, grey 60
    const std::string path = rt::tempPath("grey.bmp");
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), f), file.size());
    std::fclose(f);
    glDeleteTextures(1, &textureNames.height);
    textureNames.height = importGreyBitmap(path.c_str());
    std::remove(path.c_str());
    ASSERT_NE(textureNames.height, 0u);
    const std::vector<uint8_t> texels = textureTexels(textureNames.height, 128);
    const uint8_t* t = &texels[(127 * 128 + 0) * 3];  // lattice point (0, 127)
    EXPECT_EQ(int(t[0]), 60);
    EXPECT_EQ(int(texels[(5 * 128 + 5) * 3]), 0);
}

}  // namespace
