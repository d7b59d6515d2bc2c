// The readers under fuzzing take paths: this hands them the input as a file.
#pragma once
#include <cstddef>
#include <cstdint>

// Replaces the content of one in-memory file with the bytes and returns a
// path that opens it. The same file is reused by every call of the process.
const char* fuzzFilePath(const uint8_t* data, size_t size);

// Stops the process loudly when an invariant of a reader does not hold.
void fuzzCheck(bool holds, const char* what);

#if defined(__clang__)
// For the checks of a fuzz target: they are not what is being explored, and
// left uninstrumented they cost the fuzzer nothing.
#define VORN_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define VORN_NO_COVERAGE
#endif
