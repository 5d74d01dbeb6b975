// MIF/MID output layers: the header text, every kind of object line by line, the coordinate
// layout (and its widening for values too wide for their columns), style lines and the .mid rows.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/mif_write.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

class MifWriteTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    defineAttributes({{"Stream_ID", "Char", 100}, {"Elevation", "Float"}});
    setOutputProjection("", "CoordSys Earth Projection 8, 104, \"m\", 153, 0, 0.9996, 500000, 10000000");
  }

  int openLayer(const std::string& name = "lay.mif") { return id_ = openOutputLayer(name, " "); }

  // Writes one object and its record.
  void write(GisObject& o, const std::string& record = "\"s\",1.5") { writeObjectAndRecord(id_, o, record); }
  // An object of one kind over the given vertices, written with its record.
  GisObject write(bool GisObject::*kind, const Vertices& v, const std::string& record = "\"s\",1.5") {
    return writeShape(id_, kind, v, record);
  }

  // The object text of the .mif after the header written by openLayer.
  std::string objects(const std::string& name = "lay.mif") {
    const std::string all = readFile(dir_ / name);
    const std::string end = "Data\n\n";
    const auto at = all.find(end);
    return at == std::string::npos ? all : all.substr(at + end.size());
  }

  void close() { gisCloseLayer(id_); }

  // A layer of one point at each position, closed; its object text.
  std::string pointLayer(const Vertices& points) {
    openLayer();
    for (const auto& p : points) write(&GisObject::isPoint, {p});
    close();
    return objects();
  }

  void expectGdalReads(const std::string& file, bool allowNull) {
    expectCheckerAccepts("gdalcheck.py", (allowNull ? "--allow-null " : "") + file);
  }

  int id_ = 0;
};

// ---- Header ----

TEST_F(MifWriteTest, HeaderNamesTheAttributesWithTheirWidths) {
  openLayer();
  close();
  EXPECT_EQ(readFile(dir_ / "lay.mif"),
            "Version 300\n"
            "Charset \"WindowsLatin1\"\n"
            "Delimiter \",\"\n"
            "CoordSys Earth Projection 8, 104, \"m\", 153, 0, 0.9996, 500000, 10000000\n"
            "Columns 2\n"
            "  Stream_ID Char(100)\n"
            "  Elevation Float\n"
            "Data\n"
            "\n");
  EXPECT_EQ(readFile(dir_ / "lay.mid"), "");
}

TEST_F(MifWriteTest, HeaderWithoutAttributesOrCoordSys) {
  gGis.gisAttributeDefs.n = 0;
  gGis.gisOutputCoordSys = fixed::blanks(kTextLength);
  openLayer();
  close();
  EXPECT_EQ(readFile(dir_ / "lay.mif"), "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\n\nColumns 0\nData\n\n");
}

TEST_F(MifWriteTest, HeaderWriterAloneGivesTheSameText) {
  openLayer("a.mif");
  close();
  int unit = 0;
  OPENERBYNAME(unit, "O ", "b.mif", 80);
  mifWriteHeader(gGis.gisAttributeDefs, unit);
  CLOSER(unit);
  EXPECT_EQ(readFile(dir_ / "b.mif"), readFile(dir_ / "a.mif"));
}

TEST_F(MifWriteTest, TooManyAttributesStopBeforeReadingPastTheTable) {
  gGis.gisAttributeDefs.n = kMifMaxAttributes + 1;
  id_ = gisOpenLayer("big.mif", " ", "O ", false);
  EXPECT_EQ(expectRunEnd([&] { gisWriteHeader(id_); }), 1);
  EXPECT_TRUE(outputHas("Should not be here [mifWriteHeader] - please contact"));
}

// ---- Objects ----

TEST_F(MifWriteTest, PointAndLineLayout) {
  openLayer();
  write(&GisObject::isPoint, {{1.5, -2.25}});
  write(&GisObject::isLine, {{0.0, 1.0}, {-3.125, 400000.5}});
  close();
  EXPECT_EQ(objects(),
            "Point         1.500000       -2.250000\n"
            "Line         0.000000        1.000000       -3.125000   400000.500000\n");
  EXPECT_EQ(readFile(dir_ / "lay.mid"), "\"s\",1.5\n\"s\",1.5\n");
  expectGdalReads("lay.mif", false);
}

TEST_F(MifWriteTest, MultipointAndPolylines) {
  openLayer();
  write(&GisObject::isMultiPoint, {{1, 2}, {3, 4}});
  write(&GisObject::isPline, {{1, 1}, {2, 2}, {3, 1}});
  GisObject pm = newObject(&GisObject::isPlineMultiple, {1, 3});
  setVertices({{0, 0}, {1, 0}, {5, 5}, {6, 6}, {7, 5}});
  write(pm);
  close();
  const std::string v = "        ";  // eight blanks: a one-digit value in 16 columns
  EXPECT_EQ(objects(),
            "MultiPoint 2\n" + v + "1.000000" + v + "2.000000\n" + v + "3.000000" + v + "4.000000\n" +
                "Pline 3\n" + v + "1.000000" + v + "1.000000\n" + v + "2.000000" + v + "2.000000\n" + v +
                "3.000000" + v + "1.000000\n" + "Pline Multiple 2\n 2\n" + v + "0.000000" + v + "0.000000\n" + v +
                "1.000000" + v + "0.000000\n 3\n" + v + "5.000000" + v + "5.000000\n" + v + "6.000000" + v +
                "6.000000\n" + v + "7.000000" + v + "5.000000\n");
  expectGdalReads("lay.mif", false);
}

TEST_F(MifWriteTest, RegionsOfOneAndOfSeveralPolygons) {
  openLayer();
  setVertices({{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}});
  GisObject one = newObject(&GisObject::isRegion);
  write(one);
  GisObject two = newObject(&GisObject::isRegion, {1, 3});
  // The writer lays parts out as given; the dispatch would leave the two-point ring out.
  mifWriteObject(two, gGis.layers[id_].mifLayer.mifUnit, " ", " ");
  close();
  const std::string v = "        ";
  const std::string rows[] = {v + "0.000000" + v + "0.000000\n", v + "0.000000" + v + "4.000000\n",
                              v + "4.000000" + v + "4.000000\n", v + "4.000000" + v + "0.000000\n",
                              v + "0.000000" + v + "0.000000\n"};
  const std::string all = rows[0] + rows[1] + rows[2] + rows[3] + rows[4];
  EXPECT_EQ(objects(), "Region 1\n 5\n" + all + "Region 2\n 2\n" + rows[0] + rows[1] + " 3\n" + rows[2] + rows[3] +
                           rows[4]);
}

TEST_F(MifWriteTest, TextUsesItsStringAndTheSecondAndThirdVertices) {
  openLayer();
  GisObject t = newObject(&GisObject::isText);
  setVertices({{99, 99}, {1.25, 2.5}, {10.0, 20.0625}});
  gGis.gisDataLine = fixed::fit("\"Bridge 12\"", kTextLength);
  gisWriteObject(id_, t);
  gisWriteRecord(id_, t);
  close();
  EXPECT_EQ(objects(), "Text\n\"Bridge 12\"\n               1.250           2.500          10.000          20.062\n");
  EXPECT_TRUE(t.isText);  // a MIF layer keeps the text as text
}

TEST_F(MifWriteTest, NullObjectAndUnsupportedKind) {
  openLayer();
  GisObject n = newObject(&GisObject::isNone);
  write(n);
  GisObject bad = newObject();
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, bad); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0350 - Trying to write a MIF object that is not yet supported.  Please contact" +
                        kContact + "\n"));
  EXPECT_EQ(objects(), "none\n");  // the run's end closed the layer's files
}

// Readers cannot draw a line part of one vertex or a ring of two points (GDAL stops reading the
// layer at one): such parts are left out with a warning, and an object left without parts is
// written without geometry and keeps its row.
TEST_F(MifWriteTest, PartsTooShortAreLeftOutAndEmptyObjectsWrittenAsNone) {
  openLayer();
  GisObject l = write(&GisObject::isPline, {{1, 1}}, "\"short\",1");
  write(&GisObject::isRegion, {{1, 1}, {2, 2}}, "\"thin\",2");
  write(&GisObject::isLine, {}, "\"empty\",3");
  GisObject m = newObject(&GisObject::isPlineMultiple, {1, 2});
  setVertices({{1, 1}, {2, 2}, {3, 3}});
  clearOutput();
  write(m, "\"multi\",4");
  EXPECT_EQ(output(), "\nWARNING 0440 - Polyline part of fewer than 2 vertices left out of a GIS object.\n" +
                          std::string(15, ' ') + "Part 1 of object 4 in GIS layer lay.mif.\n");
  GisObject rr = newObject(&GisObject::isRegion, {1, 4});
  setVertices({{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 4}, {4, 4}, {0, 0}});
  write(rr, "\"ring\",5");
  close();
  const std::string v = "        ";
  auto row = [&v](const char* x, const char* y) { return v + x + v + y + "\n"; };
  EXPECT_EQ(objects(), "none\nnone\nnone\nPline Multiple 1\n 2\n" + row("2.000000", "2.000000") +
                           row("3.000000", "3.000000") + "Region 1\n 4\n" + row("0.000000", "0.000000") +
                           row("0.000000", "4.000000") + row("4.000000", "4.000000") + row("0.000000", "0.000000"));
  EXPECT_EQ(readFile(dir_ / "lay.mid"), "\"short\",1\n\"thin\",2\n\"empty\",3\n\"multi\",4\n\"ring\",5\n");
  EXPECT_TRUE(l.isPline);
  EXPECT_FALSE(l.isNone);
  expectGdalReads("lay.mif", true);
}

// ---- Coordinates ----

TEST_F(MifWriteTest, WideCoordinatesStandApart) {
  EXPECT_EQ(pointLayer({{123456789.5, -12345678.25}, {1.0e20, 12345678.0}}),
            "Point  123456789.500000 -12345678.250000\n"
            "Point  100000000000000000000.000000 12345678.000000\n");
  expectGdalReads("lay.mif", false);
}

TEST_F(MifWriteTest, CoordinatesRoundToSixDecimals) {
  EXPECT_EQ(pointLayer({{0.0000004, -0.0000006}, {2.0000004, 12345678.1234564}}),
            "Point         0.000000       -0.000001\n"
            "Point         2.000000 12345678.123456\n");
}

// ---- Style lines ----

TEST_F(MifWriteTest, StyleLinesFollowEveryObjectWithGeometry) {
  openLayer();
  MifLayer& mif = gGis.layers[id_].mifLayer;
  mif.mifStyleLines[1] = fixed::fit("    Pen (1,2,0)", 256);
  mif.mifStyleLines[2] = fixed::fit("    Brush (2,16777215)", 256);
  GisObject p = write(&GisObject::isPoint, {{1, 2}});
  GisObject n = newObject(&GisObject::isNone);
  write(n);
  mif.mifStyleLines[1] = fixed::blanks(256);  // the second line needs the first
  write(p);
  close();
  EXPECT_EQ(objects(),
            "Point         1.000000        2.000000\n    Pen (1,2,0)\n    Brush (2,16777215)\n"
            "none\n"
            "Point         1.000000        2.000000\n");
}

// ---- Records and tables ----

TEST_F(MifWriteTest, RecordsAreTheTrimmedDataLineWhateverItsLength) {
  openLayer();
  GisObject n = newObject(&GisObject::isNone);
  gisWriteObject(id_, n);
  const std::string longLine = "\"" + std::string(1500, 'x') + "\",2";
  gGis.gisDataLine = longLine + "   ";
  gisWriteRecord(id_, n);
  gGis.gisDataLineLarge = fixed::fit("\"large\",3", kLongTextLength);
  gisWriteRecordLarge(id_, n);
  close();
  EXPECT_EQ(readFile(dir_ / "lay.mid"), longLine + "\n\"large\",3\n");
}

// A number too wide for the width it was written in arrives as asterisks, which readers take as 0:
// as in a .dbf, such a value of a numeric column is written empty, with one warning per column.
TEST_F(MifWriteTest, ValuesANumericColumnCannotHoldAreWrittenEmptyWithOneWarningPerColumn) {
  openLayer();
  clearOutput();
  GisObject p = write(&GisObject::isPoint, {{1, 2}}, "\"***\",************");
  write(p, "\"a, b\", 12.5");
  write(p, "\"c\",\"-1.5E3\"");
  write(p, "\"d\",Infinity   ");
  EXPECT_EQ(output(), "\nWARNING 0415 - Value ************ is not a number, written empty in .mid field Elevation.\n" +
                          std::string(15, ' ') +
                          "In file lay.mid, record 1; later such values of this field are not reported.\n");
  close();
  EXPECT_EQ(readFile(dir_ / "lay.mid"), "\"***\",\n\"a, b\", 12.5\n\"c\",\"-1.5E3\"\n\"d\",\n");
  expectGdalReads("lay.mif", false);
}

TEST_F(MifWriteTest, CsvTableTakesRecordsButNoGeometry) {
  id_ = gisOpenLayer("table.csv", " ", "O ", true);
  EXPECT_EQ(gGis.layers[id_].gisLayerType, kGisLayerMif);
  gisWriteHeader(id_);  // a table has no header of its own
  GisObject n = newObject(&GisObject::isNone);
  gGis.gisDataLine = fixed::fit("1,2,3", kTextLength);
  gisWriteRecord(id_, n);
  gisCloseLayer(id_);
  EXPECT_EQ(readFile(dir_ / "table.csv"), "1,2,3\n");
  int again = gisOpenLayer("table2.csv", " ", "O ", true);
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(again, n); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [gisWriteObject] - please contact"));
}

TEST_F(MifWriteTest, UnwritableMifStopsWithTheObjectError) {
  openLayer();
  CLOSER(gGis.layers[id_].mifLayer.mifUnit);  // the unit is gone; writes fail
  gGis.layers[id_].mifLayer.mifUnit = 1999;
  GisObject p = newObject(&GisObject::isPoint);
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, p); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0439 - Writing .mif file object coordinates.\n"));
}

}  // namespace
