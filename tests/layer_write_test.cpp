// The writing dispatch of shapefile layers (header order, routing of objects and records to the
// sub-layers, the checks on the object header) and the library's message printer.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_messages.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

class LayerWriteTest : public IdLayerTest {
 protected:
  int openShapes(const std::string& kinds, const std::string& name = "lay.shp") {
    return id_ = openOutputLayer(name, kinds);
  }

  void write(GisObject& o, int record) { writeObjectAndRecord(id_, o, std::to_string(record)); }
  // An object of one kind over the given vertices, written with its record; the object as the write left it.
  GisObject write(bool GisObject::*kind, const Vertices& v, int record) {
    return writeShape(id_, kind, v, std::to_string(record));
  }

  ShpSubLayer& shp(int k) { return gGis.layers[id_].shpSubLayer[k]; }
  DbfSubLayer& dbf(int k) { return gGis.layers[id_].dbfSubLayer[k]; }

  // The records written so far to the .shp and to the .dbf of each sub-layer, from the points on.
  void expectRecords(const std::vector<int>& shpRecords, const std::vector<int>& dbfRecords) {
    for (std::size_t k = 1; k <= shpRecords.size(); ++k) EXPECT_EQ(shp(static_cast<int>(k)).records, shpRecords[k - 1]) << k;
    for (std::size_t k = 1; k <= dbfRecords.size(); ++k) EXPECT_EQ(dbf(static_cast<int>(k)).records, dbfRecords[k - 1]) << k;
  }

  int id_ = 0;
};

// ---- gisWriteHeader ----

TEST_F(LayerWriteTest, HeaderWritesProjectionClosesItAndPreparesTheCounters) {
  gGis.gisOutputPrj = fixed::fit("PROJCS[\"GDA94 / MGA zone 56\",GEOGCS[\"GDA94\"]]", kTextLength);
  openShapes("PL");
  for (int k = 1; k <= 2; ++k) {
    EXPECT_EQ(shp(k).prjUnit, 0);
    EXPECT_EQ(shp(k).shxUnitLE, 0);
    EXPECT_GT(shp(k).shxUnitBE, 0);
    EXPECT_EQ(shp(k).xmin, 9.000000135427196e29);
    EXPECT_EQ(shp(k).ymin, 9.000000135427196e29);
    EXPECT_EQ(shp(k).xmax, -9.000000135427196e29);
    EXPECT_EQ(shp(k).ymax, -9.000000135427196e29);
    EXPECT_EQ(shp(k).nextOffset, 50);
    EXPECT_EQ(shp(k).fileLength, 50);
    EXPECT_EQ(dbf(k).records, 0);
    EXPECT_EQ(dbf(k).nFields, 1);
    EXPECT_TRUE(shp(k).headerWritten);
  }
  EXPECT_FALSE(shp(3).headerWritten);
  gisCloseLayer(id_);
  EXPECT_EQ(readFile(dir_ / "lay_P.prj"), "PROJCS[\"GDA94 / MGA zone 56\",GEOGCS[\"GDA94\"]]\n");
  EXPECT_EQ(readFile(dir_ / "lay_L.prj"), readFile(dir_ / "lay_P.prj"));
}

TEST_F(LayerWriteTest, SecondHeaderFindsTheIndexViewClosed) {
  openShapes("P");
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { gisWriteHeader(id_); }), 1);
  EXPECT_EQ(output().find("\nShould not be here [shpnotopen] - please contact" + kContact), 0u) << output();
}

// ---- Object header checks ----

TEST_F(LayerWriteTest, LineWithoutPartsIsOnePartFromVertexOne) {
  openShapes("L");
  GisObject o = newObject(&GisObject::isLine);
  o.nr = 0;
  o.ir[1] = 0;
  setVertices({{0, 0}, {3, 4}});
  write(o, 1);
  EXPECT_EQ(o.nr, 1);
  EXPECT_EQ(o.ir[1], 1);
  EXPECT_TRUE(o.isComplete);
  gisCloseLayer(id_);
  expectShapefileReadable("lay_L");
}

TEST_F(LayerWriteTest, PartStartsThatDoNotIncreaseStopWithTheLabelLines) {
  openShapes("L");
  GisObject o = newObject(&GisObject::isPlineMultiple, {1, 5, 5});
  setVertices({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, o); }), 1);
  EXPECT_EQ(output().find("\nShould not be here [gisO_%ir(i) <= gisO_%ir(i-1)] - please contact" + kContact +
                          "\nGIS Layer   =    1\ni           =    3\ngisO_%ir(i) =    5\ngisO_%nr    =    3\n"),
            0u)
      << output();
}

TEST_F(LayerWriteTest, PartStartingPastTheLastVertexStops) {
  openShapes("L");
  GisObject o = newObject(&GisObject::isPlineMultiple, {1, 4});
  setVertices({{0, 0}, {1, 1}, {2, 2}});
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, o); }), 1);
  EXPECT_TRUE(outputHas("Should not be here [gisO_%ir(nr) > gisCoordBuffer%n] - please contact"));
}

TEST_F(LayerWriteTest, CountsBeyondTheObjectBuffersStop) {
  openShapes("L");
  GisObject o = newObject(&GisObject::isPline);
  gGis.gisCoordBuffer.n = kGisMaxVertices + 1;
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, o); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [gisWriteObject] - please contact"));
}

TEST_F(LayerWriteTest, TooManyPartsStop) {
  openShapes("L");
  GisObject o = newObject(&GisObject::isPlineMultiple);
  o.nr = kGisMaxParts + 1;
  setVertices({{0, 0}, {1, 1}});
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, o); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [gisWriteObject] - please contact"));
}

// ---- Routing ----

TEST_F(LayerWriteTest, EachKindGoesToItsSubLayer) {
  openShapes("PLR");
  write(&GisObject::isPoint, {{1, 1}}, 1);
  write(&GisObject::isPline, {{0, 0}, {1, 2}, {2, 0}}, 2);
  GisObject r = newObject(&GisObject::isRegion);
  setVertices({{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}});  // closed and clockwise
  write(r, 3);
  GisObject t = write(&GisObject::isText, {{5, 5}, {6, 6}, {7, 7}}, 4);
  EXPECT_TRUE(t.isPoint);
  EXPECT_FALSE(t.isText);
  // A text that also carries a line flag is a line, its record with it.
  GisObject tl = newObject();
  tl.isText = tl.isPline = true;
  setVertices({{0, 0}, {3, 3}});
  write(tl, 5);
  EXPECT_TRUE(tl.isText);
  EXPECT_FALSE(tl.isPoint);
  expectRecords({2, 2, 1}, {2, 2, 1});
  gisCloseLayer(id_);
  expectShapefileReadable("lay_P");
  expectShapefileReadable("lay_L");
  expectShapefileReadable("lay_R");
}

TEST_F(LayerWriteTest, MultipointGoesToThePointsFile) {
  openShapes("P");
  write(&GisObject::isMultiPoint, {{1, 1}, {2, 2}}, 1);
  EXPECT_EQ(shp(1).recordShapeType, 8);
  EXPECT_EQ(dbf(1).records, 1);
  gisCloseLayer(id_);
  const std::string b = readFile(dir_ / "lay_P.shp");
  EXPECT_EQ(le32(b, 32), 1);
  EXPECT_EQ(le32(b, 108), 8);
}

TEST_F(LayerWriteTest, NullObjectGoesToEveryOpenSubLayerWithItsRecord) {
  openShapes("PL");
  GisObject n = newObject(&GisObject::isNone);
  write(n, 7);
  expectRecords({1, 1}, {1, 1});
  gisCloseLayer(id_);
  expectShapefileReadable("lay_P", true);
  expectShapefileReadable("lay_L", true);
}

// Readers reject a polyline part of fewer than 2 vertices and a ring of fewer than 3 distinct points:
// such a part is left out with a warning; an object left without parts is a null shape that keeps
// its record in its own sub-layer.
TEST_F(LayerWriteTest, PartsTooShortForTheirKindAreLeftOut) {
  openShapes("PLR");
  const std::string indent(15, ' ');
  GisObject l = newObject(&GisObject::isPline);
  setVertices({{2, 3}});
  clearOutput();
  write(l, 1);
  EXPECT_EQ(output(), "\nWARNING 0440 - Polyline part of fewer than 2 vertices left out of a GIS object.\n" + indent +
                          "Part 1 of object 1 in GIS layer lay_L.shp.\n" + indent +
                          "No part remains: the object is written as a null object.\n");
  EXPECT_TRUE(l.isPline);
  EXPECT_FALSE(l.isNone);
  EXPECT_TRUE(l.isComplete);
  EXPECT_EQ(shp(1).records, 0);
  EXPECT_EQ(shp(2).recordShapeType, 0);
  EXPECT_EQ(dbf(1).records, 0);
  EXPECT_EQ(dbf(2).records, 1);

  // Three parts, the middle one a single vertex.
  GisObject m = newObject(&GisObject::isPlineMultiple, {1, 3, 4});
  setVertices({{0, 0}, {1, 1}, {5, 5}, {2, 0}, {3, 1}});
  clearOutput();
  write(m, 2);
  EXPECT_EQ(output(), "\nWARNING 0440 - Polyline part of fewer than 2 vertices left out of a GIS object.\n" + indent +
                          "Part 2 of object 2 in GIS layer lay_L.shp.\n");
  EXPECT_EQ(m.nr, 3);  // the caller's object and vertices are its own again
  EXPECT_EQ(gGis.gisCoordBuffer.n, 5);
  EXPECT_EQ(gGis.gisCoordBuffer.x[3], 5.0);
  EXPECT_EQ(shp(2).xmax, 3.0);  // the left-out vertex is not in the box

  // The second ring has only two distinct points.
  GisObject r = newObject(&GisObject::isRegion, {1, 5});
  setVertices({{0, 0}, {0, 4}, {4, 4}, {0, 0}, {7, 7}, {8, 8}, {7, 7}, {7, 7}});
  clearOutput();
  write(r, 3);
  EXPECT_TRUE(outputHas("WARNING 0440 - Region ring of fewer than 3 distinct points left out of a GIS object.\n" +
                        indent + "Part 2 of object 1 in GIS layer lay_R.shp.\n"));
  write(&GisObject::isRegion, {{0, 0}, {1, 1}}, 4);
  EXPECT_EQ(shp(3).recordShapeType, 0);
  EXPECT_EQ(dbf(3).records, 2);
  gisCloseLayer(id_);

  const std::string lines = readFile(dir_ / "lay_L.shp");
  EXPECT_EQ(le32(lines, 112 + 8), 3);   // the second record: a polyline
  EXPECT_EQ(le32(lines, 112 + 44), 2);  // of two parts
  EXPECT_EQ(le32(lines, 112 + 48), 4);  // and four points
  EXPECT_EQ(le32(lines, 112 + 56), 2);  // the second part starts after the first two
  const std::string regions = readFile(dir_ / "lay_R.shp");
  EXPECT_EQ(le32(regions, 100 + 44), 1);
  EXPECT_EQ(le32(regions, 100 + 48), 4);
  expectShapefileReadable("lay_L", true);
  expectShapefileReadable("lay_R", true);

  // A region has no sub-layer in a layer opened without one.
  openShapes("PL", "pl.shp");
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, r); }), 1);
}

TEST_F(LayerWriteTest, ObjectOrRecordForASubLayerThatWasNotOpenedStops) {
  openShapes("L");
  GisObject p = newObject(&GisObject::isPoint);
  setVertices({{1, 1}});
  EXPECT_TRUE(failureOutput([&] { gisWriteObject(id_, p); })
                  .starts_with("\nShould not be here [gisWriteObject-shp].  Please contact" + kContact + "\n"))
      << output();
  openShapes("L");  // the stop closed the layer
  EXPECT_TRUE(failureOutput([&] { gisWriteRecord(id_, p); })
                  .starts_with("\nShould not be here [gisWriteRecord-dbf].  Please contact" + kContact + "\n"))
      << output();
  // Nothing was counted for the table that does not exist.
  EXPECT_EQ(gGis.layers[1].dbfSubLayer[kShpSubLayerPoints].records, 0);
}

TEST_F(LayerWriteTest, ObjectsBeforeTheHeaderStop) {
  id_ = gisOpenLayer("early.shp", "P", "O ", false);
  GisObject p = newObject(&GisObject::isPoint);
  setVertices({{1, 1}});
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, p); }), 1);
  EXPECT_TRUE(outputHas("Should not be here [gisWriteObject-shp]"));
}

TEST_F(LayerWriteTest, ObjectAndRecordWithoutAKindStop) {
  openShapes("P");
  GisObject o = newObject();
  EXPECT_EQ(expectRunEnd([&] { gisWriteObject(id_, o); }), 1);
  EXPECT_TRUE(outputHas("Should not be here [gisWriteObject-shp].  Please contact"));
  clearOutput();
  openShapes("P");  // the stop closed the layer
  EXPECT_EQ(expectRunEnd([&] { gisWriteRecordLarge(id_, o); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [gisWriteRecordLarge-dbf].  Please contact" + kContact));
}

TEST_F(LayerWriteTest, LargeRecordsUseTheLargeLine) {
  gGis.gisAttributeDefs.type[1] = fixed::fit("Char", kGisAttributeTypeLength);
  gGis.gisAttributeDefs.width[1] = 5;
  openShapes("P");
  GisObject p = newObject(&GisObject::isPoint);
  setVertices({{1, 1}});
  gisWriteObject(id_, p);
  gGis.gisDataLine = fixed::fit("\"small\"", kTextLength);
  gGis.gisDataLineLarge = fixed::fit("\"large\"", kLongTextLength);
  gisWriteRecordLarge(id_, p);
  EXPECT_EQ(dbf(1).records, 1);
  gisCloseLayer(id_);
  const std::string b = readFile(dir_ / "lay_P.dbf");
  EXPECT_EQ(b.substr(b.size() - 7), " large\x1a");
  expectShapefileReadable("lay_P");
}

// ---- Handle and kind guards ----

TEST_F(LayerWriteTest, HandleGuardsNameTheirRoutine) {
  GisObject o = newObject();
  const std::pair<std::string, std::function<void()>> cases[] = {
      {"gisWriteHeader", [] { gisWriteHeader(0); }},
      {"gisWriteObject", [&] { gisWriteObject(0, o); }},
      {"gisWriteRecord", [&] { gisWriteRecord(-3, o); }},
      {"gisWriteRecordLarge", [&] { gisWriteRecordLarge(0, o); }},
  };
  for (const auto& [name, call] : cases)
    EXPECT_TRUE(failureOutput(call).starts_with("Should not be here " + name + "[gisID=0] - please contact" + kContact +
                                                "\n"))
        << output();
  EXPECT_TRUE(failureOutput([&] { gisWriteObject(kGisMaxLayers + 1, o); })
                  .starts_with("Should not be here gisWriteObject[gisID=101] - please contact"))
      << output();
}

TEST_F(LayerWriteTest, WritesToAFreeSlotStopWithTheKindGuard) {
  GisObject o = newObject(&GisObject::isPoint);
  const std::pair<std::string, std::function<void()>> cases[] = {
      {"gisWriteHeader", [] { gisWriteHeader(4); }},
      {"gisWriteObject", [&] { gisWriteObject(4, o); }},
      {"gisWriteRecord", [&] { gisWriteRecord(4, o); }},
      {"gisWriteRecordLarge", [&] { gisWriteRecordLarge(4, o); }},
  };
  for (const auto& [name, call] : cases)
    EXPECT_TRUE(failureOutput(call).starts_with("\nShould not be here [" + name + "] - please contact" + kContact + "\n"))
        << output();
}

// ---- gisPrintMessage ----

TEST_F(LayerWriteTest, PrintMessageShowsLineOneAndTheNonBlankOthers) {
  gisSetMessage("WARNING 0999 - Only line.");
  gisPrintMessage(0);
  EXPECT_EQ(output(), "WARNING 0999 - Only line.\n");
  clearOutput();
  gGis.gisMessageLines[1] = fixed::blanks(kTextLength);
  gGis.gisMessageLines[3] = fixed::fit("third", kTextLength);
  gisPrintMessage(2);
  EXPECT_EQ(output(), "\n\n\nthird\n");
  clearOutput();
  gisSetMessage("one", "two");
  gGis.gisMessageLines[4] = fixed::fit("four", kTextLength);
  gisPrintMessage(1);
  EXPECT_EQ(output(), "\none\ntwo\nfour\n");
  // The lines stay for whoever prints them next.
  EXPECT_EQ(fixed::trimmed(gGis.gisMessageLines[2]), "two");
}

TEST_F(LayerWriteTest, PrintMessageEchoesToTheLog) {
  OPENERBYNAME(gGis.gisLogUnit, "O ", "gis.log", 80);
  gisSetMessage("ERROR 0001 - Logged.", "second");
  gisPrintMessage(1);
  CLOSER(gGis.gisLogUnit);
  EXPECT_EQ(readFile(dir_ / "gis.log"), "\nERROR 0001 - Logged.\nsecond\n");
}

TEST_F(LayerWriteTest, FailureStopsAfterOneBlankLine) {
  EXPECT_EQ(expectRunEnd([] { gisFail("ERROR 0413 - Rewriting .dbf file header with final information."); }), 1);
  EXPECT_EQ(output().find("\nERROR 0413 - Rewriting .dbf file header with final information.\n"), 0u);
}

}  // namespace
