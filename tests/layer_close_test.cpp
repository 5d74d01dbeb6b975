// Closing layers: the close-time patch of an output shapefile set (record count, lengths, boxes,
// the end mark), the units it closes, and the guards of the close routines.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gis/gis_layers.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/byte_order.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/messages.hpp"

#ifndef _WIN32
// A file-size limit, and the signal a write past it raises, exist on POSIX hosts only.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

class LayerCloseTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    defineAttributes({{"Name", "Char", 8}, {"Value", "Float"}});
  }

  void writePoint(int id, double x, double y, const std::string& record) {
    writeShape(id, &GisObject::isPoint, {{x, y}}, record);
  }

  void writeLine(int id, const Vertices& v) { writeShape(id, &GisObject::isPline, v, "\"line\",1.5"); }

  std::string bytes(const std::string& name) const { return readFile(dir_ / name); }

  void expectBox(const std::string& b, double xmin, double ymin, double xmax, double ymax) {
    EXPECT_EQ(leF64(b, 36), xmin);
    EXPECT_EQ(leF64(b, 44), ymin);
    EXPECT_EQ(leF64(b, 52), xmax);
    EXPECT_EQ(leF64(b, 60), ymax);
  }
};

// ---- The patch of an output shapefile set ----

TEST_F(LayerCloseTest, ThreePointsPatchLengthsBoxAndRecordCount) {
  int id = openOutputLayer("pts.shp", "P");
  writePoint(id, 1.0, 2.0, "\"a\",1");
  writePoint(id, 3.0, -4.0, "\"b\",2");
  writePoint(id, -5.0, 6.0, "\"c\",3");
  gisCloseLayer(id);
  EXPECT_EQ(id, 0);

  const std::string shp = bytes("pts_P.shp");
  ASSERT_EQ(shp.size(), 184u);
  EXPECT_EQ(be32(shp, 24), 92);
  expectBox(shp, -5.0, -4.0, 3.0, 6.0);

  const std::string shx = bytes("pts_P.shx");
  ASSERT_EQ(shx.size(), 124u);
  EXPECT_EQ(be32(shx, 24), 62);
  expectBox(shx, -5.0, -4.0, 3.0, 6.0);
  EXPECT_EQ(be32(shx, 100), 50);
  EXPECT_EQ(be32(shx, 108), 64);
  EXPECT_EQ(be32(shx, 116), 78);
  for (std::size_t off : {104u, 112u, 120u}) EXPECT_EQ(be32(shx, off), 10);

  const std::string dbf = bytes("pts_P.dbf");
  EXPECT_EQ(le32(dbf, 4), 3);
  ASSERT_FALSE(dbf.empty());
  EXPECT_EQ(dbf.back(), '\x1a');
  EXPECT_EQ(dbf.size(), 97u + 3u * 25u + 1u);  // header, three records of 1 + 8 + 16, the end mark
  EXPECT_EQ(bytes("pts_P.prj"), "\n");
  expectShapefileReadable("pts_P");
}

TEST_F(LayerCloseTest, OnlyLinesWrittenLeaveTheOtherSubLayersEmpty) {
  int id = openOutputLayer("set.shp", "PLR");
  writeLine(id, {{0.0, 0.0}, {10.0, 5.0}});
  gisCloseLayer(id);

  const std::string line = bytes("set_L.shp");
  ASSERT_EQ(line.size(), 100u + 8u + 80u);  // a two-vertex line: content of 40 words
  EXPECT_EQ(be32(line, 24), 94);
  EXPECT_EQ(be32(line, 104), 40);
  expectBox(line, 0.0, 0.0, 10.0, 5.0);
  expectShapefileReadable("set_L");

  for (const std::string base : {"set_P", "set_R"}) {
    for (const std::string ext : {".shp", ".shx"}) {
      const std::string b = bytes(base + ext);
      ASSERT_EQ(b.size(), 100u) << base << ext;
      EXPECT_EQ(be32(b, 24), 50);
      expectBox(b, 0.0, 0.0, -1.0, -1.0);
    }
    const std::string dbf = bytes(base + ".dbf");
    EXPECT_EQ(le32(dbf, 4), 0);
    EXPECT_EQ(dbf.back(), '\x1a');
    expectShapefileReadable(base);
  }
  // Every unit of the three sub-layers is closed.
  for (int u = 1001; u <= 1020; ++u) EXPECT_FALSE(fuIsOpen(u)) << u;
  for (int k = 1; k <= kShpSubLayers; ++k) {
    const ShpSubLayer& s = gGis.layers[1].shpSubLayer[k];
    EXPECT_EQ(s.shpUnitLE + s.shpUnitBE + s.shxUnitLE + s.shxUnitBE + s.prjUnit, 0);
    EXPECT_EQ(gGis.layers[1].dbfSubLayer[k].unit, 0);
  }
}

TEST_F(LayerCloseTest, TwoPartPolylineIsPatchedAndReadable) {
  int id = openOutputLayer("two.shp", "L");
  GisObject o = newObject(&GisObject::isPlineMultiple);
  o.nr = 2;
  o.ir[1] = 1;
  o.ir[2] = 3;
  setVertices({{0.0, 0.0}, {1.0, 1.0}, {5.0, 5.0}, {6.0, 7.0}, {8.0, 9.0}});
  writeObjectAndRecord(id, o, "\"two\",2");
  gisCloseLayer(id);

  const std::string shp = bytes("two_L.shp");
  // Content: type, box, part and point counts, two part starts, five points.
  const std::size_t content = 4 + 32 + 8 + 8 + 80;
  ASSERT_EQ(shp.size(), 100u + 8u + content);
  EXPECT_EQ(be32(shp, 104), static_cast<std::int32_t>(content / 2));
  EXPECT_EQ(le32(shp, 144), 2);  // parts
  EXPECT_EQ(le32(shp, 148), 5);  // points
  EXPECT_EQ(le32(shp, 152), 0);  // part starts, 0-based
  EXPECT_EQ(le32(shp, 156), 2);
  expectBox(shp, 0.0, 0.0, 8.0, 9.0);
  expectShapefileReadable("two_L");
}

TEST_F(LayerCloseTest, SubLayerOfNullShapesOnlyKeepsTheEmptyBox) {
  int id = openOutputLayer("nul.shp", "L");
  writeLine(id, {{3.0, 4.0}});  // one vertex: no drawable line, written as a null shape
  gisCloseLayer(id);
  for (const std::string ext : {".shp", ".shx"}) {
    const std::string b = bytes("nul_L" + ext);
    expectBox(b, 0.0, 0.0, -1.0, -1.0);
  }
  EXPECT_EQ(be32(bytes("nul_L.shp"), 24), 50 + 2 + 4);
  EXPECT_EQ(be32(bytes("nul_L.shx"), 24), 54);
  EXPECT_EQ(le32(bytes("nul_L.dbf"), 4), 1);
  expectShapefileReadable("nul_L", true);
}

TEST_F(LayerCloseTest, EmptySubLayerHeaderIsAHundredBytesWithTheEmptyBox) {
  int id = openOutputLayer("none.shp", "R");
  gisCloseLayer(id);
  const std::string b = bytes("none_R.shp");
  ASSERT_EQ(b.size(), 100u);
  EXPECT_EQ(be32(b, 24), 50);
  EXPECT_EQ(le32(b, 32), 5);
  expectBox(b, 0.0, 0.0, -1.0, -1.0);
  expectShapefileReadable("none_R");
}

// Without a header there are no totals to write: the files stay as the opening left them.
TEST_F(LayerCloseTest, LayerClosedWithoutHeaderIsNotPatched) {
  int id = gisOpenLayer("raw.shp", "P", "O ", false);
  gisCloseLayer(id);
  EXPECT_EQ(bytes("raw_P.shp").size(), 0u);
  EXPECT_EQ(bytes("raw_P.dbf").size(), 0u);
}

TEST_F(LayerCloseTest, WriteEoFPatchesAndLeavesNothingForTheClose) {
  int id = openOutputLayer("eof.shp", "P");
  writePoint(id, 7.0, 8.0, "\"e\",1");
  gisWriteEoF(id);
  EXPECT_EQ(be32(bytes("eof_P.shp"), 24), 64);
  EXPECT_EQ(le32(bytes("eof_P.dbf"), 4), 1);
  gisCloseLayer(id);
  const std::string dbf = bytes("eof_P.dbf");
  EXPECT_EQ(dbf.size(), 97u + 25u + 1u);  // one end mark, not two
  expectShapefileReadable("eof_P");
}

TEST_F(LayerCloseTest, InputLayerIsClosedWithoutPatch) {
  int id = openOutputLayer("in.shp", "P");
  writePoint(id, 1.0, 1.0, "\"i\",1");
  gisCloseLayer(id);
  const std::string before = bytes("in_P.shp");
  int in = gisOpenLayer("in_P.shp", " ", "I ", false);
  ASSERT_GT(in, 0);
  gisWriteEoF(in);
  gisCloseLayer(in);
  EXPECT_EQ(bytes("in_P.shp"), before);
  EXPECT_EQ(bytes("in_P.dbf").back(), '\x1a');
  EXPECT_EQ(bytes("in_P.dbf").size(), 97u + 25u + 1u);
}

// ---- MIF layers ----

TEST_F(LayerCloseTest, MifLayerClosesBothUnitsUnchanged) {
  int id = openOutputLayer("m.mif", " ");
  const int mif = gGis.layers[id].mifLayer.mifUnit;
  const int mid = gGis.layers[id].mifLayer.midUnit;
  gisCloseLayer(id);
  EXPECT_FALSE(fuIsOpen(mif));
  EXPECT_FALSE(fuIsOpen(mid));
  EXPECT_EQ(bytes("m.mid"), "");
  EXPECT_EQ(bytes("m.mif").substr(0, 12), "Version 300\n");
  const std::string out = output();
  EXPECT_NE(out.find("Closing GIS Layer 1 [m.mif]...\n...Closed File Unit:1001\n...Closed File Unit:1002\n"),
            std::string::npos)
      << out;
}

// ---- Guards ----

TEST_F(LayerCloseTest, ClosingTheSameHandleTwiceOnlyWarns) {
  int id = openOutputLayer("twice.mif", " ");
  gisCloseLayer(id);
  clearOutput();
  gisCloseLayer(id);
  EXPECT_EQ(output(), std::string("SOFTWARE CHECK - Trying to close a GIS Layer that's not open.  Please contact") +
                          SUPPORT_CONTACT + "\n");
}

TEST_F(LayerCloseTest, ClosingAFreeSlotStops) {
  int id = 5;
  EXPECT_EQ(expectRunEnd([&] { gisCloseLayer(id); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [gisCloseLayer] - please contact"));
}

TEST_F(LayerCloseTest, HandleOutsideTheTableStops) {
  int id = 101;
  EXPECT_EQ(expectRunEnd([&] { gisCloseLayer(id); }), 1);
  EXPECT_TRUE(outputHas("Should not be here gisCloseLayer[gisID=101] - please contact"));
  EXPECT_EQ(expectRunEnd([] { gisWriteEoF(0); }), 1);
  EXPECT_TRUE(outputHas("Should not be here gisWriteEoF[gisID=0] - please contact"));
}

TEST_F(LayerCloseTest, CloseAllWithNothingOpen) {
  bool any = true;
  gisCloseAllLayers(any);
  EXPECT_FALSE(any);
  EXPECT_EQ(output(), "\nClosing any unclosed GIS layers...\n\n");
}

TEST_F(LayerCloseTest, CloseAllClosesEveryOpenLayerInOrder) {
  openOutputLayer("a.mif", " ");
  int b = openOutputLayer("b.shp", "P");
  openOutputLayer("c.mif", " ");
  writePoint(b, 1.0, 2.0, "\"b\",1");
  clearOutput();
  bool any = false;
  gisCloseAllLayers(any);
  EXPECT_TRUE(any);
  const std::string out = output();
  const auto a1 = out.find("Closing GIS Layer 1 [a.mif]...");
  const auto b2 = out.find("Closing GIS Layer 2 [b.shp]...");
  const auto c3 = out.find("Closing GIS Layer 3 [c.mif]...");
  ASSERT_NE(a1, std::string::npos);
  EXPECT_LT(a1, b2);
  EXPECT_LT(b2, c3);
  for (int i = 1; i <= 3; ++i) EXPECT_FALSE(gGis.layers[i].gisInUse);
  expectShapefileReadable("b_P");
}

TEST_F(LayerCloseTest, CloseWorkspaceClosesTheRegisterAndWorkspace) {
  gisInitialise(0, "run", "ws", "reg");
  gisCloseWorkspace();
  EXPECT_EQ(gGis.gisWorkspaceUnit, 0);
  EXPECT_EQ(gGis.gisRegisterMifUnit, 0);
  EXPECT_EQ(gGis.gisRegisterMidUnit, 0);
  gisCloseWorkspace();  // nothing left to close
}

// ---- Failures while finishing the files ----

// A full device accepts the open and refuses the bytes, often only when a buffer is flushed at the
// close. Every such failure ends the run with status 1 and names the file that failed, once.
TEST_F(LayerCloseTest, UnwritableFilesEndTheRunNamingTheFile) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string indent(15, ' ');
  const std::string unsaved = "\n             Check permissions and/or sufficient disk space.\n";
  const std::string longText(10000, 'x');  // longer than any buffer: its write fails at once
  struct Case {
    const char* full;  // the file that is linked to the full device
    std::function<void()> run;
    std::string message;
    std::function<void()> after = [] {};  // what else must hold once the run has ended
  };
  // A layer of one point, written and closed.
  auto onePoint = [this](const std::string& base) {
    return [this, base] {
      int id = openOutputLayer(base + ".shp", "P");
      writePoint(id, 1.0, 2.0, "\"" + base + "\",1");
      gisCloseLayer(id);
    };
  };
  const std::vector<Case> cases = {
      {"a_P.shp", onePoint("a"),
       "\nERROR 0439 - Writing .shp file object coordinates.\n" + indent + "Could not write file a_P.shp.\n"},
      {"b_P.dbf", onePoint("b"), "\nERROR 0417 - Writing .dbf record.\n" + indent + "Could not write file b_P.dbf.\n"},
      // The end of a run completes every open output layer: one that cannot be completed is
      // named, and the layers after it are still completed.
      {"f_P.dbf",
       [&] {
         const int f = openOutputLayer("f.shp", "P");
         const int g = openOutputLayer("g.shp", "PL");
         writePoint(f, 1.0, 2.0, "\"f\",1");
         writePoint(g, 3.0, 4.0, "\"g\",2");
         writeLine(g, {{0.0, 0.0}, {5.0, 5.0}});
         EXITS();
       },
       "\nERROR 0417 - Writing .dbf record.\n" + indent + "Could not write file f_P.dbf.\n",
       [&] {
         EXPECT_EQ(be32(bytes("f_P.shp"), 24), 64) << "the failed layer's other files are completed too";
         expectShapefileReadable("g_P");
         expectShapefileReadable("g_L");
         for (int u = 1001; u <= 1020; ++u) EXPECT_FALSE(fuIsOpen(u)) << u;
       }},
      {"c_P.shx", [&] { openOutputLayer("c.shp", "P"); },
       "\nERROR 0437 - Writing .shx file header.\n" + indent + "Could not write file c_P.shx.\n"},
      {"d_P.prj", [&] { openOutputLayer("d.shp", "P"); },
       "\nERROR 0437 - Writing .prj file projection.\n" + indent + "Could not write file d_P.prj.\n"},
      {"w.wor", [&] { gisInitialise(0, longText, "w", ""); },
       "\nERROR 0255 - Writing GIS workspace file.\n" + indent + "Could not write file w.wor.\n"},
      {"r_input_layers.mid",
       [&] {
         gisInitialise(0, "run", "", "r");
         gisRegisterRow(1, 3, longText, ".shp");
       },
       "\nERROR 0256 - Writing GIS input layer register.\n" + indent + "Could not write file r_input_layers.mid.\n"},
      // CLOSER: the workspace's four lines wait in the buffer until the close.
      {"v.wor",
       [&] {
         gisInitialise(0, "run", "v", "");
         gisCloseWorkspace();
       },
       "\nERROR 0007 - Could not write file \"v.wor\"." + unsaved},
      // Two views of one file: the first close already saves what was written through it.
      {"s.bin",
       [&] {
         int le = 0, be = 0;
         OPENERBYNAME(le, "SB", "s.bin", 0);
         OPENERBYNAME(be, "SE", "s.bin", 0);
         fuPutI32(le, 1);
         CLOSER(le);
       },
       "\nERROR 0007 - Could not write file \"s.bin\"." + unsaved},
      {"m.log",
       [&] {
         int log = 0;
         OPENERBYNAME(log, "O ", "m.log", 0);
         DMESSAGES.dmLogUnit = log;
         fixed::assign(DMESSAGES.dmLines[1], "WARNING 0001 - " + longText);
         DMESSAGE(0);
       },
       "\nERROR 0007 - Could not write file \"m.log\"." + unsaved},
      // A normal end whose last bytes cannot be saved is no success.
      {"e.txt",
       [&] {
         int u = 0;
         OPENERBYNAME(u, "O ", "e.txt", 0);
         fuWriteLine(u, "last line");
         EXITS(0);
       },
       "\nERROR 0007 - Could not write file \"e.txt\"." + unsaved + "\nPress Enter to Close\n"},
  };
  for (const Case& c : cases) {
    startAgain();
    defineAttributes({{"Name", "Char", 8}, {"Value", "Float"}});
    std::filesystem::create_symlink("/dev/full", dir_ / c.full);
    clearOutput();
    EXPECT_EQ(expectRunEnd(c.run), 1) << c.full;
    const std::string out = output();
    const auto at = out.find(c.message);
    EXPECT_NE(at, std::string::npos) << c.full << "\n" << out;
    EXPECT_EQ(out.find(c.full, at + c.message.size()), std::string::npos) << "named twice\n" << out;
    EXPECT_EQ(out.find("Rewriting"), std::string::npos) << out;
    c.after();
  }
}

#ifndef _WIN32
// A file-size limit stops a write wherever it falls: in a record, in a block of records still
// buffered, in the .shp, .shx, .dbf, .mif or .mid, in an object far larger than the write buffer.
// Wherever it falls, the run ends with status 1 and each layer keeps the objects and records that
// all its files hold whole, which both readers accept. The limit is set in a child process with
// the signal it raises ignored, so that the write fails instead; setrlimit is POSIX only.
TEST_F(LayerCloseTest, AFileSizeLimitLeavesEveryLayerReadable) {
  // Objects of every kind each layer takes, with their records; one line of 6,000 vertices.
  const auto writeEveryKind = [this](const std::string& folder) {
    const int shp = openOutputLayer(folder + "/s.shp", "PLR");
    const int mif = openOutputLayer(folder + "/m.mif", " ");
    for (int i = 0; i < 400; ++i) {
      const double x = 10.0 * i;
      const Vertices square = {{x, 0}, {x, 4}, {x + 4, 4}, {x + 4, 0}, {x, 0}};
      Vertices line;
      for (int v = 0; v < (i == 148 ? 6000 : 2 + i % 40); ++v) line.push_back({x + v, 0.5 * v});
      const std::string record = "\"o" + std::to_string(i) + "\"," + std::to_string(i) + ".5";
      for (const int id : {shp, mif}) {
        GisObject o;
        switch (i % 7) {
          case 0: writeShape(id, &GisObject::isPoint, {{x, 1.0}}, record); break;
          case 1: writeShape(id, &GisObject::isPline, line, record); break;
          case 2:
            o = newObject(&GisObject::isPlineMultiple, {1, 3});
            setVertices({{x, 0}, {x, 1}, {x + 1, 1}, {x + 2, 3}});
            writeObjectAndRecord(id, o, record);
            break;
          case 3: writeShape(id, &GisObject::isRegion, square, record); break;
          case 4: {
            Vertices rings = square;
            for (const auto& [vx, vy] : Vertices{{x + 1, 1}, {x + 2, 1}, {x + 2, 2}, {x + 1, 1}}) rings.push_back({vx, vy});
            o = newObject(&GisObject::isRegion, {1, 6});
            setVertices(rings);
            writeObjectAndRecord(id, o, record);
            break;
          }
          case 5: writeShape(id, &GisObject::isNone, {}, record); break;
          default:  // kinds of one layer only: a text and a multipoint in the MIF layer, a line in the other
            writeShape(id, id == shp ? &GisObject::isLine : i % 2 ? &GisObject::isText : &GisObject::isMultiPoint,
                       line, record);
        }
      }
    }
  };
  // Limits inside the first headers, inside later ones, and past every header. A set whose
  // headers are not all whole is left with every file empty, and each is named.
  for (const rlim_t limit : {1, 99, 150, 3001, 30011, 70001}) {
    const std::string folder = "limit" + std::to_string(limit);
    std::filesystem::create_directory(dir_ / folder);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit size{limit, RLIM_INFINITY};
      const int status = ::setrlimit(RLIMIT_FSIZE, &size) == 0 ? expectRunEnd([&] { writeEveryKind(folder); }) : 99;
      const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
      if (::setrlimit(RLIMIT_FSIZE, &none) == 0) writeFile(dir_ / (folder + ".txt"), output());
      ::_exit(status);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << limit << ": " << status;
    const std::string out = readFile(dir_ / (folder + ".txt"));
    const auto emptied = [&](const std::vector<std::string>& files) {
      bool empty = true;
      for (const std::string& f : files) {
        if (!std::filesystem::exists(dir_ / folder / f)) continue;  // the run stopped before its layer
        if (std::filesystem::file_size(dir_ / folder / f) > 0) empty = false;
        else EXPECT_NE(out.find("File " + folder + "/" + f + " is left empty:"), std::string::npos) << f << "\n" << out;
      }
      return empty;
    };
    for (const char* sub : {"s_P", "s_L", "s_R"}) {
      const std::string b = sub;
      if (!emptied({b + ".shp", b + ".shx", b + ".dbf"})) expectShapefileReadable(folder + "/" + b, true);
    }
    if (!emptied({"m.mif", "m.mid"})) expectCheckerAccepts("gdalcheck.py", "--allow-null " + folder + "/m.mif");
  }
}
#endif

TEST_F(LayerCloseTest, UnwritableMidStopsInsteadOfClosing) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::filesystem::create_symlink("/dev/full", dir_ / "full.mid");
  int id = gisOpenLayer("full.mif", " ", "O ", false);
  EXPECT_EQ(expectRunEnd([&] {
              gisWriteHeader(id);
              GisObject o = newObject(&GisObject::isNone);
              writeObjectAndRecord(id, o, "\"x\",1");
              gisCloseLayer(id);
            }),
            1);
  EXPECT_TRUE(outputHas("ERROR 0254"));
}

}  // namespace
