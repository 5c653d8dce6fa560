// Placement of a distance across the stroke on the gradient. Expected
// positions are worked out by hand: x = (d / h) n + o, folded by the style.
#include "gradient/GradientPlacement.h"

#include <gtest/gtest.h>

namespace {

constexpr int kRepeat = 0;
constexpr int kReflect = 1;

// clang-format off
struct PlaceCase { const char* name; double halfWidth; int repeats; double offset; int style;
                   double distance; double expected; };
// clang-format on

// clang-format off
const PlaceCase kCases[] = {
    {"centre line", 10, 1, 0, kRepeat, 0, 0},
    {"edge stays 1", 10, 1, 0, kRepeat, 10, 1},
    {"edge stays 1, reflect", 10, 1, 0, kReflect, 10, 1},
    {"quarter", 10, 1, 0, kRepeat, 2.5, 0.25},
    {"2 repeats, h/2 is 1", 10, 2, 0, kRepeat, 5, 1},
    {"2 repeats, 0.75h", 10, 2, 0, kRepeat, 7.5, 0.5},
    {"2 repeats, h is 0", 10, 2, 0, kRepeat, 10, 0},
    {"2 reflects, 0.75h", 10, 2, 0, kReflect, 7.5, 0.5},
    {"2 reflects, 0.6h", 10, 2, 0, kReflect, 6, 0.8},
    {"2 reflects, h is 0", 10, 2, 0, kReflect, 10, 0},
    {"3 reflects, h is 1", 10, 3, 0, kReflect, 10, 1},
    {"3 repeats, h is 0", 10, 3, 0, kRepeat, 10, 0},
    {"offset -0.25, repeat", 10, 1, -0.25, kRepeat, 0, 0.75},
    {"offset -0.25, reflect", 10, 1, -0.25, kReflect, 0, 0.25},
    {"offset -0.25 at the edge", 10, 1, -0.25, kRepeat, 10, 0.75},
    {"offset -2.25, repeat", 10, 1, -2.25, kRepeat, 0, 0.75},
    {"offset -2.25, reflect", 10, 1, -2.25, kReflect, 0, 0.25},
    {"offset -1.5, reflect", 10, 1, -1.5, kReflect, 0, 0.5},
    {"offset -1, repeat", 10, 1, -1, kRepeat, 0, 0},
    {"offset 0.5 inside", 10, 1, 0.5, kRepeat, 2.5, 0.75},
    {"offset 0.5 past the end", 10, 1, 0.5, kRepeat, 7.5, 0.25},
    {"offset 0.5 past the end, reflect", 10, 1, 0.5, kReflect, 7.5, 0.75},
    // Offset 5 with 10 repeats: positions run from 5 to 15.
    {"offset 5, centre, repeat", 8, 10, 5, kRepeat, 0, 0},
    {"offset 5, centre, reflect", 8, 10, 5, kReflect, 0, 1},
    {"offset 5, 6.25, repeat", 8, 10, 5, kRepeat, 1, 0.25},
    {"offset 5, 6.25, reflect", 8, 10, 5, kReflect, 1, 0.25},
    {"offset 5, 7.25, repeat", 8, 10, 5, kRepeat, 1.8, 0.25},
    {"offset 5, 7.25, reflect", 8, 10, 5, kReflect, 1.8, 0.75},
    {"offset 5, edge 15, repeat", 8, 10, 5, kRepeat, 8, 0},
    {"offset 5, edge 15, reflect", 8, 10, 5, kReflect, 8, 1},
    // Any style other than 1 repeats.
    {"unknown style repeats", 10, 1, -0.25, 7, 0, 0.75}};
// clang-format on

TEST(Placement, FoldsTheRawPosition) {
  for (const PlaceCase& c : kCases) {
    StrokeSettings s{};
    s.halfWidth = c.halfWidth;
    s.repeats = c.repeats;
    s.gradientOffset = c.offset;
    s.repeatStyle = c.style;
    // Offsets and divisions leave a few ulps of error; folds are far coarser.
    EXPECT_NEAR(PlaceOnGradient(s, c.distance), c.expected, 1e-12) << c.name;
  }
}

}  // namespace
