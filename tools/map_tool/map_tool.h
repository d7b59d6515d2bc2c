// vorn-map: the map operations without the editor's window, for scripts.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// Callers: the vorn-map executable and the tool's tests. Runs one command
// line (args without the program's name); `programPath` is the program's own
// path for the art search ("" when unknown). Writes results to `out` and every
// error to `err`. Returns the exit code: 0 done (check: no problem found),
// 1 check found a problem, 2 a usage error or a file that cannot be read or
// written; on 2 no output file is made or changed.
int runMapTool(const std::vector<std::string>& args, const std::string& programPath, FILE* out, FILE* err);
