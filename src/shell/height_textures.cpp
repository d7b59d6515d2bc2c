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

unsigned importGreyBitmap(const char* path, const char** refusal) {
    const char* why = nullptr;
    if (!readGreyBitmap(path, heightField, &why)) {
        if (refusal) *refusal = why;
        // An image of another size keeps the heights, and the overlay shows
        // them still; a file that cannot be read gives name 0, no GL call.
        return why ? makeHeightTexture(heightField) : 0;
    }
    if (refusal) *refusal = nullptr;
    return makeHeightTexture(heightField);
}
