// Reading layer headers: shapefile sets and MIF layers written by the library's own writers read
// back, hand-made .dbf and .mif headers of every accepted form, and damaged headers that must stop
// the run with a clear message.
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

using byteorder::Order;

class LayerReadHeaderTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    defineAttributes({{"Name", "Char", 6}, {"Level", "Float"}});
    setOutputProjection("PROJCS[\"Local\"]", "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)");
  }

  void writePoints(const std::string& name, const std::string& kinds) {
    int id = openOutputLayer(name, kinds);
    const double xs[] = {10.0, -5.5, 30.25}, ys[] = {20.0, 7.0, -1.0};
    for (int i = 0; i < 3; ++i) {
      writeShape(id, &GisObject::isPoint, {{xs[i], ys[i]}}, "\"p" + std::to_string(i) + "\"," + std::to_string(i) + ".5");
    }
    gisCloseLayer(id);
  }
};

// ---- shapefile sets ---------------------------------------------------------------------------

TEST_F(LayerReadHeaderTest, ShapefileWrittenByTheLibraryReadsBack) {
  writePoints("pts.shp", "P");
  const int id = gisOpenLayer("pts.shp", "P", "I ", false);
  ASSERT_GT(id, 0);
  const int beUnit = gGis.layers[id].shpSubLayer[kShpInputSubLayer].shpUnitBE;
  clearOutput();
  gisReadHeader(id);
  const ShpSubLayer& shp = gGis.layers[id].shpSubLayer[kShpInputSubLayer];
  EXPECT_EQ(shp.fileCode, 9994);
  EXPECT_EQ(shp.fileLength, 50 + 3 * 14);
  EXPECT_EQ(shp.version, 1000);
  EXPECT_EQ(shp.fileShapeType, 1);
  EXPECT_DOUBLE_EQ(shp.xmin, -5.5);
  EXPECT_DOUBLE_EQ(shp.ymin, -1.0);
  EXPECT_DOUBLE_EQ(shp.xmax, 30.25);
  EXPECT_DOUBLE_EQ(shp.ymax, 20.0);
  EXPECT_EQ(shp.shpUnitBE, 0) << "the big-endian view is closed after the header";
  EXPECT_EQ(fuTell(shp.shpUnitLE), 100u);
  const DbfSubLayer& dbf = gGis.layers[id].dbfSubLayer[kShpInputSubLayer];
  EXPECT_EQ(dbf.headerRecordCount, 3);
  EXPECT_EQ(dbf.nFields, 2);
  EXPECT_EQ(dbf.recordLength, 6 + 16);
  EXPECT_EQ(dbf.records, 0);
  EXPECT_EQ(output(),
            "Shapefile Code: 9994  Length: 92\n"
            "Shapefile Version: 1000  Type: 1\n"
            "...Closed File Unit:" + std::to_string(beUnit) + "\n"
            "DBF file contains 3 records.\n"
            "2 DBF Fields (Name [#/Type/Length]): Name [1/C/6]  Level [2/N/16]  \n");
  EXPECT_EQ(gisNumberAttributes(id), 2);
  EXPECT_EQ(gisNumberRecords(id), 3);
  // The first record's deletion flag follows the descriptors.
  EXPECT_EQ(fuTell(dbf.unit), 32u * 3 + 1);
}

TEST_F(LayerReadHeaderTest, RewindOfAShapefileReadsBothHeadersAgainAndAnEmptyOneIsAtItsEnd) {
  writePoints("pts.shp", "P");
  const int id = gisOpenLayer("pts.shp", "P", "I ", false);
  gisReadHeader(id);
  GisLayerSlot& slot = gGis.layers[id];
  slot.gisEndOfData = true;
  slot.dbfSubLayer[kShpInputSubLayer].records = 2;
  fuSeek(slot.shpSubLayer[kShpInputSubLayer].shpUnitLE, 120);
  clearOutput();
  gisGotoBeginningOfData(id);
  EXPECT_FALSE(slot.gisEndOfData);
  EXPECT_EQ(slot.dbfSubLayer[kShpInputSubLayer].records, 0);
  EXPECT_EQ(fuTell(slot.shpSubLayer[kShpInputSubLayer].shpUnitLE), 100u);
  EXPECT_EQ(output(),
            "\nRewinding GIS Layer " + std::to_string(id) +
                "...\nDBF file contains 3 records.\n"
                "2 DBF Fields (Name [#/Type/Length]): Name [1/C/6]  Level [2/N/16]  \n");

  // A layer of no records: at its end once prepared, and again after a rewind.
  int out = openOutputLayer("none.shp", "P");
  gisCloseLayer(out);
  ASSERT_EQ(readFile(dir_ / "none_P.shp").size(), 100u);
  const int empty = gisOpenLayer("none.shp", "P", "I ", false);
  gisReadHeader(empty);
  EXPECT_TRUE(gGis.layers[empty].gisEndOfData);
  gisGotoBeginningOfData(empty);
  EXPECT_TRUE(gGis.layers[empty].gisEndOfData);
  clearOutput();
  GisObject o;
  EXPECT_FALSE(gisObjectType(empty, o));
  EXPECT_EQ(output(), "");
  EXPECT_TRUE(gGis.layers[empty].gisEndOfData);
}

TEST_F(LayerReadHeaderTest, TruncatedShpHeaderStops) {
  writePoints("pts.shp", "P");
  writeFile(dir_ / "pts_P.shp", readFile(dir_ / "pts_P.shp").substr(0, 60));
  const int id = gisOpenLayer("pts.shp", "P", "I ", false);
  expectStop("ERROR 0428 - End of .shp file encountered whilst reading header.\nHeader of file pts_P.shp.",
             [&] { gisReadHeader(id); });
}

// ---- .dbf tables ------------------------------------------------------------------------------

class DbfHeaderTest : public LayerReadHeaderTest {
 protected:
  int openTable(const std::string& bytes) {
    writeFile(dir_ / "t.dbf", bytes);
    const int id = gisOpenLayer("t.dbf", " ", "I ", true);
    clearOutput();
    return id;
  }
};

TEST_F(DbfHeaderTest, ThreeFieldsPrintOneLineWithTwoBlanksAfterEachBracket) {
  const int id = openTable(dbfBytes(0, {{"ID", 'N', 8}, {"NAME", 'C', 20}, {"FLAG", 'L', 1}}));
  gisReadHeader(id);
  EXPECT_EQ(output(),
            "DBF file contains 0 records.\n"
            "3 DBF Fields (Name [#/Type/Length]): ID [1/N/8]  NAME [2/C/20]  FLAG [3/L/1]  \n");
  const DbfSubLayer& dbf = gGis.layers[id].dbfSubLayer[kShpInputSubLayer];
  EXPECT_EQ(dbf.recordLength, 29);
  EXPECT_EQ(dbf.fieldName[2], "NAME       ");
  EXPECT_EQ(dbf.fieldType[3], "L");
}

TEST_F(DbfHeaderTest, LengthsAndNamesAsTheFileGivesThem) {
  const int id = openTable(dbfBytes(0, {{"TEXT", 'C', 200}}));
  gisReadHeader(id);
  EXPECT_EQ(gGis.layers[id].dbfSubLayer[kShpInputSubLayer].fieldLength[1], 200) << "a length byte above 127 is unsigned";

  // Padding between the terminator and the header length, a name ended by a NUL with bytes after
  // it, and a record longer than its fields: the record is found, and the next one after it.
  startAgain();
  std::string t = dbfBytes(2, {{"ID", 'N', 4}, {"NAME", 'C', 5}}, "   12abcde!!!    7fghij!!!");
  const std::size_t terminator = 32 + 2 * 32;
  t.insert(terminator + 1, std::string(7, '\0'));
  t[8] = static_cast<char>(terminator + 1 + 7);
  t[10] = static_cast<char>(1 + 4 + 5 + 3);
  t.replace(32 + 32 + 4, 3, std::string("\0XY", 3));  // NAME, a NUL, then stray bytes
  const int padded = openTable(t);
  gisReadHeader(padded);
  const DbfSubLayer& dbf = gGis.layers[padded].dbfSubLayer[kShpInputSubLayer];
  EXPECT_EQ(fixed::trimmed(dbf.fieldName[2]), "NAME");
  EXPECT_EQ(fuTell(dbf.unit), terminator + 1 + 7);
  std::string line(100, ' ');
  GisObject o;
  gisReadRecord(padded, o, line);
  EXPECT_EQ(fixed::trimmed(line), "  12,\"abcde\"");
  gisReadRecord(padded, o, line);
  EXPECT_EQ(fixed::trimmed(line), "   7,\"fghij\"");
}

TEST_F(DbfHeaderTest, DamagedTablesStopWithTheirMessage) {
  struct Case {
    std::string bytes, message;
  };
  std::string tooMany;
  {
    std::vector<Field> f;
    for (int i = 0; i < 129; ++i) f.push_back({"F" + std::to_string(i), 'N', 4});
    tooMany = dbfBytes(0, f);
  }
  const std::string three = dbfBytes(0, {{"ID", 'N', 8}, {"NAME", 'C', 20}, {"FLAG", 'L', 1}});
  auto withByte = [](std::string b, std::size_t at, int value) {
    b[at] = static_cast<char>(value);
    return b;
  };
  const std::vector<Case> cases = {
      {dbfBytes(0, {}), "ERROR 0319 - No attributes specified in .dbf file."},
      {tooMany, "ERROR 0401 - Exceeded maximum number of dbf Fields."},
      {dbfBytes(0, {{"ZERO", 'N', 0}}),
       "ERROR 0402 - dbf field length of 0 is outside allowable range of 1 to 255."},
      {three.substr(0, 32 + 32 + 20), "ERROR 0404 - End of .dbf file encountered whilst reading header."},
      {three.substr(0, 20), "ERROR 0404 - End of .dbf file encountered whilst reading header."},
      {dbfBytes(-4, {{"ID", 'N', 8}}),
       "ERROR 0403 - Reading .dbf file header.\n               Record count of -4 in file t.dbf is negative."},
      {withByte(three, 8, 40), "ERROR 0403 - Reading .dbf file header.\n               Header length of 40 in file "
                               "t.dbf ends before its field descriptors (129)."},
      {withByte(three, 10, 20), "ERROR 0403 - Reading .dbf file header.\n               Record length of 20 in file "
                                "t.dbf is shorter than its fields (30)."},
      {withByte(three, 8, 200), "ERROR 0404 - End of .dbf file encountered whilst reading header."},
  };
  for (const Case& c : cases) {
    startAgain();
    const int id = openTable(c.bytes);
    expectStop(c.message + "\nHeader of file t.dbf.", [&] { gisReadHeader(id); });
  }
}

// ---- .mif headers -----------------------------------------------------------------------------

class MifHeaderReadTest : public LayerReadHeaderTest {
 protected:
  // The layer's attribute names and types as read, in order.
  static void expectAttributes(const MifLayer& mif, const std::vector<std::pair<std::string, std::string>>& nameType) {
    ASSERT_EQ(mif.nAttributes, static_cast<int>(nameType.size()));
    for (std::size_t i = 0; i < nameType.size(); ++i) {
      EXPECT_EQ(fixed::trimmed(mif.attributeName[i + 1]), nameType[i].first);
      EXPECT_EQ(fixed::trimmed(mif.attributeType[i + 1]), nameType[i].second);
    }
  }
  int openMif(const std::string& mif, const std::string& mid = "") {
    writeFile(dir_ / "m.mif", mif);
    writeFile(dir_ / "m.mid", mid);
    const int id = gisOpenLayer("m.mif", " ", "I ", false);
    clearOutput();
    return id;
  }
};

TEST_F(MifHeaderReadTest, LayerWrittenByTheLibraryReadsBack) {
  int out = openOutputLayer("w.mif", " ");
  gisCloseLayer(out);
  const int id = gisOpenLayer("w.mif", " ", "I ", false);
  clearOutput();
  gisReadHeader(id);
  const MifLayer& mif = gGis.layers[id].mifLayer;
  expectAttributes(mif, {{"Name", "Char(6)"}, {"Level", "Float"}});
  EXPECT_EQ(output(), "2 MIF Fields: Name [#/Type]: Name [1/Char(6)]  Level [2/Float]  \n");
  EXPECT_EQ(gisNumberAttributes(id), 2);
  // Left on the line after "Data": the empty line the writer puts there.
  std::string next;
  EXPECT_EQ(fuReadLine(mif.mifUnit, next), ReadStatus::Ok);
  EXPECT_EQ(next, "");
}

TEST_F(MifHeaderReadTest, AnyCaseExtraLinesCrlfAndFreeFormAttributeLines) {
  const int id = openMif(
      "version 300\r\nCharset \"WindowsLatin1\"\r\nIndex 1\r\ncoordsys nonearth units \"m\"\r\n"
      "COLUMNS 3\r\n  Name Char(20)\r\nDepth\r\n\tSize Decimal(10,2)\r\nDATA\r\n\r\nPoint 1 2\r\n");
  gisReadHeader(id);
  const MifLayer& mif = gGis.layers[id].mifLayer;
  // A TAB is no blank: it stays with the name.
  expectAttributes(mif, {{"Name", "Char(20)"}, {"Depth", ""}, {"\tSize", "Decimal(10,2)"}});
  std::string next;
  fuReadLine(mif.mifUnit, next);
  EXPECT_EQ(next, "");
}

TEST_F(MifHeaderReadTest, DamagedHeadersStopWithTheirMessage) {
  struct Case {
    std::string mif, message;
    int line;  // the line read last, which the refusal names
  };
  std::string many = "Version 300\nColumns 300\n";
  for (int i = 0; i < 300; ++i) many += "  A" + std::to_string(i) + " Integer\n";
  many += "Data\n";
  const std::vector<Case> cases = {
      {"Version 300\nCoordSys NonEarth\nData\n",
       "ERROR 0315 - Could not find start of attribute definitions in .mif file", 3},
      {"Version 300\nXXXXXXX 1\n", "ERROR 0315 - Could not find start of attribute definitions in .mif file", 2},
      {"Version 300\nColumns 0\nData\n", "ERROR 0319 - No attributes specified in .mif file.", 2},
      {"Version 300\nColumns two\nData\n", "ERROR 0314 - Could not read number of attributes in .mif file", 2},
      {"Version 300\nColumns 2\n  A Integer\n", "ERROR 0316 - Could not read attribute definitions in .mif file", 3},
      {"Version 300\nColumns 1\n  A Integer\nPoint 1 2\n",
       "ERROR 0313 - Could not find start of \"Data\" block in .mif file.", 4},
      {many, "ERROR 0314 - Could not read number of attributes in .mif file\n"
             "               Columns count of 300 in file m.mif is above the limit of 256.", 2},
  };
  for (const Case& c : cases) {
    startAgain();
    const int id = openMif(c.mif);
    expectStop(c.message + "\nLine " + std::to_string(c.line) + " of file m.mif.", [&] { gisReadHeader(id); });
  }
}

TEST_F(MifHeaderReadTest, CountAfterTheKeywordAndARewindFollowsTheHeader) {
  // "Columns" after leading blanks; the count is the number after it. Columns named Data_Source
  // and Points are column lines, not the "Data" line.
  const int id = openMif("Version 300\n   Columns 3\n  Data_Source Char(10)\n  Points Integer\n  B Integer\n"
                         "Data\nPoint 1 2\n",
                         "\"a\",1,1\n\"b\",2,2\n");
  gisReadHeader(id);
  MifLayer& mif = gGis.layers[id].mifLayer;
  EXPECT_EQ(mif.nAttributes, 3);
  std::string row;
  fuReadLine(mif.midUnit, row);
  clearOutput();
  gisGotoBeginningOfData(id);
  EXPECT_EQ(output(), "\nRewinding GIS Layer " + std::to_string(id) + "...\n");
  std::string next;
  fuReadLine(mif.mifUnit, next);
  EXPECT_EQ(next, "Point 1 2");
  fuReadLine(mif.midUnit, row);
  EXPECT_EQ(row, "\"a\",1,1");

  // The header read, the rewind and the navigation walk a header alike: each leaves the .mif on
  // the first object line, and the navigation finds the count and the first column line.
  const std::string headers[] = {
      "Version 300\nColumns 2\n  Data Char(4)\n  B Integer\nData\nPoint 1 2\n",
      "version 300\r\ncoordsys nonearth\r\n  COLUMNS 1 more\r\n  Depth\r\n\r\n  data\r\nPoint 1 2\r\n",
      "Columns 1\n  Columns_Seen Char(3)\nNot yet\nDATA here\nPoint 1 2\n",
  };
  for (const std::string& header : headers) {
    startAgain();
    const int layer = openMif(header, "1\n");
    gisReadHeader(layer);
    const MifLayer& read = gGis.layers[layer].mifLayer;
    const std::uint64_t afterData = fuTell(read.mifUnit);
    fuReadLine(read.mifUnit, next);
    EXPECT_EQ(next, "Point 1 2") << header;
    gisGotoBeginningOfData(layer);
    EXPECT_EQ(fuTell(read.mifUnit), afterData) << header;
    int n = 0;
    ASSERT_TRUE(gisGotoBeginningOfAttributes(layer, n)) << header;
    EXPECT_EQ(n, read.nAttributes) << header;
    EXPECT_EQ(gisReadAttributeDefinition(layer).name.substr(0, kGisAttributeNameLength), read.attributeName[1]) << header;
  }
}

TEST_F(MifHeaderReadTest, RewindTestsOnlyTheFirstHundredCharacters) {
  const std::string longLine = "  Attr" + std::string(100, 'x') + "Data Char(4)";
  const int id = openMif("Version 300\nColumns 1\n" + longLine + "\nData\nPoint 1 2\n");
  gisReadHeader(id);
  gisGotoBeginningOfData(id);
  std::string next;
  fuReadLine(gGis.layers[id].mifLayer.mifUnit, next);
  EXPECT_EQ(next, "Point 1 2");
}

TEST_F(MifHeaderReadTest, RecordCountCountsBlankRowsAndAnUnendedLastRow) {
  const int id = openMif("Columns 1\n  A Integer\nData\n", "1\n\n3\r\n4");
  gisReadHeader(id);
  MifLayer& mif = gGis.layers[id].mifLayer;
  std::string row;
  fuReadLine(mif.midUnit, row);
  EXPECT_EQ(gisNumberRecords(id), 4);
  static_assert(std::is_same_v<decltype(gisNumberRecords(id)), std::int64_t>, "a .mid may hold 2^31 rows and more");
  EXPECT_EQ(fuTell(mif.midUnit), 2u) << "the .mid is left where it was";
  fuReadLine(mif.midUnit, row);
  fuReadLine(mif.midUnit, row);
  EXPECT_EQ(row, "3");
}

// ---- handle and kind guards -------------------------------------------------------------------

TEST_F(LayerReadHeaderTest, GuardsStopWithTheRoutineName) {
  const std::pair<std::string, void (*)(int)> routines[] = {
      {"gisReadHeader", gisReadHeader},
      {"gisGotoBeginningOfData", gisGotoBeginningOfData},
      {"gisNumberRecords", [](int id) { gisNumberRecords(id); }},
      {"gisNumberAttributes", [](int id) { gisNumberAttributes(id); }},
  };
  for (const auto& [name, routine] : routines)
    expectStop("Should not be here " + name + "[gisID=0] - please contact" + kContact, [&] { routine(0); });
  // A free slot is neither kind of layer.
  for (const auto& [name, routine] : {routines[0], routines[1]})
    expectStop("Should not be here [" + name + "] - please contact" + kContact, [&] { routine(5); });
}

}  // namespace
