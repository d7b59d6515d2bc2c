// The height field as a grey OpenGL texture, and the two ways to a new field.
#include <windows.h>
#include <GL/gl.h>

#include <vector>

#include "files/texture_image.h"
#include "height/height_field.h"
#include "height/height_image.h"
#include "height/height_texture.h"

unsigned makeHeightTexture() {
    std::vector<uint8_t> texels(kHeightTexSize * kHeightTexSize * 3);
    heightsToGreyTexels(heightField, texels.data());

    // Lattice row 0 goes up first, so t = 0 is the map's top edge as the overlay draws it.
    return uploadRgbTexture(kHeightTexSize, texels.data(), false);
}

unsigned generateHeightField() {
    fillRandomHeightField();
    return makeHeightTexture();
}

unsigned importGreyBitmap(const char* path, const char** refusal) {
    const char* why = nullptr;
    if (!readGreyBitmap(path, heightField, &why)) {
        if (refusal) *refusal = why;
        // An image of another size keeps the heights, and the overlay shows
        // them still; a file that cannot be read gives name 0, no GL call.
        return why ? makeHeightTexture() : 0;
    }
    if (refusal) *refusal = nullptr;
    return makeHeightTexture();
}
