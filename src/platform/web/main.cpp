// The page's entry: give the page its line of keys, run the editor's WinMain
// as Windows would, then say on the page that it has ended. Also answers the
// page's "are there unsaved changes?" before the tab is closed or reloaded.
// Quirk: the browser enters at main with no instance handle or command line,
// and a finished program leaves a page behind, which offers a new start.
#include "platform/web/platform.h"

#include <emscripten.h>

#include "shell/commands.h"
#include "shell/shell.h"

namespace {

EM_JS(void, pageEnded, (), { vornPage.ended(); });
EM_JS(void, pageShowKeys, (const char* text), { vornPage.showKeys(UTF8ToString(text)); });

}  // namespace

// Called by the page's beforeunload handler.
extern "C" EMSCRIPTEN_KEEPALIVE int vorn_web_unsaved_changes() {
    return platform::hooks.unsavedChanges && platform::hooks.unsavedChanges() ? 1 : 0;
}

int main() {
    pageShowKeys(keyLineText().c_str());
    platform::hooks.unsavedChanges = hasUnsavedChanges;
    platform::hooks.currentFile = currentFilePath;
    const int code = WinMain(nullptr, nullptr, const_cast<char*>(""), 0);
    platform::hooks.unsavedChanges = nullptr;
    platform::hooks.currentFile = nullptr;
    pageEnded();
    return code;
}
