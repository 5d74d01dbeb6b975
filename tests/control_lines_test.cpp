// Control lines: reading and cleaning lines of a control file, comments, command tests.
#include <string>

#include "tests/test_support.hpp"
#include "utility/control_lines.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

class ControlLinesTest : public FileUnitsTest {};

}  // namespace

TEST_F(ControlLinesTest, ReadLineCleansTabsBlanksAndComment) {
  const int unit = openText("c.tcf", "  \tRead GIS Z Line == a.shp ! comment\r\n! only a comment\n\nabc#1!2\nx ! y # z\n");
  std::string line(40, ' ');
  EXPECT_TRUE(READLINE(unit, line));
  EXPECT_EQ(line, fixed::fit("Read GIS Z Line == a.shp ", 40));
  EXPECT_FALSE(READLINE(unit, line));
  EXPECT_TRUE(fixed::isBlank(line));
  EXPECT_FALSE(READLINE(unit, line));  // an empty record
  EXPECT_TRUE(fixed::isBlank(line));
  EXPECT_TRUE(READLINE(unit, line));
  EXPECT_EQ(fixed::trimmed(line), "abc");
  EXPECT_TRUE(READLINE(unit, line));
  EXPECT_EQ(fixed::trimmed(line), "x");
  EXPECT_EQ(line.size(), 40u);
}

TEST_F(ControlLinesTest, ReadLineCutsALongRecordToTheField) {
  const int unit = openText("c.tcf", "abcdefghij\n");
  std::string line(4, ' ');
  EXPECT_TRUE(READLINE(unit, line));
  EXPECT_EQ(line, "abcd");
  std::string natural;  // an empty field takes the record at its own length
  const int unit2 = openText("d.tcf", "  a\tb c\n");
  EXPECT_TRUE(READLINE(unit2, natural));
  EXPECT_EQ(fixed::trimmed(natural), "ab c");
}

TEST_F(ControlLinesTest, ReadLineAtTheEndOfTheFileEndsTheRun) {
  const int unit = openText("c.tcf", "one\n");
  std::string line(20, ' ');
  EXPECT_TRUE(READLINE(unit, line));
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] { READLINE(unit, line); }), 1);
  EXPECT_TRUE(outputHas("ERROR 0202 - End-of-file encountered reading text line from file unit number " +
                        std::to_string(unit)));
  EXPECT_TRUE(outputHas("Press Enter to Close"));
}

TEST_F(ControlLinesTest, ReadLineOnAUnitThatIsNotOpenEndsTheRun) {
  std::string line(20, ' ');
  setInput("\n");
  EXPECT_EQ(expectRunEnd([&] { READLINE(1500, line); }), 1);
  EXPECT_TRUE(outputHas("ERROR 0201 - Reading text line from file unit number 1500"));
}

TEST(CommentLines, CommentLineIsTrueForCommentsAndBlankLines) {
  std::string a = fixed::fit("   ! note", 12);
  EXPECT_TRUE(COMMENTLINE(a));
  EXPECT_TRUE(fixed::isBlank(a));
  std::string b = fixed::fit("  Cell Size == 5 # m", 24);
  EXPECT_FALSE(COMMENTLINE(b));
  EXPECT_EQ(b, fixed::fit("Cell Size == 5 ", 24));
  std::string c(10, ' ');
  EXPECT_TRUE(COMMENTLINE(c));
  std::string d = "\t# x";  // TABs stay here: the line starts with text
  EXPECT_FALSE(COMMENTLINE(d));
  EXPECT_EQ(fixed::trimmed(d), "\t");
}

TEST(CommandTests, FlagExistsRetGivesTheRestWithItsCase) {
  std::string rest(30, ' ');
  EXPECT_TRUE(FLAGEXISTSRET("Output Folder == C:\\Out", "OUTPUT FOLDER", rest));
  EXPECT_EQ(fixed::trimmed(rest), " == C:\\Out");
  EXPECT_EQ(rest.size(), 30u);
  EXPECT_FALSE(FLAGEXISTSRET("Output Folder == C:\\Out", "Input", rest));
  EXPECT_TRUE(fixed::isBlank(rest));
}

TEST(CommandTests, GisCommandsInEitherSpelling) {
  // With a blank word "Read MI" matches "Read MID".
  expectHolds(READGIS, {{"read gis z shape == f.shp", "Z Shape", true},
                        {"read gis z shape == f.shp", "Z Line", false},
                        {"Read MI Code == a.mif", "Code   ", true},
                        {"Read MID x", "", true}});
  expectHolds(WRITEGIS, {{"WRITE GIS ZPTS == a", "zpts", true}, {"Read GIS ZPTS == a", "zpts", false}});
  expectHolds(READROWCOL, {{"Read RowCol Zpts == a", "Zpts", true},
                           {"Read MID Zpts == a", "Zpts", true},
                           {"Read MI Zpts == a", "Zpts", false}});
}

TEST(CheckLines, SplitAtTheSeparator) {
  std::string value, left;
  EXPECT_TRUE(CHECKLINE("Cell Size == 5", "cell size", "==", 0, value, left));
  EXPECT_EQ(value, " 5");
  EXPECT_EQ(left, "Cell Size ");
  EXPECT_FALSE(CHECKLINE("Cell Size == 5", "Timestep", "==", 0, value, left));
  // The separator counts case and its own trailing blanks.
  std::string v2, l2;
  EXPECT_TRUE(CHECKLINE("a EQ b", "a", "EQ ", 0, v2, l2));
  EXPECT_EQ(v2, "b");
  EXPECT_EQ(l2, "a ");
  // A separator at the start leaves no left side: no command stands there.
  EXPECT_FALSE(CHECKLINE("== 5", "*", "==", 0, value, left));
}

TEST(CheckLines, SplitAtTheColumn) {
  std::string value(10, ' '), left(10, ' ');
  EXPECT_TRUE(CHECKLINE("Cell Size 5", "cell", "", 9, value, left));
  EXPECT_EQ(fixed::trimmed(value), " 5");
  EXPECT_EQ(fixed::trimmed(left), "Cell Size");
  EXPECT_TRUE(CHECKLINE("Cell Size 5", "cell", "==", 9, value, left));  // separator absent
  EXPECT_EQ(fixed::trimmed(value), " 5");
  // No separator and column 0: the whole line is the left side, the value is blank.
  EXPECT_TRUE(CHECKLINE("Cell Size 5", "size", "==", 0, value, left));
  EXPECT_TRUE(fixed::isBlank(value));
  // Column 0 with no separator: a blank left side still counts for "*".
  EXPECT_TRUE(CHECKLINE("abc", "*", " ", 0, value, left));
}

TEST(CheckLines, ColumnsOutsideTheLineAreBounded) {
  std::string value, left;
  EXPECT_TRUE(CHECKLINE("abc", "abc", "", 99, value, left));
  EXPECT_EQ(left, "abc");
  EXPECT_EQ(value, "");
  EXPECT_FALSE(CHECKLINE("abc", "abc", "", -5, value, left));
  EXPECT_EQ(value, "abc");
}

TEST(CheckLines, AnyCommandWithStar) {
  std::string value, left;
  EXPECT_TRUE(CHECKLINE("Anything == 1", "*", "==", 0, value, left));
  EXPECT_TRUE(CHECKLINE("Anything == 1", "*    ", "==", 0, value, left));
}
