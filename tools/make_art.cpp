// Writes tex1.bmp, structures.bmp, the program's icon (vorngroundeditor.svg,
// vorngroundeditor.ico) and the map files' icon
// (application-x-vorngroundeditor-map.svg) into the directory given as the first
// argument (the current directory without one). Run by every build.
#include <cstdio>
#include <string>

#include "art.h"

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? std::string(argv[1]) + "/" : std::string();
    art::Canvas tiles(512, 512, art::Colour{0, 0, 0});
    art::drawTileAtlas(tiles);
    art::Canvas sprites(512, 512, art::Colour{0, 0, 0});
    art::drawSpriteAtlas(sprites);
    if (!tiles.writeBmp(dir + "tex1.bmp") || !sprites.writeBmp(dir + "structures.bmp") ||
        !art::writeIconSvg(dir + "vorngroundeditor.svg") || !art::writeIconIco(dir + "vorngroundeditor.ico") ||
        !art::writeMapIconSvg(dir + "application-x-vorngroundeditor-map.svg")) {
        std::fprintf(stderr, "vorn_make_art: cannot write into '%s'\n", dir.c_str());
        return 1;
    }
    return 0;
}
