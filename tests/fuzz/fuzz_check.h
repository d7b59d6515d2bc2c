// What the fuzz targets share: a loud stop when a reader breaks an invariant.
#pragma once

// Stops the process loudly when an invariant of a reader does not hold.
void fuzzCheck(bool holds, const char* what);

#if defined(__clang__)
// For the checks of a fuzz target: they are not what is being explored and
// only read the target's own buffers, so they go without coverage and
// sanitizer checks, which made them cost as much as the reader itself.
#define VORN_UNINSTRUMENTED __attribute__((no_sanitize("coverage", "address", "undefined")))
#else
#define VORN_UNINSTRUMENTED
#endif
