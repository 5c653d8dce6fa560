// Sizes, downsample factors, host versions and application codes as typed.
#include <gtest/gtest.h>

#include "app/AppErrors.h"
#include "app/OptionParsing.h"

namespace {

struct SizeCase {
  const char* text;
  int width;
  int height;
};

class SizeOption : public testing::TestWithParam<SizeCase> {};

TEST_P(SizeOption, ReadsWidthAndHeight) {
  const app::LayerSize size = app::ParseSize(GetParam().text);
  EXPECT_EQ(size.width, GetParam().width);
  EXPECT_EQ(size.height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Table, SizeOption,
                         testing::Values(SizeCase{"1920x1080", 1920, 1080}, SizeCase{"1x1", 1, 1},
                                         SizeCase{"40000x2", 40000, 2}));

struct DownsampleCase {
  const char* text;
  A_long xn;
  A_u_long xd;
  A_long yn;
  A_u_long yd;
};

class DownsampleOption : public testing::TestWithParam<DownsampleCase> {};

TEST_P(DownsampleOption, ReadsBothFactors) {
  const DownsampleCase& c = GetParam();
  const app::Downsample d = app::ParseDownsample(c.text);
  EXPECT_EQ(d.x.num, c.xn);
  EXPECT_EQ(d.x.den, c.xd);
  EXPECT_EQ(d.y.num, c.yn);
  EXPECT_EQ(d.y.den, c.yd);
}

INSTANTIATE_TEST_SUITE_P(Table, DownsampleOption,
                         testing::Values(DownsampleCase{"1/2", 1, 2, 1, 2},
                                         DownsampleCase{"1/1", 1, 1, 1, 1},
                                         DownsampleCase{"1/2,1/1", 1, 2, 1, 1},
                                         DownsampleCase{"2/3,1/4", 2, 3, 1, 4}));

TEST(HostVersionOption, MinorIsAWholeNumberNotADecimalFraction) {
  const app::HostVersion v = app::ParseHostVersion("13.28");
  EXPECT_EQ(v.major, 13);
  EXPECT_EQ(v.minor, 28);
  const app::HostVersion w = app::ParseHostVersion("13.2");
  EXPECT_EQ(w.minor, 2);
  const app::HostVersion old = app::ParseHostVersion("11.0");
  EXPECT_EQ(old.major, 11);
  EXPECT_EQ(old.minor, 0);
}

TEST(AppIdOption, PutsTheFirstCharacterInTheTopByte) {
  EXPECT_EQ(app::ParseAppId("KeyG"), 0x4B657947);
  EXPECT_EQ(app::ParseAppId("PrMr"), 0x50724D72);
}

struct BadOptionCase {
  const char* what;
  const char* text;
};

class BadOptionText : public testing::TestWithParam<BadOptionCase> {};

TEST_P(BadOptionText, IsAUsageErrorNamingTheOption) {
  const BadOptionCase& c = GetParam();
  const std::string option = c.what;
  try {
    if (option == "--size") app::ParseSize(c.text);
    if (option == "--downsample") app::ParseDownsample(c.text);
    if (option == "--host-version") app::ParseHostVersion(c.text);
    if (option == "--app-id") app::ParseAppId(c.text);
    FAIL() << option << " accepted '" << c.text << "'";
  } catch (const app::UsageError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(option + " '" + c.text + "'"), std::string::npos) << message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadOptionText,
    testing::Values(BadOptionCase{"--size", "1920"}, BadOptionCase{"--size", "0x10"},
                    BadOptionCase{"--size", "-5x10"}, BadOptionCase{"--size", "10x10x10"},
                    BadOptionCase{"--size", "1920X1080"}, BadOptionCase{"--downsample", "1/0"},
                    BadOptionCase{"--downsample", "0/2"}, BadOptionCase{"--downsample", "1/2,"},
                    BadOptionCase{"--downsample", "-1/2"}, BadOptionCase{"--downsample", "0.5"},
                    BadOptionCase{"--host-version", "13"}, BadOptionCase{"--host-version", "x.1"},
                    BadOptionCase{"--host-version", "13.2.1"}, BadOptionCase{"--app-id", "Key"},
                    BadOptionCase{"--app-id", "KeyGG"}));

}  // namespace
