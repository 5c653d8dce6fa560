#include "cli/OptionParsing.h"

#include <cstdint>

#include "app/AppErrors.h"

namespace cli {

using app::kMaxFrame;
using app::UsageError;
namespace {

// A run of decimal digits with no sign, at most `max`; false otherwise.
bool ParseCount(const std::string& text, long long max, long long* out) {
  if (text.empty() || text.size() > 10) return false;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > max) return false;
  *out = value;
  return true;
}

bool ParseRatio(const std::string& text, PF_RationalScale* out) {
  const size_t slash = text.find('/');
  long long num = 0, den = 0;
  if (slash == std::string::npos || !ParseCount(text.substr(0, slash), INT32_MAX, &num) ||
      !ParseCount(text.substr(slash + 1), UINT32_MAX, &den) || num == 0 || den == 0) {
    return false;
  }
  out->num = static_cast<A_long>(num);
  out->den = static_cast<A_u_long>(den);
  return true;
}

}  // namespace

LayerSize ParseSize(const std::string& text) {
  const size_t x = text.find('x');
  long long w = 0, h = 0;
  if (x == std::string::npos || !ParseCount(text.substr(0, x), INT32_MAX, &w) ||
      !ParseCount(text.substr(x + 1), INT32_MAX, &h) || w == 0 || h == 0) {
    throw UsageError("--size '" + text + "': write WIDTHxHEIGHT in pixels, e.g. 1920x1080");
  }
  return {static_cast<int>(w), static_cast<int>(h)};
}

Downsample ParseDownsample(const std::string& text) {
  Downsample d;
  const size_t comma = text.find(',');
  const bool ok = comma == std::string::npos ? ParseRatio(text, &d.x) && ParseRatio(text, &d.y)
                                             : ParseRatio(text.substr(0, comma), &d.x) &&
                                                   ParseRatio(text.substr(comma + 1), &d.y);
  if (!ok) {
    throw UsageError("--downsample '" + text +
                     "': write N/D (e.g. 1/2) or NX/DX,NY/DY (e.g. 1/2,1/1) with positive numbers");
  }
  return d;
}

HostVersion ParseHostVersion(const std::string& text) {
  const size_t dot = text.find('.');
  long long major = 0, minor = 0;
  if (dot == std::string::npos || !ParseCount(text.substr(0, dot), INT16_MAX, &major) ||
      !ParseCount(text.substr(dot + 1), INT16_MAX, &minor)) {
    throw UsageError("--host-version '" + text + "': write MAJOR.MINOR, e.g. 13.28");
  }
  return {static_cast<A_short>(major), static_cast<A_short>(minor)};
}

A_long ParseAppId(const std::string& text) {
  if (text.size() != 4) {
    throw UsageError("--app-id '" + text + "': write a four-character code, e.g. KeyG");
  }
  uint32_t code = 0;
  for (char c : text) code = code << 8 | static_cast<uint8_t>(c);
  return static_cast<A_long>(code);
}

FrameRange ParseFrameRange(const std::string& text) {
  const size_t dash = text.find('-');
  long long first = 0, last = 0;
  const bool ok = dash == std::string::npos
                      ? ParseCount(text, kMaxFrame, &first) && ParseCount(text, kMaxFrame, &last)
                      : ParseCount(text.substr(0, dash), kMaxFrame, &first) &&
                            ParseCount(text.substr(dash + 1), kMaxFrame, &last);
  if (!ok || last < first) {
    throw UsageError("--frames '" + text + "': write FIRST-LAST (e.g. 0-95) or one frame number, " +
                     "from 0 to " + std::to_string(kMaxFrame) + ", FIRST not after LAST");
  }
  return {static_cast<long>(first), static_cast<long>(last)};
}

Rational ParseRate(const std::string& text) {
  const size_t slash = text.find('/');
  long long num = 0, den = 1;
  const bool ok = slash == std::string::npos
                      ? ParseCount(text, 1000, &num)
                      : ParseCount(text.substr(0, slash), 1000000, &num) &&
                            ParseCount(text.substr(slash + 1), 1000000, &den) && den > 0 &&
                            num <= 1000 * den;
  if (!ok || num == 0) {
    throw UsageError("--fps '" + text + "': write frames per second as a whole number or a " +
                     "fraction, e.g. 24, 25 or 30000/1001 (at most 1000)");
  }
  return {static_cast<long>(num), static_cast<long>(den)};
}

app::ParamAssignment ParseSetOption(const std::string& option, const app::ParamNameTable& names) {
  const size_t equals = option.find('=');
  if (equals == std::string::npos) {
    throw UsageError("--set '" + option + "': write NAME=VALUE, e.g. --set \"Line Width=35.5\"");
  }
  return app::AssignText(option.substr(0, equals), option.substr(equals + 1), names);
}

}  // namespace cli
