// Visits every integer pixel of a triangle once through the callback's Plot.
// Pixel (x, y) is visited when y0 < y <= y2 (y0 the smallest vertex y, y2 the
// largest) and floor(left edge x at y) < x <= floor(right edge x at y): the
// top scanline and the left boundary are left out, the bottom scanline and
// the right boundary are in, so triangles sharing an edge never visit a pixel
// twice.
#pragma once

#include <cstdint>

class ScanCallBack;

void FillTriangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  ScanCallBack& callback);
