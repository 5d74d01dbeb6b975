// MIF header navigation: the "Columns" count, attribute definition lines, the "Data" search, the
// CoordSys line found, cleaned and read from a projection file, and the header copy.
#include <filesystem>
#include <string>

#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

class MifHeaderTest : public FileUnitsTest {
 protected:
  std::string nextLine(int unit) {
    std::string line;
    fuReadLine(unit, line);
    return line;
  }
};

const char* const kHeader =
    "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\nCoordSys Earth Projection 1, 104\r\n"
    "Columns 3\r\n  ID Integer\r\n  Data_Source Char(20)\r\n  Depth Decimal(10,2)\r\nData\r\n\r\nPoint 1 2\r\n";

TEST_F(MifHeaderTest, ColumnsCountThenDefinitionsThenData) {
  const int unit = openText("a.mif", kHeader);
  int n = 0;
  EXPECT_TRUE(mifGotoBeginningOfAttributes(unit, n));
  EXPECT_EQ(n, 3);
  GisAttributeDefinition d;
  mifReadAttributeDefinition(unit, d);
  EXPECT_EQ(fixed::trimmed(d.name), "ID");
  EXPECT_EQ(fixed::trimmed(d.type), "Integer");
  mifReadAttributeDefinition(unit, d);
  EXPECT_EQ(fixed::trimmed(d.name), "Data_Source");
  mifReadAttributeDefinition(unit, d);
  EXPECT_EQ(fixed::trimmed(d.name), "Depth");
  EXPECT_EQ(fixed::trimmed(d.type), "Decimal(10,2)");
  EXPECT_EQ(d.name.size(), 256u);
  EXPECT_EQ(d.type.size(), 24u);
  // The "Data" search follows the header: the column named Data_Source is not taken for it.
  mifGotoBeginningOfData(unit);
  EXPECT_EQ(nextLine(unit), "");
  EXPECT_EQ(nextLine(unit), "Point 1 2");
  EXPECT_EQ(output(), "");
}

TEST_F(MifHeaderTest, CountIsTheNumberAfterTheKeywordAndWithoutOneTheRoutineWarns) {
  int n = -7;
  EXPECT_TRUE(mifGotoBeginningOfAttributes(openText("a.mif", "Version 300\n  Columns 3\n  A Integer\nData\n"), n));
  EXPECT_EQ(n, 3);
  EXPECT_EQ(nextLine(fuUnitOfFile("a.mif")), "  A Integer");

  setInput("\n\n");
  n = -7;
  EXPECT_FALSE(mifGotoBeginningOfAttributes(openText("b.mif", "Version 300\nColumns many\n  A Integer\n"), n));
  EXPECT_EQ(n, -7);
  EXPECT_EQ(output(),
            "\nWARNING 0314 - Problems reading number of attributes in .mif file\n\nPress Enter to Continue\n");
  // No "Columns" line: no count is taken from another line.
  clearOutput();
  EXPECT_FALSE(mifGotoBeginningOfAttributes(openText("c.mif", "Version 300\nCoordSys NonEarth\nabcdefg 12\n"), n));
  EXPECT_EQ(n, -7);
  EXPECT_EQ(output(), "\nWARNING 0315 - Problems finding start of attribute definitions in .mif file\n\n"
                      "Press Enter to Continue\n");
}

TEST_F(MifHeaderTest, MissingDataOrDefinitionStops) {
  const int unit = openText("a.mif", "Version 300\nColumns 1\n");
  int n = 0;
  ASSERT_TRUE(mifGotoBeginningOfAttributes(unit, n));
  GisAttributeDefinition d;
  EXPECT_EQ(expectRunEnd([&] { mifReadAttributeDefinition(unit, d); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0316 - Could not read attribute definitions in .mif file\nLine 2 of file a.mif.\n"));
  startAgain();
  const int again = openText("a.mif", "Version 300\nColumns 1\n  A Integer\n");
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { mifGotoBeginningOfData(again); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0313 - Could not find start of \"Data\" block in .mif file.\nLine 3 of file a.mif.\n"));
}

TEST_F(MifHeaderTest, LayerFormsWorkOnTheLayersMifAndGuardOtherKinds) {
  writeFile(dir_ / "lay.mif", kHeader);
  writeFile(dir_ / "lay.mid", "1,\"a\",2\n");
  const int id = gisOpenLayer("lay.mif", " ", "I ", false);
  int n = 0;
  EXPECT_TRUE(gisGotoBeginningOfAttributes(id, n));
  EXPECT_EQ(n, 3);
  EXPECT_EQ(fixed::trimmed(gisReadAttributeDefinition(id).name), "ID");
  EXPECT_EQ(fixed::trimmed(gisReadAttributeDefinition(id).type), "Char(20)");

  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { gisGotoBeginningOfAttributes(0, n); }), 1);
  EXPECT_TRUE(outputHas("Should not be here gisGotoBeginningOfAttributes[gisID=0] - please contact" + kContact));
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { gisReadAttributeDefinition(id + 1); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [gisReadAttributeDefinition] - please contact" + kContact));
}

TEST_F(MifHeaderTest, FindCoordSysStartsWhereTheUnitStands) {
  const int unit = openText("a.mif", "CoordSys First\nColumns 1\n  A Integer\ncoordsys Second\t\nData\n");
  EXPECT_EQ(mifFindCoordSysLine(unit), "CoordSys First");
  EXPECT_EQ(mifFindCoordSysLine(unit), "coordsys Second\t");
  EXPECT_EQ(mifFindCoordSysLine(unit), "") << "no further CoordSys line";
  EXPECT_EQ(output(), "");
}

TEST_F(MifHeaderTest, CleanedCoordSysIsTheComparisonForm) {
  EXPECT_EQ(mifCleanCoordSysLine("CoordSys Earth Projection 1, 104"), "COORDSYSEARTHPROJECTION1,104");
  EXPECT_EQ(mifCleanCoordSysLine("  CoordSys NonEarth Units \"m\"\tBounds (0, 0) (1, 1)"),
            "COORDSYSNONEARTHUNITSMBOUNDS(0,0)(1,1)");
}

TEST_F(MifHeaderTest, CoordSysOfAProjectionFile) {
  writeFile(dir_ / "Header.mif", kHeader);
  EXPECT_EQ(mifReadCoordSysLine("  Header.mif"), "CoordSys Earth Projection 1, 104");
  EXPECT_EQ(fuUnitOfFile("Header.mif"), 0) << "the file is closed once its line is read";
  writeFile(dir_ / "None.mif", "Version 300\nColumns 1\n");
  EXPECT_EQ(mifReadCoordSysLine("None.mif"), kDefaultCoordSys);
  EXPECT_FALSE(outputHas("WARNING"));
}

TEST_F(MifHeaderTest, MissingProjectionFileGivesNonEarthAfterAWarningAndAPause) {
  setInput("\n");
  EXPECT_EQ(mifReadCoordSysLine("Projection.mif"),
            "CoordSys NonEarth Units \"m\" Bounds(-9999999, -9999999) (9999999, 9999999)");
  EXPECT_EQ(output(),
            "\nWARNING 0307 - No MapInfo Projection or mif header file Projection.mif found.\n"
            "               Non-Earth Coordinates will be used.  [mifReadCoordSysLine]\n"
            "\nPress Enter to Continue\n");
}

TEST_F(MifHeaderTest, CopyHeaderWritesTheLinesBeforeColumns) {
  const int in = openText("a.mif", kHeader);
  int out = 0;
  OPENERBYNAME(out, "O ", "b.mif", 80);
  clearOutput();
  mifCopyHeader(in, out);
  EXPECT_EQ(output(), "Copying header info from file unit " + std::to_string(in) + " to " + std::to_string(out) +
                          "...\n");
  EXPECT_EQ(nextLine(in), "  ID Integer") << "left after the Columns line";
  CLOSER(out);
  EXPECT_EQ(readFile(dir_ / "b.mif"),
            "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\nCoordSys Earth Projection 1, 104\n");
}

TEST_F(MifHeaderTest, CopyHeaderOfAFileWithoutColumnsCopiesItAll) {
  const int in = openText("a.mif", "Version 300\nCoordSys NonEarth\n");
  int out = 0;
  OPENERBYNAME(out, "O ", "b.mif", 80);
  mifCopyHeader(in, out);
  CLOSER(out);
  EXPECT_EQ(readFile(dir_ / "b.mif"), "Version 300\nCoordSys NonEarth\n");

  // A copy that cannot be written ends the run naming the file; lines longer than the buffer
  // make the write fail before the close.
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::filesystem::create_symlink("/dev/full", dir_ / "full.mif");
  std::string longHeader;
  for (int i = 0; i < 10; ++i) longHeader += "Version " + std::string(990, '3') + "\n";
  const int in2 = openText("c.mif", longHeader + "Columns 1\n");
  OPENERBYNAME(out, "O ", "full.mif", 80);
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { mifCopyHeader(in2, out); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0437 - Writing .mif file header.\n               Could not write file full.mif.\n"));
}

}  // namespace
