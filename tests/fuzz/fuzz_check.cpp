#include "fuzz/fuzz_check.h"

#include <cstdio>
#include <cstdlib>

void fuzzCheck(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}
