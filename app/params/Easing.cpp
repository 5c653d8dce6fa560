#include "app/params/Easing.h"

namespace app {
namespace {

struct EaseEntry {
  Ease ease;
  const char* name;
};

constexpr EaseEntry kEases[] = {{Ease::kLinear, "linear"},
                                {Ease::kHold, "hold"},
                                {Ease::kIn, "in"},
                                {Ease::kOut, "out"},
                                {Ease::kInOut, "in-out"}};

}  // namespace

std::optional<Ease> EaseFromName(const std::string& name) {
  for (const EaseEntry& entry : kEases) {
    if (name == entry.name) return entry.ease;
  }
  return std::nullopt;
}

const char* EaseName(Ease ease) {
  for (const EaseEntry& entry : kEases) {
    if (entry.ease == ease) return entry.name;
  }
  return "linear";
}

std::vector<std::string> EaseNameList() {
  std::vector<std::string> names;
  for (const EaseEntry& entry : kEases) names.push_back(entry.name);
  return names;
}

std::string EaseNames() {
  std::string names;
  constexpr size_t kCount = sizeof kEases / sizeof kEases[0];
  for (size_t i = 0; i < kCount; ++i) {
    if (i > 0) names += i + 1 == kCount ? " or " : ", ";
    names += kEases[i].name;
  }
  return names;
}

bool StopsOnArrival(Ease ease) { return ease == Ease::kIn || ease == Ease::kInOut; }

bool StartsFromRest(Ease ease) { return ease == Ease::kOut || ease == Ease::kInOut; }

// The cubic Hermite curve from 0 to 1 with end slopes m0 and m1:
// (s^3 - 2s^2 + s) m0 + (3s^2 - 2s^3) + (s^3 - s^2) m1.
double SegmentProgress(double s, bool rest_at_start, bool rest_at_end) {
  if (!rest_at_start && !rest_at_end) return s;  // the cubic's value, without its rounding
  const double m0 = rest_at_start ? 0.0 : 1.0;
  const double m1 = rest_at_end ? 0.0 : 1.0;
  const double s2 = s * s;
  const double s3 = s2 * s;
  return (s3 - 2.0 * s2 + s) * m0 + (3.0 * s2 - 2.0 * s3) + (s3 - s2) * m1;
}

}  // namespace app
