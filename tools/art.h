// The two atlas pictures.
#pragma once
#include "art_canvas.h"

namespace art {
// Paints all 256 tiles into a 512 x 512 canvas.
void drawTileAtlas(Canvas& atlas);
// Paints every structure sprite at its rectangle of a 512 x 512 canvas.
void drawSpriteAtlas(Canvas& atlas);
}  // namespace art

namespace art {
// The terrain kind that tile pixel (u, v), 0..31 each, shows for the given
// kinds of the tile's nine lattice points (the top layer; kind 3 over kind 2).
int32_t terrainLayerAt(const int32_t kinds[9], int32_t u, int32_t v);
}  // namespace art

namespace art {
// The program's icon as a scalable picture and as a Windows icon file.
bool writeIconSvg(const std::string& path);
// A map file's icon for the desktop's file type: the board on a sheet.
bool writeMapIconSvg(const std::string& path);
bool writeIconIco(const std::string& path);
}  // namespace art
