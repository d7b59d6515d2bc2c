// The program's own random generator as a value: each user keeps an instance,
// so that drawing for one (a scatter stroke) never moves another's sequence
// (the height field's).
#pragma once
#include <cstdint>

// Linear congruential generator: state = state * 214013 + 2531011 (mod 2^32),
// a draw is bits 16..30 of the new state (0..32767). Never the C library's
// rand, whose sequence differs between platforms.
struct LcgRandom {
    uint32_t state = 0;

    void seed(uint32_t s) { state = s; }
    int32_t draw() {
        state = state * 214013u + 2531011u;  // wraps mod 2^32
        return static_cast<int32_t>((state >> 16) & 0x7FFFu);
    }
};
