/* Preloaded into the editor for the figures only: records the monotonic time
 * of every buffer swap and writes them, one a line in seconds, to the file
 * named by VORN_E2E_SWAPLOG when the process exits. The editor itself is not
 * changed; the swap goes on to SDL as before. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

enum { kMaxSwaps = 1 << 18 };
static double swapTimes[kMaxSwaps]; /* CLOCK_MONOTONIC seconds of each swap */
static int swapCount;               /* swaps recorded so far */

void SDL_GL_SwapWindow(void* window) {
    static void (*real)(void*);
    if (!real) real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (swapCount < kMaxSwaps) swapTimes[swapCount++] = now.tv_sec + now.tv_nsec * 1e-9;
    real(window);
}

__attribute__((destructor)) static void writeSwapLog(void) {
    const char* path = getenv("VORN_E2E_SWAPLOG");
    if (!path) return;
    FILE* f = fopen(path, "w");
    if (!f) return;
    for (int i = 0; i < swapCount; ++i) fprintf(f, "%.6f\n", swapTimes[i]);
    fclose(f);
}
