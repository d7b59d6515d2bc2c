// The software picture against the frame: every pixel of the map at zoom 1,
// read back from the offscreen frame, equals the picture's pixel.
#include "render/render_fixture.h"

#include "files/map_image.h"
#include "height/height_image.h"

namespace {

using glh::Rgb;
using rt::RenderTest;

// Every texel of a 512 x 512 atlas its own colour, so a picture that takes a
// neighbouring texel anywhere shows.
Rgb texelColour(int x, int y, int salt) { return {x % 256, y % 256, 64 * (x / 256) + 128 * (y / 256) + salt}; }

TEST_F(RenderTest, PictureEqualsTheFrameAtZoomOne) {
    const std::string tiles = rt::tempPath("picture_tiles.bmp"), sprites = rt::tempPath("picture_sprites.bmp");
    ASSERT_TRUE(glh::writeRawImage(tiles, rt::storedImage([](int x, int y) { return texelColour(x, y, 5); })));
    ASSERT_TRUE(glh::writeRawImage(sprites, rt::storedImage([](int x, int y) { return texelColour(x, y, 11); })));
    glDeleteTextures(1, &textureNames.tileAtlas);
    glDeleteTextures(1, &textureNames.spriteAtlas);
    textureNames.tileAtlas = loadTextureImage(tiles.c_str(), 1);
    textureNames.spriteAtlas = loadTextureImage(sprites.c_str(), 1);
    MapArt art;
    ASSERT_TRUE(loadAtlasImage(tiles, art.tiles, nullptr));
    ASSERT_TRUE(loadAtlasImage(sprites, art.sprites, nullptr));
    std::remove(tiles.c_str());
    std::remove(sprites.c_str());

    // Every tile index somewhere, heights of every grey, and a mission with
    // every structure kind, edges, a bad sprite index, positions above and
    // beyond the map, and tile objects whose grid rows run past the texture.
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y) workingMap.tileAt(x, y) = static_cast<uint8_t>((x * 67 + y * 29) & 255);
    for (int x = 0; x < 129; ++x)
        for (int y = 0; y < 129; ++y) heightField.at(x, y) = ((x * 5 + y * 3) % 256) / 255.0;
    remakeHeightTexture();
    const auto structure = [](int sprite, int position) {
        return StructureRecord{0, 0, static_cast<int16_t>(sprite), 0, static_cast<int16_t>(position)};
    };
    const auto tileObject = [](int texCell, int position) {
        return TileObjectRecord{0, static_cast<int16_t>(texCell), 0, static_cast<int16_t>(position), 0, 0};
    };
    for (int s = 0; s < 19; ++s) structureList.push_back(structure(s, (s * 3) % 64 + 64 * (s * 7 % 60)));
    for (int p : {-1, -65, 62, 64 * 63 + 62, 64 * 62 + 63, 4095, -4000})
        structureList.push_back(structure(p & 1 ? 2 : 11, p));
    structureList.push_back(structure(40, 64 * 10 + 10));
    for (int i = 0; i < 300; ++i) tileObjectList.push_back(tileObject((i * 37) % 256, (i * 13) % 4096));
    for (int cell : {-1, 256, 300, -32768, 32767, 4095}) tileObjectList.push_back(tileObject(cell, 64 * 20 + cell % 60 + 2));
    tileObjectList.push_back(tileObject(17, 64 * 2 + 1));  // over the structure at (0..2, 0..2)

    std::vector<uint8_t> texels(128 * 128 * 3);
    heightsToGreyTexels(heightField, texels.data());
    const MapObjects objects{&structureList, &tileObjectList, texels.data()};
    for (bool shown : {true, false}) {
        editorState.showObjects = shown;
        std::vector<uint8_t> picture;
        ASSERT_TRUE(renderMapImage(workingMap, art, shown ? &objects : nullptr, 32, picture));
        int wrong = 0;
        std::string first;
        // 800 x 600 windows over the 2048 x 2048 picture: with pan (400 + ox,
        // 300 + oy) the client's pixel (x, y) is the picture's (ox + x, oy + y).
        for (int oy = 0; oy < 2048; oy += 600) {
            for (int ox = 0; ox < 2048; ox += 800) {
                viewState.panX = 400 + ox;
                viewState.panY = 300 + oy;
                applyView(glh::window());
                frame();
                const std::vector<uint8_t> client = glh::readClient();
                for (int y = 0; y < 600 && oy + y < 2048; ++y)
                    for (int x = 0; x < 800 && ox + x < 2048; ++x) {
                        const uint8_t* got = &client[(y * 800 + x) * 3];
                        const uint8_t* want = &picture[((oy + y) * 2048 + ox + x) * 3];
                        if (got[0] == want[0] && got[1] == want[1] && got[2] == want[2]) continue;
                        if (wrong++ == 0)
                            first = "picture pixel (" + std::to_string(ox + x) + ", " + std::to_string(oy + y) +
                                    "): expected " + glh::toString({want[0], want[1], want[2]}) + ", got " +
                                    glh::toString({got[0], got[1], got[2]});
                    }
            }
        }
        EXPECT_EQ(wrong, 0) << (shown ? "with objects: " : "tiles only: ") << first;
    }
}

}  // namespace
