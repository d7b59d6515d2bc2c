// The structures' sprite rectangles, shared by the frame's object drawing and
// the software picture so both draw a structure from the same pixels.
#pragma once
#include <cstdint>

// A rectangle of the sprite atlas in image pixels, y down from the top edge.
struct SpriteRect {
    int32_t x, y, w, h;
};

// Sprite rectangle of each structure kind, indexed by spriteIndex. Rows 0 and 1
// start at the same pixel (row 0 is the top-left quarter of row 1); rows 3 and 4,
// and rows 6, 7 and 10, are the same rectangle.
constexpr SpriteRect kSpriteRects[] = {
    {448, 0, 32, 32},  {448, 0, 64, 64},  {0, 0, 96, 96},    {96, 0, 96, 64},   {96, 0, 96, 64},
    {192, 0, 64, 64},  {256, 0, 64, 64},  {256, 0, 64, 64},  {320, 0, 64, 64},  {384, 0, 64, 64},
    {256, 0, 64, 64},  {0, 96, 96, 96},   {96, 64, 96, 64},  {192, 64, 96, 64}, {288, 64, 32, 32},
    {320, 64, 32, 32}, {352, 64, 32, 32}, {384, 64, 64, 64}, {448, 64, 64, 64},
};
constexpr int32_t kSpriteRowCount = static_cast<int32_t>(sizeof kSpriteRects / sizeof kSpriteRects[0]);
static_assert(kSpriteRowCount == 19, "one row per structure kind");
