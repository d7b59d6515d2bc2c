// The two ways to a new height field, keys R and G: the core fills the
// program's height field, then its grey texture is made here.
#include <windows.h>

#include "height/height_image.h"
#include "height/height_texture.h"
#include "shell/editor_state.h"
#include "shell/render.h"

unsigned generateHeightField() {
    fillRandomHeightField(heightField);
    return makeHeightTexture(heightField);
}

unsigned importGreyBitmap(const char* path, std::string* reason) {
    std::string why;
    const bool read = readGreyBitmap(path, heightField, &why);
    if (reason) *reason = why;
    // An image of another size keeps the heights, and the overlay shows them
    // still; a file that cannot be read gives name 0, no GL call.
    return read || !why.empty() ? makeHeightTexture(heightField) : 0;
}
