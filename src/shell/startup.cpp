// Start-up pieces WinMain calls before its loop: answering --help and
// --version, finding and loading the art, and the map named on the command
// line. Platform-neutral: the program's own folder comes from
// GetModuleFileNameA, files are probed as the file readers open them.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/art_search.h"
#include "files/file_read.h"
#include "files/map_file.h"
#include "files/map_image.h"
#include "files/texture_image.h"
#include "shell/command_line.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/startup.h"
#include "shell/title.h"

namespace {

// Writes text to a stream; a program without a console (a Windows GUI
// program started from a desktop) has a stream that takes nothing, so the
// text goes into a message box instead.
void say(const std::string& text, FILE* out, UINT icon) {
    const bool written = out && std::fputs(text.c_str(), out) >= 0 && std::fflush(out) == 0 && !std::ferror(out);
    if (!written) MessageBoxA(nullptr, text.c_str(), kTitle, MB_OK | icon);
}

}  // namespace

int answerStartOptions(const StartOptions& options, FILE* out, FILE* err) {
    switch (options.action) {
    case StartOptions::Action::Run: return -1;
    case StartOptions::Action::Help: say(usageText(), out, 0); return 0;
    case StartOptions::Action::Version: say(versionText(), out, 0); return 0;
    case StartOptions::Action::Wrong: break;
    }
    say(std::string(kTitle) + ": " + options.problem + "\n\n" + usageText(), err, MB_ICONERROR);
    return 2;
}

std::vector<std::string> artFolders() {
    // Longer than MAX_PATH: Linux paths may be; a truncated answer is no folder.
    char exe[4096];
    const DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) return artFoldersOf(std::string());
    return artFoldersOf(std::string(exe, n));
}

std::string findArtFile(const char* name) { return findArtFileIn(artFolders(), name); }

void loadArt(HWND window) {
    struct Art { const char* name; unsigned* texture; std::vector<uint8_t>* image; };
    const Art art[] = {{"tex1.bmp", &textureNames.tileAtlas, &atlasImages.tiles},
                       {"structures.bmp", &textureNames.spriteAtlas, &atlasImages.sprites}};
    std::string missing, refused;
    std::vector<uint8_t> pixels;
    for (const Art& a : art) {
        const std::string path = findArtFile(a.name);
        std::string reason;
        *a.texture = path.empty() ? 0 : loadTextureImage(path.c_str(), 1, &pixels, &reason);
        // Kept for Ctrl+E, whose picture must show this very art.
        a.image->clear();
        if (*a.texture != 0 && !pixels.empty()) atlasImageFromPixels(pixels.data(), *a.image);
        // An image of the wrong size is drawn as a missing one, and said with its size.
        if (!reason.empty()) refused += std::string(refused.empty() ? "" : "\n") + reason;
        else if (*a.texture == 0) missing += std::string(missing.empty() ? "" : ", ") + a.name;
    }
    if (!refused.empty()) MessageBoxA(window, refused.c_str(), kTitle, MB_OK | MB_ICONERROR);
    if (missing.empty()) return;
    std::string text = "Could not find or read the editor's art: " + missing + ".\n\nLooked in:\n";
    for (const std::string& folder : artFolders())
        text += "  " + (folder.empty() ? std::string("the working folder") : folder) + "\n";
    text += "\nThe editor runs on without it.";
    MessageBoxA(window, text.c_str(), kTitle, MB_OK | MB_ICONERROR);
}

bool openStartMap(HWND window, const char* path) {
    if (!path || !*path) return true;
    // The same load as key O: one undo step, and the file becomes current.
    // A map recovered just before is unsaved: the usual question first.
    return confirmReplaceUnsaved(window) && openMapFile(window, path);
}
