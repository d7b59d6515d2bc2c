// Height field to OpenGL texture (needs a current context).
#pragma once

// A new 128 x 128 grey texture of the current height field; stays bound.
unsigned makeHeightTexture();
// Fills the height field at random and returns its new texture. Caller: start-up, key R.
unsigned generateHeightField();
// Reads a grey bitmap into the height field and returns its new texture, or 0
// (field unchanged) when the file cannot be opened. An image of another size
// leaves the field unchanged, returns a texture of it and sets *refusal to the
// message saying why (else nullptr). Caller: key G.
unsigned importGreyBitmap(const char* path, const char** refusal = nullptr);
