// MessageBoxA, the open and save dialogs, downloads and dropped files, over
// the page's own dialogs (page.js).
// Quirks: a browser gives a page no paths on the user's disk. An opened or
// dropped file is copied into the in-memory file system and its path there
// is the answer; a save goes to an in-memory path, and the shell's write to it
// reaches the user as a download. The shell writes its files itself (after
// GetSaveFileNameA, or straight to the current file for a quick save), so the
// layer watches every path it gave out and, at its next entry (serviceFiles),
// hands any that was written since to the browser under the file's own name.
// A save dialog's path is emptied first: no file there then means the save
// failed, which the shell reports itself.
#include "platform/web/platform.h"

#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>

namespace {

// The in-memory file system takes long paths; the shell's buffer decides
// (a longer answer is reported through CommDlgExtendedError, as on Windows).
constexpr int kPathBuffer = 4096;

// A watched file as last seen. The safe save writes a new file and renames it
// over the old one, so a save always shows as a new inode, even within the
// second that is the in-memory file system's time resolution.
struct Seen {
    bool exists = false;
    ino_t inode = 0;
    off_t size = 0;
    time_t modified = 0;
    bool operator==(const Seen& o) const {
        return exists == o.exists && inode == o.inode && size == o.size && modified == o.modified;
    }
};
std::map<std::string, Seen> watched;  // in-memory paths given out (opened, dropped, saved) and their state
std::string lastSaveName; // the name the save dialog offers next time

EM_ASYNC_JS(int, pageMessageBox, (const char* title, const char* text, int buttons), {
    return await vornPage.messageBox(UTF8ToString(title), UTF8ToString(text), buttons);
});

// Shows the file chooser, offering the types in `accept` first (empty: any);
// the chosen file goes to /open/<name> and its path into `out`. 0 when
// cancelled or the path does not fit.
EM_ASYNC_JS(int, pageOpenFile, (const char* title, const char* accept, char* out, int size), {
    const file = await vornPage.openFile(UTF8ToString(title), UTF8ToString(accept));
    if (!file) return 0;
    const path = '/open/' + file.name;
    if (lengthBytesUTF8(path) + 1 > size) return 0;
    FS.mkdirTree('/open');
    FS.writeFile(path, file.bytes);
    stringToUTF8(path, out, size);
    return 1;
});

// Asks for a file name, offering `last`; the name goes into `out`. 0 when cancelled.
EM_ASYNC_JS(int, pageAskSaveName, (const char* title, const char* last, char* out, int size), {
    const name = await vornPage.askSaveName(UTF8ToString(title), UTF8ToString(last));
    if (!name || lengthBytesUTF8(name) + 1 > size) return 0;
    stringToUTF8(name, out, size);
    return 1;
});

// No page (the layer's tests in node): nothing to hand the file to.
EM_JS(void, pageDownload, (const char* path, const char* name), {
    if (typeof vornPage !== 'undefined') vornPage.download(UTF8ToString(name), FS.readFile(UTF8ToString(path)));
});

// Takes the oldest file dropped on the page into /dropped/<name>; 0 when none.
EM_JS(int, pageTakeDrop, (char* out, int size), {
    const file = vornPage.takeDrop();
    if (!file) return 0;
    const path = '/dropped/' + file.name;
    if (lengthBytesUTF8(path) + 1 > size) return 0;
    FS.mkdirTree('/dropped');
    FS.writeFile(path, file.bytes);
    stringToUTF8(path, out, size);
    return 1;
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

// Page dialogs are modal: the editor's input is dropped while one is open.
struct Modal {
    Modal() { ++platform::modalDepth; }
    ~Modal() { --platform::modalDepth; }
};

// A chosen name is one path component, as a download needs: no folders.
std::string downloadName(const char* name) {
    std::string cleaned;
    for (const char* p = name; *p; ++p) cleaned += (*p == '/' || *p == '\\') ? '_' : *p;
    if (cleaned == "." || cleaned == "..") cleaned = "map";
    return cleaned;
}

// The chooser's accept list for the dialog's first filter: "*.bmp;*.png"
// becomes ".bmp,.png". A filter of every file ("*.*", "*") or none gives an
// empty list; the browser's chooser still lets the user show all files, as
// Windows keeps "All Files" in the list.
std::string acceptFor(LPOPENFILENAMEA request) {
    const char* filter = request->lpstrFilter;
    if (!filter || !*filter) return "";
    const char* patterns = filter + std::strlen(filter) + 1;
    std::string accept;
    for (const char* p = patterns; *p;) {
        const char* end = std::strchr(p, ';');
        const std::string one(p, end ? static_cast<size_t>(end - p) : std::strlen(p));
        if (one.size() < 3 || one.compare(0, 2, "*.") != 0 || one == "*.*") return "";
        if (!accept.empty()) accept += ',';
        accept += one.substr(1);
        if (!end) break;
        p = end + 1;
    }
    return accept;
}

}  // namespace

void platform::watchFile(const std::string& path) { watched[path] = look(path); }

int platform::serviceFiles() {
    int delivered = 0;
    for (auto& [path, seen] : watched) {
        const Seen now = look(path);
        if (now == seen) continue;
        seen = now;
        if (!now.exists) continue;  // gone: nothing to hand over
        pageDownload(path.c_str(), path.substr(path.rfind('/') + 1).c_str());
        ++delivered;
    }
    return delivered;
}

void platform::serviceDrops() {
    if (modalDepth > 0) return;  // the page ignores drops while a dialog is open
    if (!mainWindow() || !mainWindow()->acceptFiles) {
        pageDiscardDrops();
        return;
    }
    char path[kPathBuffer];
    HDROP drop = nullptr;
    while (pageTakeDrop(path, sizeof path)) {
        if (!drop) drop = new HDROP__;
        drop->files.push_back(path);
        watchFile(path);  // the shell may save back to it (Ctrl+S)
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
    platform::dialogError = 0;
    if (!request || !request->lpstrFile || request->nMaxFile == 0) return FALSE;
    platform::serviceFiles();
    const char* title = request->lpstrTitle ? request->lpstrTitle : "Open";
    char path[kPathBuffer];
    int chosen = 0;
    {
        Modal modal;
        chosen = pageOpenFile(title, acceptFor(request).c_str(), path, sizeof path);
    }
    if (!chosen || !isFile(path) || !platform::giveDialogAnswer(request, path)) return FALSE;
    platform::watchFile(path);  // the shell may save back to it (Ctrl+S)
    return TRUE;
}

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA request) {
    platform::dialogError = 0;
    if (!request || !request->lpstrFile || request->nMaxFile == 0) return FALSE;
    platform::serviceFiles();
    char name[kPathBuffer];
    int chosen = 0;
    {
        Modal modal;
        chosen = pageAskSaveName(request->lpstrTitle ? request->lpstrTitle : "Save As", lastSaveName.c_str(), name,
                                 sizeof name);
    }
    if (!chosen || !name[0]) return FALSE;
    lastSaveName = downloadName(name);
    mkdir("/save", 0755);
    const std::string path = "/save/" + lastSaveName;
    if (!platform::giveDialogAnswer(request, path)) return FALSE;
    // A file left from an earlier save must not pass for this one.
    unlink(path.c_str());
    platform::watchFile(path);
    return TRUE;
}

