// Height field to OpenGL texture (needs a current context).
#pragma once

// A new 128 x 128 grey texture of the current height field; stays bound.
unsigned makeHeightTexture();
// Fills the height field at random and returns its new texture. Caller: start-up, key R.
unsigned generateHeightField();
// Reads a grey bitmap into the height field and returns its new texture, or 0
// (field unchanged) when the file cannot be opened. Caller: key G.
unsigned importGreyBitmap(const char* path);
