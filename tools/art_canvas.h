// A small RGB canvas with the drawing steps the art needs, a reproducible
// random generator, periodic noise, a 3 x 5 digit font and the BMP writer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace art {

struct Colour {
    float r, g, b;  // 0..255
};
Colour mix(Colour a, Colour b, float t);  // a at t = 0, b at t = 1
Colour scale(Colour c, float f);          // brightness factor

// Linear congruential generator, so every build draws the same art.
class Lcg {
public:
    explicit Lcg(uint32_t seed) : state_(seed) {}
    uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    float unit() { return static_cast<float>(next() & 0xFFFF) / 65536.0f; }  // [0, 1)
    int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint32_t>(n)); }

private:
    uint32_t state_;
};

// Value noise that repeats every `period` pixels in x and y, with `cells`
// lattice cells per period; values in [0, 1].
class PeriodicNoise {
public:
    PeriodicNoise(int32_t period, int32_t cells, uint32_t seed);
    float at(float x, float y) const;

private:
    int32_t period_;
    int32_t cells_;
    std::vector<float> values_;
};

class Canvas {
public:
    Canvas(int32_t w, int32_t h, Colour fill);
    int32_t width() const { return w_; }
    int32_t height() const { return h_; }
    Colour get(int32_t x, int32_t y) const;
    // Drawing clips to the canvas and, when set, to the clip rectangle.
    void setClip(int32_t x, int32_t y, int32_t w, int32_t h);
    void clearClip();
    void set(int32_t x, int32_t y, Colour c);
    void blend(int32_t x, int32_t y, Colour c, float alpha);
    void fillRect(int32_t x, int32_t y, int32_t w, int32_t h, Colour c, float alpha = 1.0f);
    void frameRect(int32_t x, int32_t y, int32_t w, int32_t h, Colour c, float alpha = 1.0f);
    void fillCircle(float cx, float cy, float r, Colour c, float alpha = 1.0f);
    void ring(float cx, float cy, float r, float thickness, Colour c, float alpha = 1.0f);
    void line(float x0, float y0, float x1, float y1, float thickness, Colour c, float alpha = 1.0f);
    // A raised block lit from the top left: shadow, body, light and dark rims.
    void block(int32_t x, int32_t y, int32_t w, int32_t h, Colour c, int32_t shadow = 3);
    // Digits of a number in the 3 x 5 font, each font pixel `size` pixels wide.
    void number(int32_t x, int32_t y, int32_t value, int32_t size, Colour c);
    static int32_t numberWidth(int32_t value, int32_t size);
    // 24-bit BMP: 54-byte header, rows bottom-up, blue-green-red.
    bool writeBmp(const std::string& path) const;

private:
    bool inside(int32_t x, int32_t y) const;
    int32_t w_, h_;
    int32_t clipX0_ = 0, clipY0_ = 0, clipX1_ = 0, clipY1_ = 0;
    std::vector<Colour> px_;
};

}  // namespace art
