// The height field as a grey OpenGL texture.
#include <windows.h>
#include <GL/gl.h>

#include <vector>

#include "files/texture_image.h"
#include "height/height_field.h"
#include "height/height_image.h"
#include "height/height_texture.h"

unsigned makeHeightTexture(const HeightField& field) {
    std::vector<uint8_t> texels(kHeightTexSize * kHeightTexSize * 3);
    heightsToGreyTexels(field, texels.data());

    // Lattice row 0 goes up first, so t = 0 is the map's top edge as the overlay draws it.
    return uploadRgbTexture(kHeightTexSize, texels.data(), false);
}
