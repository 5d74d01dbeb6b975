// The SDF block readers: where each block ends, what its data lines fill, the limits of the
// arrays and the messages that name the routine, the file and the line.
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>

#include "converter/sdf_blocks.hpp"
#include "converter/sdf_cross_section.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

class SdfBlocksTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    setInput("\n");
  }

  // Opens an SDF fragment; the reader's caller has just read the keyword line (line 1).
  void open(const std::string& text) {
    if (unit_ != 0 && fuIsOpen(unit_)) CLOSER(unit_);
    writeFile(dir_ / "part.sdf", text);
    unit_ = 0;
    OPENERBYNAME(unit_, "I ", "part.sdf", 8);
    line_ = fixed::blanks(kTextLength);
    lineNo_ = 1;
    clearOutput();
  }

  std::string lineText() const { return fixed::trimmed(line_); }

  // The block readers on the fragment, into the cross-section being read.
  void readCutLine() { GetSdfCutline(unit_, xs.cutX, xs.cutY, xs.cutCount, lineNo_, line_); }
  void readNValues() { GetSdfnVals(unit_, xs.nValue, xs.nFraction, xs.nCount, lineNo_, line_); }
  void readSurfaceLine() { GetSdfSurfaceLine(unit_, xs.surfCount, xs.surfX, xs.surfY, xs.surfZ, lineNo_, line_); }

  SdfCrossSection& xs = gSdfSection;
  int unit_ = 0;
  std::string line_;
  std::int64_t lineNo_ = 0;
};

// --- Where a block ends ---------------------------------------------------------------------

TEST_F(SdfBlocksTest, CutLineReadsPointsUpToTheNextKeywordAndLeavesItInTheBuffer) {
  open("  1.0, 2.0 ! note\n  3 4\n   SURFACE LINE:\n  9 9 9\n");
  readCutLine();
  EXPECT_EQ(xs.cutCount, 2);
  EXPECT_EQ(std::make_pair(xs.cutX[1], xs.cutY[1]), std::make_pair(1.0, 2.0));
  EXPECT_EQ(std::make_pair(xs.cutX[2], xs.cutY[2]), std::make_pair(3.0, 4.0));
  EXPECT_EQ(lineText(), "   SURFACE LINE:");
  EXPECT_EQ(lineNo_, 4);
  EXPECT_EQ(line_.size(), kTextLength);
  EXPECT_EQ(output(), "");
}

TEST_F(SdfBlocksTest, CutLineFollowedByEndEndsTheBlockNotTheRun) {
  open("10,20\n30,40\n   END:\n");
  readCutLine();
  EXPECT_EQ(xs.cutCount, 2);
  EXPECT_EQ(lineText(), "   END:");
  EXPECT_EQ(output(), "");
}

TEST_F(SdfBlocksTest, EmptyLinesInsideABlockAreSkipped) {
  const std::string empty = "\n  \t\n ! note\n# note\n";
  open("1 2\n" + empty + "+3 4E+1\nEND:\n");
  readCutLine();
  EXPECT_EQ(xs.cutCount, 2);
  EXPECT_DOUBLE_EQ(xs.cutY[2], 40.0);
  EXPECT_EQ(lineNo_, 8);

  open("0.0 0.03\n" + empty + "0.5 0.05\nEND:\n");
  readNValues();
  EXPECT_EQ(xs.nCount, 2);

  open("1 2 3\n" + empty + "4 5 6\nEND:\n");
  readSurfaceLine();
  EXPECT_EQ(xs.surfCount, 2);
}

TEST_F(SdfBlocksTest, SurfaceLineEndsAtKeywordLinesAndReadsCrlfLines) {
  open("1.5, 2.5, 100.25\r\n3,4,-5 note\r\n   END:\r\n");
  readSurfaceLine();
  ASSERT_EQ(xs.surfCount, 2);
  EXPECT_EQ(std::make_tuple(xs.surfX[1], xs.surfY[1], xs.surfZ[1]), std::make_tuple(1.5, 2.5, 100.25f));
  EXPECT_FLOAT_EQ(xs.surfZ[2], -5.0f);
  EXPECT_EQ(lineText(), "   END:");
  EXPECT_EQ(lineNo_, 4);
  // Any keyword line ends it, as "END :" and the next CROSS-SECTION: line do.
  for (const std::string keyword : {"   END :", "Everything: else", " CROSS-SECTION:"}) {
    open("1 2 3\n" + keyword + "\n4 5 6\n");
    readSurfaceLine();
    EXPECT_EQ(xs.surfCount, 1) << keyword;
    EXPECT_EQ(lineText(), keyword);
  }
}

TEST_F(SdfBlocksTest, NValuesTakeTheFractionFirstAndTheValueSecond) {
  open("0.0, 0.06\n0.25, 0.035\nLEVEE POSITIONS:\n");
  readNValues();
  ASSERT_EQ(xs.nCount, 2);
  EXPECT_FLOAT_EQ(xs.nFraction[2], 0.25f);
  EXPECT_FLOAT_EQ(xs.nValue[2], 0.035f);
  EXPECT_EQ(lineText(), "LEVEE POSITIONS:");
}

// Single-precision values are their text rounded once: 100.000049591064453125 lies halfway
// between two singles, and the digit behind it, which a read by way of a double loses, decides.
TEST_F(SdfBlocksTest, SinglePrecisionValuesAreTheirTextRoundedOnce) {
  const std::string text = "100.000049591064453125001";
  const float above = 100.00005340576171875f;  // not 100.0000457763671875, the even neighbour below
  open("1.5, 2.5, " + text + "\nEND:\n");
  readSurfaceLine();
  EXPECT_EQ(xs.surfZ[1], above);
  open("0.5, " + text + "\n" + text + ", 0.03\nEND:\n");
  readNValues();
  EXPECT_EQ(xs.nValue[1], above);
  EXPECT_EQ(xs.nFraction[2], above);
  open("L, " + text + ", " + text + "\nR, 1, 2\nEND:\n");
  GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_);
  EXPECT_EQ(xs.leveeMarkers[1].fraction, above);
  EXPECT_EQ(xs.leveeMarkers[1].elevation, above);
}

TEST_F(SdfBlocksTest, ASecondBlockInOneSectionKeepsOnlyItsOwnPoints) {
  open("1 1\n2 2\n3 3\nSURFACE LINE:\n");
  readCutLine();
  open("7 8\nSURFACE LINE:\n");
  readCutLine();
  EXPECT_EQ(xs.cutCount, 1);
  EXPECT_DOUBLE_EQ(xs.cutX[1], 7.0);
}

TEST_F(SdfBlocksTest, LinesLongerThanTheBufferAreCut) {
  open("1 2 3" + std::string(1200, ' ') + "tail\nEND:\n");
  readSurfaceLine();
  EXPECT_EQ(xs.surfCount, 1);
  EXPECT_EQ(line_.size(), kTextLength);
}

// --- Bad data lines end the run, naming the routine and the line -----------------------------

TEST_F(SdfBlocksTest, BadDataLinesStopNamingTheirRoutineFileAndLine) {
  struct Case {
    std::string text;
    std::string routine;
    std::string shown;
    std::string place;
  };
  const Case cases[] = {
      {"1.0, abc\n", "GetSdfCutline", "1.0, abc", "Line 2 of file part.sdf, the last line of the file."},
      {"5\nSURFACE LINE:\n", "GetSdfCutline", "5", "Line 2 of file part.sdf."},
      {"0.5\nEND:\n", "GetSdfnVals", "0.5", "Line 2 of file part.sdf."},
      {"1.0 2.0\nEND:\n", "GetSdfSurfaceLine", "1.0 2.0", "Line 2 of file part.sdf."},
      // A line that is neither empty nor a keyword line (a letter first and a ":") is data.
      {"1 2 3\n620140.0, 2360700.0, None\n4 5 6\nEND:\n", "GetSdfSurfaceLine", "620140.0, 2360700.0, None",
       "Line 3 of file part.sdf."},
      {"x 1 2 3\n0 0 0\nEND:\n", "GetSdfSurfaceLine", "x 1 2 3", "Line 2 of file part.sdf."},
      {"None, 60.0\n1 2\nEND:\n", "GetSdfCutline", "None, 60.0", "Line 2 of file part.sdf."},
      {"0.0 0.03\nnan, 0.05\nEND:\n", "GetSdfnVals", "nan, 0.05", "Line 3 of file part.sdf."},
  };
  for (const Case& c : cases) {
    open(c.text);
    const int status = expectRunEnd([&] {
      if (c.routine == "GetSdfCutline") readCutLine();
      if (c.routine == "GetSdfnVals") readNValues();
      if (c.routine == "GetSdfSurfaceLine")
        readSurfaceLine();
    });
    EXPECT_EQ(status, 1) << c.text;
    EXPECT_TRUE(outputHas("\nERROR - Reading following line in file in sub " + c.routine + "\n\n" + c.shown +
                          "\n\n" + c.place + "\n"))
        << output();
    FILEUNITSINITIALISE(1000);
  }
}

TEST_F(SdfBlocksTest, EndOfFileInsideABlockStopsNamingFileBlockAndLine) {
  open("1 2\n3 4\n");
  EXPECT_EQ(expectRunEnd([&] { readCutLine(); }), 1);
  EXPECT_TRUE(outputHas("ERROR - Unexpected end of file part.sdf in CUT LINE block after line 3."));

  FILEUNITSINITIALISE(1000);
  open("left, 0.2, 10\n");
  EXPECT_EQ(expectRunEnd([&] { GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_); }), 1);
  EXPECT_TRUE(outputHas("in LEVEE POSITIONS block after line 2."));

  // The count goes on past 2^31 lines and is named in full.
  FILEUNITSINITIALISE(1000);
  open("1.0, abc\n");
  lineNo_ = 4294967299;
  EXPECT_EQ(expectRunEnd([&] { readCutLine(); }), 1);
  EXPECT_TRUE(outputHas("\n1.0, abc\n\nLine 4294967300 of file part.sdf, the last line of the file.\n"));
}

// --- Array limits ---------------------------------------------------------------------------

TEST_F(SdfBlocksTest, BlocksBeyondTheirArraysStopTheRun) {
  std::string text;
  for (int i = 1; i <= kSdfMaxPoints + 1; ++i) text += "0.5 1 2\n";
  open(text + "END:\n");
  EXPECT_EQ(expectRunEnd([&] {
              readSurfaceLine();
            }),
            1);
  EXPECT_TRUE(outputHas("ERROR - More than 100,000 points in SURFACE LINE block at line 100002 of file part.sdf."));

  FILEUNITSINITIALISE(1000);
  open(text + "END:\n");
  EXPECT_EQ(expectRunEnd([&] { readNValues(); }), 1);
  EXPECT_TRUE(outputHas("ERROR - More than 100,000 points in NVALUES block"));

  // The cut line too: a cut line cut short would be written as if whole.
  FILEUNITSINITIALISE(1000);
  open(text + "END:\n");
  EXPECT_EQ(expectRunEnd([&] { readCutLine(); }), 1);
  EXPECT_TRUE(outputHas("ERROR - More than 100,000 points in CUT LINE block at line 100002 of file part.sdf."));
}

TEST_F(SdfBlocksTest, MoreThan100LeveeMarkersStopTheRun) {
  std::string text;
  for (int i = 1; i <= kSdfMaxLevees + 1; ++i) text += std::to_string(i) + ", 0.5, 10\n";
  open(text + "END:\n");
  EXPECT_EQ(expectRunEnd([&] { GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_); }), 1);
  EXPECT_TRUE(outputHas("ERROR - More than 100 levee markers in LEVEE POSITIONS block at line 102 of file part.sdf."));
}

// --- Levee markers --------------------------------------------------------------------------

TEST_F(SdfBlocksTest, LeveeMarkersReadIdFractionAndElevation) {
  open("   'left bank', 0.25, +101.5\n   R, .75, 0.99E+02 ! right\n   END:\n");
  GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_);
  ASSERT_EQ(xs.leveeCount, 2);
  EXPECT_TRUE(xs.leveeMarkers[1].hasElevation);
  EXPECT_EQ(fixed::trimmed(xs.leveeMarkers[1].id), "left bank");
  EXPECT_EQ(xs.leveeMarkers[1].id.size(), kSdfLeveeIdLength);
  EXPECT_FLOAT_EQ(xs.leveeMarkers[1].fraction, 0.25f);
  EXPECT_FLOAT_EQ(xs.leveeMarkers[1].elevation, 101.5f);
  EXPECT_EQ(fixed::trimmed(xs.leveeMarkers[2].id), "R");
  EXPECT_FLOAT_EQ(xs.leveeMarkers[2].fraction, 0.75f);
  EXPECT_FLOAT_EQ(xs.leveeMarkers[2].elevation, 99.0f);
  EXPECT_EQ(lineText(), "   END:");
  EXPECT_EQ(output(), "");  // exactly two markers: nothing to say
}

TEST_F(SdfBlocksTest, LeveeWithoutHeightGets9999AndAWarningWithItsLineNumber) {
  open("1, 0.2,\n2, 0.8, \t \n3, 0.9, None\n4, 0.9, nan\n5, 1, inf\nBLOCKED POSITIONS:\n");
  GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_);
  ASSERT_EQ(xs.leveeCount, 5);
  std::string warnings;
  for (int m = 1; m <= 5; ++m) {
    EXPECT_FLOAT_EQ(xs.leveeMarkers[m].elevation, 9999.0f);
    EXPECT_FALSE(xs.leveeMarkers[m].hasElevation);
    warnings += "\nWARNING - No levee height specified.  Line number: " + std::to_string(m + 1) + "\n";
  }
  EXPECT_EQ(output(), warnings + "\nWARNING - More than two levee points detected for section. Line number: 7\n");
}

TEST_F(SdfBlocksTest, LeveeCountWarningsNameTheLineThatEndedTheBlock) {
  open("INEFFECTIVE POSITIONS:\n");
  GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_);
  EXPECT_EQ(xs.leveeCount, 0);
  EXPECT_EQ(output(), "\nWARNING - No levee points detected. Line number: 2\n");
  open("  LEVEE POSITIONS:\n");  // the block's keyword line again: the block that follows is counted
  GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_);
  EXPECT_EQ(output(), "");

  open("a, 0.5, 1\nEND:\n");
  GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_);
  EXPECT_EQ(output(), "\nWARNING - Only one levee points detected for section. Line number: 3\n");

  open("a, 0.1, 1\nb, 0.5, 1\nc, 0.9, 1\nEND:\n");
  GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_);
  EXPECT_EQ(xs.leveeCount, 3);
  EXPECT_EQ(output(), "\nWARNING - More than two levee points detected for section. Line number: 5\n");
}

TEST_F(SdfBlocksTest, LeveeLinesWithoutTwoCommasOrWithTextForNumbersStop) {
  // A height beyond single precision would be lost: it stops the run as a value that is no number does.
  for (const std::string bad :
       {"left 0.5\n", "left, 0.5\n", ", 0.5, 10\n", "left, half, 10\n", "left, 0.5, 4e38\n", "left, 0.5,, 10\n"}) {
    FILEUNITSINITIALISE(1000);
    open(bad + "END:\n");
    const int status =
        expectRunEnd([&] { GetSdfLevees(unit_, xs.leveeCount, xs.leveeMarkers, lineNo_, line_); });
    EXPECT_EQ(status, 1) << bad;
    EXPECT_NE(output().find("ERROR - Reading following line in file in sub GetSdfLevees"), std::string::npos)
        << bad << output();
  }
}

// --- Shared helpers -------------------------------------------------------------------------

TEST(SdfLineText, TextAfterTheFirstColonKeepsLeadingBlanks) {
  EXPECT_EQ(textAfterColon("   STREAM ID: Bald Eagle: upper    "), " Bald Eagle: upper");
  EXPECT_EQ(textAfterColon("STATION:62190.9923754"), "62190.9923754");
  EXPECT_EQ(textAfterColon("no colon"), "");
}

}  // namespace
