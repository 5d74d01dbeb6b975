// Small parsers: separated fields, the numbers of a data line, day numbers, integer checks and
// the free-format read of a line.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "utility/fixed_text.hpp"
#include "utility/parsers.hpp"

namespace {

// The items of a line as «text» for a value and «~» for a null value, blank-separated.
std::string itemsOf(const std::string& line) {
  std::string r;
  for (const FreeItem& item : freeFormatItems(line)) {
    if (!r.empty()) r += ' ';
    r += item.present ? "<" + item.text + ">" : "~";
  }
  return r;
}

}  // namespace

TEST(SeparatedFields, CountingFields) {
  std::string s = "a,b,,c";
  EXPECT_EQ(NUMBEROFSUBSTRINGS(s, ","), 4);
  std::string one = "abc";
  EXPECT_EQ(NUMBEROFSUBSTRINGS(one, ","), 1);
  std::string blank = "     ";
  EXPECT_EQ(NUMBEROFSUBSTRINGS(blank, ","), 0);
  std::string tabs = "\t\t";
  EXPECT_EQ(NUMBEROFSUBSTRINGS(tabs, ","), 0);
  std::string trailing = "a,b,";
  EXPECT_EQ(NUMBEROFSUBSTRINGS(trailing, ","), 3);
}

TEST(SeparatedFields, CountingDeletesTabsInPlaceAndKeepsTheSize) {
  std::string s = fixed::fit("a\t,b", 8);
  EXPECT_EQ(NUMBEROFSUBSTRINGS(s, ","), 2);
  EXPECT_EQ(s, "a,b     ");
}

TEST(SeparatedFields, TheSeparatorKeepsItsBlanksAndSearchesTheWholeField) {
  // A blank separator finds the padding of the field as well.
  std::string s = fixed::fit("a b", 5);
  EXPECT_EQ(NUMBEROFSUBSTRINGS(s, " "), 4);
  std::string t = "a, b,c";
  EXPECT_EQ(NUMBEROFSUBSTRINGS(t, ", "), 2);
}

TEST(SeparatedFields, LongerSeparatorsAreNotCountedInsideThemselves) {
  std::string s = "a;;;;b";
  EXPECT_EQ(NUMBEROFSUBSTRINGS(s, ";;"), 3);
  EXPECT_EQ(fixed::trimmed(SUBSTRING("a::b::c", "::", 2)), "b");
  EXPECT_EQ(fixed::trimmed(SUBSTRING("a::b::c", "::", 3)), "c");
}

TEST(SeparatedFields, NthField) {
  const std::string s = "a, b ,c";
  EXPECT_EQ(fixed::trimmed(SUBSTRING(s, ",", 1)), "a");
  EXPECT_EQ(fixed::trimmed(SUBSTRING(s, ",", 2)), "b");
  EXPECT_EQ(fixed::trimmed(SUBSTRING(s, ",", 3)), "c");
  EXPECT_EQ(fixed::trimmed(SUBSTRING(s, ",", 4)), "");
  EXPECT_EQ(fixed::trimmed(SUBSTRING(s, ",", 0)), "");
  EXPECT_EQ(fixed::trimmed(SUBSTRING(s, ",", -1)), "");
  EXPECT_EQ(fixed::trimmed(SUBSTRING("a,,c", ",", 2)), "");
  EXPECT_EQ(fixed::trimmed(SUBSTRING(fixed::fit("a,c", 40), ",", 2)), "c");
  EXPECT_EQ(fixed::trimmed(SUBSTRING("abc", "", 1)), "abc");
  EXPECT_EQ(fixed::trimmed(SUBSTRING("abc", "", 2)), "");
}

TEST(NumbersOnALine, CountsNumbersAndEmptyValues) {
  EXPECT_EQ(NUMBEROFNUMBERS("  1.5  -2.0e3 7"), 3);
  EXPECT_EQ(NUMBEROFNUMBERS("1,  ,2,   ,,3" + std::string(990, ' ')), 6);
  EXPECT_EQ(NUMBEROFNUMBERS("1,,2"), 3);
  EXPECT_EQ(NUMBEROFNUMBERS("1, ,2"), 3);
  EXPECT_EQ(NUMBEROFNUMBERS("1, 2"), 2);
  EXPECT_EQ(NUMBEROFNUMBERS(",1"), 1);
  EXPECT_EQ(NUMBEROFNUMBERS("1\t2"), 2);
  EXPECT_EQ(NUMBEROFNUMBERS(""), 0);
  EXPECT_EQ(NUMBEROFNUMBERS("      "), 0);
}

TEST(NumbersOnALine, CommentsEndTheLine) {
  EXPECT_EQ(NUMBEROFNUMBERS("1, 2 ! three"), 2);
  EXPECT_EQ(NUMBEROFNUMBERS("1.0, 2.0 ! note"), 2);
  EXPECT_EQ(NUMBEROFNUMBERS("4 5 6 # x y"), 3);
  EXPECT_EQ(NUMBEROFNUMBERS("! 1 2"), 0);
}

TEST(NumbersOnALine, KeywordLinesAreNotData) {
  EXPECT_EQ(NUMBEROFNUMBERS("12 abc"), -1);
  EXPECT_EQ(NUMBEROFNUMBERS("CUT LINE:"), 0);
  EXPECT_EQ(NUMBEROFNUMBERS("END"), -1);   // its E starts a number
  EXPECT_EQ(NUMBEROFNUMBERS("END:"), -1);
  EXPECT_EQ(NUMBEROFNUMBERS("+1"), 0);
  EXPECT_EQ(NUMBEROFNUMBERS("1 2 'x'"), -2);
}

TEST(DayNumbers, CountFromTheFirstOfJanuary2000) {
  EXPECT_EQ(NUMBEROFDAYS("20000101"), 1);
  EXPECT_EQ(NUMBEROFDAYS("20000201"), 32);
  EXPECT_EQ(NUMBEROFDAYS("20001231"), 365);
  EXPECT_EQ(NUMBEROFDAYS("20010101"), 366);
  EXPECT_EQ(NUMBEROFDAYS("20000230"), NUMBEROFDAYS("20000228"));
  EXPECT_EQ(NUMBEROFDAYS("19991231"), 0);
}

TEST(DayNumbers, UnreadableDates) {
  EXPECT_EQ(NUMBEROFDAYS("2000AB01"), -1);
  EXPECT_EQ(NUMBEROFDAYS("20001301"), -1);
  EXPECT_EQ(NUMBEROFDAYS("20000001"), -1);
  EXPECT_EQ(NUMBEROFDAYS("2000"), -1);  // the month reads as blank: 0
  EXPECT_EQ(NUMBEROFDAYS(""), -1);
  // Blanks inside an integer field are ignored, as a formatted read does.
  EXPECT_EQ(NUMBEROFDAYS("2000 1 1"), 1);
}

TEST(IntegerChecks, ReadsTheFirstItemAsAnInteger) {
  std::int32_t n = -1;
  EXPECT_TRUE(CHECKINT(" 42 ", n));
  EXPECT_EQ(n, 42);
  EXPECT_TRUE(CHECKINT("-7, 8", n));
  EXPECT_EQ(n, -7);
  EXPECT_TRUE(CHECKINT4("+3 abc", n));
  EXPECT_EQ(n, 3);
  EXPECT_TRUE(CHECKINT("2*9", n));
  EXPECT_EQ(n, 9);
}

TEST(IntegerChecks, NoIntegerLeavesTheValueAlone) {
  std::int32_t n = 5;
  for (const char* bad : {"4.2", "abc", "", "    ", "42abc", "1e3", "'42'", ", 42", "/", "-",
                          "2147483648"}) {
    EXPECT_FALSE(CHECKINT(bad, n)) << bad;
    EXPECT_EQ(n, 5) << bad;
  }
  EXPECT_TRUE(CHECKINT("-2147483648", n));
  EXPECT_EQ(n, -2147483647 - 1);
}

TEST(IntegerChecks, SixtyFourBits) {
  std::int64_t n = 0;
  EXPECT_TRUE(CHECKINT8("9000000000", n));
  EXPECT_EQ(n, 9000000000LL);
  EXPECT_TRUE(CHECKINT8("-9223372036854775808", n));
  EXPECT_FALSE(CHECKINT8("9223372036854775808", n));
  std::int32_t m = 0;
  EXPECT_FALSE(CHECKINT("9000000000", m));
}

TEST(FreeFormatItems, SeparatorsNullValuesRepeatsSlashAndQuotes) {
  const std::pair<const char*, const char*> cases[] = {
      {"1 2", "<1> <2>"},
      {"  1,2  ", "<1> <2>"},
      {"1 , 2", "<1> <2>"},
      {"1\t2", "<1> <2>"},
      {"1,,2", "<1> ~ <2>"},
      {"1, ,2", "<1> ~ <2>"},
      {", 1", "~ <1>"},
      {"1,", "<1>"},  // the end of the line after a comma is no null value
      {"", ""},
      {"2*5 3", "<5> <5> <3>"},
      {"2* 3", "~ ~ <3>"},
      {"1 / 2", "<1>"},
      {"1/2", "<1>"},
      {"'a b','it''s' \"x,y\"", "<a b> <it's> <x,y>"},
      {"3*'q'", "<q> <q> <q>"},
      {"'open", "<open>"},
      {"0*5 a*b", "<0*5> <a*b>"},
  };
  for (const auto& [line, items] : cases) EXPECT_EQ(itemsOf(line), items) << line;
  EXPECT_TRUE(freeFormatItems("'1'").front().quoted);
}

TEST(FreeFormatItems, HugeRepeatCountsAreNotExpanded) {
  const std::vector<FreeItem> items = freeFormatItems("1 999999999999*2 3");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].text, "999999999999*2");
  double v[2] = {0, 0};
  EXPECT_EQ(freeFormatReadDoubles("1 999999999999*2", 2, v), FreeReadStatus::Bad);
}

TEST(FreeFormatReals, AcceptedForms) {
  // A data line in its buffer of kTextLength characters; plain decimals are rounded as a full conversion
  // rounds them, however many digits they have.
  std::string dataLine = "     1601875.35,   16534318.10,   0.1";
  dataLine.resize(kTextLength, ' ');
  const std::pair<std::string, std::vector<double>> cases[] = {
      {"5. -.5 1.5e3 +4", {5.0, -0.5, 1500.0, 4.0}},
      {"2D-1, 1.5+3, 7E+01, 3d2", {0.2, 1500.0, 70.0, 300.0}},
      {"  1234567.125 , 98765.5 ", {1234567.125, 98765.5}},
      {"1e-400", {0.0}},
      {dataLine, {1601875.35, 16534318.10, 0.1}},
      {"123456789012345678 0.30000000000000004 -0", {123456789012345678.0, 0.30000000000000004, -0.0}},
  };
  for (const auto& [line, values] : cases) {
    std::vector<double> v(values.size());
    ASSERT_EQ(freeFormatReadDoubles(line, static_cast<int>(v.size()), v.data()), FreeReadStatus::Ok) << line;
    EXPECT_EQ(v, values) << line;
    EXPECT_EQ(std::signbit(v.back()), std::signbit(values.back())) << line;
  }
}

TEST(FreeFormatReals, ItemsThatAreNoNumber) {
  double v[2] = {0, 0};
  for (const char* bad : {"abc 1", "1.2.3 1", ". 1", "e5 1", "1e 1", "1e+ 1", "- 1", "1x 1",
                          "'1' 2", "nan 1", "inf 1", "1e400 1", "1,2e3x"}) {
    EXPECT_EQ(freeFormatReadDoubles(bad, 2, v), FreeReadStatus::Bad) << bad;
  }
}

TEST(FreeFormatReals, RunningOutAndNullValues) {
  double v[3] = {-1, -1, -1};
  EXPECT_EQ(freeFormatReadDoubles("1.5", 2, v), FreeReadStatus::RunOut);
  EXPECT_DOUBLE_EQ(v[0], 1.5);  // values before the end are stored
  EXPECT_EQ(freeFormatReadDoubles("", 1, v), FreeReadStatus::RunOut);
  EXPECT_EQ(freeFormatReadDoubles("1,,2", 2, v), FreeReadStatus::RunOut);
  EXPECT_EQ(freeFormatReadDoubles("2* 3", 1, v), FreeReadStatus::RunOut);
  EXPECT_EQ(freeFormatReadDoubles("1 / 2", 2, v), FreeReadStatus::RunOut);
  // More values than asked for are fine; the first problem decides.
  EXPECT_EQ(freeFormatReadDoubles("1 2 abc", 2, v), FreeReadStatus::Ok);
  EXPECT_EQ(freeFormatReadDoubles("1,,abc", 3, v), FreeReadStatus::RunOut);
  EXPECT_EQ(freeFormatReadDoubles("abc", 0, v), FreeReadStatus::Ok);
  ASSERT_EQ(freeFormatReadDoubles("3*2.5", 3, v), FreeReadStatus::Ok);
  EXPECT_DOUBLE_EQ(v[2], 2.5);
  ASSERT_EQ(freeFormatReadDoubles("1.5 2*4", 3, v), FreeReadStatus::Ok);  // a repeat after plain items
  EXPECT_DOUBLE_EQ(v[2], 4.0);
  std::string padded = "7, 8";
  padded.resize(kTextLength, ' ');
  EXPECT_EQ(freeFormatReadDoubles(padded, 3, v), FreeReadStatus::RunOut);
}

// Data lines are read where they stand unless they hold a repeat count; either way the values
// and the status are those of the item list.
TEST(FreeFormatReals, ReadInPlaceAgreesWithTheItemList) {
  std::mt19937 random(7);
  const char alphabet[] = "0123456789012345678901234567890123456789..eEdD+-+-     ,,,,/*\"'\ta\r";
  for (int i = 0; i < 30000; ++i) {
    std::string line;
    for (int k = static_cast<int>(random() % 24); k > 0; --k) line += alphabet[random() % (sizeof alphabet - 1)];
    if (i % 4 == 0) line.resize(kTextLength, ' ');
    const std::vector<FreeItem> items = freeFormatItems(line);
    for (int count = 1; count <= 3; ++count) {
      double expected[3] = {-7, -7, -7}, got[3] = {-7, -7, -7};
      FreeReadStatus status = FreeReadStatus::Ok;
      for (int k = 0; k < count && status == FreeReadStatus::Ok; ++k) {
        const std::size_t at = static_cast<std::size_t>(k);
        if (at >= items.size() || !items[at].present)
          status = FreeReadStatus::RunOut;
        else if (!readFreeFormatReal(items[at], expected[k]))
          status = FreeReadStatus::Bad;
      }
      ASSERT_EQ(freeFormatReadDoubles(line, count, got), status) << "[" << line << "] " << count;
      for (int k = 0; k < 3; ++k) ASSERT_EQ(std::signbit(got[k]), std::signbit(expected[k])) << line;
      for (int k = 0; k < 3; ++k) ASSERT_EQ(got[k], expected[k]) << "[" << line << "] " << count;
    }
  }
}

// A single is its text rounded once. A plain decimal read where it stands takes it from the double
// quotient of its digits, which rounds twice where that quotient is a point halfway between two
// singles: the decimals nearest such points, of at most 15 digits, catch a read that misses one.
TEST(FreeFormatReals, SinglesAreTheTextRoundedOnce) {
  double d = 0;
  float f[2] = {0, 0};
  ASSERT_EQ(freeFormatReadReals("7.1 100.000049591064453125001, 3*0.1", 1, &d, 2, f), FreeReadStatus::Ok);
  EXPECT_EQ(d, 7.1);
  EXPECT_EQ(f[0], 100.00005340576171875f);
  EXPECT_EQ(f[1], 0.1f);
  EXPECT_EQ(freeFormatReadSingles("1e39", 1, f), FreeReadStatus::Bad);  // beyond a single
  ASSERT_EQ(freeFormatReadSingles("1e-50", 1, f), FreeReadStatus::Ok);
  EXPECT_EQ(f[0], 0.0f);

  std::mt19937 random(11);
  int roundedTwice = 0;
  for (int i = 0; i < 50000; ++i) {
    // A single in [1, 2^20) and the point halfway to the next one, both exact as doubles.
    const float low = std::ldexp(static_cast<float>((1 << 23) + random() % (1 << 23)), static_cast<int>(random() % 20) - 23);
    const double half = (static_cast<double>(low) + static_cast<double>(std::nextafter(low, 2e6f))) / 2;
    const int wholeDigits = static_cast<int>(std::to_string(static_cast<long>(half)).size());
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", 15 - wholeDigits, half);
    float once = 0;
    std::from_chars(text, text + std::strlen(text), once);
    ASSERT_EQ(freeFormatReadSingles(text, 1, f), FreeReadStatus::Ok);
    ASSERT_EQ(f[0], once) << text;
    if (static_cast<float>(std::strtod(text, nullptr)) != once) ++roundedTwice;
  }
  EXPECT_GT(roundedTwice, 0) << "the cases that a read by way of a double gets wrong were met";
}

TEST(FreeFormatReals, OneItem) {
  double x = 0;
  FreeItem item;
  EXPECT_FALSE(readFreeFormatReal(item, x));  // a null value
  item.present = true;
  item.text = "-12.5";
  EXPECT_TRUE(readFreeFormatReal(item, x));
  EXPECT_DOUBLE_EQ(x, -12.5);
  item.quoted = true;
  EXPECT_FALSE(readFreeFormatReal(item, x));
}
