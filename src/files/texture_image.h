// Atlas images: 512 x 512 24-bit bitmaps after a 54-byte header.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int32_t kAtlasSize = 512;
constexpr int32_t kAtlasBytes = kAtlasSize * kAtlasSize * 3;

// Callers: readAtlasPixels and the atlas fuzz target. The pixels of an atlas
// file's bytes as stored (bottom row first) into rgb (kAtlasBytes), with each
// pixel's first and third bytes exchanged. Missing bytes read as 0.
void readAtlasBytes(const uint8_t* file, size_t size, uint8_t* rgb);
// Caller: the atlas texture load. readAtlasBytes of the file at `path`. False,
// writing nothing, when it cannot be read or is not a regular file (a FIFO
// fails at once instead of waiting for a writer).
bool readAtlasPixels(const char* path, uint8_t* rgb);

// OpenGL: the texture of an atlas file, or 0 when it cannot be opened.
// Caller: start-up. Needs a current context.
unsigned loadTextureImage(const char* path, int repeat);

// OpenGL: a new size x size GL_RGB texture of rgb, GL_NEAREST, GL_MODULATE,
// wrap GL_REPEAT or GL_CLAMP; stays bound. Callers: the atlas and height textures.
unsigned uploadRgbTexture(int32_t size, const uint8_t* rgb, bool repeat);
