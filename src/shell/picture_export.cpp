// Ctrl+E: the map as a picture file, drawn by the core's software renderer
// from the same art (kept since start-up), map, objects and heights the
// frame shows.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/map_image.h"
#include "height/height_image.h"
#include "shell/dialogs.h"
#include "shell/editor_state.h"
#include "shell/picture_export.h"
#include "shell/title.h"

void exportPicture(HWND window) {
    // The art the frame shows, as start-up loaded it. Without an atlas the
    // picture draws, there is no picture: one in white would look like a
    // map of nothing. The sprites matter only under structures shown.
    const bool spritesDrawn = editorState.showObjects && !structureList.empty();
    const char* lacking = atlasImages.tiles.empty()                     ? "tex1.bmp"
                          : spritesDrawn && atlasImages.sprites.empty() ? "structures.bmp"
                                                                        : nullptr;
    if (lacking) {
        const std::string text =
            std::string("The picture needs ") + lacking + ", which was not found at start-up.";
        MessageBoxA(window, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
        return;
    }
    const char* chosen = chooseSaveFile(window, "Export Picture", kPngFilter, "png");
    if (!chosen) return;
    const std::string path = chosen;
    MapArt noSprites;  // the renderer wants both atlases, even where one is not drawn
    if (atlasImages.sprites.empty()) {
        noSprites.tiles = atlasImages.tiles;
        noSprites.sprites.assign(atlasImages.tiles.size(), 255);
    }
    const MapArt& art = atlasImages.sprites.empty() ? noSprites : atlasImages;
    std::vector<uint8_t> texels(static_cast<size_t>(kHeightTexSize) * kHeightTexSize * 3);
    heightsToGreyTexels(heightField, texels.data());
    const MapObjects objects{&structureList, &tileObjectList, texels.data()};
    std::vector<uint8_t> rgb;
    renderMapImage(workingMap, art, editorState.showObjects ? &objects : nullptr, kFullCellPixels, rgb);
    std::string reason;
    if (savePngImage(path.c_str(), workingMap.width * kFullCellPixels, workingMap.height * kFullCellPixels, rgb,
                     &reason))
        return;
    const std::string message = "Could not save the picture." + (reason.empty() ? "" : "\n" + reason);
    MessageBoxA(window, message.c_str(), kTitle, MB_OK | MB_ICONERROR);
}
