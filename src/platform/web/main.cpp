// The page's entry: run the editor's WinMain as Windows would, then say on the
// page that it has ended. Also answers the page's "are there unsaved changes?"
// before the tab is closed or reloaded.
// Quirk: the browser enters at main with no instance handle or command line,
// and a finished program leaves a page behind, which offers a new start.
#include "platform/web/platform.h"

#include <emscripten.h>

#include <cstring>
#include <vector>

#include "map/ground_map.h"

namespace {

// Unsaved changes, judged from the map's tiles (what a map file holds): the
// tiles as last saved or opened, and the tiles just before an open dialog.
// A failed open leaves the tiles as they were, so it keeps the old record.
// The shell keeps no modified flag of its own yet; once it does, this
// comparison is to give way to it in unsavedChanges().
std::vector<uint8_t> savedTiles;
std::vector<uint8_t> tilesBeforeOpen;

std::vector<uint8_t> currentTiles() {
    const size_t n = static_cast<size_t>(workingMap.width) * static_cast<size_t>(workingMap.height);
    return std::vector<uint8_t>(workingMap.tiles, workingMap.tiles + n);
}

void beforeOpen(const char* title) {
    if (!std::strcmp(title, "Choose Map")) tilesBeforeOpen = currentTiles();
}

void afterOpen(const char* title) {
    if (std::strcmp(title, "Choose Map")) return;
    std::vector<uint8_t> now = currentTiles();
    if (now != tilesBeforeOpen) savedTiles = std::move(now);
}

void saved() { savedTiles = currentTiles(); }

bool unsavedChanges() { return currentTiles() != savedTiles; }

EM_JS(void, pageEnded, (), { vornPage.ended(); });

}  // namespace

// Called by the page's beforeunload handler.
extern "C" EMSCRIPTEN_KEEPALIVE int vorn_web_unsaved_changes() {
    return platform::hooks.unsavedChanges && platform::hooks.unsavedChanges() ? 1 : 0;
}

int main() {
    savedTiles = currentTiles();
    platform::hooks.beforeOpen = beforeOpen;
    platform::hooks.afterOpen = afterOpen;
    platform::hooks.saved = saved;
    platform::hooks.unsavedChanges = unsavedChanges;
    const int code = WinMain(nullptr, nullptr, const_cast<char*>(""), 0);
    platform::hooks.unsavedChanges = nullptr;
    pageEnded();
    return code;
}
