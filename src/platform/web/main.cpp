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
#include <vector>

#include "files/map_file.h"
#include "map/ground_map.h"
#include "shell/commands.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/status_line.h"

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
// The address held a map, handed to WinMain as its command line. Kept here,
// not in a record of the layer's: the page asks about it through a C export
// that takes no argument (vorn_web_link_map_declined).
bool sharedMapGiven = false;

EM_JS(void, pageTakeMapBytes, (const uint8_t* bytes, int size), {
    Module.vornMapBytes = HEAPU8.slice(bytes, bytes + size);
});

}  // namespace

// Called by the page's "Copy link to this map": hands the page the working
// map's bytes as a map file holds them, in Module.vornMapBytes.
extern "C" EMSCRIPTEN_KEEPALIVE void vorn_web_map_bytes() {
    std::vector<uint8_t> bytes;
    mapFileBytes(workingMap, bytes);
    pageTakeMapBytes(bytes.data(), static_cast<int>(bytes.size()));
}

// Called by the page at the first frame: 1 when the address's map was given
// but is not the map shown, because the question about a recovered map
// before it was cancelled. The page then offers to open it (page.js).
extern "C" EMSCRIPTEN_KEEPALIVE int vorn_web_link_map_declined() {
    return sharedMapGiven && currentFilePath() != kSharedMapPath ? 1 : 0;
}

// Called by the page's beforeunload handler.
extern "C" EMSCRIPTEN_KEEPALIVE int vorn_web_unsaved_changes() {
    return platform::page().hooks.unsavedChanges && platform::page().hooks.unsavedChanges() ? 1 : 0;
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
    platform::page().hooks.unsavedChanges = hasUnsavedChanges;
    platform::page().hooks.currentFile = currentFilePath;
    platform::page().hooks.statusText = [] () -> const std::string& { return shownStatusText; };
    platform::page().hooks.editorTakesCtrlShift = [](int vk) { return commandHoldsCtrlShift(static_cast<WPARAM>(vk)); };
    platform::page().hooks.browserActsToo = [](int vk, bool ctrl, bool shift) {
        return browserActsToo(static_cast<WPARAM>(vk), static_cast<uint8_t>((ctrl ? kCtrl : 0) | (shift ? kShift : 0)));
    };
    // A map in the address opens as the command line's map does: as O opens one.
    // Its path is watched as an opened file's is: Ctrl+S delivers it.
    std::string commandLine;
    if (pageSharedMap(kSharedMapPath)) {
        sharedMapGiven = true;
        platform::watchFile(kSharedMapPath);
        commandLine = std::string("\"") + kSharedMapPath + "\"";
    }
    const int code = WinMain(nullptr, nullptr, &commandLine[0], 0);
    platform::page().hooks.unsavedChanges = nullptr;
    platform::page().hooks.currentFile = nullptr;
    platform::page().hooks.statusText = nullptr;
    pageEnded();
    return code;
}
