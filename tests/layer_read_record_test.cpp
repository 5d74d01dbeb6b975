// Reading attribute records: .dbf records and .mid rows written by the library read back as the
// data lines that were written, hand-made tables for the field forms, deleted records, the end mark
// and damaged records.
#include <string>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/numbers.hpp"

namespace {

using byteorder::Order;

const std::vector<Field> kFields = {{"ID", 'N', 4}, {"NAME", 'C', 10}, {"DEPTH", 'N', 6}};

// One record of kFields: its flag, then each value right- or left-justified in its field.
std::string rec(char flag, const std::string& id, const std::string& name, const std::string& depth) {
  auto right = [](const std::string& v, std::size_t n) { return std::string(n - v.size(), ' ') + v; };
  return std::string(1, flag) + right(id, 4) + fixed::fit(name, 10) + right(depth, 6);
}

class LayerReadRecordTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    object_.typeName = fixed::fit("Point", kGisTypeNameLength);
  }
  int openTable(const std::string& bytes) {
    writeFile(dir_ / "t.dbf", bytes);
    const int id = gisOpenLayer("t.dbf", " ", "I ", true);
    gisReadHeader(id);
    clearOutput();
    return id;
  }
  std::string next(int id) {
    std::string line(kTextLength, ' ');
    gisReadRecord(id, object_, line);
    EXPECT_EQ(line.size(), kTextLength);
    return fixed::trimmed(line);
  }
  GisObject object_;
};

TEST_F(LayerReadRecordTest, FieldFormsJoinIntoADataLine) {
  const int id = openTable(dbfBytes(3, kFields,
                                    rec(' ', "12", "River", "******") + rec(' ', "", "", "1.5") +
                                        rec(' ', "-3.5", "Two \"w\"", "0.25"),
                                    true));
  EXPECT_EQ(next(id), "  12,\"River\",") << "leading blanks stay; asterisks are no value";
  EXPECT_EQ(next(id), ",\"\",   1.5") << "a blank number is nothing, a blank text two quotes";
  EXPECT_EQ(next(id), "-3.5,\"Two \"\"w\"\"\",  0.25") << "a quote in a value is doubled";
  EXPECT_FALSE(gGis.layers[id].gisEndOfData);
  EXPECT_EQ(next(id), "") << "the end mark gives a blank line";
  EXPECT_TRUE(gGis.layers[id].gisEndOfData);
  EXPECT_EQ(gGis.layers[id].dbfSubLayer[kShpInputSubLayer].records, 3);
  EXPECT_EQ(output(), "") << "the count matched the header";

  // A table larger than the blocks read ahead: records that lie whole in a block and records that
  // run over the end of one read alike; a record the table cannot give leaves the line blank.
  startAgain();
  std::string records;
  const int many = 7000;
  for (int k = 0; k < many; ++k) records += rec(' ', std::to_string(k), k % 3 ? "n" + std::to_string(k) : "q\"", "1");
  const int big = openTable(dbfBytes(many + 1, kFields, records + rec(' ', "1", "", "1").substr(0, 9), false));
  for (int k = 0; k < many; ++k)
    ASSERT_EQ(next(big), rightAligned(std::to_string(k), 4) + (k % 3 ? ",\"n" + std::to_string(k) + "\"" : ",\"q\"\"\"") +
                             ",     1")
        << k;
  std::string line(kTextLength, 'z');
  EXPECT_NE(failureOutput([&] { gisReadRecord(big, object_, line); }).find("ERROR 0408"), std::string::npos);
  EXPECT_EQ(line, std::string(kTextLength, ' '));
}

TEST_F(LayerReadRecordTest, LogicalFieldIsUnquoted) {
  const int id = openTable(dbfBytes(1, {{"OK", 'L', 1}, {"C", 'c', 2}}, " Tab", true));
  EXPECT_EQ(next(id), "T,\"ab\"");
}

TEST_F(LayerReadRecordTest, DeletedRecordsArePassedOverAndAShortTableWarns) {
  // The header's count includes the deleted record: one more than the file holds is short.
  const int id = openTable(dbfBytes(4, kFields,
                                    rec(' ', "1", "a", "1") + rec('*', "2", "b", "2") +
                                        rec('\0', "3", "c", "3"),
                                    true));
  EXPECT_EQ(next(id), "   1,\"a\",     1");
  EXPECT_EQ(next(id), "   3,\"c\",     3");
  EXPECT_EQ(next(id), "");
  EXPECT_TRUE(gGis.layers[id].gisEndOfData);
  EXPECT_EQ(output(),
            "WARNING 0405 - Insufficient number of records found in .dbf file.\n"
            "               Found 3, expecting 4.\n");
}

TEST_F(LayerReadRecordTest, TableWithoutEndMarkEndsAfterItsLastRecord) {
  const int id = openTable(dbfBytes(2, kFields, rec(' ', "1", "a", "1") + rec(' ', "2", "b", "2"), false));
  EXPECT_EQ(next(id), "   1,\"a\",     1");
  EXPECT_FALSE(gGis.layers[id].gisEndOfData);
  EXPECT_EQ(next(id), "   2,\"b\",     2");
  EXPECT_TRUE(gGis.layers[id].gisEndOfData);
}

TEST_F(LayerReadRecordTest, DamagedRecordsStop) {
  {
    const int id = openTable(dbfBytes(1, kFields, rec('A', "1", "a", "1"), true));
    EXPECT_EQ(expectRunEnd([&] { next(id); }), 1);
    EXPECT_TRUE(outputHas("\nERROR 0406 - Unrecognised record identifier found in .dbf file.\n"
                          "Character = A [65]\nData line thus far =\nRecord 1 of file t.dbf.\n"));
  }
  startAgain();
  {
    const int id = openTable(dbfBytes(2, kFields, rec(' ', "1", "a", "1") + rec(' ', "2", "b", "2").substr(0, 8), false));
    next(id);
    EXPECT_EQ(expectRunEnd([&] { next(id); }), 1);
    EXPECT_TRUE(outputHas("\nERROR 0408 - End of .dbf file encountered whilst reading record.\nRecord 2 of file t.dbf.\n"));
  }
  // A record length of 65,535 in a table of a few bytes: the record's buffer is not sized to the
  // length before the file is known to hold it.
  startAgain();
  {
    std::string huge = dbfBytes(1, {{"ID", 'N', 4}}, rec(' ', "1", "a", "1"), false);
    huge[10] = huge[11] = '\xFF';
    const int id = openTable(huge);
    EXPECT_EQ(expectRunEnd([&] { next(id); }), 1);
    EXPECT_TRUE(outputHas("\nERROR 0408 - End of .dbf file encountered whilst reading record.\nRecord 1 of file t.dbf.\n"));
    EXPECT_LT(gGisRead.dbfRecord.capacity(), 1000u);
  }
}

TEST_F(LayerReadRecordTest, DbfReadRecordReportsTheEndThroughItsFlag) {
  const int id = openTable(dbfBytes(1, kFields, rec(' ', "7", "x", "-1"), true));
  DbfSubLayer& dbf = gGis.layers[id].dbfSubLayer[kShpInputSubLayer];
  bool end = false;
  std::string line(40, ' ');
  dbfReadRecord(dbf, end, line);
  EXPECT_FALSE(end);
  EXPECT_EQ(fixed::trimmed(line), "   7,\"x\",    -1");
  dbfReadRecord(dbf, end, line);
  EXPECT_TRUE(end);
  EXPECT_TRUE(fixed::isBlank(line));
}

TEST_F(LayerReadRecordTest, RecordsWrittenByTheLibraryReadBack) {
  GisAttributeDefs& d = gGis.gisAttributeDefs;
  d.n = 3;
  d.name[1] = fixed::fit("Name", kGisAttributeNameLength);
  d.type[1] = fixed::fit("Char", kGisAttributeTypeLength);
  d.width[1] = 8;
  d.name[2] = fixed::fit("Level", kGisAttributeNameLength);
  d.type[2] = fixed::fit("Float", kGisAttributeTypeLength);
  d.name[3] = fixed::fit("Count", kGisAttributeNameLength);
  d.type[3] = fixed::fit("Integer", kGisAttributeTypeLength);
  setOutputProjection("PROJCS[\"Local\"]", "CoordSys NonEarth Units \"m\"");
  const std::vector<std::string> lines = {"\"creek\",1.5,3", "\"\",-2.25,0", "\"long name\",100,42"};
  for (const std::string base : {"w.shp", "w.mif"}) {
    SCOPED_TRACE(base);
    int out = openOutputLayer(base, "P");
    for (const std::string& l : lines) {
      GisObject o = newObject(&GisObject::isPoint);
      gGis.gisCoordBuffer.n = 1;
      gGis.gisCoordBuffer.x[1] = static_cast<double>(&l - lines.data());
      gGis.gisCoordBuffer.y[1] = 2.0;
      writeObjectAndRecord(out, o, l);
    }
    gisCloseLayer(out);
    int id = gisOpenLayer(base, "P", "I ", false);
    gisReadHeader(id);
    EXPECT_EQ(gisNumberRecords(id), 3);
    std::vector<std::string> got;
    while (!gGis.layers[id].gisEndOfData) got.push_back(next(id));
    if (base == std::string("w.shp")) {
      // Numbers come back as the table holds them: right-justified in their fields, names cut.
      ASSERT_EQ(got.size(), 4u);
      EXPECT_EQ(got[0], "\"creek\",             1.5,       3");
      EXPECT_EQ(got[1], "\"\",           -2.25,       0");
      EXPECT_EQ(got[2], "\"long nam\",             100,      42");
      EXPECT_EQ(got[3], "");
    } else {
      EXPECT_EQ(got, lines);
    }
    gisCloseLayer(id);
  }

  // The second record deleted: its point goes with it, and the third point keeps its own record.
  std::string table = readFile(dir_ / "w_P.dbf");
  const std::size_t flag2 = 32 * 4 + 1 + (1 + 8 + 16 + 8);
  ASSERT_EQ(table[flag2], ' ');
  table[flag2] = '*';
  writeFile(dir_ / "w_P.dbf", table);
  const int id = gisOpenLayer("w.shp", "P", "I ", false);
  gisReadHeader(id);
  std::vector<double> x(3, 0.0), y(3, 0.0);
  std::vector<std::string> got;
  clearOutput();
  GisObject o;
  while (gisObjectType(id, o)) {
    int n = 0;
    double xc = 0, yc = 0;
    float angle = 0, length = 0;
    gisReadObject(id, o, x, y, 1, n, xc, yc, angle, length, true);
    got.push_back(std::to_string(static_cast<int>(x[1])) + ":" + next(id));
  }
  EXPECT_EQ(got, (std::vector<std::string>{"0:\"creek\",             1.5,       3",
                                           "2:\"long nam\",             100,      42"}));
  EXPECT_EQ(output(), "WARNING 0409 - Deleted record 2 of .dbf file passed over with its object.\n"
                      "               File w_P.dbf.\n");
  EXPECT_TRUE(gGis.layers[id].gisEndOfData);
}

TEST_F(LayerReadRecordTest, MidRowsAreCutToTheCallersLineAndTheEndStops) {
  writeFile(dir_ / "m.mif", "Columns 1\n  A Char(30)\nData\n");
  writeFile(dir_ / "m.mid", "\"abcdefghijklmnop\"\r\n");
  const int id = gisOpenLayer("m.mif", " ", "I ", false);
  gisReadHeader(id);
  std::string line(8, ' ');
  gisReadRecord(id, object_, line);
  EXPECT_EQ(line, "\"abcdefg");
  EXPECT_TRUE(gGis.layers[id].gisEndOfData);
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { gisReadRecord(id, object_, line); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0254 - Failed to read object attribute data record for a Point object in GIS layer.\n"
                        "Record 2 of file m.mid.\n"));
}

TEST_F(LayerReadRecordTest, Guards) {
  std::string line(10, ' ');
  EXPECT_EQ(expectRunEnd([&] { gisReadRecord(0, object_, line); }), 1);
  EXPECT_TRUE(outputHas("Should not be here gisReadRecord[gisID=0] - please contact" + kContact));
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { gisReadRecord(3, object_, line); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [gisReadRecord] - please contact" + kContact));
}

}  // namespace
