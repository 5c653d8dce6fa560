// AEException keeps at most 254 characters of a message; SuiteNotFound is one.
#include <gtest/gtest.h>

#include <string>

#include "Common/AEException.h"

namespace {

class AEExceptionLengthTest : public ::testing::TestWithParam<size_t> {};

TEST_P(AEExceptionLengthTest, KeepsTheFirst254Characters) {
  std::string message;
  for (size_t i = 0; i < GetParam(); ++i) {
    message.push_back(static_cast<char>('a' + i % 26));
  }
  const std::string kept = message.substr(0, 254);
  const AEException e(42, message.c_str());
  EXPECT_EQ(e.Code(), 42);
  EXPECT_EQ(std::string(e.Message()), kept);
  const AEException copy(e);
  EXPECT_EQ(std::string(copy.Message()), kept);
  AEException assigned;
  assigned = e;
  EXPECT_EQ(assigned.Code(), 42);
  EXPECT_EQ(std::string(assigned.Message()), kept);
}

INSTANTIATE_TEST_SUITE_P(Lengths, AEExceptionLengthTest,
                         ::testing::Values(0u, 1u, 253u, 254u, 255u, 256u, 300u, 1000u));

TEST(AEExceptionTest, DefaultIsCodeOneUnknownError) {
  const AEException e;
  EXPECT_EQ(e.Code(), 1);
  EXPECT_STREQ(e.Message(), "Unknown Error");
}

TEST(AEExceptionTest, SuiteNotFoundIsCaughtAsAEException) {
  try {
    throw SuiteNotFound();
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 13);
    EXPECT_STREQ(e.Message(), "Suite not found");
  }
}

}  // namespace
