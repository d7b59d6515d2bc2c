#include "art_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace art {

Colour mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(Colour c, float f) { return {c.r * f, c.g * f, c.b * f}; }

PeriodicNoise::PeriodicNoise(int32_t period, int32_t cells, uint32_t seed)
    : period_(period), cells_(cells), values_(static_cast<size_t>(cells) * cells) {
    Lcg rng(seed);
    for (float& v : values_) v = rng.unit();
}

float PeriodicNoise::at(float x, float y) const {
    const float step = static_cast<float>(period_) / cells_;
    const float gx = x / step, gy = y / step;
    const float fx0 = std::floor(gx), fy0 = std::floor(gy);
    float tx = gx - fx0, ty = gy - fy0;
    tx = tx * tx * (3 - 2 * tx);  // smooth, so no creases show along lattice lines
    ty = ty * ty * (3 - 2 * ty);
    auto wrap = [this](int32_t i) { return ((i % cells_) + cells_) % cells_; };
    const int32_t x0 = wrap(static_cast<int32_t>(fx0)), x1 = wrap(static_cast<int32_t>(fx0) + 1);
    const int32_t y0 = wrap(static_cast<int32_t>(fy0)), y1 = wrap(static_cast<int32_t>(fy0) + 1);
    const float a = values_[y0 * cells_ + x0], b = values_[y0 * cells_ + x1];
    const float c = values_[y1 * cells_ + x0], d = values_[y1 * cells_ + x1];
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

Canvas::Canvas(int32_t w, int32_t h, Colour fill)
    : w_(w), h_(h), clipX1_(w), clipY1_(h), px_(static_cast<size_t>(w) * h, fill) {}

bool Canvas::inside(int32_t x, int32_t y) const {
    return x >= clipX0_ && y >= clipY0_ && x < clipX1_ && y < clipY1_;
}

void Canvas::setClip(int32_t x, int32_t y, int32_t w, int32_t h) {
    clipX0_ = std::max(0, x);
    clipY0_ = std::max(0, y);
    clipX1_ = std::min(w_, x + w);
    clipY1_ = std::min(h_, y + h);
}

void Canvas::clearClip() { setClip(0, 0, w_, h_); }

Colour Canvas::get(int32_t x, int32_t y) const {
    x = std::clamp(x, 0, w_ - 1);
    y = std::clamp(y, 0, h_ - 1);
    return px_[static_cast<size_t>(y) * w_ + x];
}

void Canvas::set(int32_t x, int32_t y, Colour c) {
    if (inside(x, y)) px_[static_cast<size_t>(y) * w_ + x] = c;
}

void Canvas::blend(int32_t x, int32_t y, Colour c, float alpha) {
    if (!inside(x, y)) return;
    Colour& p = px_[static_cast<size_t>(y) * w_ + x];
    p = mix(p, c, std::clamp(alpha, 0.0f, 1.0f));
}

void Canvas::fillRect(int32_t x, int32_t y, int32_t w, int32_t h, Colour c, float alpha) {
    for (int32_t j = y; j < y + h; ++j)
        for (int32_t i = x; i < x + w; ++i) blend(i, j, c, alpha);
}

void Canvas::frameRect(int32_t x, int32_t y, int32_t w, int32_t h, Colour c, float alpha) {
    fillRect(x, y, w, 1, c, alpha);
    fillRect(x, y + h - 1, w, 1, c, alpha);
    fillRect(x, y + 1, 1, h - 2, c, alpha);
    fillRect(x + w - 1, y + 1, 1, h - 2, c, alpha);
}

void Canvas::fillCircle(float cx, float cy, float r, Colour c, float alpha) {
    const int32_t x0 = static_cast<int32_t>(std::floor(cx - r - 1)), x1 = static_cast<int32_t>(std::ceil(cx + r + 1));
    const int32_t y0 = static_cast<int32_t>(std::floor(cy - r - 1)), y1 = static_cast<int32_t>(std::ceil(cy + r + 1));
    for (int32_t y = y0; y <= y1; ++y) {
        for (int32_t x = x0; x <= x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            const float cover = std::clamp(r - d + 0.5f, 0.0f, 1.0f);  // one pixel of soft edge
            if (cover > 0) blend(x, y, c, alpha * cover);
        }
    }
}

void Canvas::ring(float cx, float cy, float r, float thickness, Colour c, float alpha) {
    const int32_t x0 = static_cast<int32_t>(std::floor(cx - r - 1)), x1 = static_cast<int32_t>(std::ceil(cx + r + 1));
    const int32_t y0 = static_cast<int32_t>(std::floor(cy - r - 1)), y1 = static_cast<int32_t>(std::ceil(cy + r + 1));
    for (int32_t y = y0; y <= y1; ++y) {
        for (int32_t x = x0; x <= x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            const float cover = std::clamp(thickness / 2 - std::fabs(d - (r - thickness / 2)) + 0.5f, 0.0f, 1.0f);
            if (cover > 0) blend(x, y, c, alpha * cover);
        }
    }
}

void Canvas::line(float x0, float y0, float x1, float y1, float thickness, Colour c, float alpha) {
    const float minX = std::min(x0, x1) - thickness - 1, maxX = std::max(x0, x1) + thickness + 1;
    const float minY = std::min(y0, y1) - thickness - 1, maxY = std::max(y0, y1) + thickness + 1;
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = std::max(dx * dx + dy * dy, 1e-6f);
    for (int32_t y = static_cast<int32_t>(minY); y <= static_cast<int32_t>(maxY); ++y) {
        for (int32_t x = static_cast<int32_t>(minX); x <= static_cast<int32_t>(maxX); ++x) {
            const float px = x + 0.5f - x0, py = y + 0.5f - y0;
            const float t = std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f);
            const float d = std::hypot(px - t * dx, py - t * dy);
            const float cover = std::clamp(thickness / 2 - d + 0.5f, 0.0f, 1.0f);
            if (cover > 0) blend(x, y, c, alpha * cover);
        }
    }
}

void Canvas::block(int32_t x, int32_t y, int32_t w, int32_t h, Colour c, int32_t shadow) {
    fillRect(x + shadow, y + shadow, w, h, Colour{0, 0, 0}, 0.35f);
    fillRect(x, y, w, h, c);
    fillRect(x, y, w, 1, scale(c, 1.35f));
    fillRect(x, y + 1, 1, h - 1, scale(c, 1.2f));
    fillRect(x, y + h - 1, w, 1, scale(c, 0.6f));
    fillRect(x + w - 1, y + 1, 1, h - 2, scale(c, 0.7f));
}

namespace {
// 3 x 5 digits, one row per entry, bit 2 the left column.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
}  // namespace

int32_t Canvas::numberWidth(int32_t value, int32_t size) {
    int32_t digits = 1;
    for (int32_t v = value; v >= 10; v /= 10) ++digits;
    return digits * 3 * size + (digits - 1) * size;
}

void Canvas::number(int32_t x, int32_t y, int32_t value, int32_t size, Colour c) {
    const std::string text = std::to_string(value);
    for (char ch : text) {
        const uint8_t* rows = kDigits[ch - '0'];
        for (int32_t r = 0; r < 5; ++r)
            for (int32_t col = 0; col < 3; ++col)
                if (rows[r] & (4 >> col)) fillRect(x + col * size, y + r * size, size, size, c);
        x += 4 * size;
    }
}

bool Canvas::writeBmp(const std::string& path) const {
    const uint32_t imageBytes = static_cast<uint32_t>(w_) * static_cast<uint32_t>(h_) * 3;
    uint8_t header[54] = {};
    auto put32 = [&header](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54 + imageBytes);  // file size
    put32(10, 54);              // offset of the pixels
    put32(14, 40);              // information header size
    put32(18, static_cast<uint32_t>(w_));
    put32(22, static_cast<uint32_t>(h_));  // positive height: rows stored bottom-up
    header[26] = 1;                        // planes
    header[28] = 24;                       // bits per pixel
    put32(34, imageBytes);
    put32(38, 2835);  // 72 dots per inch
    put32(42, 2835);

    std::vector<uint8_t> bytes(imageBytes);  // width is a multiple of 4: rows need no filler
    size_t o = 0;
    for (int32_t y = h_ - 1; y >= 0; --y) {
        for (int32_t x = 0; x < w_; ++x) {
            const Colour& c = px_[static_cast<size_t>(y) * w_ + x];
            bytes[o++] = static_cast<uint8_t>(std::clamp(c.b + 0.5f, 0.0f, 255.0f));
            bytes[o++] = static_cast<uint8_t>(std::clamp(c.g + 0.5f, 0.0f, 255.0f));
            bytes[o++] = static_cast<uint8_t>(std::clamp(c.r + 0.5f, 0.0f, 255.0f));
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
    ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace art
