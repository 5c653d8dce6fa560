// Sizes, downsample factors, host versions, application codes, frame ranges,
// rates and frame patterns as typed.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/AppErrors.h"
#include "app/media/FramePattern.h"
#include "cli/OptionParsing.h"

namespace {

std::string Ratio(const PF_RationalScale& r) {
  return std::to_string(r.num) + "/" + std::to_string(r.den);
}

// What an option's text reads as, written back; "" when it is refused with a
// usage error naming the option and the text.
std::string Read(const std::string& option, const std::string& text) {
  try {
    if (option == "--size")
      return std::to_string(cli::ParseSize(text).width) + "x" +
             std::to_string(cli::ParseSize(text).height);
    if (option == "--downsample")
      return Ratio(cli::ParseDownsample(text).x) + "," + Ratio(cli::ParseDownsample(text).y);
    if (option == "--host-version") {
      return std::to_string(cli::ParseHostVersion(text).major) + " minor " +
             std::to_string(cli::ParseHostVersion(text).minor);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(cli::ParseAppId(text)));
    return hex;
  } catch (const app::UsageError& error) {
    EXPECT_NE(std::string(error.what()).find(option + " '" + text + "'"), std::string::npos)
        << error.what();
    return "";
  }
}

TEST(OptionText, ReadsAsMeantOrIsRefusedNamingTheOption) {
  // clang-format off
  const struct { const char* option; const char* text; const char* expected; } cases[] = {
      {"--size", "1920x1080", "1920x1080"},
      {"--size", "1x1", "1x1"},
      {"--size", "40000x2", "40000x2"},
      {"--size", "1920", ""},
      {"--size", "0x10", ""},
      {"--size", "-5x10", ""},
      {"--size", "10x10x10", ""},
      {"--size", "1920X1080", ""},
      {"--downsample", "1/2", "1/2,1/2"},
      {"--downsample", "1/1", "1/1,1/1"},
      {"--downsample", "1/2,1/1", "1/2,1/1"},
      {"--downsample", "2/3,1/4", "2/3,1/4"},
      {"--downsample", "1/0", ""},
      {"--downsample", "0/2", ""},
      {"--downsample", "1/2,", ""},
      {"--downsample", "-1/2", ""},
      {"--downsample", "0.5", ""},
      // The minor version is a whole number, not a decimal fraction.
      {"--host-version", "13.28", "13 minor 28"},
      {"--host-version", "13.2", "13 minor 2"},
      {"--host-version", "11.0", "11 minor 0"},
      {"--host-version", "13", ""},
      {"--host-version", "x.1", ""},
      {"--host-version", "13.2.1", ""},
      // The first character goes in the top byte.
      {"--app-id", "KeyG", "0x4B657947"},
      {"--app-id", "PrMr", "0x50724D72"},
      {"--app-id", "Key", ""},
      {"--app-id", "KeyGG", ""}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.text);
    EXPECT_EQ(Read(c.option, c.text), c.expected);
  }
}

}  // namespace

namespace {

// Frame ranges, rates and frame patterns: what they read as, or "!" when
// refused (with a message naming the option or the text).
std::string ReadTime(const std::string& option, const std::string& text) {
  try {
    if (option == "--frames") {
      const app::FrameRange r = cli::ParseFrameRange(text);
      return std::to_string(r.first) + ".." + std::to_string(r.last);
    }
    if (option == "--fps")
      return std::to_string(cli::ParseRate(text).num) + "/" +
             std::to_string(cli::ParseRate(text).den);
    const app::FramePattern pattern(text);
    return pattern.HasField() ? pattern.FileFor(7) + " " + pattern.FileFor(12345)
                              : "still " + pattern.FileFor(7);
  } catch (const app::UsageError& error) {
    EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
    return "!";
  }
}

TEST(TimeOptionText, RangesRatesAndPatterns) {
  // clang-format off
  const struct { const char *option, *text, *expected; } cases[] = {
      {"--frames", "0-95", "0..95"},
      {"--frames", "12", "12..12"},
      {"--frames", "5-5", "5..5"},
      {"--frames", "9999999", "9999999..9999999"},
      {"--frames", "10000000", "!"},
      {"--frames", "9-3", "!"},
      {"--frames", "-3", "!"},
      {"--frames", "1-", "!"},
      {"--frames", "a-b", "!"},
      {"--frames", "", "!"},
      {"--fps", "24", "24/1"},
      {"--fps", "30000/1001", "30000/1001"},
      {"--fps", "1000", "1000/1"},
      {"--fps", "1001", "!"},
      {"--fps", "0", "!"},
      {"--fps", "25/0", "!"},
      {"--fps", "29.97", "!"},
      // Patterns: %d, zero-padded %0Nd and runs of #; numbers longer than the
      // padding are written whole.
      {"pattern", "shot.%04d.png", "shot.0007.png shot.12345.png"},
      {"pattern", "f%d.exr", "f7.exr f12345.exr"},
      {"pattern", "dir/s_####.tif", "dir/s_0007.tif dir/s_12345.tif"},
      {"pattern", "#.png", "7.png 12345.png"},
      {"pattern", "a%%b.%02d.png", "a%b.07.png a%b.12345.png"},
      {"pattern", "plain.png", "still plain.png"},
      {"pattern", "100%.png", "still 100%.png"},
      {"pattern", "x%4d.png", "still x%4d.png"},
      {"pattern", "a.%04d.##.png", "!"},
      {"pattern", "%d_%d.png", "!"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.text);
    EXPECT_EQ(ReadTime(c.option, c.text), c.expected);
  }
}

}  // namespace
