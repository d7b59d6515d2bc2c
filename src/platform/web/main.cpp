// The page's entry: give the page its line of keys, run the editor's WinMain
// as Windows would, then say on the page that it has ended. Also answers the
// page's "are there unsaved changes?" before the tab is closed or reloaded.
// Quirk: the browser enters at main with no instance handle or command line,
// and a finished program leaves a page behind, which offers a new start.
#include "platform/web/platform.h"

#include <emscripten.h>
#include <sys/file.h>

#include <cerrno>
#include <cstdlib>

#include <cstdint>
#include <string>

#include "map/ground_map.h"
#include "shell/commands.h"
#include "shell/editor_state.h"
#include "shell/shell.h"

namespace {

EM_JS(void, pageEnded, (), { vornPage.ended(); });

// The recovery copies' folder: the page's IndexedDB under /state, read in
// before the editor starts and written back a moment after each change;
// persistent storage is asked for once per browser profile.
EM_ASYNC_JS(void, pageOpenStateFolder, (), {
  try {
    FS.mkdir('/state');
    FS.mount(IDBFS, {}, '/state');
    await new Promise(function (done) { FS.syncfs(true, function () { done(); }); });
    let syncing = false;
    setInterval(function () {
      if (syncing) return;
      syncing = true;
      FS.syncfs(false, function () { syncing = false; });
    }, 250);
  } catch (e) {
    console.warn('recovery folder: ' + e);
  }
  try {
    if (navigator.storage && navigator.storage.persist && !localStorage.getItem('vorngroundeditor.persist')) {
      localStorage.setItem('vorngroundeditor.persist', 'asked');
      navigator.storage.persist();
    }
  } catch (e) {}
});

// flock for the recovery store, by Web Locks named after the file: the
// browser drops a closed tab's locks, and a second descriptor of the same
// file in this page is refused, as flock refuses it.
EM_ASYNC_JS(int, pageFlock, (int fd, int unlock), {
  const stream = FS.getStream(fd);
  if (!stream || !navigator.locks) return 0;
  const name = 'vorngroundeditor ' + stream.path;
  const held = vornPage.heldLocks || (vornPage.heldLocks = {});
  if (unlock) {
    if (held[name] && held[name].fd === fd) { held[name].release(); delete held[name]; }
    return 0;
  }
  if (held[name]) return held[name].fd === fd ? 0 : -1;
  return await new Promise(function (answer) {
    navigator.locks.request(name, { ifAvailable: true }, function (lock) {
      if (!lock) { answer(-1); return undefined; }
      return new Promise(function (release) { held[name] = { fd: fd, release: release }; answer(0); });
    });
  });
});
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
bool sharedMapGiven = false;  // the address held a map, handed to WinMain as its command line

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

// Called by the page at the first frame: 1 when the address's map was given
// but is not the map shown, because the question about a recovered map
// before it was cancelled. The page then offers to open it (page.js).
extern "C" EMSCRIPTEN_KEEPALIVE int vorn_web_link_map_declined() {
    return sharedMapGiven && currentFilePath() != kSharedMapPath ? 1 : 0;
}

// Called by the page's beforeunload handler.
extern "C" EMSCRIPTEN_KEEPALIVE int vorn_web_unsaved_changes() {
    return platform::hooks.unsavedChanges && platform::hooks.unsavedChanges() ? 1 : 0;
}

extern "C" int flock(int fd, int operation) {
    if (pageFlock(fd, (operation & LOCK_UN) != 0) == 0) return 0;
    errno = EWOULDBLOCK;
    return -1;
}

int main() {
    pageShowKeys(keyLineText().c_str());
    pageOpenStateFolder();
    setenv("XDG_STATE_HOME", "/state", 1);
    platform::hooks.unsavedChanges = hasUnsavedChanges;
    platform::hooks.currentFile = currentFilePath;
    // A map in the address opens as the command line's map does: as O opens one.
    // Its path is watched as an opened file's is: Ctrl+S delivers it.
    std::string commandLine;
    if (pageSharedMap(kSharedMapPath)) {
        sharedMapGiven = true;
        platform::watchFile(kSharedMapPath);
        commandLine = std::string("\"") + kSharedMapPath + "\"";
    }
    const int code = WinMain(nullptr, nullptr, &commandLine[0], 0);
    platform::hooks.unsavedChanges = nullptr;
    platform::hooks.currentFile = nullptr;
    pageEnded();
    return code;
}
