// The page's entry: give the page its line of keys, run the editor's WinMain
// as Windows would, then say on the page that it has ended. Also answers the
// page's "are there unsaved changes?" before the tab is closed or reloaded.
// Quirk: the browser enters at main with no instance handle or command line,
// and a finished program leaves a page behind, which offers a new start.
#include "platform/web/platform.h"

#include <emscripten.h>

#include <cstdint>
#include <string>

#include "map/ground_map.h"
#include "shell/commands.h"
#include "shell/editor_state.h"
#include "shell/shell.h"

namespace {

EM_JS(void, pageEnded, (), { vornPage.ended(); });
EM_JS(void, pageShowKeys, (const char* text), { vornPage.showKeys(UTF8ToString(text)); });

// The map of the page address's "#map=" part, written to kSharedMapPath: 1
// when there is one, 0 when the address has none, and 0 after the page said
// why a broken one could not be read (the editor then starts cleared).
EM_ASYNC_JS(int, pageSharedMap, (const char* path), {
    const bytes = await vornPage.sharedMap();
    if (!bytes) return 0;
    const where = UTF8ToString(path);
    FS.mkdirTree(where.substring(0, where.lastIndexOf('/')));
    FS.writeFile(where, bytes);
    return 1;
});

// Its file name is what the title shows for a map that came in a link.
constexpr char kSharedMapPath[] = "/shared/shared map";
uint8_t mapFileBytes[64 * 64];

}  // namespace

namespace {
EM_JS(void, pageTakeMapBytes, (const uint8_t* bytes, int size), {
    Module.vornMapBytes = HEAPU8.slice(bytes, bytes + size);
});
}  // namespace

// Called by the page's "Copy link to this map": hands the page the working
// map's bytes as a map file holds them (row by row), in Module.vornMapBytes.
extern "C" EMSCRIPTEN_KEEPALIVE void vorn_web_map_bytes() {
    for (int32_t y = 0; y < workingMap.height && y < 64; ++y)
        for (int32_t x = 0; x < workingMap.width && x < 64; ++x) mapFileBytes[y * 64 + x] = workingMap.tileAt(x, y);
    pageTakeMapBytes(mapFileBytes, sizeof mapFileBytes);
}

// Called by the page's beforeunload handler.
extern "C" EMSCRIPTEN_KEEPALIVE int vorn_web_unsaved_changes() {
    return platform::hooks.unsavedChanges && platform::hooks.unsavedChanges() ? 1 : 0;
}

int main() {
    pageShowKeys(keyLineText().c_str());
    platform::hooks.unsavedChanges = hasUnsavedChanges;
    platform::hooks.currentFile = currentFilePath;
    // A map in the address opens as the command line's map does: as O opens one.
    // Its path is watched as an opened file's is: Ctrl+S delivers it.
    std::string commandLine;
    if (pageSharedMap(kSharedMapPath)) {
        platform::watchFile(kSharedMapPath);
        commandLine = std::string("\"") + kSharedMapPath + "\"";
    }
    const int code = WinMain(nullptr, nullptr, &commandLine[0], 0);
    platform::hooks.unsavedChanges = nullptr;
    platform::hooks.currentFile = nullptr;
    pageEnded();
    return code;
}
