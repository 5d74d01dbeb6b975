// Opening layers: slots, kinds from the extension, the files of each kind, and opening for
// input (register rows, workspace lines, CoordSys, .prj projection and save-date checks).
#include <chrono>
#include <filesystem>
#include <string>

#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

namespace fs = std::filesystem;

class LayerOpenTest : public IdLayerTest {
 protected:
  // A small input MIF/MID pair.
  void makeMif(const std::string& base, const std::string& coordSys = "CoordSys NonEarth Units \"m\"") {
    writeFile(dir_ / (base + ".mif"), "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\n" + coordSys +
                                          "\nColumns 1\n  ID Integer\nData\n\nnone\n");
    writeFile(dir_ / (base + ".mid"), "1\n");
  }

  // A small input MIF/MID pair exported from its .tab, the .mid saved hoursLater than the table (before
  // it when negative); the open checks the save dates.
  void makeExport(const std::string& base, int hoursLater) {
    makeMif(base);
    writeFile(dir_ / (base + ".tab"), "table");
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(dir_ / (base + ".tab"), now);
    fs::last_write_time(dir_ / (base + ".mid"), now + std::chrono::hours(hoursLater));
    gGis.gisCheckSaveDate = true;
  }

  // A complete one-point shapefile set written by the library itself.
  void makeShapefile(const std::string& base, const std::string& prj) {
    gGis.gisOutputPrj = fixed::fit(prj, kTextLength);
    int id = openOutputLayer(base + ".shp", "P");
    writeShape(id, &GisObject::isPoint, {{0, 0}}, "1");
    gisCloseLayer(id);
    clearOutput();
  }

  std::string full(const std::string& name) const { return (dir_ / name).lexically_normal().string(); }
  std::string text(const std::string& name) const { return readFile(dir_ / name); }
};

// ---- Slots ----

TEST_F(LayerOpenTest, HundredLayersOpenAndTheNextStops) {
  for (int i = 1; i <= kGisMaxLayers; ++i) EXPECT_EQ(gisOpenLayer("l" + std::to_string(i) + ".mif", " ", "O ", false), i);
  clearOutput();
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("extra.mif", " ", "O ", false); }), 1);
  EXPECT_EQ(output().find("Opening GIS Layer: extra.mif\n\nERROR 0251 - Cannot have more than 100 GIS layers open at once.\n"),
            0u)
      << output().substr(0, 200);
}

TEST_F(LayerOpenTest, ClosedSlotIsReusedFirst) {
  gisOpenLayer("a.mif", " ", "O ", false);
  int b = gisOpenLayer("b.mif", " ", "O ", false);
  gisOpenLayer("c.mif", " ", "O ", false);
  gisCloseLayer(b);
  EXPECT_EQ(gisOpenLayer("d.mif", " ", "O ", false), 2);
  EXPECT_EQ(fixed::trimmed(gGis.layers[2].gisFileName), "d.mif");
  EXPECT_EQ(gisOpenLayer("e.mif", " ", "O ", false), 4);
}

TEST_F(LayerOpenTest, OpeningAnnouncesTheLayerAndItsHandle) {
  gisOpenLayer("ann.mif", " ", "O ", false);
  EXPECT_EQ(output().find("Opening GIS Layer: ann.mif\nGIS Layer assigned ID of 1\n"), 0u) << output();
}

// A slot is reset before each opening: an inactive sub-layer with the empty box, not a zero box.
TEST_F(LayerOpenTest, ResetStateOfSlotsAndObjects) {
  gGis.layers[3].shpSubLayer[2].shpUnitLE = 7;
  gGis.layers[3].shpSubLayer[2].xmax = 5.0;
  gGis.layers[3].gisInUse = true;
  gisInitialiseLayer(3);
  const ShpSubLayer& s = gGis.layers[3].shpSubLayer[2];
  EXPECT_EQ(s.shpUnitLE, 0);
  EXPECT_EQ(s.xmin, 0.0);
  EXPECT_EQ(s.ymin, 0.0);
  EXPECT_EQ(s.xmax, -1.0);
  EXPECT_EQ(s.ymax, -1.0);
  EXPECT_TRUE(gGis.layers[3].gisInUse);

  GisObject o;
  o.isComplete = true;
  o.isRegion = true;
  o.nr = 4;
  o.ir[1] = 9;
  o.ir[2] = 12;
  gisInitialiseObject(o);
  EXPECT_TRUE(o.isComplete);
  EXPECT_FALSE(o.isRegion);
  EXPECT_EQ(o.nr, 1);
  EXPECT_EQ(o.ir[1], 1);
  EXPECT_EQ(o.ir[2], 12);

  EXPECT_EQ(expectRunEnd([] { gisInitialiseLayer(0); }), 1);
  EXPECT_EQ(output().find("Should not be here gisInitialiseLayer[gisID=0] - please contact" + kContact + "\n"), 0u);
}

// ---- Kinds ----

TEST_F(LayerOpenTest, MifNamesWithAnyCaseOrNoExtension) {
  int id = gisOpenLayer("Layer.MIF", " ", "O ", false);
  const GisLayerSlot& s = gGis.layers[id];
  EXPECT_EQ(s.gisLayerType, kGisLayerMif);
  EXPECT_TRUE(s.gisWrite);
  EXPECT_TRUE(s.gisInUse);
  EXPECT_FALSE(s.gisEndOfData);
  EXPECT_EQ(fuName(s.mifLayer.mifUnit), "Layer.mif");
  EXPECT_EQ(fuName(s.mifLayer.midUnit), "Layer.mid");
  int bare = gisOpenLayer("plain", " ", "O ", false);
  EXPECT_EQ(fuName(gGis.layers[bare].mifLayer.mifUnit), "plain.mif");
  EXPECT_EQ(fuName(gGis.layers[bare].mifLayer.midUnit), "plain.mid");
  int fromMid = gisOpenLayer("other.mid", " ", "O ", false);
  EXPECT_EQ(fuName(gGis.layers[fromMid].mifLayer.mifUnit), "other.mif");
}

TEST_F(LayerOpenTest, UnsupportedExtensionsStop) {
  for (const std::string name : {"x.txt", "t.csv", "t.dbf"}) {
    clearOutput();
    EXPECT_EQ(expectRunEnd([&] { gisOpenLayer(name, " ", "O ", false); }), 1);
    const std::string ext = name.substr(1);
    EXPECT_TRUE(outputHas("\nERROR 0252 - " + ext + " is not a supported GIS file format.\n"));
  }
  clearOutput();
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("x.txt", " ", "O ", true); }), 1);
  EXPECT_TRUE(outputHas("ERROR 0252 - .txt is not a supported GIS file format."));
  EXPECT_EQ(gisFileType(".mid", false), kGisLayerMif);
  EXPECT_EQ(gisFileType("", false), kGisLayerMif);
  EXPECT_EQ(gisFileType(".shp", true), kGisLayerShapefile);
  EXPECT_EQ(gisFileType(".dbf", true), kGisLayerShapefile);
  EXPECT_EQ(gisFileType(".csv", true), kGisLayerCsvOpening);
}

TEST_F(LayerOpenTest, CsvTableIsAMidWithoutMif) {
  int id = gisOpenLayer("table.csv", " ", "O ", true);
  const GisLayerSlot& s = gGis.layers[id];
  EXPECT_EQ(s.gisLayerType, kGisLayerMif);
  EXPECT_EQ(s.mifLayer.mifUnit, 0);
  EXPECT_EQ(fuName(s.mifLayer.midUnit), "table.csv");
}

TEST_F(LayerOpenTest, AttributesOnlyMidOpensTheMidAlone) {
  makeMif("att");
  int id = gisOpenLayer("att.mid", " ", "I ", true);
  EXPECT_EQ(gGis.layers[id].mifLayer.mifUnit, 0);
  EXPECT_EQ(fuName(gGis.layers[id].mifLayer.midUnit), "att.mid");
}

TEST_F(LayerOpenTest, OutputShapefileOpensOneSetPerShapeKind) {
  int id = gisOpenLayer("streams.shp", "L", "O ", false);
  const GisLayerSlot& s = gGis.layers[id];
  EXPECT_EQ(s.gisLayerType, kGisLayerShapefile);
  const ShpSubLayer& l = s.shpSubLayer[kShpSubLayerLines];
  EXPECT_EQ(fuName(l.shpUnitLE), "streams_L.shp");
  EXPECT_EQ(fuName(l.shpUnitBE), "streams_L.shp");
  EXPECT_EQ(fuName(l.shxUnitLE), "streams_L.shx");
  EXPECT_EQ(fuName(l.shxUnitBE), "streams_L.shx");
  EXPECT_EQ(fuName(l.prjUnit), "streams_L.prj");
  EXPECT_EQ(fuName(s.dbfSubLayer[kShpSubLayerLines].unit), "streams_L.dbf");
  EXPECT_EQ(fuOrder(l.shpUnitLE), byteorder::Order::Little);
  EXPECT_EQ(fuOrder(l.shpUnitBE), byteorder::Order::Big);
  EXPECT_EQ(l.fileShapeType, 3);
  EXPECT_EQ(s.shpSubLayer[kShpSubLayerPoints].shpUnitLE, 0);
  EXPECT_EQ(s.shpSubLayer[kShpSubLayerRegions].shpUnitLE, 0);

  int all = gisOpenLayer("xs.shp", "pLr", "O ", false);
  const char* letters[] = {"", "p", "L", "r"};
  const int types[] = {0, 1, 3, 5};
  for (int k = 1; k <= kShpSubLayers; ++k) {
    const ShpSubLayer& sub = gGis.layers[all].shpSubLayer[k];
    EXPECT_EQ(fuName(sub.shpUnitLE), std::string("xs_") + letters[k] + ".shp");
    EXPECT_EQ(sub.fileShapeType, types[k]);
    EXPECT_TRUE(fs::exists(dir_ / (std::string("xs_") + letters[k] + ".dbf")));
  }
}

TEST_F(LayerOpenTest, BlankShapeKindsTakeTheSlotWithoutSubLayers) {
  int id = gisOpenLayer("empty.shp", "   ", "O ", false);
  EXPECT_EQ(id, 1);
  EXPECT_TRUE(gGis.layers[1].gisInUse);
  for (int k = 1; k <= kShpSubLayers; ++k) EXPECT_EQ(gGis.layers[1].shpSubLayer[k].shpUnitLE, 0);
  EXPECT_FALSE(fs::exists(dir_ / "empty.shp"));
}

TEST_F(LayerOpenTest, ShapeKindThatIsNoLetterStops) {
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("bad.shp", "PX", "O ", false); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [OpenshpFileType] - please contact" + kContact + "\n"));
}

TEST_F(LayerOpenTest, ModeOtherThanInputOrOutputStops) {
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("m.mif", " ", "A ", false); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [OpenGIS] - please contact" + kContact + "\n"));
  DbfSubLayer dbf;
  ShpSubLayer shp;
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { OpenshpFile("a.shp", "P", dbf, shp, "A ", false); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [OpenshpFile] - please contact" + kContact + "\n"));
}

TEST_F(LayerOpenTest, ShapefileSetNeedsItsExtensionAndASuffixForOutput) {
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("a.shp", "P", "O ", true); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0426 - .dbf file not specified.\n"));
  DbfSubLayer dbf;
  ShpSubLayer shp;
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { OpenshpFile("a.dbf", "P", dbf, shp, "O ", false); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0426 - .shp file not specified.\n"));
  clearOutput();
  EXPECT_EQ(expectRunEnd([&] { OpenshpFile("a.shp", "  ", dbf, shp, "O ", false); }), 1);
  EXPECT_TRUE(outputHas("\nShould not be here [OpenshpFileO] - please contact" + kContact + "\n"));
}

TEST_F(LayerOpenTest, OutputTableAloneGetsItsHeaderAndRecords) {
  int id = gisOpenLayer("alone.dbf", "P", "O ", true);
  EXPECT_EQ(gGis.layers[id].shpSubLayer[kShpSubLayerPoints].shpUnitLE, 0);
  EXPECT_EQ(fuName(gGis.layers[id].dbfSubLayer[kShpSubLayerPoints].unit), "alone.dbf");
  gisWriteHeader(id);
  GisObject o = newObject(&GisObject::isPoint);
  gGis.gisDataLine = fixed::fit("42", kTextLength);
  gisWriteRecord(id, o);
  gisCloseLayer(id);
  const std::string b = text("alone.dbf");
  ASSERT_EQ(b.size(), 65u + 9u + 1u);  // header of one field, one record, the end mark
  EXPECT_EQ(b[4], 1);
  EXPECT_EQ(b.substr(65), "       42\x1a");
}

// ---- Input shapefiles ----

TEST_F(LayerOpenTest, InputShapefileWithSuffixOpensBothViewsAndTheTable) {
  makeShapefile("in", "");
  int id = gisOpenLayer("in.shp", "P", "I ", false);
  ASSERT_EQ(id, 1);
  const GisLayerSlot& s = gGis.layers[1];
  EXPECT_FALSE(s.gisWrite);
  EXPECT_EQ(fuName(s.shpSubLayer[kShpInputSubLayer].shpUnitLE), "in_P.shp");
  EXPECT_EQ(fuOrder(s.shpSubLayer[kShpInputSubLayer].shpUnitBE), byteorder::Order::Big);
  EXPECT_EQ(s.shpSubLayer[kShpInputSubLayer].shxUnitLE, 0);
  EXPECT_EQ(s.shpSubLayer[kShpInputSubLayer].prjUnit, 0);
  EXPECT_EQ(fuName(s.dbfSubLayer[kShpInputSubLayer].unit), "in_P.dbf");
  std::int32_t code = 0;
  ASSERT_TRUE(fuGetI32(s.shpSubLayer[kShpInputSubLayer].shpUnitBE, code));
  EXPECT_EQ(code, 9994);
}

TEST_F(LayerOpenTest, MissingInputSubFileReturnsZeroAndFreesTheSlot) {
  EXPECT_EQ(gisOpenLayer("layer.shp", "P", "I ", false), 0);
  EXPECT_EQ(output(), "Opening GIS Layer: layer.shp\nGIS Layer assigned ID of 1\n");
  EXPECT_FALSE(gGis.layers[1].gisInUse);
  EXPECT_EQ(gGis.layers[1].gisLayerType, kGisLayerFree);
  EXPECT_EQ(gisOpenLayer("next.mif", " ", "O ", false), 1);
}

// ---- Names with either separator ----

// A layer named with "\\" separators is the same layer as with "/": it is found, opened, emptied,
// checked and registered as such.
TEST_F(LayerOpenTest, BackslashSeparatedNamesOpenForOutputAndInput) {
  fs::create_directory(dir_ / "sub");
  const std::string prj =
      "PROJCS[\"NAD_1983_UTM_Zone_4N\",GEOGCS[\"GCS_North_American_1983\",DATUM[\"D_North_American_1983\","
      "SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
      "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
      "PARAMETER[\"Central_Meridian\",-159.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],"
      "UNIT[\"Meter\",1.0]]";
  // Output twice in one run: the shorter second layer leaves nothing of the first.
  gGis.gisOutputPrj = fixed::fit(prj, kTextLength);
  for (int points : {3, 1}) {
    int id = openOutputLayer("sub\\layer.shp", "P");
    for (int i = 0; i < points; ++i) writeShape(id, &GisObject::isPoint, {{i, 0}}, std::to_string(i));
    gisCloseLayer(id);
  }
  EXPECT_EQ(fs::file_size(dir_ / "sub/layer_P.shp"), 128u);
  EXPECT_EQ(fs::file_size(dir_ / "sub/layer_P.shx"), 108u);
  EXPECT_EQ(fs::file_size(dir_ / "sub/layer_P.dbf"), 65u + 9u + 1u);
  expectShapefileReadable("sub/layer_P");
  // Input: the sub-file is found and its .prj checked.
  gGis.gisShpProjection = fixed::fit("GDA94 / MGA ZONE 56", kTextLength);
  clearOutput();
  int id = gisOpenLayer("sub\\layer.shp", "P", "I ", false);
  ASSERT_GT(id, 0);
  EXPECT_EQ(fuName(gGis.layers[id].shpSubLayer[kShpInputSubLayer].shpUnitLE), "sub\\layer_P.shp");
  EXPECT_TRUE(outputHas("WARNING 0305 - Projection of .shp file is different"));
  gisCloseLayer(id);
  // The register and the workspace know the layer by its host path, under either separator.
  gisInitialise(0, "cap", "ws", "");
  makeExport("sub/rivers", 1);
  clearOutput();
  EXPECT_EQ(gisOpenLayer("sub\\rivers.mif", " ", "I ", false), 1);
  EXPECT_TRUE(outputHas("Checking save date is later than that of sub\\rivers.tab...OK\n"));
  EXPECT_EQ(gisOpenLayer("sub/rivers.mif", " ", "I ", false), 2);
  EXPECT_EQ(gGis.gisRegisterCount, 1);
  EXPECT_EQ(fixed::trimmed(gGis.gisRegisterNames[1]), full("sub/rivers"));
  gisCloseWorkspace();
  EXPECT_NE(text("ws.wor").find("\nOpen Table \"" + full("sub/rivers") + ".tab\"\n"), std::string::npos)
      << text("ws.wor");
}

// ---- The register and the workspace ----

TEST_F(LayerOpenTest, InputLayersAreRegisteredOnceWithTheirWorkspaceLines) {
  gisInitialise(0, "cap", "ws", "reg");
  gisOpenLayer("o1.mif", " ", "O ", false);
  gisOpenLayer("o2.mif", " ", "O ", false);
  makeMif("rivers");
  writeFile(dir_ / "rivers.tab", "table");
  makeMif("lakes");
  makeShapefile("pts", "");
  EXPECT_EQ(gisOpenLayer("rivers.mif", " ", "I ", false), 3);
  EXPECT_EQ(gisOpenLayer("lakes.mif", " ", "I ", false), 4);
  EXPECT_EQ(gisOpenLayer("pts_P.shp", " ", "I ", false), 5);
  EXPECT_EQ(gisOpenLayer("./rivers.MIF", " ", "I ", false), 6);  // the same full name
  EXPECT_EQ(gGis.gisRegisterCount, 3);
  EXPECT_EQ(fixed::trimmed(gGis.gisRegisterNames[1]), full("rivers"));
  gisCloseWorkspace();
  EXPECT_EQ(text("reg_input_layers.mid"), "    1,    3, \"" + full("rivers") + ".mif\"\n" +
                                              "    2,    4, \"" + full("lakes") + ".mif\"\n" +
                                              "    3,    5, \"" + full("pts_P") + ".shp\"\n");
  const std::string mif = text("reg_input_layers.mif");
  EXPECT_EQ(mif.substr(mif.size() - 21), "Data\n\nnone\nnone\nnone\n");
  const std::string ws = text("ws.wor");
  EXPECT_NE(ws.find("\nOpen Table \"" + full("rivers") + ".tab\"\n! .mif/.mid Layer with no .tab Layer \"" +
                    full("lakes") + ".mif\"\n! Non-MapInfo .tab Layer \"" + full("pts_P") + ".shp\"\n"),
            std::string::npos)
      << ws;
}

TEST_F(LayerOpenTest, OutputLayersAreNotRegistered) {
  gisInitialise(0, "cap", "", "");
  gisOpenLayer("out.mif", " ", "O ", false);
  EXPECT_EQ(gGis.gisRegisterCount, 0);
}

TEST_F(LayerOpenTest, RegisterWithoutFilesStillRecordsNames) {
  makeMif("a");
  gisOpenLayer("a.mif", " ", "I ", false);
  EXPECT_EQ(gGis.gisRegisterCount, 1);
  EXPECT_FALSE(fs::exists(dir_ / "_input_layers.mid"));
}

TEST_F(LayerOpenTest, PastTheRegisterLimitEveryNewLayerWarnsAndTakesIndex1000) {
  gisInitialise(0, "cap", "ws", "reg");
  gGis.gisRegisterCount = 998;
  for (const std::string b : {"a", "b", "c"}) {
    makeMif(b);
    int id = gisOpenLayer(b + ".mif", " ", "I ", false);
    gisCloseLayer(id);
  }
  const std::string warning =
      "WARNING 0317 - Exceeded limit of input GIS layers that can be tracked (layer referencing may not be complete).";
  const std::string out = output();
  const auto first = out.find(warning);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(out.find(warning, first + 1), std::string::npos);  // once for b, once for c
  EXPECT_EQ(gGis.gisRegisterCount, 1000);
  EXPECT_EQ(fixed::trimmed(gGis.gisRegisterNames[999]), full("a"));
  gisCloseWorkspace();
  EXPECT_EQ(text("reg_input_layers.mid"), "  999,    1, \"" + full("a") + ".mif\"\n" + " 1000,    1, \"" + full("b") +
                                              ".mif\"\n" + " 1000,    1, \"" + full("c") + ".mif\"\n");
  const std::string ws = text("ws.wor");
  EXPECT_NE(ws.find(full("a") + ".mif"), std::string::npos);
  EXPECT_EQ(ws.find(full("b") + ".mif"), std::string::npos);
}

// ---- CoordSys check of MIF inputs ----

TEST_F(LayerOpenTest, MatchingCoordSysPassesAndTheMifIsRewound) {
  makeMif("ok", "  CoordSys Earth Projection 8, 104, \"m\"");
  gGis.gisMiProjection = fixed::fit("COORDSYSEARTHPROJECTION8,104,M", kTextLength);
  int id = gisOpenLayer("ok.mif", " ", "I ", false);
  EXPECT_FALSE(outputHas("0305"));
  std::string line;
  ASSERT_EQ(fuReadLine(gGis.layers[id].mifLayer.mifUnit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "Version 300");
  // The open checks the line that the other CoordSys readers find, a line longer than the text
  // it is read into included: the projection taken from mifReadCoordSysLine always matches.
  const std::string longLine = "CoordSys Earth Projection 8, 104, \"m\"" + std::string(1000, ' ') + "Bounds (0, 0)";
  const std::string coordSysLines[] = {"coordsys\tnonearth units \"m\"", longLine, "CoordSys " + std::string(1200, 'x')};
  int n = 0;
  for (const std::string& coordSys : coordSysLines) {
    const std::string base = "set" + std::to_string(++n);
    makeMif(base, coordSys);
    gGis.gisMiProjection = fixed::fit(mifCleanCoordSysLine(mifReadCoordSysLine(base + ".mif")), kTextLength);
    clearOutput();
    id = gisOpenLayer(base + ".mif", " ", "I ", false);
    EXPECT_FALSE(outputHas("0305")) << base;
    EXPECT_FALSE(outputHas("0306")) << base;
  }
}

TEST_F(LayerOpenTest, DifferentCoordSysWarnsThroughTheMessageLog) {
  makeMif("diff", "CoordSys Earth Projection 1, 104");
  gGis.gisMiProjection = fixed::fit("COORDSYSEARTHPROJECTION8,104,M", kTextLength);
  gisOpenLayer("diff.mif", " ", "I ", false);
  EXPECT_TRUE(outputHas("WARNING 0305 - Projection of .mif file is different to that specified by the MI Projection == command.\n"));
  EXPECT_FALSE(outputHas("Use \"MI Projection Check"));
}

TEST_F(LayerOpenTest, DifferentCoordSysAsAnErrorStops) {
  makeMif("diff", "CoordSys Earth Projection 1, 104");
  gGis.gisMiProjection = fixed::fit("COORDSYSEARTHPROJECTION8,104,M", kTextLength);
  gGis.gisProjectionCheckIsError = true;
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("diff.mif", " ", "I ", false); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0305 - Projection of .mif file is different to that specified by the MI Projection == "
                        "command.\nUse \"MI Projection Check == WARNING\" to change message to a WARNING.\n"));
}

TEST_F(LayerOpenTest, MifWithoutCoordSysWarnsTwice) {
  writeFile(dir_ / "bare.mif", "Version 300\nColumns 0\nData\n");
  writeFile(dir_ / "bare.mid", "");
  gGis.gisMiProjection = fixed::fit("COORDSYSNONEARTH", kTextLength);
  gisOpenLayer("bare.mif", " ", "I ", false);
  const auto w306 = output().find("\nWARNING 0306 - Problems finding CoordSys line in .mif file.\n");
  ASSERT_NE(w306, std::string::npos) << output();
  EXPECT_NE(output().find("WARNING 0305", w306), std::string::npos);
}

// ---- Projection check of shapefile inputs ----

TEST_F(LayerOpenTest, MatchingPrjPassesQuietly) {
  makeShapefile("p", "PROJCS[\"GDA94 / MGA zone 56\",GEOGCS[\"GDA94\"]]");
  gGis.gisShpProjection = fixed::fit("GDA94 / MGA ZONE 56", kTextLength);
  int id = gisOpenLayer("p_P.shp", " ", "I ", false);
  EXPECT_GT(id, 0);
  EXPECT_FALSE(outputHas("0305"));
  EXPECT_FALSE(outputHas("0420"));
  EXPECT_EQ(gGis.layers[id].shpSubLayer[kShpInputSubLayer].prjUnit, 0);  // read and closed at once
}

TEST_F(LayerOpenTest, DifferentPrjWarnsOrStops) {
  makeShapefile("p", "PROJCS[\"WGS 84 / UTM zone 55S\",GEOGCS[\"WGS 84\"]]");
  gGis.gisShpProjection = fixed::fit("GDA94 / MGA ZONE 56", kTextLength);
  int id = gisOpenLayer("p_P.shp", " ", "I ", false);
  EXPECT_EQ(output().find("WARNING 0305 - Projection of .shp file is different to that specified by the SHP "
                          "Projection == command.\n"),
            output().find("WARNING 0305"));
  gisCloseLayer(id);
  gGis.gisProjectionCheckIsError = true;
  clearOutput();
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("p_P.shp", " ", "I ", false); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0305 - Projection of .shp file is different to that specified by the SHP Projection == "
                  "command.\nUse \"GIS Projection Check == WARNING\" to change message to a WARNING.\n"));
}

TEST_F(LayerOpenTest, PrjWithoutProjcsWarnsAndThenDiffers) {
  makeShapefile("g", "GEOGCS[\"GDA94\"]");
  gGis.gisShpProjection = fixed::fit("GDA94 / MGA ZONE 56", kTextLength);
  gisOpenLayer("g_P.shp", " ", "I ", false);
  const auto w420 = output().find(
      "WARNING 0420 - Could not find PROJCS definition.  Projection of .shp file might not be cartesian.\n");
  ASSERT_NE(w420, std::string::npos) << output();
  EXPECT_NE(output().find("WARNING 0305", w420), std::string::npos);
}

TEST_F(LayerOpenTest, EmptyPrjStops) {
  makeShapefile("e", "");
  writeFile(dir_ / "e_P.prj", "");
  gGis.gisShpProjection = fixed::fit("ANY", kTextLength);
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("e_P.shp", " ", "I ", false); }), 1);
  EXPECT_TRUE(outputHas("\nERROR 0420 - Could not read projection line in .prj file.\nLine 1 of file e_P.prj.\n"));
}

TEST_F(LayerOpenTest, ProjcsNameIsTheFirstItemAfterTheBracket) {
  std::string line = fixed::fit("projcs[\"GDA94 / MGA zone 56\",GEOGCS", 100);
  EXPECT_EQ(fixed::trimmed(prjReadProjcs(line)), "GDA94 / MGA ZONE 56");
  EXPECT_EQ(line.size(), 100u);
  EXPECT_EQ(line.substr(0, 8), "PROJCS[\"");
  line = "PROJCS[Local_Grid,GEOGCS";
  EXPECT_EQ(fixed::trimmed(prjReadProjcs(line)), "LOCAL_GRID");
  line = "PROJCS[";
  EXPECT_EQ(fixed::trimmed(prjReadProjcs(line)), "");
  EXPECT_EQ(output(), "");
}

// ---- Save-date check ----

TEST_F(LayerOpenTest, SaveDateCheckComparesTheMidWithItsTable) {
  makeMif("sd");
  gGis.gisCheckSaveDate = true;
  int id = gisOpenLayer("sd.mif", " ", "I ", false);
  EXPECT_GT(id, 0);
  EXPECT_TRUE(outputHas("Checking save date is later than that of sd.tab...NOT OK\n"));
  EXPECT_TRUE(outputHas("WARNING 0004 - Could not access save date of \"sd.mid\" to check with \"sd.tab\""));
}

TEST_F(LayerOpenTest, StaleExportAsAnErrorOpensThePairAgain) {
  makeExport("old", -2);
  gGis.gisSaveDateIsError = true;
  setInput("\n");  // one re-export, then no more console input
  EXPECT_EQ(expectRunEnd([] { gisOpenLayer("old.mif", " ", "I ", false); }), 1);
  const std::string out = output();
  const auto first = out.find("Trying to open file old.mif");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(out.find("Trying to open file old.mif", first + 1), std::string::npos) << out;
}

TEST_F(LayerOpenTest, NoSaveDateCheckForOutputs) {
  gGis.gisCheckSaveDate = true;
  gisOpenLayer("new.mif", " ", "O ", false);
  EXPECT_FALSE(outputHas("Checking save date"));
}

}  // namespace
