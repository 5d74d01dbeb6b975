// Number to text: the digits, rounding, widths and overflow of a Fortran runtime's fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"

namespace {

const std::string kStars(20, '*');

}  // namespace

TEST(NumberIntegers, LeftJustifiedDecimal) {
  EXPECT_EQ(AINTEGER(0), "0");
  EXPECT_EQ(AINTEGER(42), "42");
  EXPECT_EQ(AINTEGER(-7), "-7");
  EXPECT_EQ(AINTEGER(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(AINTEGER8(9000000000LL), "9000000000");
  // The widest 64-bit value still fits the 20-character field.
  EXPECT_EQ(AINTEGER8(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
  std::string eight(8, ' ');
  fixed::assign(eight, AINTEGER(1234567890));
  EXPECT_EQ(eight, "12345678");
}

TEST(NumberIntegers, LeadingZerosUpToTheDigitCount) {
  EXPECT_EQ(AINTEGERPREC0(7, 3), "007");
  EXPECT_EQ(AINTEGERPREC0(0, 3), "000");
  EXPECT_EQ(AINTEGERPREC0(1234, 3), "1234");
  EXPECT_EQ(AINTEGERPREC0(-5, 3), "-5");
  EXPECT_EQ(AINTEGERPREC0(5, 1), "5");
  EXPECT_EQ(AINTEGER8PREC0(42, 12), "000000000042");
  EXPECT_EQ(AINTEGERPREC0(0, 20), std::string(20, '0'));
}

TEST(NumberIntegers, DigitCountsOutsideTheFieldAreBounded) {
  EXPECT_EQ(AINTEGERPREC0(5, 0), "5");
  EXPECT_EQ(AINTEGERPREC0(5, -3), "5");
  EXPECT_EQ(AINTEGERPREC0(5, 1000), "00000000000000000005");
}

TEST(NumberIntegers, FixedWidthFieldsOverflowToAsterisks) {
  EXPECT_EQ(formatInteger(42, 6), "    42");
  EXPECT_EQ(formatInteger(-42, 3), "-42");
  EXPECT_EQ(formatInteger(-42, 2), "**");
  EXPECT_EQ(formatInteger(123456, 5), "*****");
  EXPECT_EQ(formatInteger(1, 0), "");
  // The diagnostics' columns keep a number too wide for them whole.
  EXPECT_EQ(rightAligned("42", 5), "   42");
  EXPECT_EQ(rightAligned("123456", 5), "123456");
}

TEST(NumberReals, SinglePrecisionDecimalsFollowTheMagnitude) {
  EXPECT_EQ(AREAL(0.005f), "0.005");
  EXPECT_EQ(AREAL(0.05f), "0.05");
  EXPECT_EQ(AREAL(123.456f), "123.5");
  EXPECT_EQ(AREAL(99999.0f), "99999.");
  EXPECT_EQ(AREAL(-0.25f), "-0.25");
  EXPECT_EQ(AREAL(2.5f), "2.5");
  EXPECT_EQ(AREAL(0.001f), "0.001");
  EXPECT_EQ(AREAL(1.0e-7f), "0.");
  // Trailing zeros go, the point stays.
  EXPECT_EQ(AREAL(10.0f), "10.");
  EXPECT_EQ(AREAL(1500.0f), "1500.");
  EXPECT_EQ(AREAL(0.0f), "0.");
  EXPECT_EQ(AREAL(1.0f), "1.");
}

TEST(NumberReals, RoundingUpAcrossAMagnitudeKeepsTheSmallerCountsDecimals) {
  EXPECT_EQ(AREAL(999.96f), "1000.");
  EXPECT_EQ(AREAL(9.9999f), "10.");
  EXPECT_EQ(AREAL(0.0099999f), "0.01");
  EXPECT_EQ(AREAL8(0.99999999999), "1.");
}

TEST(NumberReals, DoublePrecisionDecimalsFollowTheMagnitude) {
  EXPECT_EQ(AREAL8(0.1), "0.1");
  EXPECT_EQ(AREAL8(12345.678), "12345.678");
  EXPECT_EQ(AREAL8(2.0e9), "2000000000.");
  EXPECT_EQ(AREAL8(1.0 / 3.0), "0.3333333333");
  EXPECT_EQ(AREAL8(-2.5), "-2.5");
  EXPECT_EQ(AREAL8(1.0e18), "1000000000000000000.");
}

TEST(NumberReals, TooWideForTheFieldGivesAsterisks) {
  EXPECT_EQ(AREAL(1.0e30f), kStars);
  EXPECT_EQ(AREAL8(1.0e19), kStars);
  EXPECT_EQ(AREAL8(-1.0e18), kStars);
  EXPECT_EQ(AREALD8(1.0e15, 5), kStars);
}

TEST(NumberReals, FixedDecimalsKeepTheirZerosAndRoundToNearest) {
  EXPECT_EQ(AREALD(2.5f, 3), "2.500");
  EXPECT_EQ(AREALD(2.6f, 0), "3.");
  EXPECT_EQ(AREALD(0.4f, 0), "0.");
  EXPECT_EQ(AREALD8(1.005, 2), "1.00");  // 1.005 is stored a little below
  EXPECT_EQ(AREALD8(0.125, 2), "0.12");  // an exact tie goes to the even digit
  EXPECT_EQ(AREALD8(-0.001, 2), "-0.00");
  EXPECT_EQ(AREALD8(123.456, 1), "123.5");
}

TEST(NumberReals, TheZeroBeforeThePointGivesWayFirst) {
  EXPECT_EQ(AREALD(0.5f, 18), "0.500000000000000000");
  EXPECT_EQ(AREALD(0.5f, 19), ".5000000000000000000");
  EXPECT_EQ(AREALD(-0.5f, 18), "-.500000000000000000");
  EXPECT_EQ(AREALD(-0.5f, 19), kStars);
  EXPECT_EQ(AREALD(0.5f, 20), kStars);
  EXPECT_EQ(AREALD(1.5f, 19), kStars);
}

TEST(NumberReals, DecimalCountsOutsideTheFieldGiveAsterisks) {
  EXPECT_EQ(AREALD(1.0f, -1), kStars);
  EXPECT_EQ(AREALD8(1.0, 1000000), kStars);
  EXPECT_EQ(formatFixed(1.0, 3, 3), "***");
}

TEST(NumberReals, NonFiniteValues) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(AREAL8(inf), "Infinity");
  EXPECT_EQ(AREAL8(-inf), "-Infinity");
  EXPECT_EQ(AREAL8(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(formatFixed(-inf, 4, 0), "-Inf");
  EXPECT_EQ(formatFixed(inf, 2, 0), "**");
}

TEST(NumberReals, FixedFieldsOfTheFileWriters) {
  EXPECT_EQ(formatFixed(1.5, 16, 6), "        1.500000");
  EXPECT_EQ(formatFixed(-123456.25, 16, 6), "  -123456.250000");
  EXPECT_EQ(formatFixed(0.25, 4, 3), ".250");
  EXPECT_EQ(formatFixed(12345678901.0, 16, 6), "****************");
  EXPECT_EQ(formatFixed(0.0, 5, 0), "   0.");
  // Exact ties go to the even digit, the sign of a value that rounds to zero stays.
  EXPECT_EQ(formatFixed(0.375, 8, 2), "    0.38");
  EXPECT_EQ(formatFixed(-2.5, 4, 0), " -2.");
  EXPECT_EQ(formatFixed(-0.0f, 8, 3), "  -0.000");
  EXPECT_EQ(formatFixed(-0.0004f, 8, 3), "  -0.000");
  std::string row = "x,";
  appendFixed(row, 101.25f, 12, 4);
  EXPECT_EQ(row, "x,    101.2500");
  // Written in full rather than as asterisks, a too-wide value still reads as itself.
  appendFixedOrWhole(row, -12345678.9, 12, 3);
  appendFixedOrWhole(row, 0.25, 4, 3);
  EXPECT_EQ(row, "x,    101.2500-12345678.900.250");
  EXPECT_EQ(formatFixedOrWhole(2.6, 1, 0), "3.");
  EXPECT_EQ(formatFixedOrWhole(1e300, 16, 1).size(), 303u);
  EXPECT_EQ(formatFixedOrWhole(-std::numeric_limits<double>::infinity(), 2, 0), "-Infinity");
}

// The writers print single-precision elevations, chainages and n values: every such value gives
// the digits printf gives, whatever way the formatting takes.
TEST(NumberReals, SinglePrecisionFieldsMatchPrintf) {
  char expected[64];
  std::uint32_t bits = 0x3C000000u;  // from about 0.0078 up past 1e9, with every step of the mantissa
  for (int i = 0; i < 200000; ++i, bits += 2777u) {
    float f = 0.0f;
    std::memcpy(&f, &bits, sizeof f);
    for (const float x : {f, -f}) {
      for (const auto& [width, decimals] : {std::pair{12, 3}, std::pair{12, 4}, std::pair{8, 4}, std::pair{20, 9}}) {
        const int n = std::snprintf(expected, sizeof expected, "%*.*f", width, decimals, static_cast<double>(x));
        // A field too narrow has rules of its own, tested above; written in full it is printf's text.
        ASSERT_EQ(formatFixedOrWhole(x, width, decimals), expected) << x;
        if (n > width) continue;
        ASSERT_EQ(formatFixed(x, width, decimals), expected) << x;
      }
    }
  }
}
