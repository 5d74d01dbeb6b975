// The .dbf writers: header and field descriptors byte by byte, the type map, and records split
// from attribute data lines, with the values that must reach their fields whole.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "gis/dbase_write.hpp"
#include "gis/gis_layers.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"

namespace {

using byteorder::Order;

unsigned byteAt(const std::string& b, std::size_t off) { return static_cast<unsigned char>(b.at(off)); }
unsigned le16(const std::string& b, std::size_t off) {
  return byteorder::getU16(reinterpret_cast<const unsigned char*>(b.data() + off), Order::Little);
}
class DbaseWriteTest : public FileUnitsTest {
 protected:
  void define(const std::vector<AttributeDef>& fields, int recordCount = 0) {
    defs_ = GisAttributeDefs{};
    defs_.n = static_cast<int>(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
      defs_.name[i + 1] = fields[i].name;
      defs_.type[i + 1] = fields[i].type;
      defs_.width[i + 1] = fields[i].width;
    }
    defs_.recordCount = recordCount;
  }

  void open(const std::vector<AttributeDef>& fields) {
    define(fields);
    OPENERBYNAME(dbf_.unit, "BO", "t.dbf", 0);
    dbfWriteHeader(defs_, dbf_);
  }

  // The records of the table as written, without the header.
  std::vector<std::string> records() {
    CLOSER(dbf_.unit);
    const std::string b = readFile(dir_ / "t.dbf");
    const std::size_t header = le16(b, 8), length = le16(b, 10);
    std::vector<std::string> out;
    for (std::size_t p = header; p + length <= b.size(); p += length) out.push_back(b.substr(p, length));
    return out;
  }

  void write(const std::string& line) {
    gGis.gisDataLine = line;
    dbfdataline(dbf_);
  }

  // Each data line written as a record of a new table of the fields, and the record it became.
  void expectRecords(const std::vector<AttributeDef>& fields,
                     const std::vector<std::pair<std::string, std::string>>& lineAndRecord) {
    open(fields);
    for (const auto& [line, record] : lineAndRecord) write(line);
    const auto r = records();
    ASSERT_EQ(r.size(), lineAndRecord.size());
    for (std::size_t i = 0; i < r.size(); ++i) EXPECT_EQ(r[i], lineAndRecord[i].second) << lineAndRecord[i].first;
  }

  static std::string pad(const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); }
  static std::string right(const std::string& s, std::size_t n) { return std::string(n - s.size(), ' ') + s; }

  GisAttributeDefs defs_;
  DbfSubLayer dbf_;
};

// ---- Header and field descriptors ----

TEST_F(DbaseWriteTest, CharAndFloatFieldsGiveTheirDescriptors) {
  define({{"Stream_ID", "Char", 100}, {"Elevation", "Float", 0}}, 7);
  OPENERBYNAME(dbf_.unit, "BO", "t.dbf", 0);
  const std::time_t before = std::time(nullptr);
  dbfWriteHeader(defs_, dbf_);
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(dbf_.nFields, 2);
  EXPECT_EQ(dbf_.recordLength, 116);
  EXPECT_EQ(dbf_.headerRecordCount, 7);
  CLOSER(dbf_.unit);

  const std::string b = readFile(dir_ / "t.dbf");
  ASSERT_EQ(b.size(), 97u);
  EXPECT_EQ(byteAt(b, 0), 3u);
  bool dateMatches = false;
  for (std::time_t t : {before, after}) {
    const std::tm* d = std::localtime(&t);
    dateMatches = dateMatches || (byteAt(b, 1) == static_cast<unsigned>(d->tm_year) &&
                                  byteAt(b, 2) == static_cast<unsigned>(d->tm_mon + 1) &&
                                  byteAt(b, 3) == static_cast<unsigned>(d->tm_mday));
  }
  EXPECT_TRUE(dateMatches);
  EXPECT_EQ(le32(b, 4), 7);
  EXPECT_EQ(le16(b, 8), 97u);
  EXPECT_EQ(le16(b, 10), 117u);
  EXPECT_EQ(b.substr(12, 20), std::string(20, '\0'));

  const std::string d1 = b.substr(32, 32), d2 = b.substr(64, 32);
  EXPECT_EQ(d1.substr(0, 11), std::string("Stream_ID\0\0", 11));
  EXPECT_EQ(d1[11], 'C');
  EXPECT_EQ(d1.substr(12, 4), std::string(4, '\0'));
  EXPECT_EQ(byteAt(d1, 16), 100u);
  EXPECT_EQ(byteAt(d1, 17), 0u);
  EXPECT_EQ(d1.substr(18), std::string(14, '\0'));
  EXPECT_EQ(d2.substr(0, 11), std::string("Elevation\0\0", 11));
  EXPECT_EQ(d2[11], 'N');
  EXPECT_EQ(byteAt(d2, 16), 16u);
  EXPECT_EQ(byteAt(d2, 17), 5u);
  EXPECT_EQ(d2.substr(18), std::string(14, '\0'));
  EXPECT_EQ(byteAt(b, 96), 0x0Du);
}

TEST_F(DbaseWriteTest, TypeMapIgnoresCaseLeadingBlanksAndTrailingWords) {
  open({{"a", " integer", 0},
        {"b", "Character", 12},
        {"c", "Logical", 40},
        {"d", "DECIMAL", 9},
        {"e", "float", 3},
        {"f", "char", 1}});
  const std::string types = "NCCNNC";
  const int lengths[] = {8, 12, 1, 9, 16, 1};
  const int decimals[] = {0, 0, 0, 0, 5, 0};
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(dbf_.fieldType[i], std::string(1, types[static_cast<std::size_t>(i - 1)])) << i;
    EXPECT_EQ(dbf_.fieldLength[i], lengths[i - 1]) << i;
    EXPECT_EQ(dbf_.decimals[i], decimals[i - 1]) << i;
  }
  EXPECT_EQ(dbf_.recordLength, 8 + 12 + 1 + 9 + 16 + 1);
}

TEST_F(DbaseWriteTest, NamesAreCleanedAndCutToTen) {
  open({{"Shape_Width_or_dMax", "Char", 5},
        {"Exactly_10", "Char", 5},
        {"   Max. Depth (m)", "Char", 5},
        {"()", "Char", 5}});
  CLOSER(dbf_.unit);
  const std::string b = readFile(dir_ / "t.dbf");
  EXPECT_EQ(b.substr(32, 11), std::string("Shape_Widt\0", 11));
  EXPECT_EQ(b.substr(64, 11), std::string("Exactly_10\0", 11));
  EXPECT_EQ(b.substr(96, 11), std::string("MaxDepthm\0\0", 11));
  EXPECT_EQ(b.substr(128, 11), std::string("X\0\0\0\0\0\0\0\0\0\0", 11));
}

TEST_F(DbaseWriteTest, TableWithoutUnitIsLeftAlone) {
  define({{"a", "Char", 5}});
  DbfSubLayer dbf;
  dbfWriteHeader(defs_, dbf);
  EXPECT_EQ(dbf.nFields, 0);
  EXPECT_EQ(output(), "");
}

TEST_F(DbaseWriteTest, HeaderWrittenAgainStartsAtTheBeginning) {
  open({{"a", "Char", 5}});
  write("\"abc\"");
  dbfWriteHeader(defs_, dbf_);
  CLOSER(dbf_.unit);
  const std::string b = readFile(dir_ / "t.dbf");
  EXPECT_EQ(b.size(), 65u + 6u);
  EXPECT_EQ(b.substr(65), " abc  ");
}

class DbaseHeaderFailureTest : public DbaseWriteTest {
 protected:
  void expectHeaderStop(const std::vector<AttributeDef>& fields, const std::string& text) {
    define(fields);
    OPENERBYNAME(dbf_.unit, "BO", "t.dbf", 0);
    EXPECT_EQ(expectRunEnd([&] { dbfWriteHeader(defs_, dbf_); }), 1);
    EXPECT_TRUE(outputHas(text));
    EXPECT_TRUE(outputHas("Press Enter to Close"));
  }
};

TEST_F(DbaseHeaderFailureTest, FieldCountOutsideTheTable) {
  expectHeaderStop({}, "\n\nERROR 0319 - No attributes specified when writing .dbf file.\n");
  clearOutput();
  expectHeaderStop(std::vector<AttributeDef>(129, AttributeDef{"f", "Char", 1}),
             "\n\nERROR 0411 - Exceeded maximum number of dbf Fields trying to write dbf file.\n");
}

TEST_F(DbaseHeaderFailureTest, FieldLengthOutsideOneTo255) {
  expectHeaderStop({{"a", "Char", 10}, {"b", "Char", 0}},
             "\n\nERROR 0412 - dbf field length of 0 is outside allowable range of 1 to 255 when writing dbf file.\n");
  clearOutput();
  expectHeaderStop({{"a", "Decimal", 256}},
             "ERROR 0412 - dbf field length of 256 is outside allowable range of 1 to 255 when writing dbf file.\n");
}

TEST_F(DbaseHeaderFailureTest, UnknownTypeAndOverlongRecord) {
  expectHeaderStop({{"a", "Date", 8}},
             "\nShould not be here [Unrecognised DBF field] - please contact" + kContact + "\n");
  clearOutput();
  expectHeaderStop({{"a", "Char", 40000}, {"b", "Char", 30000}},
             "\nShould not be here [dbfTotLen>32767] - please contact" + kContact + "\n");
}

TEST_F(DbaseHeaderFailureTest, WriteFailureIsReported) {
  define({{"a", "Char", 5}});
  OPENERBYNAME(dbf_.unit, "BO", "t.dbf", 0);
  int closedCopy = dbf_.unit;
  CLOSER(closedCopy);
  EXPECT_EQ(expectRunEnd([&] { dbfWriteHeader(defs_, dbf_); }), 1);
  EXPECT_TRUE(outputHas("\n\nERROR 0413 - Writing .dbf file header.\n"));
}

// ---- Records ----

TEST_F(DbaseWriteTest, ValuesAreJustifiedByFieldKind) {
  expectRecords({{"Stream_ID", "Char", 100}, {"Elevation", "Float", 0}},
                {{"\"S1\",12.5", " " + pad("S1", 100) + std::string(12, ' ') + "12.5"}});
}

TEST_F(DbaseWriteTest, ConverterRecordsSplitAsBefore) {
  expectRecords({{"Stream_ID", "Char", 10},
                 {"Reach_ID", "Char", 10},
                 {"Station", "Char", 10},
                 {"Elevation", "Float", 0},
                 {"Mannings", "Float", 0}},
                {{"\"Big Creek\",\"Upper\",\"100\",     123.450,  0.0350",
                  " " + pad("Big Creek", 10) + pad("Upper", 10) + pad("100", 10) + right("123.450", 16) +
                      right("0.0350", 16)},
                 {"\"\",\" lead\",\"a,b\",-1.000,0.0000",
                  " " + pad("", 10) + pad(" lead", 10) + pad("a,b", 10) + right("-1.000", 16) + right("0.0000", 16)}});
}

TEST_F(DbaseWriteTest, UnquotedIdentifiersReachTheirFieldWhole) {
  const std::string head = " " + pad("S", 10);
  expectRecords({{"Stream_ID", "Char", 10}, {"Elevation", "Float", 0}, {"Levee_ID", "Char", 12}},
                {{"\"S\",      12.000,L/R", head + right("12.000", 16) + pad("L/R", 12)},
                 {"\"S\",12.0,2*A", head + right("12.0", 16) + pad("2*A", 12)},
                 {"\"S\",12.0,   Left bank   ", head + right("12.0", 16) + pad("Left bank", 12)},
                 {"\"S\",12.0,O'Brien", head + right("12.0", 16) + pad("O'Brien", 12)},
                 // a quote never closed is plain text
                 {"\"S\",12.0,\"x", head + right("12.0", 16) + pad("\"x", 12)}});
}

TEST_F(DbaseWriteTest, QuotedValuesHoldCommasAndDoubledQuotes) {
  expectRecords({{"a", "Char", 12}, {"b", "Char", 12}, {"c", "Char", 12}, {"d", "Char", 12}},
                {{"\"say \"\"hi\"\"\", 'it''s, ok' , \"x\" \"y\"",
                  " " + pad("say \"hi\"", 12) + pad("it's, ok", 12) + pad("x", 12) + pad("y", 12)}});
}

TEST_F(DbaseWriteTest, MissingAndNullValuesGiveBlankFields) {
  expectRecords({{"a", "Char", 4}, {"b", "Float", 0}, {"c", "Char", 4}},
                {{"\"one\",1.5,\"two\"", " one " + right("1.5", 16) + "two "},
                 {"\"x\"", " x   " + std::string(16, ' ') + "    "},
                 {"\"y\",,\"z\"", " y   " + std::string(16, ' ') + "z   "},
                 {"", " " + std::string(24, ' ')}});
  // The values of a record with fewer fields leave none of the earlier ones behind.
  EXPECT_TRUE(gDbfValues.values[1].empty() && gDbfValues.values[3].empty());
}

TEST_F(DbaseWriteTest, ExtraValuesAreIgnoredAndLongTextIsCut) {
  expectRecords({{"a", "Char", 5}, {"b", "Char", 3}}, {{"\"abcdefgh\",\"xy\",\"extra\",4", " abcdexy "}});
}

TEST_F(DbaseWriteTest, NumbersTooLongDropDecimalsNeverDigits) {
  expectRecords({{"v", "Float", 0}, {"i", "Integer", 0}},
                {{"123456789012.34567,12.7", " 123456789012.346" + right("12.7", 8)},
                 {"-1234567890.1234567,   42   ", " -1234567890.1235" + right("42", 8)},
                 {"99999999999999.99,9999999.5", " " + right("100000000000000", 16) + "10000000"},
                 {"1.23456789012345678E+05,1", " 123456.789012346" + right("1", 8)}});
  EXPECT_FALSE(outputHas("WARNING"));
}

// A number that cannot fit and a value that is no number are written blank, which readers take as
// no value; each kind of warning comes once per table and field, and a table opened again warns
// again.
TEST_F(DbaseWriteTest, ValuesANumericFieldCannotHoldAreWarnedOncePerField) {
  auto count = [this](const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = output().find(text); at != std::string::npos; at = output().find(text, at + 1)) ++n;
    return n;
  };
  const std::vector<AttributeDef> fields = {{"Elevation", "Float", 0}, {"Count", "Integer", 0}, {"Small", "Decimal", 4}};
  open(fields);
  // Counted after each record, as gisWriteRecord counts them: a warning names the record being written.
  write("12345678901234567890,123456789,9.99999");
  ++dbf_.records;
  write("not a number at all!,99999999.5,9999.6");
  ++dbf_.records;
  write("abc,1.5E3,-");
  const auto r = records();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0], " " + std::string(16 + 8, ' ') + "  10");  // rounded to an integer that fits
  EXPECT_EQ(r[1], " " + std::string(16 + 8 + 4, ' '));
  EXPECT_EQ(r[2], " " + std::string(16, ' ') + right("1.5E3", 8) + "    ");
  EXPECT_TRUE(outputHas("\n\nWARNING 0414 - Value 12345678901234567890 too long for .dbf field Elevation, written "
                        "blank.\n               In file t.dbf, record 1; later such values of this field are not "
                        "reported.\n"));
  EXPECT_TRUE(outputHas("WARNING 0415 - Value not a number at all! is not a number, written blank in .dbf field "
                        "Elevation.\n               In file t.dbf, record 2;"));
  EXPECT_TRUE(outputHas("WARNING 0414 - Value 9999.6 too long for .dbf field Small"));
  EXPECT_TRUE(outputHas("WARNING 0415 - Value - is not a number, written blank in .dbf field Small."));
  EXPECT_EQ(count("WARNING 0414"), 3u);
  EXPECT_EQ(count("WARNING 0415"), 2u);

  dbf_.reset();
  open(fields);
  clearOutput();
  write("abc,1,1");
  EXPECT_EQ(count("WARNING 0415 - Value abc"), 1u) << output();
}

TEST_F(DbaseWriteTest, LongDataLinesAreReadWhole) {
  open({{"a", "Char", 4}, {"b", "Char", 4}});
  gGis.gisDataLine = std::string(1200, ' ');
  gGis.gisDataLine.replace(0, 4, "\"p\",");
  gGis.gisDataLine.replace(1100, 3, "\"q\"");
  dbfdataline(dbf_);
  const auto r = records();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], " p   q   ");
}

TEST_F(DbaseWriteTest, ValuesAreCutTo256Characters) {
  open({{"a", "Char", 255}});
  write(std::string(300, 'v'));
  EXPECT_EQ(gDbfValues.values[1].size(), 256u);
  const auto r = records();
  EXPECT_EQ(r[0], " " + std::string(255, 'v'));
}

TEST_F(DbaseWriteTest, LargeLineUsesItsOwnBuffer) {
  open({{"a", "Char", 6}, {"b", "Float", 0}});
  write("\"small\",1");
  gGis.gisDataLineLarge = std::string(kLongTextLength, ' ');
  gGis.gisDataLineLarge.replace(0, 13, "\"large\", 2.25");
  dbfdatalinelarge(dbf_);
  EXPECT_EQ(gDbfValues.values[1], "small");
  EXPECT_EQ(gDbfValues.valuesLarge[1], "large");
  const auto r = records();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[1], " large " + right("2.25", 16));
}

// ---- Record failures ----

TEST_F(DbaseWriteTest, RecordWriteFailuresAreReported) {
  open({{"a", "Char", 4}});
  int closedCopy = dbf_.unit;
  CLOSER(closedCopy);
  gGis.gisDataLine = "\"a\"";
  EXPECT_EQ(expectRunEnd([&] { dbfdataline(dbf_); }), 1);
  EXPECT_TRUE(outputHas("\n\nERROR 0417 - Writing .dbf record.\n"));
  clearOutput();
  gGis.gisDataLineLarge = "\"a\"";
  EXPECT_EQ(expectRunEnd([&] { dbfdatalinelarge(dbf_); }), 1);
  EXPECT_EQ(output().rfind("\nERROR 0417 - Writing large .dbf record.\n", 0), 0u) << output();
}

TEST_F(DbaseWriteTest, RecordForATableNeverOpenedStops) {
  DbfSubLayer dbf;
  EXPECT_EQ(expectRunEnd([&] { dbfdataline(dbf); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [dbfdataline] - please contact" + kContact));
  clearOutput();
  dbf.unit = 1001;  // open, but no header was ever written
  EXPECT_EQ(expectRunEnd([&] { dbfdatalinelarge(dbf); }), 1);
  EXPECT_TRUE(outputHas("Should not be here [dbfdatalinelarge] - please contact"));
}

}  // namespace
