// CSV fields and keyword values: header columns, numeric fields, keyword and column values,
// and the first word of a line.
#include <string>

#include "tests/test_support.hpp"
#include "utility/csv_values.hpp"
#include "utility/fixed_text.hpp"
#include "utility/text.hpp"

namespace {

class KeywordValuesTest : public PlenvorTest {
 protected:
  // The value routines take the line and its lower-case copy.
  static std::string lower(const std::string& s) { return LOWERCASE(s); }
};

}  // namespace

TEST(CsvColumns, FindsAHeaderFieldAsAsameCompares) {
  const std::string header = "ID, \"Cell Size\", Value";
  EXPECT_EQ(CSVCOLUMN(header, "cell size", 0), 2);
  EXPECT_EQ(CSVCOLUMN(header, "ID", 0), 1);
  EXPECT_EQ(CSVCOLUMN(header, " value ", 0), 3);
  EXPECT_EQ(CSVCOLUMN(header, "Depth", 0), 0);
  EXPECT_EQ(CSVCOLUMN("ID,Cell\t Size", "cell size", -1), 2);
  EXPECT_EQ(CSVCOLUMN("   ", "x", 7), 7);
  EXPECT_EQ(CSVCOLUMN("a,,b", "b", 0), 3);  // an empty field counts
}

TEST(CsvValues, NthFieldAsANumber) {
  const std::string row = "1.5,abc,,7";
  float v = -1.0f;
  EXPECT_TRUE(CSVVALUE(row, 1, v));
  EXPECT_FLOAT_EQ(v, 1.5f);
  EXPECT_FALSE(CSVVALUE(row, 2, v));
  EXPECT_EQ(v, 0.0f);
  v = -1.0f;
  EXPECT_FALSE(CSVVALUE(row, 3, v));
  EXPECT_EQ(v, 0.0f);
  EXPECT_TRUE(CSVVALUE(row, 4, v));
  EXPECT_FLOAT_EQ(v, 7.0f);
  EXPECT_FALSE(CSVVALUE(row, 5, v));
  EXPECT_TRUE(CSVVALUE(row, 0, v));  // 1 or less reads the first field
  EXPECT_FLOAT_EQ(v, 1.5f);
}

TEST(CsvValues, NumericFieldForms) {
  float v = 0.0f;
  EXPECT_TRUE(CSVVALUE("x, -2.5E2 ", 2, v));
  EXPECT_FLOAT_EQ(v, -250.0f);
  EXPECT_TRUE(CSVVALUE("1 5", 1, v));  // blanks inside a numeric field are ignored
  EXPECT_FLOAT_EQ(v, 15.0f);
  EXPECT_TRUE(CSVVALUE("3D1", 1, v));
  EXPECT_FLOAT_EQ(v, 30.0f);
  EXPECT_FALSE(CSVVALUE("1e39", 1, v));  // beyond single precision
  EXPECT_FALSE(CSVVALUE("'7'", 1, v));
}

TEST_F(KeywordValuesTest, KeywordFormTakesTheValueBehindTheEqualsSign) {
  const std::string line = "Cells = 12, Rows = 4";
  EXPECT_EQ(EXTRACTINTEGER(line, lower(line), "Rows", 3, -1), 4);
  EXPECT_EQ(EXTRACTINTEGER(line, lower(line), "cells", 3, -1), 12);
  const std::string title = "Title = one, two";
  EXPECT_EQ(fixed::trimmed(EXTRACTSTRINGREM(title, lower(title), "title", 0)), "one, two");
  EXPECT_EQ(fixed::trimmed(EXTRACTSTRING(title, lower(title), "title", 0)), "one");
  const std::string quoted = "Name = 'a, b', x";
  EXPECT_EQ(fixed::trimmed(EXTRACTSTRING(quoted, lower(quoted), "NAME", 0)), "a, b");
  const std::string real = "Depth Limit (m) = 0.25";
  EXPECT_FLOAT_EQ(EXTRACTREAL(real, lower(real), "depth limit", 0, -1.0f), 0.25f);
}

TEST_F(KeywordValuesTest, ColumnFormWhenTheKeywordIsAbsent) {
  const std::string line = "a,\"x, y\",c";
  EXPECT_EQ(fixed::trimmed(EXTRACTSTRING(line, lower(line), "missing", 2)), "x, y");
  EXPECT_EQ(fixed::trimmed(EXTRACTSTRING(line, lower(line), "missing", 3)), "c");
  EXPECT_TRUE(fixed::isBlank(EXTRACTSTRING(line, lower(line), "missing", 4)));
  EXPECT_TRUE(fixed::isBlank(EXTRACTSTRING(line, lower(line), "missing", 0)));
  // A blank keyword names no keyword: the column is used.
  EXPECT_EQ(fixed::trimmed(EXTRACTSTRING(line, lower(line), "   ", 1)), "a");
  const std::string row = "5, , 2.5";
  EXPECT_EQ(EXTRACTINTEGER(row, lower(row), "k", 1, -1), 5);
  EXPECT_EQ(EXTRACTINTEGER(row, lower(row), "k", 2, -1), -1);  // an empty field gives the default
  EXPECT_FLOAT_EQ(EXTRACTREAL(row, lower(row), "k", 3, -1.0f), 2.5f);
  EXPECT_FLOAT_EQ(EXTRACTREAL(row, lower(row), "k", 9, -1.0f), -1.0f);
  // Doubled quotes inside a span are text and do not close it; every quote is then deleted.
  const std::string q = "'it''s, here',z";
  EXPECT_EQ(fixed::trimmed(EXTRACTSTRING(q, lower(q), "none", 1)), "its, here");
}

TEST_F(KeywordValuesTest, AKeywordWithoutEqualsSignEndsTheRun) {
  const std::string line = "Rows 4";
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] { EXTRACTINTEGER(line, lower(line), "Rows", 1, 0); }), 1);
  EXPECT_TRUE(outputHas("ERROR 0203 - No \"=\" sign found after keyword \"Rows\"."));
}

TEST_F(KeywordValuesTest, AValueThatIsNoNumberEndsTheRun) {
  const std::string line = "Cells = 12, Rows = 4";
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] { EXTRACTINTEGER(line, lower(line), "Cols", 2, -1); }), 1);
  EXPECT_TRUE(outputHas(" Could not convert \"Rows = 4\" in column  2 to an integer value for the Cols field.\n"));
  clearOutput();
  setInput("\n");
  const std::string r = "x = 1.2.3";
  EXPECT_EQ(expectRunEnd([&] { EXTRACTREAL(r, lower(r), "x", 0, 0.0f); }), 1);
  EXPECT_TRUE(outputHas(" Could not convert \"1.2.3\" in column  0 to a real value for the x field."));
}

TEST(FirstWord, TakesTheFirstWordOffTheLine) {
  std::string line = fixed::fit("\"New York\" 12 3", 20);
  EXPECT_EQ(fixed::trimmed(EXTRACTFIRSTWORD(line)), "New York");
  EXPECT_EQ(line, fixed::fit("12 3", 20));
  EXPECT_EQ(fixed::trimmed(EXTRACTFIRSTWORD(line)), "12");
  EXPECT_EQ(fixed::trimmed(EXTRACTFIRSTWORD(line)), "3");
  EXPECT_TRUE(fixed::isBlank(line));
  EXPECT_TRUE(fixed::isBlank(EXTRACTFIRSTWORD(line)));
  EXPECT_EQ(line.size(), 20u);
  // However long the line, the word is whole and the rest keeps every word behind it.
  const std::string longWord(1500, 'w');
  line = longWord + " next " + std::string(2000, 'r') + " last";
  EXPECT_EQ(EXTRACTFIRSTWORD(line), longWord);
  EXPECT_EQ(fixed::trimmed(EXTRACTFIRSTWORD(line)), "next");
  EXPECT_EQ(fixed::trimmed(EXTRACTFIRSTWORD(line)), std::string(2000, 'r'));
  EXPECT_EQ(fixed::trimmed(line), "last");
}

TEST(FirstWord, LeadingBlanksDoNotMakeAnEmptyWord) {
  std::string line = "   abc   def";
  EXPECT_EQ(fixed::trimmed(EXTRACTFIRSTWORD(line)), "abc");
  EXPECT_EQ(fixed::trimmed(line), "def");
}
