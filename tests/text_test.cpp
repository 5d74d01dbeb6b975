// Text tests and cleaning: the tests that classify lines and the filters that clean them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "tests/test_support.hpp"
#include "utility/fixed_text.hpp"
#include "utility/text.hpp"

namespace {

// A field of declared length n holding text.
std::string field(const std::string& text, std::size_t n) { return fixed::fit(text, n); }

}  // namespace

TEST(TextFilters, LeadingBlanksGoButATabIsText) {
  EXPECT_EQ(fixed::trimmed(TRIMF("   abc")), "abc");
  EXPECT_EQ(fixed::trimmed(TRIMF("\t abc")), "\t abc");
  EXPECT_TRUE(fixed::isBlank(TRIMF(field("", 30))));
  // Only code 32 pads: a TAB or NUL at the end is kept.
  EXPECT_EQ(fixed::trimmed(TRIMF(std::string(" a\t"))), "a\t");
  EXPECT_EQ(fixed::trimmed(TRIMF(std::string(" a\0", 3))), std::string("a\0", 2));
}

TEST(TextFilters, Ss256IsAlways256Characters) {
  EXPECT_EQ(SS256("abc   ").size(), 256u);
  EXPECT_EQ(fixed::trimmed(SS256("abc   ")), "abc");
  const std::string longText(300, 'x');
  EXPECT_EQ(SS256(longText), std::string(256, 'x'));
}

TEST(TextFilters, DeletingFiltersCloseUpTheText) {
  EXPECT_EQ(fixed::trimmed(REMOVETABS("a\tb\t\tc\t")), "abc");
  EXPECT_EQ(fixed::trimmed(REMOVEQUOTES("\"it's\"  ")), "its");
  EXPECT_EQ(fixed::trimmed(REMOVESPACES("  a b  c   ")), "abc");
  EXPECT_TRUE(fixed::isBlank(REMOVETABS("\t\t")));
}

TEST(TextFilters, CaseFoldingTouchesOnlyAsciiLetters) {
  const std::string mixed = "aZ09_\xe9\xc9@[`{";
  EXPECT_EQ(fixed::trimmed(UPPERCASE(mixed)), "AZ09_\xe9\xc9@[`{");
  EXPECT_EQ(fixed::trimmed(LOWERCASE(mixed)), "az09_\xe9\xc9@[`{");
  EXPECT_EQ(fixed::trimmed(UPPERCASE("abc   ")), "ABC");
}

TEST(TextFilters, DoubleQuoteDoublesOnlyDoubleQuotes) {
  EXPECT_EQ(fixed::trimmed(DOUBLEQUOTE("a\"b")), "a\"\"b");
  EXPECT_EQ(fixed::trimmed(DOUBLEQUOTE("a\"b")).size(), 4u);
  EXPECT_EQ(fixed::trimmed(DOUBLEQUOTE("it's \"\"  ")), "it's \"\"\"\"");
}

TEST(TextFilters, AlphanumericOnlyReplacesOrDeletes) {
  EXPECT_EQ(fixed::trimmed(ALPHANUMERICONLY("a-b c", '_')), "a_b_c");
  EXPECT_EQ(fixed::trimmed(ALPHANUMERICONLY("a-b c", '\0')), "abc");
  EXPECT_EQ(fixed::trimmed(ALPHANUMERICONLY("--", '\0')), "X");
  // Trailing blanks of the argument are padding, not characters to replace.
  EXPECT_EQ(fixed::trimmed(ALPHANUMERICONLY(field("ab", 10), '_')), "ab");
  // A replacement that is itself a blank can leave nothing: the result is still a name.
  EXPECT_EQ(fixed::trimmed(ALPHANUMERICONLY("--", ' ')), "X");
}

TEST(TextFilters, CleanAttributeNameKeepsTheArgumentsLength) {
  const std::string name = field("Max. Depth (m)", 20);
  const std::string r = CLEANATTRIBUTENAME(name);
  EXPECT_EQ(r.size(), 20u);
  EXPECT_EQ(fixed::trimmed(r), "MaxDepthm");
  EXPECT_EQ(CLEANATTRIBUTENAME("()"), "X ");
  EXPECT_EQ(CLEANATTRIBUTENAME("a_1"), "a_1");
}

TEST(TextFilters, ResultStoredInAShortFieldKeepsItsFirstCharacters) {
  std::string shortField(4, ' ');
  fixed::assign(shortField, UPPERCASE("abcdefgh"));
  EXPECT_EQ(shortField, "ABCD");
}

TEST(TextReplace, FirstOccurrenceIgnoringCaseKeepsTheRest) {
  EXPECT_EQ(fixed::trimmed(REPLACE("Abc abc", "B", "xx")), "Axxc abc");
  EXPECT_EQ(fixed::trimmed(REPLACE("Abc abc", "zz", "xx")), "Abc abc");
  // Trailing blanks of old and new do not count; leading ones do.
  EXPECT_EQ(fixed::trimmed(REPLACE("a b", " b  ", "-   ")), "a-");
  EXPECT_EQ(fixed::trimmed(REPLACE("abc", "c", "")), "ab");
  // A blank old is found at the start.
  EXPECT_EQ(fixed::trimmed(REPLACE("abc", "  ", "x")), "xabc");
}

TEST(TextReplace, AllOccurrencesIncludingThoseFormedByAReplacement) {
  EXPECT_EQ(fixed::trimmed(REPLACEALL("Abc abc ABC", "b", "-")), "A-c a-c A-C");
  // Each pass searches from the start again: removing "ab" from "aabb" forms a new "ab".
  EXPECT_EQ(fixed::trimmed(REPLACEALL("aabb", "ab", "")), "");
  EXPECT_EQ(fixed::trimmed(REPLACEALL("a\\b\\c", "\\", "/")), "a/b/c");
}

TEST(TextReplace, ArgumentsThatCouldNeverEndStillEnd) {
  // A blank old would be found in every pass: the text comes back unchanged.
  EXPECT_EQ(fixed::trimmed(REPLACEALL("abc", "   ", "x")), "abc");
  // A new that holds old: one pass, the search going on behind each inserted text.
  EXPECT_EQ(fixed::trimmed(REPLACEALL("a.b.c", ".", "..")), "a..b..c");
  EXPECT_EQ(fixed::trimmed(REPLACEALL("xAx", "a", "[A]")), "x[A]x");
  // A replacement that keeps forming a new occurrence is bounded by the work copy.
  const std::string grown = REPLACEALL("aab", "ab", "bbaa");
  EXPECT_LE(grown.size(), kLongTextLength);
}

TEST(TextTests, BlankDeletesTabsInPlace) {
  std::string s = field(" \t \t", 8);
  EXPECT_TRUE(BLANK(s));
  EXPECT_EQ(s, std::string(8, ' '));

  std::string t = field("a\tb", 6);
  EXPECT_FALSE(BLANK(t));
  EXPECT_EQ(t, "ab    ");

  std::string nul("\0", 1);
  EXPECT_FALSE(BLANK(nul));  // a NUL is text, not padding
}

TEST(TextTests, NumberLineLooksAtTheFirstNonBlankCharacter) {
  for (const char* yes : {"  -1.5", ".5", "7 x", "     "}) {
    std::string s = yes;
    EXPECT_TRUE(NUMBERLINE(s)) << yes;
  }
  for (const char* no : {"+1", "e5", "x", "\t1"}) {
    std::string s = no;
    EXPECT_FALSE(NUMBERLINE(s)) << no;
  }
  std::string s = field("  -1.5", 10);
  NUMBERLINE(s);
  EXPECT_EQ(s, "-1.5      ");
}

TEST(TextTests, PositiveIntegerNumberWantsDigitsOnly) {
  std::string s = field(" 123", 10);
  EXPECT_TRUE(POSITIVEINTEGERNUMBER(s));
  EXPECT_EQ(s, "123       ");
  for (const char* no : {"12 3", "-12", "1.0", "    ", "+1", "12\t"}) {
    std::string t = no;
    EXPECT_FALSE(POSITIVEINTEGERNUMBER(t)) << no;
  }
}

TEST(TextTests, AsameIgnoresCaseQuotesTabsAndOuterBlanks) {
  expectHolds(ASAME, {{"'Abc'", " abc\t", true},
                      {"\"-SHP\"", "-shp      ", true},
                      {"", "   ", true},
                      {"A B", "AB", false},
                      {"ab", "abc", false}});
  expectHolds(ASAMECS, {{"'abc'", " abc", true}, {"abc", "ABC", false}});
}

TEST(TextTests, AsameComparesOnlyTheFirstThousandCharacters) {
  const std::string a = std::string(kTextLength, 'a') + "x";
  const std::string b = std::string(kTextLength, 'a') + "y";
  EXPECT_TRUE(ASAME(a, b));
  // Quotes are removed before the cut, so they do not use up the work copy.
  EXPECT_TRUE(ASAME("'" + std::string(999, 'b') + "'c", std::string(999, 'b') + "c"));
}

TEST(TextTests, FlagExistsIsAPlainCaseFreeSubstringSearch) {
  EXPECT_TRUE(FLAGEXISTS("CUT LINE: 12", "cut line"));
  EXPECT_TRUE(FLAGEXISTS("LEGEND", "END"));
  EXPECT_TRUE(FLAGEXISTS("  end:", "END:   "));
  EXPECT_FALSE(FLAGEXISTS("END", "END:"));
  EXPECT_FALSE(FLAGEXISTS("XEND", " END"));  // a leading blank of the flag is searched for
  EXPECT_TRUE(FLAGEXISTS("anything", "   "));
  EXPECT_FALSE(FLAGEXISTS("", "a"));
  // Trailing blanks count on neither side.
  EXPECT_TRUE(FLAGEXISTS(field("AB", 10), field("B", 10)));
  // The search in place agrees with searching an upper-cased copy, on short texts of letters of
  // both cases, blanks and other bytes, alone and in line-length fields.
  std::mt19937 random(3);
  const char alphabet[] = "aAbBcC  :-\xe9\xc9";
  for (int i = 0; i < 20000; ++i) {
    std::string line, flag;
    for (int k = static_cast<int>(random() % 12); k > 0; --k) line += alphabet[random() % (sizeof alphabet - 1)];
    for (int k = static_cast<int>(random() % 4); k > 0; --k) flag += alphabet[random() % (sizeof alphabet - 1)];
    if (i % 2) line = field(line, kTextLength);
    const bool expected = UPPERCASE(line).find(UPPERCASE(flag)) != std::string::npos;
    ASSERT_EQ(FLAGEXISTS(line, flag), expected) << "[" << line << "] [" << flag << "]";
  }
}

TEST(TextTests, TrimmedLengthAndStoringIntoAField) {
  std::mt19937 random(9);
  for (int i = 0; i < 20000; ++i) {
    // Blank fields up to three block lengths with a few other characters anywhere in them.
    std::string text(random() % 3000, ' ');
    for (int k = static_cast<int>(random() % 3); k > 0 && !text.empty(); --k)
      text[random() % text.size()] = "ax\t"[random() % 3];
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    ASSERT_EQ(fixed::trimLen(text), n);
    std::string target(random() % 1200, 'z');
    const std::string value = text.substr(0, random() % (text.size() + 1));
    const std::string expected = fixed::fit(value, target.size());
    fixed::assign(target, value);
    ASSERT_EQ(target, expected);
  }
  std::string own = field("abc", 8);  // a part of the field itself
  fixed::assign(own, std::string_view(own).substr(1, 2));
  EXPECT_EQ(own, field("bc", 8));
}

TEST(TextTests, FlagBeyondTheLineWorkCopyIsNotFound) {
  const std::string line = std::string(kLongTextLength, 'a') + "END";
  EXPECT_FALSE(FLAGEXISTS(line, "END"));
  EXPECT_TRUE(FLAGEXISTS(std::string(kLongTextLength - 3, 'a') + "END", "end"));
}
