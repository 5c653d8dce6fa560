// Sizes, downsample factors, host versions and application codes as typed.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/AppErrors.h"
#include "app/OptionParsing.h"

namespace {

std::string Ratio(const PF_RationalScale& r) { return std::to_string(r.num) + "/" + std::to_string(r.den); }

// What an option's text reads as, written back; "" when it is refused with a
// usage error naming the option and the text.
std::string Read(const std::string& option, const std::string& text) {
  try {
    if (option == "--size") return std::to_string(app::ParseSize(text).width) + "x" + std::to_string(app::ParseSize(text).height);
    if (option == "--downsample") return Ratio(app::ParseDownsample(text).x) + "," + Ratio(app::ParseDownsample(text).y);
    if (option == "--host-version") {
      return std::to_string(app::ParseHostVersion(text).major) + " minor " + std::to_string(app::ParseHostVersion(text).minor);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(app::ParseAppId(text)));
    return hex;
  } catch (const app::UsageError& error) {
    EXPECT_NE(std::string(error.what()).find(option + " '" + text + "'"), std::string::npos) << error.what();
    return "";
  }
}

TEST(OptionText, ReadsAsMeantOrIsRefusedNamingTheOption) {
  const struct { const char* option; const char* text; const char* expected; } cases[] = {
      {"--size", "1920x1080", "1920x1080"}, {"--size", "1x1", "1x1"}, {"--size", "40000x2", "40000x2"},
      {"--size", "1920", ""}, {"--size", "0x10", ""}, {"--size", "-5x10", ""}, {"--size", "10x10x10", ""},
      {"--size", "1920X1080", ""}, {"--downsample", "1/2", "1/2,1/2"}, {"--downsample", "1/1", "1/1,1/1"},
      {"--downsample", "1/2,1/1", "1/2,1/1"}, {"--downsample", "2/3,1/4", "2/3,1/4"}, {"--downsample", "1/0", ""},
      {"--downsample", "0/2", ""}, {"--downsample", "1/2,", ""}, {"--downsample", "-1/2", ""},
      {"--downsample", "0.5", ""},
      // The minor version is a whole number, not a decimal fraction.
      {"--host-version", "13.28", "13 minor 28"}, {"--host-version", "13.2", "13 minor 2"},
      {"--host-version", "11.0", "11 minor 0"}, {"--host-version", "13", ""}, {"--host-version", "x.1", ""},
      {"--host-version", "13.2.1", ""},
      // The first character goes in the top byte.
      {"--app-id", "KeyG", "0x4B657947"}, {"--app-id", "PrMr", "0x50724D72"}, {"--app-id", "Key", ""},
      {"--app-id", "KeyGG", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.text);
    EXPECT_EQ(Read(c.option, c.text), c.expected);
  }
}

}  // namespace
