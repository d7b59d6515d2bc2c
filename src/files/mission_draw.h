// Drawing of the mission's structures and tile objects (OpenGL 1.1).
#pragma once
#include <vector>

#include "files/mission.h"

// Caller: drawFrame, inside its matrix push, texturing on, blending off, with
// the program's object lists, atlas and height texture names and display
// flag. Draws the structures from the sprite atlas, then the tile objects
// from the height texture; nothing while `show` is false.
void drawMissionObjects(const std::vector<StructureRecord>& structures,
                        const std::vector<TileObjectRecord>& tileObjects, unsigned spriteAtlas,
                        unsigned heightTexture, bool show);
