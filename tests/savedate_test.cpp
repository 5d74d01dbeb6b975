// The MapInfo save-date check on a MIF/MID pair and its .tab companion, with file times set by
// the tests: each outcome (passed, stale as warning or error, time unreadable) and the dialog mode.
#include <chrono>
#include <filesystem>
#include <string>

#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/messages.hpp"

namespace {

namespace fs = std::filesystem;

class SaveDateTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    writeFile(dir_ / "layer.mif", "Version 300\n");
    writeFile(dir_ / "layer.mid", "");
    OPENERBYNAME(mif_, "I ", "layer.mif", 80);
    OPENERBYNAME(mid_, "I ", "layer.mid", 80);
    clearOutput();
  }

  // Sets the modification time of name to the base time plus the given milliseconds.
  void setTime(const std::string& name, int milliseconds) {
    fs::last_write_time(dir_ / name, base_ + std::chrono::milliseconds(milliseconds));
  }
  void makeTab(int milliseconds) {
    writeFile(dir_ / "layer.tab", "!table\n");
    setTime("layer.tab", milliseconds);
  }
  bool check(bool isError, int logUnit = 0) {
    return CHECKMISAVEDATE("layer.mid   ", "layer.tab   ", mif_, mid_, isError, logUnit);
  }

  int mif_ = 0, mid_ = 0;
  // A whole second, so that the sub-second cases below stay inside one second.
  fs::file_time_type base_ = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now()) -
                             std::chrono::hours(1);
};

const std::string kChecking = "Checking save date is later than that of layer.tab...";

// ---------------------------------------------------------------------------------------------
// Passing

TEST_F(SaveDateTest, EqualOrLaterExportPasses) {
  setTime("layer.mid", 0);
  makeTab(0);
  EXPECT_TRUE(check(true));
  EXPECT_EQ(output(), kChecking + "OK\n\n");

  clearOutput();
  setTime("layer.mid", 5000);
  EXPECT_TRUE(check(true));
  EXPECT_EQ(output(), kChecking + "OK\n\n");
  EXPECT_TRUE(fuIsOpen(mif_));
  EXPECT_TRUE(fuIsOpen(mid_));
}

TEST_F(SaveDateTest, TimesAreComparedInWholeSeconds) {
  // Saved 0.5 s after the export but within the same second: not stale.
  setTime("layer.mid", 200);
  makeTab(700);
  EXPECT_TRUE(check(true));
  EXPECT_EQ(output(), kChecking + "OK\n\n");
  // One second later is.
  makeTab(1200);
  clearOutput();
  setInput("\n");
  EXPECT_FALSE(check(true));
}

// ---------------------------------------------------------------------------------------------
// Stale export

TEST_F(SaveDateTest, StaleExportAsWarningPrintsAndPasses) {
  int log = 0;
  OPENERBYNAME(log, "O ", "check.log", 80);
  clearOutput();
  setTime("layer.mid", 0);
  makeTab(3000);
  const int mifBefore = mif_;
  EXPECT_TRUE(check(false, log));
  const std::string line = "WARNING 0004 - Save date of \"layer.tab\" file is later than that of \"layer.mid\"";
  EXPECT_EQ(output(), kChecking + "NOT OK\n\n" + line + "\n");
  EXPECT_EQ(mif_, mifBefore);
  EXPECT_TRUE(fuIsOpen(mif_));
  CLOSER(log);
  EXPECT_EQ(readFile(dir_ / "check.log"), line + "\n");

}

TEST_F(SaveDateTest, StaleExportAsErrorClosesThePairAndAsksForReExport) {
  setTime("layer.mid", 0);
  makeTab(3000);
  const int mifUnit = mif_, midUnit = mid_;
  setInput("\n");
  EXPECT_FALSE(check(true));
  EXPECT_EQ(mif_, 0);
  EXPECT_EQ(mid_, 0);
  EXPECT_FALSE(fuIsOpen(mifUnit));
  EXPECT_FALSE(fuIsOpen(midUnit));
  const std::string out = output();
  EXPECT_EQ(out.rfind(kChecking + "NOT OK\n\n", 0), 0u) << out;
  const std::string tail =
      "ERROR 0004 - Save date of \"layer.tab\" file is later than that of \"layer.mid\"\n"
      "Re-export mif file and press Enter, or close window.\n";
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
  // The closing lines of both units come between the two.
  EXPECT_NE(out.find("Closed File Unit:"), std::string::npos) << out;
}

TEST_F(SaveDateTest, StaleExportAsErrorEndsTheRunWhenNoOneCanReExport) {
  setTime("layer.mid", 0);
  makeTab(3000);
  setInput("");
  EXPECT_EQ(expectRunEnd([&] { check(true); }), 1);
  const std::string out = output();
  EXPECT_NE(out.find("Re-export mif file and press Enter, or close window.\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Console input has ended; cannot wait for the re-export of \"layer.mid\"."), std::string::npos)
      << out;
  EXPECT_NE(out.find("Press Enter to Close"), std::string::npos) << out;
}

// ---------------------------------------------------------------------------------------------
// Unreadable times

TEST_F(SaveDateTest, MissingTableAsWarningPrintsAndPasses) {
  int log = 0;
  OPENERBYNAME(log, "O ", "check.log", 80);
  clearOutput();
  const std::string line =
      "WARNING 0004 - Could not access save date of \"layer.mid\" to check with \"layer.tab\"";
  EXPECT_TRUE(check(false, log));
  EXPECT_EQ(output(), kChecking + "NOT OK\n\n" + line + "\n");
  EXPECT_TRUE(fuIsOpen(mid_));
  CLOSER(log);
  EXPECT_EQ(readFile(dir_ / "check.log"), line + "\n");

  // A log that refuses the line ends the run naming it; the name is longer than any buffer, so
  // the write fails at once.
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  fs::create_symlink("/dev/full", dir_ / "full.log");
  OPENERBYNAME(log, "O ", "full.log", 80);
  clearOutput();
  const std::string longName(10000, 'g');
  EXPECT_EQ(expectRunEnd([&] { CHECKMISAVEDATE(longName, "layer.tab", mif_, mid_, false, log); }), 1);
  EXPECT_TRUE(outputHas("ERROR 0007 - Could not write file \"full.log\"."));
}

TEST_F(SaveDateTest, MissingTableAsErrorEndsTheRun) {
  EXPECT_EQ(expectRunEnd([&] { check(true); }), 1);
  const std::string out = output();
  const std::string expected = kChecking + "NOT OK\n\n" +
                               "ERROR 0004 - Could not access save date of \"layer.mid\" to check with \"layer.tab\"\n"
                               "\n"
                               "NOTE - If using KESTRA.exe, use CHECK MI SAVE DATE == WARNING or OFF to suppress check\n"
                               "\n";
  EXPECT_EQ(out.rfind(expected, 0), 0u) << out;
  EXPECT_NE(out.find("Press Enter to Close"), std::string::npos) << out;
}

TEST_F(SaveDateTest, UnreadableExportTimeTakesTheSameRoad) {
  makeTab(0);
  const bool result = CHECKMISAVEDATE("gone.mid", "layer.tab", mif_, mid_, false, 0);
  EXPECT_TRUE(result);
  EXPECT_EQ(output(), kChecking + "NOT OK\n\n" +
                          "WARNING 0004 - Could not access save date of \"gone.mid\" to check with \"layer.tab\"\n");
  EXPECT_EQ(expectRunEnd([&] { CHECKMISAVEDATE("gone.mid", "layer.tab", mif_, mid_, true, 0); }), 1);
}

// ---------------------------------------------------------------------------------------------
// Dialog mode

TEST_F(SaveDateTest, DialogRetryAsksAgainAndCancelStops) {
  gRunFlags.fuGuiMode = true;
  gRunFlags.fuTitle = fixed::fit("Title", 100);
  gRunFlags.fuRunName = fixed::fit("run1", 100);
  setTime("layer.mid", 0);
  makeTab(3000);
  setInput("Retry\n");
  EXPECT_FALSE(check(true));
  EXPECT_EQ(mif_, 0);
  EXPECT_EQ(mid_, 0);
  const std::string out = output();
  EXPECT_NE(out.find("ERROR 0004 - Save date of \"layer.tab\" file is later than that of \"layer.mid\"\n"
                     "Re-export mif file, or use CHECK MI SAVE DATE == WARNING or OFF to suppress check.\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("Re-export mif file and press Enter"), std::string::npos) << out;
  EXPECT_NE(out.find("[Title run1]\n"
                     "ERROR 0004 - Save date of \n"
                     "\"layer.tab\"\n"
                     "is later than that of \n"
                     "\"layer.mid\"\n"),
            std::string::npos)
      << out;

  clearOutput();
  OPENERBYNAME(mif_, "I ", "layer.mif", 80);
  OPENERBYNAME(mid_, "I ", "layer.mid", 80);
  setInput("Cancel\n");
  EXPECT_EQ(expectRunEnd([&] { check(true); }), 1);
}

}  // namespace
