// Layers written by the converter and by GDAL read back through the library's reader exactly as
// GDAL reads them: the same objects in the same order, with the same kinds, parts, vertices and
// attribute values. GDAL is the independent reader here; without it the tests skip.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path kSource = PLENVOR_SOURCE_DIR;

// One line per object: kind|parts (points "x y" joined by ",", parts or rings by ";")|values.
// Numbers are written with nine significant digits on both sides.
const char* const kGdalDump = R"(import sys
from osgeo import gdal, ogr
gdal.UseExceptions()
def num(v): return format(v, ".9g")
def canon(s):
    s = s.strip()
    try:
        return num(float(s)) if s.strip() else ""
    except ValueError:
        return s
def pts(g): return ",".join(num(g.GetX(i)) + " " + num(g.GetY(i)) for i in range(g.GetPointCount()))
def subs(g): return [g.GetGeometryRef(i) for i in range(g.GetGeometryCount())]
ds = ogr.Open(sys.argv[1])
for f in ds.GetLayer(0):
    g = f.GetGeometryRef()
    t = ogr.GT_Flatten(g.GetGeometryType()) if g is not None else 0
    if g is None or g.IsEmpty(): kind, parts = "none", []
    elif t == ogr.wkbPoint: kind, parts = "point", [pts(g)]
    elif t == ogr.wkbMultiPoint: kind, parts = "multipoint", [pts(s) for s in subs(g)]
    elif t == ogr.wkbLineString: kind, parts = "line", [pts(g)]
    elif t == ogr.wkbMultiLineString: kind, parts = "line", [pts(s) for s in subs(g)]
    elif t == ogr.wkbPolygon: kind, parts = "region", [pts(r) for r in subs(g)]
    elif t == ogr.wkbMultiPolygon: kind, parts = "region", [pts(r) for p in subs(g) for r in subs(p)]
    else: kind, parts = "other", []
    vals = [canon(f.GetFieldAsString(i)) if f.IsFieldSetAndNotNull(i) else "" for i in range(f.GetFieldCount())]
    print(kind + "|" + ";".join(parts) + "|" + "|".join(vals))
)";

bool shell(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string num(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.9g", v);
  return b;
}

// Values compared without the blanks round them: GDAL trims those of a shapefile text value.
std::string canonValue(std::string s) {
  s = fixed::trimmed(s);
  s.erase(0, s.find_first_not_of(' '));
  if (fixed::isBlank(s)) return "";
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() && fixed::isBlank(std::string(end))) return num(v);
  return s;
}

// A data line split at its commas; a value in double quotes may hold commas, and "" in it is one ".
std::vector<std::string> splitRecord(const std::string& line) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      out.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::string::size_type at = 0;
  while (at < text.size()) {
    const auto end = text.find('\n', at);
    out.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return out;
}

class LayerReadRoundTripTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
#ifdef _WIN32
    GTEST_SKIP() << "the converter, GDAL and the reader of its output run through a POSIX shell, on the "
                    "Linux side only";
#endif
    if (!shell("command -v ogr2ogr > /dev/null 2>&1") ||
        !shell("/usr/bin/python3 -c 'import osgeo.ogr' > /dev/null 2>&1"))
      GTEST_SKIP() << "ogr2ogr or python3-gdal is not installed: no independent reader to compare with";
    writeFile(dir_ / "gdal_dump.py", kGdalDump);
  }

  std::vector<std::string> readByGdal(const fs::path& layer) {
    const fs::path out = dir_ / "gdal_dump.txt";
    EXPECT_TRUE(shell("/usr/bin/python3 \"" + (dir_ / "gdal_dump.py").string() + "\" \"" + layer.string() +
                      "\" > \"" + out.string() + "\""));
    return lines(readFile(out));
  }

  // The layer through gisOpenLayer mode "I ", object by object and part by part with its record.
  std::vector<std::string> readByLibrary(const fs::path& layer) {
    int id = openForReading(layer);
    std::vector<std::string> out;
    GisObject o;
    while (!gGis.layers[id].gisEndOfData && gisObjectType(id, o)) out.push_back(shapeAsText(id, o) + recordAsText(id, o));
    gisCloseLayer(id);
    return out;
  }

  static int openForReading(const fs::path& layer) {
    const int id = gisOpenLayer(layer.string(), " ", "I ", false);
    gisReadHeader(id);
    return id;
  }

  // The object gisObjectType found last, every part of it read: kind|parts (the parts as GDAL gives
  // them).
  std::string shapeAsText(int id, GisObject& o) {
    std::string kind = o.isPoint ? "point" : o.isMultiPoint ? "multipoint" : o.isRegion ? "region" : "none";
    if (o.isLine || o.isPline || o.isPlineMultiple) kind = "line";
    std::vector<std::string> parts;
    const int calls = (kind == "line" || kind == "multipoint") ? o.nSections : 1;
    for (int k = 0; k < calls; ++k) {
      int n = 0;
      double xc = 0, yc = 0;
      float angle = 0, length = 0;
      gisReadObject(id, o, x_, y_, kGisMaxVertices, n, xc, yc, angle, length, true);
      // A region's rings: each from its start to ir(j), the copy of its second vertex left out.
      for (int j = 1, start = 1; kind == "region" && j <= o.nr; start = o.ir[j] + 2, ++j) parts.push_back(points(start, o.ir[j]));
      if (kind == "point" || kind == "multipoint") parts.push_back(points(1, 1));
      if (kind == "line") parts.push_back(points(1, n));
    }
    std::string text = kind + "|";
    for (std::size_t p = 0; p < parts.size(); ++p) text += (p ? ";" : "") + parts[p];
    return text;
  }

  // The object's record: |values.
  static std::string recordAsText(int id, const GisObject& o) {
    std::string line(10000, ' ');
    gisReadRecord(id, o, line);
    std::string text = "|";
    const auto values = splitRecord(fixed::trimmed(line));
    for (std::size_t v = 0; v < values.size(); ++v) text += (v ? "|" : "") + canonValue(values[v]);
    return text;
  }

  std::string points(int from, int to) const {
    std::string s;
    for (int i = from; i <= to; ++i) s += (i > from ? "," : "") + num(x_[i]) + " " + num(y_[i]);
    return s;
  }

  // The library's reading of the layer against GDAL's. GDAL reads an empty .mid number as 0 where
  // the library hands the row on as it stands.
  void expectSameAsGdal(const fs::path& layer) {
    SCOPED_TRACE(layer.string());
    const auto ours = readByLibrary(layer);
    const auto gdal = readByGdal(layer);
    ASSERT_EQ(ours.size(), gdal.size());
    const bool mif = layer.extension() == ".mif";
    for (std::size_t i = 0; i < ours.size(); ++i) {
      if (ours[i] == gdal[i]) continue;
      const auto a = splitAt(ours[i]), b = splitAt(gdal[i]);
      bool same = mif && a.size() == b.size();
      for (std::size_t k = 0; same && k < a.size(); ++k) same = a[k] == b[k] || (k >= 2 && a[k].empty() && b[k] == "0");
      EXPECT_TRUE(same) << "object " << i + 1 << "\n  library: " << ours[i] << "\n  GDAL:    " << gdal[i];
    }
    objects_ += ours.size();
  }

  static std::vector<std::string> splitAt(const std::string& s) {
    std::vector<std::string> out(1);
    for (const char c : s) {
      if (c == '|')
        out.emplace_back();
      else
        out.back() += c;
    }
    return out;
  }

  std::vector<double> x_ = std::vector<double>(kGisMaxVertices + 1, 0.0);
  std::vector<double> y_ = std::vector<double>(kGisMaxVertices + 1, 0.0);
  std::size_t objects_ = 0;
};

TEST_F(LayerReadRoundTripTest, EveryLayerTheConverterWritesReadsBackAsWritten) {
  const std::vector<fs::path> inputs = {
      kSource / "examples" / "river.sdf",
      kSource / ".." / "shared" / "samples" / "sdf" / "hecras631_project12_crlf_cutline_only_no_profiles.sdf",
      kSource / ".." / "shared" / "samples" / "sdf" / "rivergis_import_example1d_metric_5reaches_11xs_null_z.sdf"};
  int layers = 0, empty = 0;
  for (const fs::path& input : inputs) {
    ASSERT_TRUE(fs::exists(input)) << input;
    for (const std::string format : {"shp", "mif"}) {
      const fs::path run = dir_ / (input.stem().string() + "_" + format);
      fs::create_directories(run);
      fs::copy_file(input, run / input.filename());
      fs::copy_file(kSource / "examples" / "Projection.prj", run / "Projection.prj");
      writeFile(run / "Projection.mif", "CoordSys Earth Projection 8, 33, \"m\", 147, 0, 0.9996, 500000, 10000000\n");
      ASSERT_TRUE(shell("cd \"" + run.string() + "\" && printf '\\n' | \"" + std::string(PLENVOR_BINARY) + "\" -" +
                        format + " \"" + input.filename().string() + "\" > console.txt 2>&1"));
      std::vector<fs::path> written;
      for (const auto& e : fs::directory_iterator(run))
        if (e.path().extension() == "." + format && e.path().filename() != "Projection.mif") written.push_back(e.path());
      std::sort(written.begin(), written.end());
      EXPECT_EQ(written.size(), 6u) << run;
      for (const fs::path& layer : written) {
        const std::size_t before = objects_;
        expectSameAsGdal(layer);
        ++layers;
        if (objects_ == before) ++empty;
      }
    }
  }
  EXPECT_EQ(layers, 36);
  EXPECT_GE(empty, 5) << "layers without objects read as at their end";
  EXPECT_GT(objects_, 100u);
}

TEST_F(LayerReadRoundTripTest, LayersWrittenByGdalReadBackAsGdalReadsThem) {
  const std::string fields = R"("name":%s,"count":%s,"level":%s)";
  auto feature = [&](const char* name, const char* count, const char* level, const std::string& geometry) {
    char props[400];
    std::snprintf(props, sizeof props, fields.c_str(), name, count, level);
    return std::string(R"({"type":"Feature","properties":{)") + props + R"(},"geometry":)" + geometry + "}";
  };
  auto collection = [](const std::vector<std::string>& features) {
    std::string s = R"({"type":"FeatureCollection","features":[)";
    for (std::size_t i = 0; i < features.size(); ++i) s += (i ? ",\n" : "\n") + features[i];
    return s + "]}\n";
  };
  const std::vector<std::pair<std::string, std::string>> sets = {
      {"points", collection({feature(R"("say \"hi\", ok")", "3", "1.25", R"({"type":"Point","coordinates":[10.5,20.25]})"),
                             feature("null", "null", "null", R"({"type":"Point","coordinates":[-3,4]})"),
                             feature(R"("")", "-7", "0", R"({"type":"Point","coordinates":[5,6]})")})},
      {"multipoints", collection({feature(R"("m")", "5", "0.001",
                                          R"({"type":"MultiPoint","coordinates":[[1,2],[3,4],[5.125,-6]]})"),
                                  feature(R"("one, \"")", "null", "2", R"({"type":"MultiPoint","coordinates":[[9,9]]})")})},
      {"lines", collection({feature(R"("a,b")", "1", "2.5", R"({"type":"LineString","coordinates":[[0,0],[1,1],[2,0]]})"),
                            feature(R"("two \"parts\"")", "2", "null",
                                    R"({"type":"MultiLineString","coordinates":[[[0,0],[0,5]],[[1,1],[2,2],[3,1]],[[7,7],[8,8]]]})"),
                            feature(R"("last")", "3", "-0.5", R"({"type":"LineString","coordinates":[[5,5],[6,6]]})")})},
      {"polygons",
       collection({feature(R"("holed")", "1", "0.5",
                           R"({"type":"Polygon","coordinates":[[[0,0],[10,0],[10,10],[0,10],[0,0]],[[2,2],[2,4],[4,4],[4,2],[2,2]]]})"),
                   feature("null", "null", "-1",
                           R"({"type":"MultiPolygon","coordinates":[[[[20,0],[25,0],[25,5],[20,0]]],)"
                           R"([[[30,0],[35,0],[35,5],[30,5],[30,0]],[[31,1],[31,2],[32,2],[31,1]]]]})")})},
  };
  for (const auto& [name, json] : sets) {
    writeFile(dir_ / (name + ".geojson"), json);
    for (const std::string format : {"shp", "mif"}) {
      const std::string driver = format == "shp" ? "\"ESRI Shapefile\"" : "\"MapInfo File\" -dsco FORMAT=MIF";
      ASSERT_TRUE(shell("cd \"" + dir_.string() + "\" && ogr2ogr -f " + driver + " " + name + "." + format + " " +
                        name + ".geojson > /dev/null 2>&1"));
      expectSameAsGdal(dir_ / (name + "." + format));
    }
  }

  // A .dbf header padded past its terminator, with the header length saying so.
  for (const std::string ext : {".shp", ".shx", ".dbf"}) fs::copy_file(dir_ / ("points" + ext), dir_ / ("padded" + ext));
  std::string table = readFile(dir_ / "padded.dbf");
  const auto* p = reinterpret_cast<const unsigned char*>(table.data());
  const std::uint16_t headerLength = byteorder::getU16(p + 8, byteorder::Order::Little);
  ASSERT_EQ(table[headerLength - 1], '\x0D');
  table.insert(headerLength, std::string(32, '\0'));
  std::string length;
  byteorder::putU16(length, static_cast<std::uint16_t>(headerLength + 32), byteorder::Order::Little);
  table.replace(8, 2, length);
  writeFile(dir_ / "padded.dbf", table);
  expectSameAsGdal(dir_ / "padded.shp");

  // A deleted record: GDAL passes over its object, and so does the library, with a warning.
  for (const std::string ext : {".shp", ".shx", ".dbf"}) fs::copy_file(dir_ / ("lines" + ext), dir_ / ("deleted" + ext));
  table = readFile(dir_ / "deleted.dbf");
  p = reinterpret_cast<const unsigned char*>(table.data());
  const std::uint16_t first = byteorder::getU16(p + 8, byteorder::Order::Little);
  const std::uint16_t recordLength = byteorder::getU16(p + 10, byteorder::Order::Little);
  table[first + recordLength] = '*';
  writeFile(dir_ / "deleted.dbf", table);
  clearOutput();
  expectSameAsGdal(dir_ / "deleted.shp");
  EXPECT_TRUE(outputHas("WARNING 0409 - Deleted record 2 of .dbf file passed over with its object.\n"));
  // Points, multipoints (GDAL writes them to MIF as points), lines, polygons, padded, deleted.
  EXPECT_EQ(objects_, (3u + 3) + (2 + 4) + (3 + 3) + (2 + 2) + 3 + 2);
}

// Two shapefile layers and two MIF/MID layers read in step, each step finding the next object of
// every layer, then reading each one's parts, then each one's record, give every value that each
// layer gives when it is read alone. What a layer needs between calls (the .shp record read last,
// the .dbf deletion flag read ahead, the MIF line after a region) is its own.
TEST_F(LayerReadRoundTripTest, LayersReadInStepGiveWhatEachGivesAlone) {
  defineAttributes({{"ID", "Integer"}, {"Name", "Char", 12}});
  setOutputProjection(readFile(kSource / "examples" / "Projection.prj"), "CoordSys NonEarth Units \"m\"");
  const Vertices square = {{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}};  // outer rings clockwise, holes not
  auto shifted = [](const Vertices& v, double dx, double dy) {
    Vertices out = v;
    for (auto& [x, y] : out) x += dx, y += dy;
    return out;
  };
  auto record = [](int k, const char* name) { return std::to_string(k) + ",\"" + name + std::to_string(k) + "\""; };
  const std::vector<std::string> layers = {"in_step_a.shp", "in_step_b.shp", "in_step_c.mif", "in_step_d.mif"};
  for (int layer = 0; layer < 4; ++layer) {
    int out = openOutputLayer(layers[static_cast<std::size_t>(layer)], layer < 2 ? "R" : " ");
    // Different shapes and counts, so that a record or a place taken from another layer shows.
    for (int k = 1; k <= 4 + layer; ++k) {
      const Vertices ring = shifted(square, 10.0 * k, layer);
      if (layer == 1 && k % 2 == 0) {
        GisObject holed = newObject(&GisObject::isRegion, {1, 6});
        Vertices both = ring;
        for (const auto& v : shifted({{1, 1}, {2, 1}, {2, 2}, {1, 1}}, 10.0 * k, 0)) both.push_back(v);
        setVertices(both);
        writeObjectAndRecord(out, holed, record(k, "holed"));
      } else if (layer == 3 && k % 2 == 1) {
        writeShape(out, &GisObject::isPline, {{1.0 * k, 0}, {2.0 * k, 1}, {3.0 * k, 0.5}}, record(k, "line"));
      } else if (layer == 3) {
        writeShape(out, &GisObject::isPoint, {{0.5 * k, -0.25 * k}}, record(k, "point"));
      } else {
        writeShape(out, &GisObject::isRegion, ring, record(k, "ring"));
      }
    }
    gisCloseLayer(out);
  }
  // Every layer through the independent readers; each shapefile set is a sub-layer of regions.
  for (const std::string base : {"in_step_a_R", "in_step_b_R"}) expectShapefileReadable(base);
  for (const std::string mif : {"in_step_c.mif", "in_step_d.mif"}) expectCheckerAccepts("gdalcheck.py", mif);
  const std::vector<fs::path> files = {dir_ / "in_step_a_R.shp", dir_ / "in_step_b_R.shp", dir_ / "in_step_c.mif",
                                       dir_ / "in_step_d.mif"};

  std::vector<std::vector<std::string>> alone;
  for (const fs::path& f : files) alone.push_back(readByLibrary(f));
  startAgain();

  std::vector<int> ids;
  for (const fs::path& f : files) ids.push_back(openForReading(f));
  std::vector<std::vector<std::string>> inStep(files.size());
  std::vector<GisObject> objects(files.size());
  std::vector<bool> found(files.size(), true);
  try {
    for (int step = 0; step < 20; ++step) {
      for (std::size_t i = 0; i < ids.size(); ++i)
        found[i] = found[i] && !gGis.layers[ids[i]].gisEndOfData && gisObjectType(ids[i], objects[i]);
      std::vector<std::string> texts(ids.size());
      for (std::size_t i = 0; i < ids.size(); ++i)
        if (found[i]) texts[i] = shapeAsText(ids[i], objects[i]);
      for (std::size_t i = 0; i < ids.size(); ++i)
        if (found[i]) inStep[i].push_back(texts[i] + recordAsText(ids[i], objects[i]));
    }
  } catch (const RunEnd&) {
    FAIL() << "reading in step stopped the run:\n" << output();
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].filename().string());
    EXPECT_EQ(alone[i].size(), 4 + i);
    EXPECT_EQ(inStep[i], alone[i]);
  }
  EXPECT_EQ(alone[1][1], "region|20 1,20 5,24 5,24 1,20 1;21 1,22 1,22 2,21 1|2|holed2");
  EXPECT_EQ(alone[3][1], "point|1 -0.5|2|point2");
}

}  // namespace
