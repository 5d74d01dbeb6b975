// The message log: classification, counting, the console and log echo, the messages CSV record
// and the located-message MIF/MID layers, each read back from what was written.
#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/messages.hpp"

namespace {

class MessagesTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    DMESSAGES.reset();
  }

  std::string closeAndRead(int& unit, const std::string& name) {
    CLOSER(unit);
    clearOutput();
    return readFile(dir_ / name);
  }

  // The located-message layer of warnings (or of checks) opened as base.mif and base.mid, its
  // labels of the given size.
  void openLocatedLayer(bool warnings, const std::string& base, double labelHeight, double labelWidth, int& mif,
                        int& mid) {
    mif = openQuietly("O ", base + ".mif");
    mid = openQuietly("O ", base + ".mid");
    (warnings ? DMESSAGES.dmMifUnitWarn : DMESSAGES.dmMifUnitCheck) = mif;
    (warnings ? DMESSAGES.dmMidUnitWarn : DMESSAGES.dmMidUnitCheck) = mid;
    DMESSAGES.dmLabelHeight = labelHeight;
    DMESSAGES.dmLabelWidth = labelWidth;
  }

  // The messages CSV file, open as the message log's record of messages.
  int openMessagesCsv() {
    const int csv = openQuietly("O ", "messages.csv");
    DMESSAGES.dmMessagesUnit = csv;
    return csv;
  }
  std::string closeMessagesCsv(int& csv) {
    DMESSAGES.dmMessagesUnit = 0;
    return closeAndRead(csv, "messages.csv");
  }

  static void compose(const std::string& l1, const std::string& l2 = "", const std::string& l3 = "") {
    DMESSAGES.dmLines[1].replace(0, l1.size(), l1);
    DMESSAGES.dmLines[2].replace(0, l2.size(), l2);
    DMESSAGES.dmLines[3].replace(0, l3.size(), l3);
  }
  static void context(const std::string& c1, const std::string& c2, const std::string& c3) {
    DMESSAGES.dmContext[1].replace(0, c1.size(), c1);
    DMESSAGES.dmContext[2].replace(0, c2.size(), c2);
    DMESSAGES.dmContext[3].replace(0, c3.size(), c3);
  }
};

// Splits one CSV row into its fields, honouring quoted fields with doubled quotes. ok is false
// when a quoted field never closes.
std::vector<std::string> csvFields(const std::string& row, bool& ok) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false, inQuotes = false;
  ok = true;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const char c = row[i];
    if (inQuotes) {
      if (c == '"' && i + 1 < row.size() && row[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        field += c;
      }
    } else if (c == ',') {
      fields.push_back(field);
      field.clear();
      quoted = false;
    } else if (c == '"' && !quoted) {
      quoted = inQuotes = true;
      // The writer puts one blank between the comma and the opening quote.
      while (!field.empty() && field.back() == ' ') field.pop_back();
    } else {
      field += c;
    }
  }
  if (inQuotes) ok = false;
  fields.push_back(field);
  return fields;
}

std::vector<std::string> fileLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string cur;
  for (char c : bytes) {
    if (c == '\n') {
      lines.push_back(cur);
      cur.clear();
    } else if (c != '\r') {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

// ---------------------------------------------------------------------------------------------
// Classification and counting

TEST_F(MessagesTest, KindWordsGiveTypeNumberAndCounter) {
  struct Case {
    std::string line1;
    int type, number;
    std::array<int, 4> counts;  // ERROR, WARNING, CHECK after the message
  };
  const std::vector<Case> cases = {
      {"ERROR 0251 - Cannot have more", 1, 251, {0, 1, 0, 0}},
      {"WARNING 0306 - Problems finding CoordSys", 2, 306, {0, 1, 1, 0}},
      {"CHECK 0008 - \"a.mif\" cannot be found", 3, 8, {0, 1, 1, 1}},
      {"UNSTABLE 0012 - Simulation unstable", 4, 12, {0, 1, 1, 1}},
      {"WARNING abcd - letters for a number", 2, 0, {0, 1, 2, 1}},
      {"ERROR - Reading following line", 1, 0, {0, 2, 2, 1}},
      {"ERROR 251 - three digits", 1, 251, {0, 3, 2, 1}},
      {"ERROR", 1, 0, {0, 4, 2, 1}},
      {"error 0251 - lower case", 0, 0, {0, 4, 2, 1}},
      {" ERROR 0251 - leading blank", 0, 0, {0, 4, 2, 1}},
      {"Finished.", 0, 0, {0, 4, 2, 1}},
  };
  for (const Case& c : cases) {
    compose(c.line1);
    DMESSAGE(-2);
    EXPECT_EQ(DMESSAGES.dmType, c.type) << c.line1;
    EXPECT_EQ(DMESSAGES.dmNumber, c.number) << c.line1;
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(DMESSAGES.dmCounters[k], c.counts[k]) << c.line1 << " counter " << k;
  }
  EXPECT_EQ(DMESSAGES.dmCounters[4] + DMESSAGES.dmCounters[5] + DMESSAGES.dmCounters[6], 0);
  EXPECT_EQ(output(), "");  // nblank -2 prints nowhere
}

TEST_F(MessagesTest, NumberIsReadFromTheSixColumnsAfterTheKindWord) {
  // Columns 6-11 after ERROR: a seventh digit lies outside them.
  compose("ERROR 1234567 - long number");
  DMESSAGE(-2);
  EXPECT_EQ(DMESSAGES.dmNumber, 12345);
  compose("UNSTABLE 0042");
  DMESSAGE(-2);
  EXPECT_EQ(DMESSAGES.dmNumber, 42);
}

// ---------------------------------------------------------------------------------------------
// Printing: console, log, single-line form, context line

TEST_F(MessagesTest, ConsolePrintsNonBlankLinesAfterEmptyLines) {
  compose("ERROR 0001 - first   ", "", "third");
  DMESSAGE(2);
  EXPECT_EQ(output(), "\n\nERROR 0001 - first\nthird\n");
}

TEST_F(MessagesTest, ContextsJoinIntoLineFour) {
  compose("CHECK 0002 - ctx");
  context("a", "", "c");
  DMESSAGE(0);
  EXPECT_EQ(output(), "CHECK 0002 - ctx\na; c\n");

  clearOutput();
  compose("CHECK 0002 - ctx");
  context("", "b", "");
  DMESSAGE(0);
  EXPECT_EQ(output(), "CHECK 0002 - ctx\n; b\n");

  clearOutput();
  compose("CHECK 0002 - ctx");
  context("a  ", "b", "c");
  DMESSAGE(0);
  EXPECT_EQ(output(), "CHECK 0002 - ctx\na; b; c\n");
}

TEST_F(MessagesTest, SingleLineJoinsPartsWithTwoBlanksAndIsResetAfter) {
  compose("WARNING 0003 - one", "two");
  context("ctx", "", "");
  DMESSAGES.dmSingleLine = true;
  DMESSAGE(1);
  EXPECT_EQ(output(), "\nWARNING 0003 - one  two  ctx\n");
  EXPECT_FALSE(DMESSAGES.dmSingleLine);
  clearOutput();
  compose("WARNING 0003 - one", "two");
  DMESSAGE(0);
  EXPECT_EQ(output(), "WARNING 0003 - one\ntwo\n");
}

TEST_F(MessagesTest, EchoLevelsChooseConsoleAndLog) {
  int log = openQuietly("O ", "run.log");
  DMESSAGES.dmLogUnit = log;

  compose("WARNING 0010 - both, one empty line");
  DMESSAGE(1);
  EXPECT_EQ(output(), "\nWARNING 0010 - both, one empty line\n");
  clearOutput();

  compose("WARNING 0011 - both, no empty line");
  DMESSAGE(0);
  clearOutput();

  compose("WARNING 0012 - log only");
  DMESSAGE(-1);
  EXPECT_EQ(output(), "");

  compose("WARNING 0013 - nowhere");
  DMESSAGE(-2);
  EXPECT_EQ(output(), "");
  EXPECT_EQ(DMESSAGES.dmCounters[2], 4);  // still counted

  DMESSAGES.dmLogUnit = 0;
  EXPECT_EQ(closeAndRead(log, "run.log"),
            "\nWARNING 0010 - both, one empty line\nWARNING 0011 - both, no empty line\nWARNING 0012 - log only\n");
}

TEST_F(MessagesTest, LogWithoutUnitWritesNothingAndConsoleStillPrints) {
  DMESSAGES.dmLogUnit = 0;
  compose("CHECK 0004 - console only");
  DMESSAGE(-1);
  EXPECT_EQ(output(), "");
  compose("CHECK 0004 - console only");
  DMESSAGE(0);
  EXPECT_EQ(output(), "CHECK 0004 - console only\n");
}

TEST_F(MessagesTest, LowerCaseKindIsPrintedButNotCounted) {
  compose("error 0251 - lower case kind");
  DMESSAGE(0);
  EXPECT_EQ(output(), "error 0251 - lower case kind\n");
  EXPECT_EQ(DMESSAGES.dmCounters[1], 0);
}

TEST_F(MessagesTest, BlankMessagePrintsOneEmptyLine) {
  DMESSAGE(0);
  EXPECT_EQ(output(), "\n");
}

TEST_F(MessagesTest, EveryMessageLeavesTheBlockCleared) {
  compose("ERROR 0005 - text", "two", "three");
  context("a", "b", "c");
  DMESSAGES.dmSingleLine = true;
  DMESSAGES.dmLastX = 5.0;
  DMESSAGES.dmLastY = 6.0;
  DMESSAGE(-2);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(DMESSAGES.dmLines[i], std::string(10000, ' ')) << "line " << i;
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(DMESSAGES.dmContext[i], std::string(10000, ' ')) << "context " << i;
  EXPECT_EQ(DMESSAGES.dmPrefix, "    ");
  EXPECT_EQ(DMESSAGES.dmLastX, -99999.0);
  EXPECT_EQ(DMESSAGES.dmLastY, -99999.0);
  EXPECT_FALSE(DMESSAGES.dmSingleLine);
  // Number, type and counters stay for the host to read.
  EXPECT_EQ(DMESSAGES.dmType, 1);
  EXPECT_EQ(DMESSAGES.dmNumber, 5);
  EXPECT_EQ(DMESSAGES.dmCounters[1], 1);
}

TEST_F(MessagesTest, LinesOfAnyLengthAreHandledAndRestored) {
  // Callers fill the fields directly; a shorter or longer text than declared must not upset the log.
  DMESSAGES.dmLines[1] = "ERROR 0006 - short field";
  DMESSAGES.dmLines[2] = std::string(12000, 'x');
  DMESSAGES.dmContext[1] = "";
  DMESSAGES.dmPrefix = "";
  DMESSAGE(0);
  EXPECT_EQ(output(), "ERROR 0006 - short field\n" + std::string(12000, 'x') + "\n");
  EXPECT_EQ(DMESSAGES.dmLines[1].size(), 10000u);
  EXPECT_EQ(DMESSAGES.dmContext[1].size(), 10000u);
  EXPECT_EQ(DMESSAGES.dmPrefix.size(), 4u);
}

TEST_F(MessagesTest, ClearAndResetRestoreTheStartingState) {
  DMESSAGES.dmLines[1] = "CHECK 0007";
  DMESSAGES.dmLastX = 1.0;
  DMESSAGES.dmLogUnit = 1001;
  DMESSAGECLEAR();
  EXPECT_EQ(DMESSAGES.dmLines[1], std::string(10000, ' '));
  EXPECT_EQ(DMESSAGES.dmLastX, -99999.0);
  EXPECT_EQ(DMESSAGES.dmLogUnit, 1001);  // units stay

  DMESSAGES.dmCounters = {0, 3, 4, 5, 6, 7, 8};
  DMESSAGERESETCOUNTERS();
  EXPECT_EQ(DMESSAGES.dmCounters, (std::array<int, 7>{}));
  EXPECT_EQ(DMESSAGES.dmLogUnit, 1001);

  DMESSAGES.dmLabelWidth = 3.0;
  DMESSAGES.dmCounters[6] = 2;
  DMESSAGES.dmMessagesUnit = 1002;
  DMESSAGES.reset();
  const DMessages fresh;
  EXPECT_EQ(DMESSAGES.dmLogUnit, 0);
  EXPECT_EQ(DMESSAGES.dmMessagesUnit, 0);
  EXPECT_EQ(DMESSAGES.dmLabelWidth, 0.0);
  EXPECT_EQ(DMESSAGES.dmCounters, fresh.dmCounters);
  EXPECT_EQ(DMESSAGES.dmLines, fresh.dmLines);
  EXPECT_EQ(fresh.dmLines[4], std::string(10000, ' '));
  EXPECT_EQ(fresh.dmContext[3], std::string(10000, ' '));
  EXPECT_EQ(fresh.dmPrefix, "    ");
  EXPECT_EQ(fresh.dmLastY, -99999.0);
}

TEST_F(MessagesTest, RuleLineGoesToConsoleAndUnit) {
  int u = openQuietly("O ", "rule.txt");
  DLINE(u);
  DLINE(0);
  const std::string rule(80, '_');
  EXPECT_EQ(output(), rule + "\n" + rule + "\n");
  EXPECT_EQ(closeAndRead(u, "rule.txt"), rule + "\n");
}

// ---------------------------------------------------------------------------------------------
// Messages CSV file

TEST_F(MessagesTest, CsvRecordHoldsNumberTypeLocationTextAndContexts) {
  int csv = openMessagesCsv();
  compose("ERROR 0251 - Cannot have more", "second \"quoted\"", "third");
  context("ctx1", "", "ctx \"3\"");
  DMESSAGE(-2);
  compose("WARNING 0306 - next");
  DMESSAGE(-2);
  compose("Finished.");  // type 0: no record
  DMESSAGE(-2);
  compose("error 0001 - lower case: no record");
  DMESSAGE(-2);
  const std::vector<std::string> rows = fileLines(closeMessagesCsv(csv));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0],
            "  251, 1,      -99999.000,      -99999.000, \"ERROR 0251 - Cannot have more  second \"\"quoted\"\"  "
            "third\", \"ctx1\", \"\", \"ctx \"\"3\"\"\"");
  EXPECT_EQ(rows[1], "  306, 2,      -99999.000,      -99999.000, \"WARNING 0306 - next\", \"\", \"\", \"\"");
  bool ok = false;
  const auto fields = csvFields(rows[0], ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(fields.size(), 8u);
  EXPECT_EQ(fields[4], "ERROR 0251 - Cannot have more  second \"quoted\"  third");
  EXPECT_EQ(fields[7], "ctx \"3\"");
}

TEST_F(MessagesTest, CsvRecordIsWrittenEvenWhenNothingIsPrinted) {
  int csv = openMessagesCsv();
  compose("UNSTABLE 0099 - quiet");
  DMESSAGE(-5);
  EXPECT_EQ(output(), "");
  EXPECT_EQ(closeMessagesCsv(csv),
            "   99, 4,      -99999.000,      -99999.000, \"UNSTABLE 0099 - quiet\", \"\", \"\", \"\"\n");
}

TEST_F(MessagesTest, CsvTextsAreCutBeforeTheirQuotesAreDoubled) {
  // A quote at the 1000th character: doubling first and cutting after would leave one quote of
  // the pair, and the field would swallow the rest of the row.
  std::string line1 = "CHECK 0020 - ";
  line1 += std::string(999 - line1.size(), 'a') + "\"tail beyond the cut";
  compose(line1);
  std::string ctx = std::string(999, 'c') + "\"" + "more";
  context(ctx, "", "x");
  int csv = openMessagesCsv();
  DMESSAGE(-2);
  compose("CHECK 0021 - next row");
  DMESSAGE(-2);
  const std::vector<std::string> rows = fileLines(closeMessagesCsv(csv));
  ASSERT_EQ(rows.size(), 2u);
  bool ok = false;
  const auto fields = csvFields(rows[0], ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(fields.size(), 8u);
  EXPECT_EQ(fields[4], line1.substr(0, kTextLength));
  EXPECT_EQ(fields[5], ctx.substr(0, kTextLength));
  EXPECT_EQ(fields[7], "x");
  const auto next = csvFields(rows[1], ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(next[4], "CHECK 0021 - next row");
}

// ---------------------------------------------------------------------------------------------
// Located messages

TEST_F(MessagesTest, LocatedMessageDrawsTextObjectAndRow) {
  int mif = 0, mid = 0;
  openLocatedLayer(true, "warn", 10.0, 100.0, mif, mid);
  int csv = openMessagesCsv();
  compose("ERROR 0300 - Located \"here\"", "", "third");
  DMESSAGEXY(0, 1000.0, 2000.0);
  EXPECT_EQ(output(), "XY: ERROR 0300 - Located \"here\"\nthird\n");
  EXPECT_EQ(DMESSAGES.dmCounters[1], 1);
  EXPECT_EQ(DMESSAGES.dmCounters[4], 1);
  EXPECT_EQ(DMESSAGES.dmPrefix, "    ");
  EXPECT_EQ(DMESSAGES.dmLastX, -99999.0);
  DMESSAGES.dmMessagesUnit = DMESSAGES.dmMifUnitWarn = DMESSAGES.dmMidUnitWarn = 0;

  EXPECT_EQ(closeAndRead(mif, "warn.mif"),
            "Text\n"
            "\"ERROR 0300 - Located \"\"here\"\"\\nthird\"\n"
            "            1010.000        1990.000        1110.000        2010.000\n"
            "    Font (\"Arial\",257,0,16711935,0)\n"
            "    Label Line Arrow         1000.000        2000.000\n");
  EXPECT_EQ(closeAndRead(mid, "warn.mid"), "\"ERROR 0300 - Located \"\"here\"\"  third  \"\n");
  EXPECT_EQ(closeAndRead(csv, "messages.csv"),
            "  300, 1,        1000.000,        2000.000, \"ERROR 0300 - Located \"\"here\"\"    third\", \"\", \"\", "
            "\"\"\n");
}

TEST_F(MessagesTest, LocatedKindsChooseLayerFontAndCounter) {
  int wMif = openQuietly("O ", "w.mif"), wMid = openQuietly("O ", "w.mid");
  int cMif = openQuietly("O ", "c.mif"), cMid = openQuietly("O ", "c.mid");
  DMESSAGES.dmMifUnitWarn = wMif;
  DMESSAGES.dmMidUnitWarn = wMid;
  DMESSAGES.dmMifUnitCheck = cMif;
  DMESSAGES.dmMidUnitCheck = cMid;
  const char* lines[] = {"WARNING 0001", "UNSTABLE 0002", "CHECK 0003", "Note 4", "ERROR 0005"};
  for (const char* l : lines) {
    compose(l);
    DMESSAGEXY(-2, 0.0, 0.0);
  }
  EXPECT_EQ(DMESSAGES.dmCounters[4], 1);
  EXPECT_EQ(DMESSAGES.dmCounters[5], 1);
  EXPECT_EQ(DMESSAGES.dmCounters[6], 1);
  DMESSAGES.reset();
  const auto warn = fileLines(closeAndRead(wMif, "w.mif"));
  const auto check = fileLines(closeAndRead(cMif, "c.mif"));
  ASSERT_EQ(warn.size(), 15u);
  ASSERT_EQ(check.size(), 10u);
  EXPECT_EQ(warn[3], "    Font (\"Arial\",257,0,16776960,0)");   // WARNING: yellow
  EXPECT_EQ(warn[8], "    Font (\"Arial\",257,0,16711935,0)");   // UNSTABLE: magenta
  EXPECT_EQ(warn[13], "    Font (\"Arial\",257,0,16711935,0)");  // ERROR: magenta
  EXPECT_EQ(check[3], "    Font (\"Arial\",257,0,255,16777215)");    // CHECK: blue
  EXPECT_EQ(check[8], "    Font (\"Arial\",257,0,53248,16777215)");  // other: green
  EXPECT_EQ(check[6], "\"Note 4\"");
  EXPECT_EQ(closeAndRead(wMid, "w.mid"), "\"WARNING 0001  \"\n\"UNSTABLE 0002  \"\n\"ERROR 0005  \"\n");
  EXPECT_EQ(closeAndRead(cMid, "c.mid"), "\"CHECK 0003  \"\n\"Note 4  \"\n");
}

TEST_F(MessagesTest, LocatedSingleLineSeparatesWithBlanksAndSizesTheBox) {
  int mif = 0, mid = 0;
  openLocatedLayer(false, "c", 2.0, 50.0, mif, mid);
  compose("CHECK 0009 - a", "b", "c");
  context("d", "", "");
  DMESSAGES.dmSingleLine = true;
  DMESSAGEXY(0, -10.0, 5.5);
  EXPECT_EQ(output(), "XY: CHECK 0009 - a  b  c  d\n");
  const auto obj = fileLines(closeAndRead(mif, "c.mif"));
  ASSERT_EQ(obj.size(), 5u);
  EXPECT_EQ(obj[1], "\"CHECK 0009 - a  b  c  d\"");
  // Four text lines, two map units each: the box is 8 high, centred on y.
  EXPECT_EQ(obj[2], "              -8.000           1.500          42.000           9.500");
  EXPECT_EQ(obj[4], "    Label Line Arrow          -10.000           5.500");
  EXPECT_EQ(closeAndRead(mid, "c.mid"), "\"CHECK 0009 - a  b  c  d  \"\n");
}

// Coordinates that fill their 16 columns, or need more, still stand apart, whole.
TEST_F(MessagesTest, LocatedCoordinatesStandApartWhateverTheirSize) {
  int mif = 0, mid = 0;
  openLocatedLayer(false, "wide", 10.0, 100.0, mif, mid);
  compose("CHECK 0010 - far away");
  DMESSAGEXY(-2, 123456789012.0, -1.0e20);
  compose("CHECK 0011 - near");
  DMESSAGEXY(-2, 1.0, 2.0);
  const auto obj = fileLines(closeAndRead(mif, "wide.mif"));
  ASSERT_EQ(obj.size(), 10u);
  EXPECT_EQ(obj[2], "     123456789022.000 -100000000000000000000.000 123456789122.000 -100000000000000000000.000");
  EXPECT_EQ(obj[4], "    Label Line Arrow  123456789012.000 -100000000000000000000.000");
  EXPECT_EQ(obj[7], "              11.000          -3.000         111.000           7.000");
  EXPECT_EQ(obj[9], "    Label Line Arrow            1.000           2.000");
}

TEST_F(MessagesTest, LocatedMessageWithoutOpenLayersStillCountsAndPrints) {
  // Units that were never opened, or were closed, receive nothing.
  int mif = openQuietly("O ", "closed.mif");
  const int closedUnit = mif;
  CLOSER(mif);
  clearOutput();
  DMESSAGES.dmMifUnitWarn = closedUnit;
  DMESSAGES.dmMidUnitWarn = 1999;
  compose("WARNING 0400 - no map");
  DMESSAGEXY(1, 1.0, 2.0);
  EXPECT_EQ(output(), "\nXY: WARNING 0400 - no map\n");
  EXPECT_EQ(DMESSAGES.dmCounters[2], 1);
  EXPECT_EQ(DMESSAGES.dmCounters[5], 1);
  EXPECT_EQ(readFile(dir_ / "closed.mif"), "");
}

TEST_F(MessagesTest, LocatedLayerOpensInGdal) {
  int mif = 0, mid = 0;
  openLocatedLayer(true, "located", 5.0, 40.0, mif, mid);
  for (const char* line : {"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                           "CoordSys NonEarth Units \"m\" Bounds (-100000, -100000) (100000, 100000)", "Columns 1",
                           "  Message Char(254)", "Data", ""})
    fuWriteLine(mif, line);
  compose("ERROR 0301 - first \"quoted\"", "second");
  DMESSAGEXY(-2, 100.0, 200.0);
  compose("WARNING 0302 - second object");
  context("ctx", "", "");
  DMESSAGEXY(-2, -50.0, 75.0);
  DMESSAGES.reset();
  CLOSER(mif);
  CLOSER(mid);
  expectCheckerAccepts("gdalcheck.py", "located.mif", "features=2");
}

}  // namespace
