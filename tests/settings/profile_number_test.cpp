#include "settings/profile_number.h"

#include <gtest/gtest.h>

#include <string>

namespace dbt {
namespace {

TEST(RoundedProfileNumber, EmptyOrBlankTextHasNoValue) {
  EXPECT_FALSE(RoundedProfileNumber(""));
  EXPECT_FALSE(RoundedProfileNumber("   "));
  EXPECT_FALSE(RoundedProfileNumber(std::string(" \0 ", 3)));
}

TEST(RoundedProfileNumber, ReadsTheLeadingDecimalNumber) {
  EXPECT_EQ(RoundedProfileNumber(" 120 "), 120);
  EXPECT_EQ(RoundedProfileNumber("-8"), -8);
  EXPECT_EQ(RoundedProfileNumber("+7"), 7);
  EXPECT_EQ(RoundedProfileNumber("34px"), 34);
  EXPECT_EQ(RoundedProfileNumber("0"), 0);
  // A text that begins with no number has a value, and it is 0.
  EXPECT_EQ(RoundedProfileNumber("x12"), 0);
  EXPECT_EQ(RoundedProfileNumber("-"), 0);
  EXPECT_EQ(RoundedProfileNumber("- 5"), 0);
}

TEST(RoundedProfileNumber, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundedProfileNumber("12.5"), 12);
  EXPECT_EQ(RoundedProfileNumber("13.5"), 14);
  EXPECT_EQ(RoundedProfileNumber("-12.5"), -12);
  EXPECT_EQ(RoundedProfileNumber("-13.5"), -14);
  EXPECT_EQ(RoundedProfileNumber("12.50000000000000000001"), 13);
  EXPECT_EQ(RoundedProfileNumber("12.49999999999999999999"), 12);
  EXPECT_EQ(RoundedProfileNumber("12.6"), 13);
  EXPECT_EQ(RoundedProfileNumber("0.5"), 0);
  EXPECT_EQ(RoundedProfileNumber(".5"), 0);
  EXPECT_EQ(RoundedProfileNumber(".51"), 1);
  EXPECT_EQ(RoundedProfileNumber("7."), 7);
}

TEST(RoundedProfileNumber, ClampsToTheSigned32BitRange) {
  EXPECT_EQ(RoundedProfileNumber("2147483647"), 2147483647);
  EXPECT_EQ(RoundedProfileNumber("2147483647.5"), 2147483647);
  EXPECT_EQ(RoundedProfileNumber("2147483648"), 2147483647);
  EXPECT_EQ(RoundedProfileNumber("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(RoundedProfileNumber("-2147483649"), -2147483647 - 1);
  EXPECT_EQ(RoundedProfileNumber("99999999999999999999999999"), 2147483647);
}

TEST(DigitsOnlyNumber, KeepsOnlyTheDigits) {
  EXPECT_EQ(DigitsOnlyNumber(" 1 "), 1);
  EXPECT_EQ(DigitsOnlyNumber("-1"), 1);
  EXPECT_EQ(DigitsOnlyNumber("1,0"), 10);
  EXPECT_EQ(DigitsOnlyNumber("x"), 0);
  EXPECT_EQ(DigitsOnlyNumber(""), 0);
  EXPECT_EQ(DigitsOnlyNumber("99999999999"), 2147483647);
}

}  // namespace
}  // namespace dbt
