// Atlas image to OpenGL texture. The file reading lives in texture_image.cpp;
// this file only talks to OpenGL.
#include <windows.h>
#include <GL/gl.h>

#include <vector>

#include "files/texture_image.h"

unsigned loadTextureImage(const char* path, int repeat, std::vector<uint8_t>* pixels, std::string* reason) {
    // One buffer for the whole image; readAtlasPixels already swapped blue and
    // red and zeroed whatever a short file did not deliver, so those texels are black.
    std::vector<uint8_t> own;
    std::vector<uint8_t>& rgb = pixels ? *pixels : own;
    rgb.assign(kAtlasBytes, 0);
    if (!readAtlasPixels(path, rgb.data(), reason)) {
        rgb.clear();
        return 0;  // missing atlas: name 0, no GL call, the editor runs on
    }

    // Rows go up in file order (bottom row first), so t = 1 is the image's top.
    return uploadRgbTexture(kAtlasSize, rgb.data(), repeat != 0);
}

unsigned uploadRgbTexture(int32_t size, const uint8_t* rgb, bool repeat) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // The environment belongs to the texture unit: every later draw modulates by the current colour.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const GLfloat wrap = repeat ? GL_REPEAT : GL_CLAMP;
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    // Both callers' rows (1536 and 384 bytes) are multiples of the default
    // unpack alignment of 4, so no pixel-store setting is touched.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return name;
}
