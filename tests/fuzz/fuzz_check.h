// What the fuzz targets share: a loud stop when a reader breaks an invariant.
#pragma once

// Stops the process loudly when an invariant of a reader does not hold.
void fuzzCheck(bool holds, const char* what);

#if defined(__clang__)
// For the checks of a fuzz target: they are not what is being explored, and
// left uninstrumented they cost the fuzzer nothing.
#define VORN_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define VORN_NO_COVERAGE
#endif
