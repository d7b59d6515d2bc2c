// The status line along the bottom of the client area: what is under the
// cursor and the size of what is being drawn, as text built from the
// program's records. Plain text and arithmetic; the frame draws it.
#pragma once
#include <cstdint>
#include <string>

// The strip's height in pixels.
constexpr int32_t kStatusLineHeight = 16;

// Caller: drawFrame, after its preview step (the fill's count is that
// step's), while the line is on; and the tests. `out` becomes the line for
// the last mouse position in a w x h client area: fields two blanks apart,
// each from one entry of the field list in status_line.cpp, in its order:
// the point's (`point PX,PY  cell X,Y  tile T  kind K (name)  height H`, or
// `outside the map`), then whichever of `line N points`, `rectangle W x H
// points`, `selection W x H points`, `stamp W x H`, `region N points` and
// `fill N points` apply, while symmetry is on `unlike their image: N` (and
// with a mission's objects `objects without twin: M`), last `zoom Z%`. The bucket's counts come from the
// lattice's regions, found again only when the lattice changed, so a new
// point under the cursor costs a look-up.
void buildStatusText(int32_t w, int32_t h, std::string& out);

// The text the last frame showed on the status line, "" while the line is
// off. drawFrame writes it; the browser host copies it into the page.
extern std::string shownStatusText;
