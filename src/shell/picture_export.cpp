// Ctrl+E: the map as a picture file, drawn by the core's software renderer
// from the same art, map, objects and heights the frame shows.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/map_image.h"
#include "height/height_image.h"
#include "shell/editor_state.h"
#include "shell/shell.h"

void exportPicture(HWND window) {
    const char* chosen = chooseSaveFile(window, "Export Picture", kPngFilter, "png");
    if (!chosen) return;
    const std::string path = chosen;
    MapArt art;
    // Read again rather than kept from start-up: 1.5 MB held for a key
    // pressed rarely. A file gone since start-up draws white, as a missing one.
    loadAtlasImage(findArtFile("tex1.bmp"), art.tiles, nullptr);
    loadAtlasImage(findArtFile("structures.bmp"), art.sprites, nullptr);
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
