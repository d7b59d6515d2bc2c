// Atlas images: 512 x 512 BMP or PNG files, or raw 24-bit pixels after a 54-byte header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/image_decode.h"

constexpr int32_t kAtlasSize = 512;
constexpr int32_t kAtlasBytes = kAtlasSize * kAtlasSize * 3;

// Callers: readAtlasPixels and the atlas fuzz target. The pixels of an atlas
// file's bytes (see bitmapPixels: a decodable BMP or PNG, else raw after 54
// bytes) as stored, bottom row first, into rgb (kAtlasBytes) with each pixel's
// first and third bytes exchanged; missing bytes read as 0. False, writing
// nothing, for a decodable image of another size, whose size goes to *found.
bool readAtlasBytes(const uint8_t* file, size_t size, uint8_t* rgb, ImageSize* found = nullptr);
// Caller: the atlas texture load. readAtlasBytes of the file at `path`. False,
// writing nothing, when it cannot be read or is not a regular file (a FIFO
// fails at once instead of waiting for a writer), or when it is an image of
// another size, which the reason then says (files/reason.h).
bool readAtlasPixels(const char* path, uint8_t* rgb, std::string* reason = nullptr);

// OpenGL: the texture of an atlas file, or 0 when it cannot be read or is an
// image of another size (the reason as readAtlasPixels gives it). With
// `pixels`, it also gets the pixels as read (readAtlasPixels' kAtlasBytes,
// bottom row first), or is emptied when there is no texture.
// Caller: start-up. Needs a current context.
unsigned loadTextureImage(const char* path, int repeat, std::vector<uint8_t>* pixels = nullptr,
                          std::string* reason = nullptr);

// OpenGL: a new size x size GL_RGB texture of rgb, GL_NEAREST, GL_MODULATE,
// wrap GL_REPEAT or GL_CLAMP; stays bound. Callers: the atlas and height textures.
unsigned uploadRgbTexture(int32_t size, const uint8_t* rgb, bool repeat);
