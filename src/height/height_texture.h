// Height field to OpenGL texture (needs a current context).
#pragma once

struct HeightField;

// Callers: the shell's generateHeightField and importGreyBitmap, tests. A new
// 128 x 128 grey texture of the first 128 x 128 points of `field` (which must
// have that many; see heightsToGreyTexels); stays bound.
unsigned makeHeightTexture(const HeightField& field);
