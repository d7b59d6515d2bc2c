// How the file readers and savers say why they failed: one convention for
// all of them, and for their callers.
//
// A reader or saver that can fail for a reason a person should read takes a
// last parameter `std::string* reason` (null: no words wanted) and says
// whether it succeeded in its result. When it fails for such a reason it puts
// the words there, for a message box or a line on standard error: the
// system's own for an error of the system ("No such file or directory"), the
// editor's for a file it refuses ("The grey bitmap must be 128 x 128 pixels;
// this image is 256 x 256."). A failure without words leaves it empty: the
// readers of the mission and the images pass over a file that cannot be
// opened in silence, and the caller decides what to say. The text is the
// caller's to read after a failure only.
#pragma once
#include <string>

// Callers: the readers and savers. Empties `reason`: no words.
inline void clearReason(std::string* reason) {
    if (reason) reason->clear();
}
// Callers: the readers and savers, failing. Puts `words` in `reason`;
// returns false, the failure.
inline bool failBecause(std::string* reason, const std::string& words) {
    if (reason) *reason = words;
    return false;
}
