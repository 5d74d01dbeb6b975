// Run control: the ways out of a run (EXITS and the stops with text), the pauses, and the small
// console routines.
#include <array>
#include <string>

#include "platform/console.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/run_control.hpp"

namespace {

class RunControlTest : public FileUnitsTest {
 protected:
  // An output file holding text so far, its unit left open.
  int openWritten(const std::string& name, const std::string& text) {
    const int unit = openQuietly("O ", name);
    fuWrite(unit, text);
    return unit;
  }
  // What is left of the console input after the code under test read its share.
  static std::string nextLine() {
    std::string line;
    return console::readLine(line) ? line : "<end>";
  }
};

// ---- EXITS ----

TEST_F(RunControlTest, ExitClosesUnitsPausesAndEnds) {
  int out = openQuietly("O ", "o.txt");
  int fixed = 0;
  OPENERNAMED(2, fixed, "f.txt", "O ", "output", 1);
  clearOutput();
  fuWrite(out, "kept");
  setInput("anything typed\nnext\n");
  EXPECT_EQ(expectRunEnd([] { EXITS(); }), 1);
  EXPECT_EQ(output(), "\nPress Enter to Close\n");  // closing prints nothing
  EXPECT_FALSE(fuIsOpen(out));
  EXPECT_FALSE(fuIsOpen(fixed));
  EXPECT_TRUE(gFileUnits.fuPoolOpen[1]);  // the flags stay as they were
  EXPECT_TRUE(gFileUnits.fuFixedOpen[2]);
  EXPECT_EQ(readFile("o.txt"), "kept");
  EXPECT_EQ(nextLine(), "next");  // the pause read exactly one line
}

TEST_F(RunControlTest, NormalEndExitsWithStatusZero) {
  setInput("\n");
  EXPECT_EQ(expectRunEnd([] { EXITS(0); }), 0);
  EXPECT_EQ(output(), "\nPress Enter to Close\n");
}

TEST_F(RunControlTest, ExitAtTheEndOfInputStillEnds) {
  EXPECT_EQ(expectRunEnd([] { EXITS(); }), 1);
  EXPECT_EQ(output(), "\nPress Enter to Close\n");
}

TEST_F(RunControlTest, SkipCloseLeavesUnitsOpenAndNoPauseEndsAtOnce) {
  int out = openWritten("o.txt", "flushed");
  gRunFlags.fuSkipClose = true;
  gRunFlags.fuPauseOnExit = false;
  setInput("untouched\n");
  EXPECT_EQ(expectRunEnd([] { EXITS(); }), 1);
  EXPECT_EQ(output(), "");
  EXPECT_TRUE(fuIsOpen(out));
  EXPECT_EQ(readFile("o.txt"), "flushed");  // open files are flushed on the way out
  EXPECT_EQ(nextLine(), "untouched");
}

TEST_F(RunControlTest, ExitInDialogModeShowsTheBox) {
  gRunFlags.fuGuiMode = true;
  fixed::assign(gRunFlags.fuTitle, "Model");
  fixed::assign(gRunFlags.fuRunName, "run7");
  setInput("\n");
  EXPECT_EQ(expectRunEnd([] { EXITS(); }), 1);
  EXPECT_EQ(output(), "\n[Model]\nPremature Exit of Model Simulation run7\n\nPress OK to Close Simulation Window\n"
                      "Press Enter for OK: ");
}

// ---- Stops with text ----

TEST_F(RunControlTest, StopPrintsFlushesAndLeavesUnitsOpen) {
  int out = openWritten("o.txt", "line before the stop\n");
  setInput("untouched\n");
  EXPECT_EQ(expectRunEnd([] { fuStop("Something is wrong"); }), 1);
  EXPECT_EQ(output(), "Something is wrong\n");
  EXPECT_TRUE(fuIsOpen(out));
  EXPECT_EQ(readFile("o.txt"), "line before the stop\n");
  EXPECT_EQ(nextLine(), "untouched");
}

TEST_F(RunControlTest, SilentStopPrintsNothing) {
  openWritten("o.txt", "abc");
  EXPECT_EQ(expectRunEnd([] { fuStopSilently(); }), 1);
  EXPECT_EQ(output(), "");
  EXPECT_EQ(readFile("o.txt"), "abc");
}

// ---- Pauses ----

TEST_F(RunControlTest, PauseReadsOneLineAndTellsTheEndOfInput) {
  setInput("x\n");
  EXPECT_TRUE(fuPause("Wait here"));
  EXPECT_FALSE(fuPause("And here"));
  EXPECT_EQ(output(), "Wait here\nAnd here\n");
}

TEST_F(RunControlTest, PauseRunOnTheConsoleAndInDialogMode) {
  setInput("\n\n");
  PAUSERUN();
  EXPECT_EQ(output(), "\nPress Enter to Continue\n");
  clearOutput();
  gRunFlags.fuGuiMode = true;
  fixed::assign(gRunFlags.fuTitle, "Model");
  fixed::assign(gRunFlags.fuRunName, "r");
  PAUSERUN();
  EXPECT_EQ(output(), "\n[Model]\nModel Simulation r paused\n\nRefer to Simulation Window\n\nPress OK to Continue\n"
                      "Press Enter for OK: ");
}

// ---- Console routines ----

TEST_F(RunControlTest, AskYesNoTakesTheFirstCharacter) {
  setInput("yes\nn\n Y\n\nYES\n");
  EXPECT_TRUE(ASKYESNO("Go on"));
  EXPECT_FALSE(ASKYESNO("Go on"));
  EXPECT_FALSE(ASKYESNO("Go on"));  // a blank before the Y
  EXPECT_FALSE(ASKYESNO("Go on"));  // an empty line
  EXPECT_TRUE(ASKYESNO("Go on"));
  EXPECT_EQ(output(), std::string("Go on? ") + "Go on? " + "Go on? " + "Go on? " + "Go on? ");
}

// A question asked after the console input has ended cannot be answered: the run ends.
TEST_F(RunControlTest, PromptsAtTheEndOfInputEndTheRun) {
  openWritten("kept.txt", "kept");
  setInput("");
  EXPECT_EQ(expectRunEnd([] { ASKYESNO("Go on"); }), 1);
  EXPECT_EQ(output(), "Go on? \nNo answer and no more console input.\n\nPress Enter to Close\n");
  EXPECT_EQ(readFile("kept.txt"), "kept");  // ended through EXITS, which closed the files
  clearOutput();
  setInput("");
  EXPECT_EQ(expectRunEnd([] { SETFLAGS(); }), 1);
  EXPECT_EQ(output(), "Set flags: \nNo flags entered and no more console input.\n\nPress Enter to Close\n");
  EXPECT_EQ(gRunFlags.fuLetterFlags, (std::array<bool, 26>{}));
}

TEST_F(RunControlTest, AskYesNoWritesTheWholeQuestion) {
  setInput("y\n");
  EXPECT_TRUE(ASKYESNO(fixed::fit("Overwrite", 12)));
  EXPECT_EQ(output(), "Overwrite   ? ");
}

TEST_F(RunControlTest, SetFlagsSetsLettersAndNeverClears) {
  setInput("aZ9 b\nq\n");
  SETFLAGS();
  EXPECT_EQ(output(), "Set flags: ");
  std::array<bool, 26> want{};
  want[0] = want[25] = want[1] = true;
  EXPECT_EQ(gRunFlags.fuLetterFlags, want);
  SETFLAGS();
  want[16] = true;
  EXPECT_EQ(gRunFlags.fuLetterFlags, want);
}

TEST_F(RunControlTest, SetFlagsCountsOnlyTheFirstTwentySixCharacters) {
  setInput(std::string(26, '.') + "abc\n");
  SETFLAGS();
  EXPECT_EQ(gRunFlags.fuLetterFlags, (std::array<bool, 26>{}));
  setInput(std::string(25, '.') + "xy\n");
  SETFLAGS();
  EXPECT_TRUE(gRunFlags.fuLetterFlags[23]);
  EXPECT_FALSE(gRunFlags.fuLetterFlags[24]);
}

TEST_F(RunControlTest, WriteCharsStaysWithinTheText) {
  WRITECHARS("abcdef", 0);
  WRITECHARS("abcdef", -4);
  EXPECT_EQ(output(), "");
  WRITECHARS("abcdef", 3);
  EXPECT_EQ(output(), "abc");
  WRITECHARS("xy", 50);
  EXPECT_EQ(output(), "abcxy");
}

TEST_F(RunControlTest, WriteTrimmedWritesWithoutTrailingBlanksAndNuls) {
  std::string t = "ab  ";
  WRITETRIMMED(t);
  std::string n("cd\0\0", 4);
  WRITETRIMMED(n);
  std::string blank = "  ";
  WRITETRIMMED(blank);
  EXPECT_EQ(output(), "abcd");
  EXPECT_EQ(t, std::string("ab\0 ", 4));
}

TEST_F(RunControlTest, ReadConsoleLineKeepsTheLineWithinTheText) {
  setInput("hello\nmuch too long for it\n");
  std::string text(8, ' ');
  int n = -1;
  READCONSOLELINE(text, n);
  EXPECT_EQ(n, 5);
  EXPECT_EQ(text, std::string("hello\0  ", 8));
  READCONSOLELINE(text, n);
  EXPECT_EQ(n, 8);
  EXPECT_EQ(text, "much too");
  READCONSOLELINE(text, n);  // end of input
  EXPECT_EQ(n, 0);
}

TEST_F(RunControlTest, SameSignCountsZeroAsPositive) {
  EXPECT_TRUE(SAMESIGN(1.0f, 2.0f));
  EXPECT_TRUE(SAMESIGN(-1.0f, -0.5f));
  EXPECT_TRUE(SAMESIGN(0.0f, 3.0f));
  EXPECT_TRUE(SAMESIGN(0.0f, 0.0f));
  EXPECT_TRUE(SAMESIGN(-0.0f, 1.0f));
  EXPECT_FALSE(SAMESIGN(0.0f, -1.0f));
  EXPECT_FALSE(SAMESIGN(-2.0f, 0.0f));
  EXPECT_FALSE(SAMESIGN(5.0f, -5.0f));
}

}  // namespace
