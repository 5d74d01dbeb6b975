// The .shp/.shx writers: header and record layouts byte by byte, the counters they leave for the
// close-time patch, and the guards that stop a run instead of writing a broken file.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "gis/dbase_write.hpp"
#include "gis/gis_layers.hpp"
#include "gis/shapefile_write.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"

namespace {

using byteorder::Order;

constexpr double kSentinel = 9.000000135427196e29;
constexpr double kBig = std::numeric_limits<double>::max();

// Expected bytes, item by item in a named order.
struct Bytes {
  std::string s;
  Bytes& be(std::int32_t v) { return byteorder::putI32(s, v, Order::Big), *this; }
  Bytes& le(std::int32_t v) { return byteorder::putI32(s, v, Order::Little), *this; }
  Bytes& d(double v) { return byteorder::putF64(s, v, Order::Little), *this; }
  Bytes& box(double a, double b, double c, double e) { return d(a).d(b).d(c).d(e); }
};

// The 100-byte header as the header writer leaves it.
std::string header(int shapeType, int fileLength, double xmin, double ymin, double xmax, double ymax) {
  Bytes h;
  h.be(9994).be(0).be(0).be(0).be(0).be(0).be(fileLength).le(1000).le(shapeType).box(xmin, ymin, xmax, ymax);
  return h.box(0, 0, 0, 0).s;
}

class ShapefileWriteTest : public FileUnitsTest {
 protected:
  // Opens a sub-layer as an output layer's open and header writer leave it: both headers
  // written, the .shx little-endian view closed, the box at its sentinel, next offset 50.
  void openSubLayer(const std::string& base, int shapeType) {
    base_ = base;
    shp_ = ShpSubLayer{};
    shp_.fileShapeType = shapeType;
    OPENERBYNAME(shp_.shpUnitLE, "SB", base + ".shp", 0);
    OPENERBYNAME(shp_.shpUnitBE, "SE", base + ".shp", 0);
    OPENERBYNAME(shp_.shxUnitLE, "SB", base + ".shx", 0);
    OPENERBYNAME(shp_.shxUnitBE, "SE", base + ".shx", 0);
    shpWriteHeader(shp_, shp_.shpUnitLE, shp_.shpUnitBE);
    shpWriteHeader(shp_, shp_.shxUnitLE, shp_.shxUnitBE);
    CLOSER(shp_.shxUnitLE);
    shp_.xmin = shp_.ymin = kSentinel;
    shp_.xmax = shp_.ymax = -kSentinel;
    shp_.nextOffset = 50;
  }

  void closeSubLayer() {
    CLOSER(shp_.shpUnitLE);
    CLOSER(shp_.shpUnitBE);
    CLOSER(shp_.shxUnitBE);
  }

  void writePoint(double x, double y) {
    GisObject o = newObject(&GisObject::isPoint);
    setVertices({{x, y}});
    shpWriteObject(o, shp_);
  }

  // A line kind object with the given part starts over the given vertices.
  void writeParts(bool GisObject::*kind, const std::vector<int>& starts, const Vertices& v) {
    GisObject o = newObject(kind, starts);
    setVertices(v);
    shpWriteObject(o, shp_);
    last_ = o;
  }

  // Completes the set as the close of a layer does (header totals, a table of one field with one
  // record per shape, the end mark) and runs the byte-level checker and GDAL over it.
  void expectCompleteSetPassesCheckers(bool withNullShapes = false) {
    closeSubLayer();
    patch(base_ + ".shp", 24, Bytes().be(shp_.fileLength).s);
    patch(base_ + ".shx", 24, Bytes().be(50 + 4 * shp_.records).s);
    const std::string box = Bytes().box(shp_.xmin, shp_.ymin, shp_.xmax, shp_.ymax).s;
    patch(base_ + ".shp", 36, box);
    patch(base_ + ".shx", 36, box);

    GisAttributeDefs defs;
    defs.n = 1;
    defs.name[1] = "Name";
    defs.type[1] = "Char";
    defs.width[1] = 4;
    DbfSubLayer dbf;
    OPENERBYNAME(dbf.unit, "BO", base_ + ".dbf", 0);
    dbfWriteHeader(defs, dbf);
    for (int i = 0; i < shp_.records; ++i) {
      gGis.gisDataLine = "\"r\"";
      dbfdataline(dbf);
    }
    CLOSER(dbf.unit);
    patch(base_ + ".dbf", 4, Bytes().le(shp_.records).s);
    std::ofstream(base_ + ".dbf", std::ios::binary | std::ios::app) << '\x1a';

    expectShapefileReadable(base_, withNullShapes);
  }

  static void patch(const std::string& name, std::streamoff offset, const std::string& bytes) {
    std::fstream f(name, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(offset);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string shpBytes() const { return readFile(dir_ / (base_ + ".shp")); }
  std::string shxBytes() const { return readFile(dir_ / (base_ + ".shx")); }
  void expectBox(double xmin, double ymin, double xmax, double ymax) const {
    EXPECT_EQ(shp_.xmin, xmin);
    EXPECT_EQ(shp_.ymin, ymin);
    EXPECT_EQ(shp_.xmax, xmax);
    EXPECT_EQ(shp_.ymax, ymax);
  }

  std::string base_;
  ShpSubLayer shp_;
  GisObject last_;
};

// ---- Headers ----

TEST_F(ShapefileWriteTest, SubLayerWithNothingWrittenKeepsTheOpeningHeader) {
  openSubLayer("empty", 3);
  EXPECT_EQ(shp_.fileCode, 9994);
  EXPECT_EQ(shp_.fileLength, 50);
  EXPECT_EQ(shp_.version, 1000);
  closeSubLayer();
  EXPECT_EQ(shpBytes(), header(3, 50, 0, 0, -1, -1));
  EXPECT_EQ(shxBytes(), header(3, 50, 0, 0, -1, -1));
}

TEST_F(ShapefileWriteTest, EmptySetPassesTheCheckers) {
  openSubLayer("empty_set", 1);
  shp_.xmin = shp_.ymin = 0.0;  // the close keeps an empty sub-layer's header as written
  shp_.xmax = shp_.ymax = -1.0;
  expectCompleteSetPassesCheckers();
}

TEST_F(ShapefileWriteTest, HeaderWrittenAgainGoesOverTheFirstHundredBytes) {
  openSubLayer("again", 1);
  writePoint(1.0, 2.0);
  shp_.xmin = 10.0;
  shpWriteHeader(shp_, shp_.shpUnitLE, shp_.shpUnitBE);
  EXPECT_EQ(shp_.fileLength, 50);
  closeSubLayer();
  EXPECT_EQ(shpBytes(), header(1, 50, 10.0, 2.0, 1.0, 2.0) + Bytes().be(1).be(10).le(1).d(1.0).d(2.0).s);
}

// ---- Records ----

TEST_F(ShapefileWriteTest, ThreePointsLeaveCountersOffsetsAndBox) {
  openSubLayer("pts", 1);
  writePoint(1.0, 2.0);
  EXPECT_EQ(shp_.nextOffset, 64);
  writePoint(3.0, -4.0);
  writePoint(-5.0, 6.0);
  EXPECT_EQ(shp_.records, 3);
  EXPECT_EQ(shp_.fileLength, 92);
  EXPECT_EQ(shp_.nextOffset, 92);
  EXPECT_EQ(shp_.recordShapeType, 1);
  expectBox(-5.0, -4.0, 3.0, 6.0);
  closeSubLayer();

  Bytes records;
  records.be(1).be(10).le(1).d(1.0).d(2.0);
  records.be(2).be(10).le(1).d(3.0).d(-4.0);
  records.be(3).be(10).le(1).d(-5.0).d(6.0);
  const std::string b = shpBytes();
  ASSERT_EQ(b.size(), 184u);
  EXPECT_EQ(b.substr(100), records.s);
  EXPECT_EQ(shxBytes().substr(100), Bytes().be(50).be(10).be(64).be(10).be(78).be(10).s);
}

TEST_F(ShapefileWriteTest, ThreePointSetPassesTheCheckers) {
  openSubLayer("pts_set", 1);
  writePoint(1.0, 2.0);
  writePoint(3.0, -4.0);
  writePoint(-5.0, 6.0);
  expectCompleteSetPassesCheckers();
}

TEST_F(ShapefileWriteTest, TwoVertexLineIsOnePartOfFortyWords) {
  openSubLayer("line", 3);
  writeParts(&GisObject::isLine, {1}, {{10.0, 20.0}, {30.0, 5.0}});
  EXPECT_TRUE(last_.isComplete);
  EXPECT_EQ(shp_.fileLength, 94);
  EXPECT_EQ(shp_.recordShapeType, 3);
  closeSubLayer();

  Bytes record;
  record.be(1).be(40).le(3).box(10.0, 5.0, 30.0, 20.0).le(1).le(2).le(0).d(10.0).d(20.0).d(30.0).d(5.0);
  ASSERT_EQ(record.s.size(), 88u);
  EXPECT_EQ(shpBytes().substr(100), record.s);
  EXPECT_EQ(shxBytes().substr(100), Bytes().be(50).be(40).s);
}

TEST_F(ShapefileWriteTest, TwoPartPolylineWritesZeroBasedPartStarts) {
  openSubLayer("pline", 3);
  writeParts(&GisObject::isPlineMultiple, {1, 3}, {{0, 0}, {1, 1}, {5, 5}, {6, 4}, {7, -2}});
  closeSubLayer();
  Bytes record;
  record.be(1).be((16 * 5 + 4 * 2 + 44) / 2).le(3).box(0, -2, 7, 5).le(2).le(5).le(0).le(2);
  record.d(0).d(0).d(1).d(1).d(5).d(5).d(6).d(4).d(7).d(-2);
  EXPECT_EQ(shpBytes().substr(100), record.s);
}

TEST_F(ShapefileWriteTest, LinesAndPolylinesPassTheCheckers) {
  openSubLayer("lines_set", 3);
  writeParts(&GisObject::isLine, {1}, {{10.0, 20.0}, {30.0, 5.0}});
  writeParts(&GisObject::isPline, {1}, {{12.0, 21.0}, {15.0, 25.0}, {16.0, 22.0}});
  writeParts(&GisObject::isPlineMultiple, {1, 3}, {{0, 0}, {1, 1}, {5, 5}, {6, 4}, {7, -2}});
  EXPECT_EQ(shp_.records, 3);
  expectBox(0.0, -2.0, 30.0, 25.0);
  expectCompleteSetPassesCheckers();
}

TEST_F(ShapefileWriteTest, RegionIsTypeFiveWithItsRingsAsGiven) {
  openSubLayer("region_set", 5);
  // A closed clockwise ring and an unclosed one: the writer neither closes nor turns them.
  writeParts(&GisObject::isRegion, {1}, {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}});
  EXPECT_EQ(shp_.recordShapeType, 5);
  expectCompleteSetPassesCheckers();
  openSubLayer("open_ring", 5);
  writeParts(&GisObject::isRegion, {1}, {{0, 0}, {0, 10}, {10, 0}});
  closeSubLayer();
  Bytes record;
  record.be(1).be((16 * 3 + 4 + 44) / 2).le(5).box(0, 0, 10, 10).le(1).le(3).le(0).d(0).d(0).d(0).d(10).d(10).d(0);
  EXPECT_EQ(shpBytes().substr(100), record.s);
}

TEST_F(ShapefileWriteTest, PolylineWithoutVerticesKeepsTheSubLayerBox) {
  openSubLayer("nopoints", 3);
  writeParts(&GisObject::isPline, {1}, {});
  expectBox(kSentinel, kSentinel, -kSentinel, -kSentinel);
  EXPECT_EQ(shp_.fileLength, 50 + 24 + 4);
  closeSubLayer();
  EXPECT_EQ(shpBytes().substr(100), Bytes().be(1).be(24).le(3).box(kBig, kBig, -kBig, -kBig).le(1).le(0).le(0).s);
}

TEST_F(ShapefileWriteTest, MultipointIsTypeEightInThePointsFile) {
  openSubLayer("mpts", 1);
  GisObject o = newObject(&GisObject::isMultiPoint);
  o.nr = 7;  // parts do not belong to a multipoint
  setVertices({{2.0, 3.0}, {-1.0, 8.0}, {4.0, 0.5}});
  shpWriteObject(o, shp_);
  EXPECT_EQ(shp_.recordShapeType, 8);
  expectBox(-1.0, 0.5, 4.0, 8.0);
  closeSubLayer();
  Bytes record;
  record.be(1).be((16 * 3 + 40) / 2).le(8).box(-1.0, 0.5, 4.0, 8.0).le(3).d(2).d(3).d(-1).d(8).d(4).d(0.5);
  EXPECT_EQ(shpBytes(), header(1, 50, 0, 0, -1, -1) + record.s);
}

TEST_F(ShapefileWriteTest, NullShapeIsTwoWordsAndLeavesTheBox) {
  openSubLayer("nulls", 1);
  writePoint(1.0, 1.0);
  GisObject o = newObject(&GisObject::isNone);
  shpWriteObject(o, shp_);
  EXPECT_EQ(shp_.records, 2);
  EXPECT_EQ(shp_.recordShapeType, 0);
  EXPECT_EQ(shp_.fileLength, 50 + 14 + 6);
  expectBox(1.0, 1.0, 1.0, 1.0);
  expectCompleteSetPassesCheckers(true);
  EXPECT_EQ(shpBytes().substr(128), Bytes().be(2).be(2).le(0).s);
  EXPECT_EQ(shxBytes().substr(108), Bytes().be(64).be(2).s);
}

TEST_F(ShapefileWriteTest, PointKindWinsAndTakesTheFirstVertexPlace) {
  openSubLayer("flags", 1);
  GisObject o = newObject(&GisObject::isPoint);
  o.isMultiPoint = o.isNone = true;
  setVertices({{4.0, 5.0}});
  gGis.gisCoordBuffer.n = 0;
  shpWriteObject(o, shp_);
  closeSubLayer();
  EXPECT_EQ(shpBytes().substr(100), Bytes().be(1).be(10).le(1).d(4.0).d(5.0).s);
}

TEST_F(ShapefileWriteTest, AFullVertexBufferIsWrittenWhole) {
  openSubLayer("full", 8);
  GisObject o = newObject(&GisObject::isMultiPoint);
  gGis.gisCoordBuffer.n = kGisMaxVertices;
  for (int i = 1; i <= kGisMaxVertices; ++i) {
    gGis.gisCoordBuffer.x[i] = i;
    gGis.gisCoordBuffer.y[i] = -i;
  }
  shpWriteObject(o, shp_);
  expectBox(1, -kGisMaxVertices, kGisMaxVertices, -1);
  closeSubLayer();
  EXPECT_EQ(shpBytes().size(), 100u + 8 + 40 + 16u * kGisMaxVertices);
}

// ---- Failures ----

class ShapefileWriteFailureTest : public ShapefileWriteTest {
 protected:
  void expectStop(const std::string& text) {
    EXPECT_TRUE(outputHas(text));
    EXPECT_TRUE(outputHas("Press Enter to Close"));
  }
};

TEST_F(ShapefileWriteFailureTest, TextObjectIsNotAShapeKind) {
  openSubLayer("text", 1);
  GisObject o = newObject(&GisObject::isText);
  EXPECT_EQ(expectRunEnd([&] { shpWriteObject(o, shp_); }), 1);
  expectStop("\n\nERROR 0350 - Trying to write a SHP object that is not yet supported.  Please contact" +
             kContact + "\n");
}

TEST_F(ShapefileWriteFailureTest, HeaderOnAConnectionThatIsNotOpenStops) {
  ShpSubLayer shp;
  EXPECT_EQ(expectRunEnd([&] { shpWriteHeader(shp, 0, 1005); }), 1);
  expectStop("\nShould not be here [shpnotopen] - please contact" + kContact + "\n");
}

TEST_F(ShapefileWriteFailureTest, HeaderWriteFailureIsReported) {
  ShpSubLayer shp;
  int le = 0, be = 0;
  OPENERBYNAME(le, "SB", "h.shp", 0);
  OPENERBYNAME(be, "SE", "h.shp", 0);
  int closedCopy = le;
  CLOSER(closedCopy);  // the record still names the unit, but the file is gone from under it
  EXPECT_EQ(expectRunEnd([&] { shpWriteHeader(shp, le, be); }), 1);
  expectStop("\n\nERROR 0437 - Writing .shp file header.\n");
}

// The record goes first; its index entry, the counts and the box follow only a record that was
// written, so a failed write leaves the files and the counts agreeing on the records before it.
TEST_F(ShapefileWriteFailureTest, RecordOrIndexThatCannotBeWrittenIsNotCounted) {
  for (const bool indexFails : {false, true}) {
    clearOutput();
    openSubLayer("idx", 1);
    writePoint(2.0, 3.0);
    int closedCopy = indexFails ? shp_.shxUnitBE : shp_.shpUnitLE;
    CLOSER(closedCopy);  // the record still names the unit, but the file is gone from under it
    EXPECT_EQ(expectRunEnd([&] { writePoint(-1.0, 9.0); }), 1);
    expectStop(indexFails ? "\n\nERROR 0439 - Writing .shx file index entries.\n"
                          : "\n\nERROR 0439 - Writing .shp file object coordinates.\n");
    EXPECT_EQ(shp_.records, 1) << indexFails;
    EXPECT_EQ(shp_.nextOffset, 64);
    EXPECT_EQ(shp_.fileLength, 64);
    expectBox(2.0, 3.0, 2.0, 3.0);
    EXPECT_EQ(shxBytes().size(), 108u) << "one index entry, for the record written";
    EXPECT_EQ(shpBytes().size(), indexFails ? 156u : 128u);
  }
}

TEST_F(ShapefileWriteFailureTest, SubLayerThatWasNeverOpenedStops) {
  ShpSubLayer shp;
  GisObject o = newObject(&GisObject::isPoint);
  EXPECT_EQ(expectRunEnd([&] { shpWriteObject(o, shp); }), 1);
  expectStop("\nShould not be here [shpWriteObject] - please contact" + kContact);
  EXPECT_EQ(shp.records, 0);
}

TEST_F(ShapefileWriteFailureTest, CountsBeyondTheBuffersStopBeforeAnyByte) {
  struct Case {
    bool multipoint;
    int n;
    int nr;
  };
  for (const Case c : {Case{false, kGisMaxVertices + 1, 1}, Case{true, kGisMaxVertices + 1, 1},
                       Case{false, -1, 1}, Case{false, 2, kGisMaxParts + 1}, Case{false, 2, -3}}) {
    clearOutput();
    openSubLayer("big", c.multipoint ? 1 : 3);
    GisObject o = newObject(c.multipoint ? &GisObject::isMultiPoint : &GisObject::isPline);
    o.nr = c.nr;
    gGis.gisCoordBuffer.n = c.n;
    EXPECT_EQ(expectRunEnd([&] { shpWriteObject(o, shp_); }), 1);
    expectStop("Should not be here [shpWriteObject] - please contact");
    EXPECT_EQ(readFile(dir_ / "big.shp").size(), 100u) << c.n << " " << c.nr;
  }
}

}  // namespace
