// The art search, shared by the editor and the map tool so both draw a map
// from the same files.
#include "files/art_search.h"

#include "files/file_read.h"

namespace {
bool isSeparator(char c) { return c == '/' || c == '\\'; }
}  // namespace

std::vector<std::string> artFoldersOf(const std::string& programPath) {
    std::vector<std::string> folders{""};
    std::string dir = programPath;
    while (!dir.empty() && !isSeparator(dir.back())) dir.pop_back();
    if (dir.empty()) return folders;
    folders.push_back(dir);
    const char sep = dir.back();
    // <prefix>/bin/ -> <prefix>/share/vorngroundeditor/.
    std::string prefix = dir;
    while (!prefix.empty() && isSeparator(prefix.back())) prefix.pop_back();
    while (!prefix.empty() && !isSeparator(prefix.back())) prefix.pop_back();
    if (!prefix.empty()) folders.push_back(prefix + "share" + sep + "vorngroundeditor" + sep);
    return folders;
}

std::string findArtFileIn(const std::vector<std::string>& folders, const char* name) {
    for (const std::string& folder : folders)
        // Regular files only, probed without waiting: a FIFO named like the
        // art (nobody writing to it) would hold up the first frame.
        if (isReadableRegularFile((folder + name).c_str())) return folder + name;
    return std::string();
}
