// The height field as a grey OpenGL texture, and the two ways to a new field.
#include <windows.h>
#include <GL/gl.h>

#include <vector>

#include "height/height_field.h"
#include "height/height_image.h"
#include "height/height_texture.h"

unsigned makeHeightTexture() {
    std::vector<uint8_t> texels(kHeightTexSize * kHeightTexSize * 3);
    heightsToGreyTexels(heightField, texels.data());

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    // Lattice row 0 goes up first, so t = 0 is the map's top edge as the overlay draws it.
    // A row is 384 bytes, so the default unpack alignment of 4 holds.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kHeightTexSize, kHeightTexSize, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 texels.data());
    return name;
}

unsigned generateHeightField() {
    fillRandomHeightField();
    return makeHeightTexture();
}

unsigned importGreyBitmap(const char* path) {
    if (!readGreyBitmap(path, heightField)) return 0;  // field untouched, no GL call
    return makeHeightTexture();
}
