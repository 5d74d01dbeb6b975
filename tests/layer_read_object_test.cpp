// Reading objects: layers written by the library's own writers read back vertex for vertex, the
// region ring layout, labels, the MIF keyword forms, skipping without reading, and shapefile
// records whose counts and offsets cannot be trusted.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

// Allocations through operator new, counted while a test asks: the readers' hot paths allocate
// nothing per object, vertex or record.
namespace {
bool gCountAllocations = false;
std::size_t gAllocations = 0;
}  // namespace
void* operator new(std::size_t n) {
  if (gCountAllocations) ++gAllocations;
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using byteorder::Order;
using Pts = std::vector<std::pair<double, double>>;

// One object as read: its header, the vertices returned by one call, and the label.
struct Read {
  GisObject o;
  int n = 0;
  double xc = 0, yc = 0;
  float angle = 0, length = 0;
  Pts v;
};

class LayerReadObjectTest : public IdLayerTest {
 protected:
  void SetUp() override {
    IdLayerTest::SetUp();
    setOutputProjection("PROJCS[\"Local\"]", "CoordSys NonEarth Units \"m\"");
    x_.assign(kGisMaxVertices + 1, 0.0);
    y_.assign(kGisMaxVertices + 1, 0.0);
  }

  static void put(int id, bool GisObject::*flag, const Pts& v, const std::vector<int>& starts = {1}) {
    GisObject o = newObject(flag, starts);
    setVertices(v);
    writeObjectAndRecord(id, o, "1");
  }

  // gisReadObject once on the object found last.
  Read part(int id, GisObject& o, int maxNodes = kGisMaxVertices, bool lRead = true) {
    Read r;
    gisReadObject(id, o, x_, y_, maxNodes, r.n, r.xc, r.yc, r.angle, r.length, lRead);
    r.o = o;
    for (int i = 1; i <= r.n && lRead; ++i) r.v.push_back({x_[i], y_[i]});
    return r;
  }

  Read object(int id) {
    GisObject o;
    EXPECT_TRUE(gisObjectType(id, o));
    return part(id, o);
  }

  int openMif(const std::string& body) {
    writeFile(dir_ / "h.mif", "Version 300\nColumns 1\n  ID Integer\nData\n\n" + body);
    writeFile(dir_ / "h.mid", "");
    const int id = gisOpenLayer("h.mif", " ", "I ", false);
    gisReadHeader(id);
    clearOutput();
    return id;
  }

  // The next object found and its first part read (at most maxNodes vertices, or passed over).
  void readFirstPart(int id, int maxNodes = 3, bool lRead = true) {
    GisObject o;
    gisObjectType(id, o);
    part(id, o, maxNodes, lRead);
  }

  std::vector<double> x_, y_;
};

const Pts kSquare = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
const Pts kSquareLayout = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}};

// ---- round trips through the library's writers ----------------------------------------------

TEST_F(LayerReadObjectTest, ShapefileLinesAndRegionsReadBack) {
  // Each record read ends where the writer's content length ends it: the reader and the writer lay
  // out every kind alike.
  auto endsWhereWritten = [](int id) {
    const ShpSubLayer& s = gGis.layers[id].shpSubLayer[kShpInputSubLayer];
    return fuTell(s.shpUnitLE) == s.recordEnd;
  };
  int out = openOutputLayer("lr.shp", "PLR");
  put(out, &GisObject::isPoint, {{3, 4}});
  put(out, &GisObject::isMultiPoint, {{1, 2}, {5, 6}, {7, 8}});
  put(out, &GisObject::isPline, {{0, 0}, {2, 0}, {4, 0}});
  put(out, &GisObject::isPlineMultiple, {{0, 0}, {0, 2}, {5, 5}, {6, 5}, {7, 5}}, {1, 3});
  put(out, &GisObject::isRegion, kSquare);
  put(out, &GisObject::isRegion, {{0, 0}, {4, 0}, {4, 4}, {0, 0}, {1, 1}, {2, 1}, {1, 2}, {1, 1}}, {1, 5});
  gisCloseLayer(out);

  int points = gisOpenLayer("lr.shp", "P", "I ", false);
  gisReadHeader(points);
  EXPECT_EQ(object(points).v, (Pts{{3, 4}}));
  EXPECT_TRUE(endsWhereWritten(points));
  GisObject many;
  ASSERT_TRUE(gisObjectType(points, many));
  for (int k = 0; k < many.nSections; ++k) part(points, many);
  EXPECT_EQ(many.nr, 3);
  EXPECT_TRUE(endsWhereWritten(points));
  gisCloseLayer(points);

  int lines = gisOpenLayer("lr.shp", "L", "I ", false);
  gisReadHeader(lines);
  Read a = object(lines);
  EXPECT_TRUE(endsWhereWritten(lines));
  EXPECT_TRUE(a.o.isPline);
  EXPECT_EQ(fixed::trimmed(a.o.typeName), "Polyline");
  EXPECT_EQ(a.v, (Pts{{0, 0}, {2, 0}, {4, 0}}));
  EXPECT_DOUBLE_EQ(a.xc, 2.0);
  EXPECT_DOUBLE_EQ(a.yc, 0.0);
  EXPECT_FLOAT_EQ(a.length, 4.0f);
  EXPECT_FLOAT_EQ(a.angle, 0.0f);
  EXPECT_TRUE(a.o.isComplete);
  EXPECT_FALSE(gGis.layers[lines].gisEndOfData);
  GisObject o;
  ASSERT_TRUE(gisObjectType(lines, o));
  EXPECT_TRUE(o.isPlineMultiple);
  EXPECT_EQ(o.nSections, 2);
  Read p1 = part(lines, o);
  EXPECT_EQ(p1.v, (Pts{{0, 0}, {0, 2}}));
  EXPECT_FLOAT_EQ(p1.angle, 90.0f);
  EXPECT_DOUBLE_EQ(p1.yc, 1.0);
  Read p2 = part(lines, o);
  EXPECT_EQ(p2.v, (Pts{{5, 5}, {6, 5}, {7, 5}}));
  EXPECT_TRUE(endsWhereWritten(lines));
  EXPECT_TRUE(gGis.layers[lines].gisEndOfData);
  gisCloseLayer(lines);

  int regions = gisOpenLayer("lr.shp", "R", "I ", false);
  gisReadHeader(regions);
  Read sq = object(regions);
  EXPECT_TRUE(endsWhereWritten(regions));
  EXPECT_TRUE(sq.o.isRegion);
  EXPECT_EQ(sq.v, kSquareLayout);
  EXPECT_EQ(sq.o.nr, 1);
  EXPECT_EQ(sq.o.ir[1], 5);
  EXPECT_DOUBLE_EQ(sq.xc, 0.5);
  EXPECT_DOUBLE_EQ(sq.yc, 0.5);
  Read two = object(regions);
  EXPECT_TRUE(endsWhereWritten(regions));
  EXPECT_EQ(two.o.nr, 2);
  EXPECT_EQ(two.o.ir[1], 4);
  EXPECT_EQ(two.o.ir[2], 9);
  EXPECT_EQ(two.v, (Pts{{0, 0}, {4, 0}, {4, 4}, {0, 0}, {4, 0}, {1, 1}, {2, 1}, {1, 2}, {1, 1}, {2, 1}}));
  EXPECT_TRUE(gGis.layers[regions].gisEndOfData);
}

TEST_F(LayerReadObjectTest, MifObjectsReadBackAndRewindStartsAgain) {
  int out = openOutputLayer("all.mif", " ");
  put(out, &GisObject::isPoint, {{1.5, -2.5}});
  put(out, &GisObject::isMultiPoint, {{1, 1}, {2, 2}});
  put(out, &GisObject::isLine, {{0, 0}, {3, 4}});
  put(out, &GisObject::isPline, {{0, 0}, {2, 0}, {4, 0}});
  put(out, &GisObject::isPlineMultiple, {{0, 0}, {0, 2}, {5, 5}, {6, 5}, {7, 5}}, {1, 3});
  put(out, &GisObject::isRegion, kSquare);
  gisCloseLayer(out);

  int id = gisOpenLayer("all.mif", " ", "I ", false);
  gisReadHeader(id);
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    Read pt = object(id);
    EXPECT_TRUE(pt.o.isPoint);
    EXPECT_EQ(fixed::trimmed(pt.o.typeName), "POINT");
    EXPECT_EQ(pt.v, (Pts{{1.5, -2.5}}));
    EXPECT_DOUBLE_EQ(x_[2], 1.5) << "a point's vertex is repeated";
    GisObject mp;
    ASSERT_TRUE(gisObjectType(id, mp));
    EXPECT_TRUE(mp.isMultiPoint);
    EXPECT_EQ(mp.nSections, 2);
    EXPECT_EQ(part(id, mp).v, (Pts{{1, 1}}));
    EXPECT_EQ(part(id, mp).v, (Pts{{2, 2}}));
    Read ln = object(id);
    EXPECT_TRUE(ln.o.isLine);
    EXPECT_FLOAT_EQ(ln.length, 5.0f);
    EXPECT_DOUBLE_EQ(ln.xc, 1.5);
    EXPECT_NEAR(ln.angle, std::atan2(4.0, 3.0) * 180.0 / 3.14159265358979, 1e-4);
    Read pl = object(id);
    EXPECT_TRUE(pl.o.isPline);
    EXPECT_EQ(pl.v, (Pts{{0, 0}, {2, 0}, {4, 0}}));
    EXPECT_DOUBLE_EQ(pl.xc, 2.0);
    GisObject pm;
    ASSERT_TRUE(gisObjectType(id, pm));
    EXPECT_TRUE(pm.isPlineMultiple);
    EXPECT_EQ(pm.nSections, 2);
    EXPECT_EQ(part(id, pm).v, (Pts{{0, 0}, {0, 2}}));
    Read s2 = part(id, pm);
    EXPECT_EQ(s2.v, (Pts{{5, 5}, {6, 5}, {7, 5}}));
    EXPECT_DOUBLE_EQ(s2.xc, 6.0);
    Read rg = object(id);
    EXPECT_TRUE(rg.o.isRegion);
    EXPECT_EQ(rg.v, kSquareLayout);
    EXPECT_EQ(rg.o.ir[1], 5);
    EXPECT_DOUBLE_EQ(rg.xc, 0.5);
    EXPECT_TRUE(gGis.layers[id].gisEndOfData);
    GisObject none;
    EXPECT_FALSE(gisObjectType(id, none));
    gisGotoBeginningOfData(id);
  }
}

// Once the first object has been read (the reader's buffers grown), every further object, each of
// its parts and each record is read without an allocation: MIF regions with style lines to look
// past and a centre, polylines and points with their .mid rows, and the regions of a shapefile set
// with their .dbf records.
TEST_F(LayerReadObjectTest, ObjectsAndRecordsAreReadWithoutAllocating) {
  std::string mif = "Version 300\nColumns 2\n  ID Integer\n  Name Char(10)\nData\n\n", mid;
  int out = openOutputLayer("many.shp", "R");
  for (int k = 0; k < 40; ++k) {
    const double x = 500000.0 + 10 * k, y = 6000000.0;
    const Pts ring = {{x, y}, {x, y + 8}, {x + 8, y + 8}, {x + 8, y}, {x, y}};
    mif += "Region  1\n  5\n";
    for (const auto& [px, py] : ring) mif += "   " + std::to_string(px) + "  " + std::to_string(py) + "\n";
    mif += "    Pen (1,2,0)\n    Brush (2,16777215,16777215)\n";
    if (k % 3 == 0) mif += "    Center " + std::to_string(x + 4) + " " + std::to_string(y + 4) + "\n";
    mif += "Pline 3\n" + std::to_string(x) + " 1\n" + std::to_string(x + 1) + " 2\n" + std::to_string(x + 2) + " 1\n";
    mif += "Point " + std::to_string(x) + " " + std::to_string(y) + "\n";
    for (int r = 0; r < 3; ++r) mid += std::to_string(3 * k + r) + ",\"object " + std::to_string(r) + "\"\n";
    put(out, &GisObject::isRegion, ring);
  }
  gisCloseLayer(out);
  writeFile(dir_ / "many.mif", mif);
  writeFile(dir_ / "many.mid", mid);
  for (const std::string layer : {"many.mif", "many_R.shp"}) {
    SCOPED_TRACE(layer);
    const int id = gisOpenLayer(layer, " ", "I ", false);
    gisReadHeader(id);
    std::string record(kTextLength, ' ');
    GisObject o;
    int objects = 0;
    std::size_t allocations = 0;
    while (!gGis.layers[id].gisEndOfData && gisObjectType(id, o)) {
      gCountAllocations = objects > 0;
      for (int k = 0; k < (isLineOrPolyline(o) || o.isMultiPoint ? o.nSections : 1); ++k) {
        int n = 0;
        double xc = 0, yc = 0;
        float angle = 0, length = 0;
        gisReadObject(id, o, x_, y_, kGisMaxVertices, n, xc, yc, angle, length, true);
      }
      gisReadRecord(id, o, record);
      gCountAllocations = false;
      allocations += gAllocations;
      gAllocations = 0;
      ++objects;
    }
    EXPECT_EQ(objects, layer == "many.mif" ? 120 : 40);
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(fixed::trimmed(record), layer == "many.mif" ? "119,\"object 2\"" : "       1");
  }
}

// ---- MIF forms ------------------------------------------------------------------------------------

TEST_F(LayerReadObjectTest, MifPointFormsAndThePrefixTest) {
  const int id = openMif("  point 1.5 2.5\nPen (1,2,0)\nPoint\n 3,\n 4\n\tPLINE 2\n0 0\n1 1\nPoints 7 8\n");
  EXPECT_EQ(object(id).v, (Pts{{1.5, 2.5}}));
  EXPECT_EQ(object(id).v, (Pts{{3, 4}})) << "the pair on the next lines, split across them";
  Read pl = object(id);
  EXPECT_TRUE(pl.o.isPline);
  EXPECT_FALSE(pl.o.isLine) << "PLINE is tested before LINE";
  EXPECT_EQ(pl.v, (Pts{{0, 0}, {1, 1}}));
  GisObject o;
  ASSERT_TRUE(gisObjectType(id, o));
  EXPECT_TRUE(o.isPoint) << "Points begins with POINT";
  EXPECT_EQ(gGis.layers[id].mifLayer.rest, "s 7 8") << "the text after the keyword, as read";
  EXPECT_EQ(output(), "");
  // A multipoint is read one point per call, so its count is not bounded by the vertex buffer.
  int done = id;
  gisCloseLayer(done);
  const int many = openMif("MultiPoint 150000\n1 2\n");
  ASSERT_TRUE(gisObjectType(many, o));
  EXPECT_EQ(o.nSections, 150000);
  EXPECT_EQ(part(many, o).v, (Pts{{1, 2}}));
}

TEST_F(LayerReadObjectTest, MifFileEndingAfterStyleLinesHasNoFurtherObject) {
  const int id = openMif("Point 1 2\n    Symbol (35,0,12)\n  Pen (1,2,0)\n");
  object(id);
  GisObject o;
  EXPECT_FALSE(gisObjectType(id, o));
  EXPECT_TRUE(gGis.layers[id].gisEndOfData);
  EXPECT_EQ(output(), "");
}

TEST_F(LayerReadObjectTest, MifRegionPointCountsAndCentre) {
  const int id = openMif(
      "Region 1\n 4\n0 0\n2 0\n0 2\n0 0\n  Pen (1,2,0)\n  Brush (2,0)\n  Center 9 9\n"
      "Region 1\n 4\n0 0\n2 0\n0 2\n0 0\n  Brush (2,0)\nPoint 5 5\n");
  Read a = object(id);
  EXPECT_EQ(a.n, 5);
  EXPECT_DOUBLE_EQ(a.xc, 9.0) << "a Center line after the region gives its label";
  Read b = object(id);
  EXPECT_NEAR(b.xc, 2.0 / 3.0, 1e-12) << "otherwise the mean of the distinct vertices";
  Read p = object(id);
  EXPECT_TRUE(p.o.isPoint) << "the look-ahead leaves the next object to be read";
  EXPECT_EQ(p.v, (Pts{{5, 5}}));

  // Many regions, CRLF lines and style lines of many lengths: the look-ahead meets the end of the
  // block read ahead at every place in a line, and every region still has its count and label.
  startAgain();
  std::string body;
  const int regions = 10000;
  for (int k = 0; k < regions; ++k) {
    const std::string v = std::to_string(k);
    body += "Region 1\r\n  4\r\n" + v + " 0\r\n" + v + " 3\r\n0 3\r\n" + v + " 0\r\n  Pen (1,2,0)\r\n";
    body += "    Brush (2," + std::string(static_cast<std::size_t>(k % 37), '1') + ")\r\n";
    if (k % 3 == 0) body += "  Center " + v + " 7\r\n";
  }
  const int many = openMif(body + "Point 5 5");
  object(many);
  object(many);
  gisGotoBeginningOfData(many);  // the next keyword line was kept; the rewind goes back all the same
  for (int k = 0; k < regions; ++k) {
    Read r = object(many);
    ASSERT_TRUE(r.o.isRegion) << k;
    ASSERT_EQ(r.n, 5) << k;
    ASSERT_EQ(r.v.front().first, k) << k;
    ASSERT_DOUBLE_EQ(r.xc, k % 3 == 0 ? k : (2.0 * k) / 3.0) << k;
  }
  EXPECT_EQ(object(many).v, (Pts{{5, 5}})) << "the last line has no line end";
  EXPECT_TRUE(gGis.layers[many].gisEndOfData);
}

TEST_F(LayerReadObjectTest, MifRegionOfTenThousandPolygonsReadsAndOneMoreStops) {
  std::string body = "Region 10000\n";
  for (int i = 0; i < 10000; ++i) body += " 1\n" + std::to_string(i) + " 0\n";
  const int id = openMif(body);
  Read r = object(id);
  EXPECT_EQ(r.o.nr, 10000);
  EXPECT_EQ(r.n, 20000);
  EXPECT_EQ(r.o.ir[10000], 19999);
  startAgain();
  const int big = openMif("Region 10001\n 1\n0 0\n");
  EXPECT_NE(failureOutput([&] { object(big); })
                .find("\nERROR 0304 - Exceeded maximum number of polygons in region below of 10000\nRegion 10001\n"
                      "Line 6 of file h.mif.\n"),
            std::string::npos);
}

TEST_F(LayerReadObjectTest, SkippingObjectsWithoutReadingThem) {
  const int id = openMif("Pline 3\n0 0\n1 1\n2 2\nRegion 2\n 2\n0 0\n1 1\n 2\n5 5\n6 6\nPoint 7 7\n");
  GisObject o;
  ASSERT_TRUE(gisObjectType(id, o));
  part(id, o, kGisMaxVertices, false);
  ASSERT_TRUE(gisObjectType(id, o));
  EXPECT_TRUE(o.isRegion);
  Read r = part(id, o, kGisMaxVertices, false);
  EXPECT_EQ(r.n, 6);
  EXPECT_EQ(object(id).v, (Pts{{7, 7}}));
}

// Each refusal names the .mif and the line read last.
TEST_F(LayerReadObjectTest, MifObjectsThatCannotBeRead) {
  struct Case {
    std::string body, message;
    int line;
    int maxNodes = 3;
  };
  const std::vector<Case> cases = {
      {"Collection 2\n", "ERROR 0303 - MIF \"Collection\" objects not supported.  Delete or disaggregate object.", 6},
      {"Region\n 4\n", "ERROR 0308 - Reading .mif file.  Check file format is not corrupted.\n"
                       "               No count after REGION in file h.mif.", 6},
      {"Pline 3\n0 0\n1 1\n", "ERROR 0309 - Unexpected end of .mif file encountered.", 8},
      {"Pline 2\n0 zero\n1 1\n", "ERROR 0308 - Reading .mif file.  Check file format is not corrupted.", 7},
      {"Pline 4\n0 0\n1 1\n2 2\n3 3\n", "ERROR 0310 - Exceeded number of allowable nodes in a single polyline or "
                                        "region.\n             Requested       4        Limit       3", 6},
      {"Region 1\n -4\n", "ERROR 0308 - Reading .mif file.  Check file format is not corrupted.\n"
                          "               Point count of -4 is negative in file h.mif.", 7},
      {"Region 2\n 0\n 4\n0 0\n1 0\n1 1\n0 0\n",
       "ERROR 0308 - Reading .mif file.  Check file format is not corrupted.\n"
       "               Ring 1 of a region has no points in file h.mif.", 7},
      {"Region 1\n 3\n0 0\n1 0\n0 0\n", "ERROR 0318 - Less than 5 points for Region object in mif file.", 10, 10},
  };
  for (const Case& c : cases) {
    startAgain();
    const int id = openMif(c.body);
    expectStop(c.message + "\nLine " + std::to_string(c.line) + " of file h.mif.", [&] { readFirstPart(id, c.maxNodes); });
  }
}

// ---- hand-made shapefiles -------------------------------------------------------------------

// A .shp of the given record contents (little-endian bodies), each with its big-endian record header.
std::string shpFile(const std::vector<std::string>& contents, int type) {
  std::string recs;
  for (std::size_t i = 0; i < contents.size(); ++i) {
    byteorder::putI32(recs, static_cast<std::int32_t>(i + 1), Order::Big);
    byteorder::putI32(recs, static_cast<std::int32_t>(contents[i].size() / 2), Order::Big);
    recs += contents[i];
  }
  std::string h;
  byteorder::putI32(h, 9994, Order::Big);
  h += std::string(20, '\0');
  byteorder::putI32(h, static_cast<std::int32_t>((100 + recs.size()) / 2), Order::Big);
  byteorder::putI32(h, 1000, Order::Little);
  byteorder::putI32(h, type, Order::Little);
  for (int i = 0; i < 8; ++i) byteorder::putF64(h, 0.0, Order::Little);
  return h + recs;
}

std::string polyContent(int type, int nParts, int nPoints, const std::vector<int>& offsets) {
  std::string c;
  byteorder::putI32(c, type, Order::Little);
  for (int i = 0; i < 4; ++i) byteorder::putF64(c, 0.0, Order::Little);
  byteorder::putI32(c, nParts, Order::Little);
  byteorder::putI32(c, nPoints, Order::Little);
  for (int o : offsets) byteorder::putI32(c, o, Order::Little);
  for (int i = 0; i < nPoints; ++i) {
    byteorder::putF64(c, i, Order::Little);
    byteorder::putF64(c, -i, Order::Little);
  }
  return c;
}

std::string typeOnly(int type) {
  std::string c;
  byteorder::putI32(c, type, Order::Little);
  return c;
}

class HandMadeShpTest : public LayerReadObjectTest {
 protected:
  int openShp(const std::string& bytes, const std::string& name = "s") {
    writeFile(dir_ / (name + ".shp"), bytes);
    writeFile(dir_ / (name + ".dbf"), minimalDbf());
    const int id = gisOpenLayer(name + ".shp", " ", "I ", false);
    gisReadHeader(id);
    clearOutput();
    return id;
  }
  static std::string minimalDbf() {
    std::string b("\x03\x7b\x01\x02", 4);
    byteorder::putI32(b, 0, Order::Little);
    byteorder::putU16(b, 65, Order::Little);
    byteorder::putU16(b, 2, Order::Little);
    b += std::string(20, '\0');
    b += std::string("A\0\0\0\0\0\0\0\0\0\0C", 12) + std::string(4, '\0') + "\x01" + std::string(15, '\0');
    return b + "\x0D\x1A";
  }
};

TEST_F(HandMadeShpTest, LargeObjectsReadOrArePassedOver) {
  std::vector<int> offsets;
  for (int i = 0; i < 9999; ++i) offsets.push_back(i);
  const int id = openShp(shpFile({polyContent(3, 9999, 9999, offsets)}, 3));
  GisObject o;
  ASSERT_TRUE(gisObjectType(id, o));
  EXPECT_EQ(o.nSections, 9999);
  Read r;
  for (int k = 0; k < 9999; ++k) r = part(id, o);
  EXPECT_EQ(r.v, (Pts{{9998, -9998}}));
  EXPECT_TRUE(gGis.layers[id].gisEndOfData);

  // More points than the vertex buffer holds: passed over in skip mode, ERROR 0310 when read.
  for (const int type : {3, 5}) {
    SCOPED_TRACE(type);
    startAgain();
    const std::string big = polyContent(type, 1, kGisMaxVertices + 1, {0});
    const int large = openShp(shpFile({big, polyContent(3, 1, 2, {0}), big}, type));
    ASSERT_TRUE(gisObjectType(large, o));
    EXPECT_EQ(part(large, o, kGisMaxVertices, false).n, type == 3 ? kGisMaxVertices + 1 : kGisMaxVertices + 2);
    EXPECT_EQ(object(large).v, (Pts{{0, 0}, {1, -1}}));
    ASSERT_TRUE(gisObjectType(large, o));
    const std::string out = failureOutput([&] { part(large, o); });
    EXPECT_NE(out.find("\nERROR 0310 - Exceeded number of allowable nodes in a single .shp polyline or region.\n"
                       "             Requested" +
                       std::string(type == 3 ? "  100001" : "  100002") + "        Limit  100000\n"),
              std::string::npos)
        << out;
  }
}

TEST_F(HandMadeShpTest, NullRecordsPaddedRecordsAndUnreadPartsKeepTheNextRecordInPlace) {
  // A record with bytes beyond its shape, and a polyline whose second part the caller leaves
  // unread: each next record is found by the content length.
  std::string point = typeOnly(1);
  byteorder::putF64(point, 7.0, Order::Little);
  byteorder::putF64(point, 8.0, Order::Little);
  const int id = openShp(shpFile({typeOnly(0), polyContent(3, 1, 2, {0}) + std::string(12, 'x'),
                                  polyContent(3, 2, 4, {0, 2}), point + std::string(4, '\0')},
                                 3));
  GisObject o;
  o.isComplete = true;
  ASSERT_TRUE(gisObjectType(id, o));
  EXPECT_TRUE(o.isNone);
  EXPECT_EQ(fixed::trimmed(o.typeName), "Null Shape");
  part(id, o);
  EXPECT_FALSE(o.isComplete);
  EXPECT_EQ(object(id).v, (Pts{{0, 0}, {1, -1}}));
  ASSERT_TRUE(gisObjectType(id, o));
  EXPECT_EQ(part(id, o).v, (Pts{{0, 0}, {1, -1}}));
  EXPECT_FALSE(gGis.layers[id].gisEndOfData);
  EXPECT_EQ(object(id).v, (Pts{{7, 8}}));
  EXPECT_TRUE(gGis.layers[id].gisEndOfData) << "the padding of the last record is no further object";
  EXPECT_FALSE(gisObjectType(id, o));
  EXPECT_EQ(output(), "");
}

TEST_F(HandMadeShpTest, RecordsThatCannotBeTrustedStop) {
  struct Case {
    std::string bytes, message;
  };
  std::string truncated = shpFile({polyContent(3, 1, 3, {0})}, 3);
  truncated.resize(truncated.size() - 20);
  std::string longClaim = shpFile({typeOnly(1)}, 1);
  longClaim[100 + 7] = 50;  // content length of 50 words for a 4-byte record
  const std::string trust = "ERROR 0424 - Reading .shp file object type.\n               ";
  const std::vector<Case> cases = {
      {shpFile({polyContent(3, 10000, 0, std::vector<int>(10000, 0))}, 3),
       "ERROR 0421 - Exceeded maximum number of parts in a .shp polyline.  Limit is 10000"},
      {shpFile({polyContent(5, 10000, 0, {})}, 5),
       "ERROR 0422 - Exceeded maximum number of regions within a .shp region.  Limit is 10000"},
      {shpFile({typeOnly(13)}, 13), "ERROR 0423 - Unsupported .shp object type PolyLineZ [13]"},
      {shpFile({typeOnly(40)}, 40), "ERROR 0423 - Unsupported .shp object type Unknown [40]"},
      {longClaim, trust + "Record content length of 50 words runs past the end of the file in file s.shp."},
      {shpFile({polyContent(3, -2, 0, {})}, 3), trust + "Part count of -2 is negative in file s.shp."},
      {shpFile({polyContent(3, 2, 4, {0, 5})}, 3), trust + "Part offset of 5 is outside 0 to 4 in file s.shp."},
      {shpFile({polyContent(3, 2, 4, {2, 1})}, 3), trust + "Part offset of 1 is outside 2 to 4 in file s.shp."},
      {shpFile({polyContent(3, 1, 200000, {0}).substr(0, 60)}, 3),
       trust + "Record content length of 30 words is too short for the counts it holds in file s.shp."},
      {shpFile({polyContent(5, 2, 3, {0, 3})}, 5),
       "ERROR 0429 - Reading .shp file object coordinates.\n"
       "               Ring 2 of a region has no points in file s.shp."},
      {shpFile({polyContent(3, 1, 4, {0})}, 3),
       "ERROR 0310 - Exceeded number of allowable nodes in a single .shp polyline or region.\n"
       "             Requested       4        Limit       3"},
      {shpFile({polyContent(5, 1, 3, {0})}, 5),
       "ERROR 0310 - Exceeded number of allowable nodes in a single .shp polyline or region.\n"
       "             Requested       4        Limit       3"},
      {truncated, trust + "Record content length of 48 words runs past the end of the file in file s.shp."},
  };
  for (const Case& c : cases) {
    startAgain();
    const int id = openShp(c.bytes);
    expectStop(c.message + "\nRecord 1 of file s.shp.", [&] { readFirstPart(id); });
  }

  // A content length longer than its record holds puts the next header in the wrong place: the
  // message names the record whose length is wrong, not the header read there.
  startAgain();
  std::string longer = shpFile({polyContent(5, 1, 4, {0}), polyContent(5, 1, 4, {0})}, 5);
  longer[100 + 7] = static_cast<char>(longer[100 + 7] + 4);
  const int id = openShp(longer);
  EXPECT_EQ(object(id).n, 5);
  expectStop(trust + "Record content length of 60 words does not end at the header of the next record in file "
                     "s.shp.\nRecord 1 of file s.shp.",
             [&] { object(id); });
}

// Counts in the file far beyond the buffers, alone or as a running total past 2^31: reading stops with
// ERROR 0310 naming the count; passing over meets the end of the file; nothing is stored anywhere.
TEST_F(HandMadeShpTest, CountsBeyondTheBuffersStopOrArePassedOver) {
  const std::string nodes = "ERROR 0310 - Exceeded number of allowable nodes in a single polyline or region.\n"
                            "             Requested";
  const std::string end = "ERROR 0309 - Unexpected end of .mif file encountered.";
  struct Case {
    std::string body, read, passed;
  };
  const std::vector<Case> mif = {
      {"Region 1\n 2147483647\n0 0\n", nodes + "2147483648        Limit  100000", end},
      {"Region 2\n 4\n0 0\n1 0\n1 1\n0 0\n 2147483645\n0 0\n", nodes + "2147483651        Limit  100000", end},
      {"Pline 2147483647\n0 0\n", nodes + "2147483647        Limit  100000", end},
      {"Pline Multiple 2\n 2147483647\n0 0\n", nodes + "2147483647        Limit  100000", end},
  };
  for (const Case& c : mif) {
    for (const bool lRead : {true, false}) {
      SCOPED_TRACE(c.body + (lRead ? " read" : " passed over"));
      startAgain();
      const int id = openMif(c.body);
      expectStop(lRead ? c.read : c.passed, [&] { readFirstPart(id, kGisMaxVertices, lRead); });
    }
  }
  // A count the file does hold is passed over whole, however far beyond the buffers.
  startAgain();
  std::string ring = "Region 1\n 100001\n";
  for (int i = 0; i < 100001; ++i) ring += std::to_string(i % 7) + " 1\n";
  const int id = openMif(ring + "Point 5 6\n");
  GisObject o;
  ASSERT_TRUE(gisObjectType(id, o));
  EXPECT_EQ(part(id, o, kGisMaxVertices, false).n, 100002);
  EXPECT_EQ(object(id).v, (Pts{{5, 6}}));

  // .shp point counts of 2^31 - 1 claim more than their record holds.
  for (const int type : {3, 5, 8}) {
    SCOPED_TRACE(type);
    startAgain();
    std::string content = type == 8 ? typeOnly(8) + std::string(36, '\0') : polyContent(type, 1, 0, {0});
    content.replace(type == 8 ? 36 : 40, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    const std::string tooShort = "Record content length of " + std::to_string(content.size() / 2) +
                                 " words is too short for the counts it holds in file s.shp.";
    const int shp = openShp(shpFile({content}, type));
    const std::string line1 = type == 5 ? "ERROR 0429 - Reading .shp file object coordinates."
                                        : "ERROR 0424 - Reading .shp file object type.";
    expectStop(line1 + "\n               " + tooShort, [&] { readFirstPart(shp, kGisMaxVertices); });
  }
}

TEST_F(HandMadeShpTest, CoordinatesCutShortStop) {
  // The content length is cut with the coordinates: the counts no longer fit in the record.
  std::string bytes = shpFile({polyContent(3, 1, 3, {0})}, 3);
  bytes.resize(bytes.size() - 20);
  bytes[100 + 7] = static_cast<char>((bytes.size() - 108) / 2);
  expectStop("ERROR 0424 - Reading .shp file object type.\n               Record content length of 38 "
             "words is too short for the counts it holds in file s.shp.",
             [&] { object(openShp(bytes)); });
  startAgain();
  bytes = shpFile({polyContent(5, 1, 3, {0})}, 5);
  bytes.resize(bytes.size() - 20);
  bytes[100 + 7] = static_cast<char>((bytes.size() - 108) / 2);
  expectStop("ERROR 0429 - Reading .shp file object coordinates.\n               Record content length of "
             "38 words is too short for the counts it holds in file s.shp.\nRecord 1 of file s.shp.",
             [&] { object(openShp(bytes)); });

  // Read in step with another layer, each layer's record is checked against its own length.
  startAgain();
  bytes += std::string(polyContent(5, 1, 3, {0}).substr(0, 8));  // what a record after it would hold
  const int cut = openShp(bytes, "cut");
  const int other = openShp(shpFile({polyContent(5, 1, 3, {0})}, 5), "other");
  GisObject a, b;
  ASSERT_TRUE(gisObjectType(cut, a));
  ASSERT_TRUE(gisObjectType(other, b));
  expectStop("ERROR 0429 - Reading .shp file object coordinates.\n               Record content length of "
             "38 words is too short for the counts it holds in file cut.shp.\nRecord 1 of file cut.shp.",
             [&] { part(cut, a); });
}

// A sparse .shp whose second and third records lie beyond 4 GiB, behind a null record whose
// content is as long as a content length can say: both are read where they lie, and the layer
// ends after the third.
TEST_F(HandMadeShpTest, RecordsBeyondFourGigabytesAreReadWhereTheyLie) {
  const std::string header = shpFile({}, 5);
  std::string first;
  byteorder::putI32(first, 1, Order::Big);
  byteorder::putI32(first, INT32_MAX, Order::Big);  // 4 GiB less 2 bytes of content
  first += typeOnly(0);
  const std::uint64_t second = 100 + 8 + 2 * static_cast<std::uint64_t>(INT32_MAX);
  ASSERT_GT(second, std::uint64_t{1} << 32);
  std::string rest;
  for (int k = 2; k <= 3; ++k) {
    std::string c = polyContent(5, 1, 4, {0});
    byteorder::putI32(rest, k, Order::Big);
    byteorder::putI32(rest, static_cast<std::int32_t>(c.size() / 2), Order::Big);
    rest += c;
  }
  {
    std::ofstream f(dir_ / "far.shp", std::ios::binary);
    f << header << first;
    f.seekp(static_cast<std::streamoff>(second));
    f << rest;
    ASSERT_TRUE(f.good());
  }
  writeFile(dir_ / "far.dbf", dbfBytes(3, {{"A", 'C', 1}}, " a b c"));
  const int id = gisOpenLayer("far.shp", " ", "I ", false);
  gisReadHeader(id);
  clearOutput();
  GisObject o;
  ASSERT_TRUE(gisObjectType(id, o));
  EXPECT_TRUE(o.isNone);
  part(id, o);
  EXPECT_FALSE(gGis.layers[id].gisEndOfData) << "the records beyond 4 GiB are still to come";
  std::string line(20, ' ');
  gisReadRecord(id, o, line);
  EXPECT_EQ(fixed::trimmed(line), "\"a\"");
  for (const char* value : {"\"b\"", "\"c\""}) {
    const Read r = object(id);
    EXPECT_TRUE(r.o.isRegion);
    EXPECT_EQ(r.v, (Pts{{0, 0}, {1, -1}, {2, -2}, {3, -3}, {1, -1}}));
    gisReadRecord(id, o, line);
    EXPECT_EQ(fixed::trimmed(line), value);
  }
  EXPECT_EQ(gGis.layers[id].shpSubLayer[kShpInputSubLayer].readRecord, 3);
  EXPECT_TRUE(gGis.layers[id].gisEndOfData);
  EXPECT_FALSE(gisObjectType(id, o));
  EXPECT_EQ(output(), "");
}

TEST_F(LayerReadObjectTest, Guards) {
  GisObject o;
  expectStop("Should not be here gisObjectType[gisID=0] - please contact" + kContact, [&] { gisObjectType(0, o); });
  expectStop("Should not be here gisReadObject[gisID=0] - please contact" + kContact, [&] { part(0, o); });
  // A free slot is neither kind of layer.
  expectStop("Should not be here [gisObjectType] - please contact" + kContact, [&] { gisObjectType(4, o); });
  expectStop("Should not be here [gisReadObject] - please contact" + kContact, [&] { part(4, o); });
}

}  // namespace
