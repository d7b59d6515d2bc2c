// Where the editor and its command-line tool look for their art files.
#pragma once
#include <string>
#include <vector>

// Callers: the shell's artFolders and the map tool. The folders searched for
// the art, in order, each ending in a separator: "" (the working folder), the
// folder of the program at `programPath` (its full path; empty when unknown),
// and <prefix>/share/vorngroundeditor/ when that folder is <prefix>/bin/ or
// any other folder with a parent, so a moved install still finds its art.
std::vector<std::string> artFoldersOf(const std::string& programPath);
// The first of `folders` + name that is a regular file and opens for reading,
// or ""; never waits on a FIFO or device of that name.
std::string findArtFileIn(const std::vector<std::string>& folders, const char* name);
