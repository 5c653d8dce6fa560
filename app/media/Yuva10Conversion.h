// 8-bit ARGB rows to the 10-bit BT.709 limited-range Y, U, V and A planes of
// a ProRes 4444 frame, in one pass over each row.
//
// Why not swscale: it converts a row in several passes through buffers of
// its own (colour to 15-bit luma, to 15-bit chroma, alpha, then each plane
// down to 10 bits); one pass does a 1080p frame in a quarter of its time
// (bench_video Stage_ToProres_*: 1.9 against 7.7 ms), some 4 % of a ProRes
// render's time. The values are swscale's own, to the bit, for every colour
// and alpha (the conversion's test compares all 2^24 colours with swscale set
// up as the video sink sets it up): a file is the same whichever does the
// work, and the same on every processor (swscale picks its code by CPU).
#pragma once

#include <cstdint>

namespace app {

// Integer weights of R, G and B in each of Y, U (Cb) and V (Cr), in units
// of 2^-15 of a 14-bit sample per 8-bit step.
struct YuvWeights {
  int32_t y[3];
  int32_t u[3];
  int32_t v[3];
};

// The weights swscale derives from a YUV-to-RGB table of its own
// (sws_getCoefficients: v to red, u to blue, u to green, v to green, in
// units of 2^-16), for limited-range output.
YuvWeights LimitedRangeWeights(const int table[4]);

struct Yuva10Row {
  uint16_t* y;
  uint16_t* u;
  uint16_t* v;
  uint16_t* a;
};

// Converts `width` pixels of A, R, G, B bytes.
void ArgbToYuva10(const uint8_t* argb, int width, const YuvWeights& weights, const Yuva10Row& row);

}  // namespace app
