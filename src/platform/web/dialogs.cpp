// MessageBoxA, the open and save dialogs, downloads and dropped files, over
// the page's own dialogs (page.js).
// Quirks: a browser gives a page no paths on the user's disk. An opened or
// dropped file is copied into the in-memory file system and its path there
// is the answer; a save goes to an in-memory path, and the shell's write to it
// reaches the user as a download. The shell writes its files itself (after
// GetSaveFileNameA, or straight to the current file for a quick save), so the
// layer watches every path it gave out and, at its next entry (serviceFiles),
// hands any that was written since to the browser under the file's own name,
// unless the bytes are the ones last handed over under that name (Ctrl+S
// with nothing changed). A save dialog's path is emptied first: no file there
// then means the save failed, which the shell reports itself.
// Memory: a chosen or dropped file lives in the in-memory file system only
// until the shell has read it. The shell reads it within the handling of the
// key or drop that asked for it (after any questions it asks first), and the
// next PeekMessageA comes only after that handling; so each PeekMessageA
// removes every file handed out before, except those of drops still waiting
// in the queue. At most the files of the one open or drop in hand are held;
// a quick save later writes the current file's path anew (a 4096-byte map).
#include "platform/web/platform.h"

#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The in-memory file system takes long paths; the shell's buffer decides
// (a longer answer is reported through CommDlgExtendedError, as on Windows).
constexpr int kPathBuffer = 4096;

using platform::page;
using Seen = platform::SeenFile;

EM_ASYNC_JS(int, pageMessageBox, (const char* title, const char* text, int buttons), {
    return await vornPage.messageBox(UTF8ToString(title), UTF8ToString(text), buttons);
});

// Shows the file chooser, offering the types in `accept` first (empty: any);
// 1 when a file was chosen (pageKeepFile takes it), 0 when cancelled.
EM_ASYNC_JS(int, pageOpenFile, (const char* title, const char* accept), {
    Module.vornFile = await vornPage.openFile(UTF8ToString(title), UTF8ToString(accept));
    return Module.vornFile ? 1 : 0;
});

// Puts the file the chooser or a drop gave last into <root>/<n>/<name> and
// its path into `out`; 0 when the path does not fit. Each file gets a folder
// of its own: a file chosen or dropped under the current file's name must not
// take the place of the current file, which the shell may still save to
// (asking "save first?" after a drop arrived) and would then read back.
EM_JS(int, pageKeepFile, (const char* root, char* out, int size), {
    const file = Module.vornFile;
    Module.vornFile = null;
    Module.vornChosen = (Module.vornChosen || 0) + 1;
    const folder = UTF8ToString(root) + '/' + Module.vornChosen;
    const path = folder + '/' + file.name;
    if (lengthBytesUTF8(path) + 1 > size) return 0;
    FS.mkdirTree(folder);
    FS.writeFile(path, file.bytes, { canOwn: true });  // no second copy of a large file
    stringToUTF8(path, out, size);
    return 1;
});

// Asks for a file name, offering `last`; returns the typed name's length in
// UTF-8 bytes (pageTakeSaveName copies it), -1 when cancelled. Any length is
// taken: a name too long for a download is cut by the layer, not dropped.
EM_ASYNC_JS(int, pageAskSaveName, (const char* title, const char* last), {
    const name = await vornPage.askSaveName(UTF8ToString(title), UTF8ToString(last));
    Module.vornSaveName = name || "";
    return name ? lengthBytesUTF8(name) : -1;
});

EM_JS(void, pageTakeSaveName, (char* out, int size), {
    stringToUTF8(Module.vornSaveName, out, size);
    Module.vornSaveName = "";
});

// No page (the layer's tests in node): nothing to hand the file to.
EM_JS(void, pageDownload, (const char* path, const char* name), {
    if (typeof vornPage !== 'undefined') vornPage.download(UTF8ToString(name), FS.readFile(UTF8ToString(path)));
});

// Takes the oldest file dropped on the page (pageKeepFile keeps it); 0 when none.
EM_JS(int, pageTakeDrop, (), {
    Module.vornFile = vornPage.takeDrop();
    return Module.vornFile ? 1 : 0;
});

// Forgets files dropped while the window does not accept drops: Windows
// refuses those, so they must not arrive once it does.
EM_JS(void, pageDiscardDrops, (), {
    if (typeof vornPage !== 'undefined') while (vornPage.takeDrop()) {}
});

bool isFile(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

Seen look(const std::string& path) {
    struct stat info;
    Seen seen;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return seen;
    seen.exists = true;
    seen.inode = info.st_ino;
    seen.size = info.st_size;
    seen.modified = info.st_mtime;
    return seen;
}

// Page dialogs are modal: the editor's input is dropped while one is open,
// and the window gets WM_CANCELMODE as it opens, as Windows sends it.
struct Modal {
    Modal() {
        if (page().modalDepth++ == 0) platform::cancelModes();
    }
    ~Modal() { --page().modalDepth; }
};

bool readBytes(const std::string& path, std::vector<char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// A file handed out by a dialog or a drop: the shell will read it, and may
// save back to it (Ctrl+S).
void handOut(const std::string& path) {
    page().held.insert(path);
    platform::watchFile(path);
}

// The chooser's accept list for the dialog's first filter: "*.bmp;*.png"
// becomes ".bmp,.png". A filter of every file ("*.*", "*") or none gives an
// empty list; the browser's chooser still lets the user show all files, as
// Windows keeps "All Files" in the list.
std::string acceptFor(LPOPENFILENAMEA request) {
    const auto filters = platform::filterEntries(request->lpstrFilter);
    if (filters.empty()) return "";
    std::string accept;
    for (const std::string& one : filters.front().second) {
        if (one.size() < 3 || one.compare(0, 2, "*.") != 0 || one == "*.*") return "";
        if (!accept.empty()) accept += ',';
        accept += one.substr(1);
    }
    return accept;
}

}  // namespace

std::string platform::downloadName(const std::string& typed, bool* cut) {
    std::string name;
    for (const char c : typed) name += (c == '/' || c == '\\') ? '_' : c;
    if (name == "." || name == "..") name = "map";
    if (cut) *cut = name.size() > kDownloadNameBytes;
    if (name.size() <= kDownloadNameBytes) return name;
    // The extension says what the file is: kept when it is short and not the
    // whole name (".profile" has none); the part before it is cut instead.
    const size_t dot = name.rfind('.');
    std::string extension;
    if (dot != std::string::npos && dot > 0 && name.size() - dot <= kKeptExtensionBytes) extension = name.substr(dot);
    size_t end = kDownloadNameBytes - extension.size();
    // Back to the start of a character: UTF-8 continuation bytes are 10xxxxxx.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end) + extension;
}

void platform::watchFile(const std::string& path) {
    page().watched[path] = look(path);
    page().lastDownload.erase(nameOf(path));
}

int platform::serviceFiles() {
    int delivered = 0;
    std::vector<char> bytes;
    std::map<std::string, std::vector<char>>& lastDownload = page().lastDownload;
    for (auto& [path, seen] : page().watched) {
        const Seen now = look(path);
        if (now == seen) continue;
        seen = now;
        if (!now.exists || !readBytes(path, bytes)) continue;  // gone: nothing to hand over
        const std::string name = nameOf(path);
        const auto last = lastDownload.find(name);
        if (last != lastDownload.end() && last->second == bytes) continue;  // the user has these bytes already
        pageDownload(path.c_str(), name.c_str());
        lastDownload[name] = bytes;
        ++delivered;
    }
    return delivered;
}

int platform::releaseChosenFiles() {
    std::set<std::string> waiting;  // named by drops the shell has not taken yet
    for (const QueuedMessage& q : messageQueue())
        if (q.msg.message == WM_DROPFILES && q.msg.wParam)
            for (const std::string& f : reinterpret_cast<HDROP>(q.msg.wParam)->files) waiting.insert(f);
    int removed = 0;
    std::set<std::string>& held = page().held;
    for (auto it = held.begin(); it != held.end();) {
        if (waiting.count(*it)) {
            ++it;
            continue;
        }
        if (unlink(it->c_str()) == 0) ++removed;
        it = held.erase(it);
    }
    return removed;
}

void platform::serviceDrops() {
    if (page().modalDepth > 0) return;  // the page ignores drops while a dialog is open
    if (!mainWindow() || !mainWindow()->acceptFiles) {
        pageDiscardDrops();
        return;
    }
    char path[kPathBuffer];
    HDROP drop = nullptr;
    while (pageTakeDrop()) {
        if (!pageKeepFile("/dropped", path, sizeof path)) continue;
        if (!drop) drop = new HDROP__;
        drop->files.push_back(path);
        handOut(path);
    }
    if (!drop) return;
    platform::QueuedMessage q;
    q.msg.hwnd = mainWindow();
    q.msg.message = WM_DROPFILES;
    q.msg.wParam = reinterpret_cast<WPARAM>(drop);
    messageQueue().push_back(q);
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    platform::serviceFiles();
    Modal modal;
    return pageMessageBox(caption ? caption : "Error", text ? text : "", static_cast<int>(type & 0x0f));
}

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA request) {
    platform::shared().dialogError = 0;
    if (!request || !request->lpstrFile || request->nMaxFile == 0) return FALSE;
    platform::serviceFiles();
    const char* title = request->lpstrTitle ? request->lpstrTitle : "Open";
    char path[kPathBuffer];
    int chosen = 0;
    {
        Modal modal;
        chosen = pageOpenFile(title, acceptFor(request).c_str()) && pageKeepFile("/open", path, sizeof path);
    }
    if (!chosen) return FALSE;
    if (!isFile(path) || !platform::giveDialogAnswer(request, path)) {
        unlink(path);  // not handed out: nobody will read it
        return FALSE;
    }
    handOut(path);
    return TRUE;
}

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA request) {
    platform::shared().dialogError = 0;
    if (!request || !request->lpstrFile || request->nMaxFile == 0) return FALSE;
    platform::serviceFiles();
    // The current file's name (the map last opened, dropped or saved), else
    // the name typed last.
    const platform::PageHooks& hooks = page().hooks;
    std::string offer = page().lastSaveName;
    if (hooks.currentFile) {
        const std::string current = hooks.currentFile();
        if (!current.empty()) offer = nameOf(current);
    }
    // A dialog offering PNG first saves a picture of the map: the map's own
    // name with ".png" in place of its extension, else "map.png".
    if (request->lpstrFilter && std::strstr(request->lpstrFilter, "(*.png)") &&
        std::string(request->lpstrFilter + std::strlen(request->lpstrFilter) + 1) == "*.png") {
        std::string stem = hooks.currentFile ? nameOf(hooks.currentFile()) : std::string();
        const size_t dot = stem.find_last_of('.');
        if (dot != std::string::npos && dot > 0) stem.erase(dot);
        offer = (stem.empty() ? std::string("map") : stem) + ".png";
    }
    std::string typed;
    {
        Modal modal;
        const int length = pageAskSaveName(request->lpstrTitle ? request->lpstrTitle : "Save As", offer.c_str());
        if (length > 0) {
            typed.assign(static_cast<size_t>(length) + 1, '\0');
            pageTakeSaveName(&typed[0], length + 1);
            typed.resize(std::strlen(typed.c_str()));
        }
    }
    if (typed.empty()) return FALSE;
    bool cut = false;
    const std::string name = page().lastSaveName = platform::downloadName(typed, &cut);
    if (cut) {
        const std::string text = "The file name is too long for a download; the map is saved as \"" + name + "\".";
        MessageBoxA(request->hwndOwner, text.c_str(), request->lpstrTitle ? request->lpstrTitle : "Save As",
                    MB_OK);
    }
    mkdir("/save", 0755);
    const std::string path = "/save/" + name;
    if (!platform::giveDialogAnswer(request, path)) return FALSE;
    // A file left from an earlier save must not pass for this one.
    unlink(path.c_str());
    platform::watchFile(path);
    return TRUE;
}
