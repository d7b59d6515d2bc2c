// The editor's name: the window's class and title, every message box's
// caption, and the program name its usage and error messages start with.
#pragma once

#include <string>

constexpr char kTitle[] = "VornGroundEditor";

// Caller: refreshTitle, with the title it built (the file's name comes from
// the user's file system, in any bytes). Returns the text as valid UTF-8 that
// fits on one line: each byte that does not start a well-formed sequence
// (overlong forms, surrogates, code points past U+10FFFF, a sequence cut
// short) becomes U+FFFD, one per maximal ill-formed part as browsers decode;
// control characters (U+0000..U+001F, U+007F, U+0080..U+009F) become spaces.
// A host's title call may drop a title that is not UTF-8 and keep the old one.
std::string titleSafeText(const std::string& text);
