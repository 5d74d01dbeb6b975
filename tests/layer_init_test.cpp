// Library initialisation: the starting state it leaves, the workspace and register headers it
// writes, and the register and workspace as input layers fill them, checked with GDAL.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gis/gis_layers.hpp"
#include "gis/gis_state.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"

namespace {

namespace fs = std::filesystem;

const std::string kWorkspaceHeader =
    "!Workspace\n"
    "!Version 600\n"
    "!Charset WindowsLatin1\n"
    "!Contains GIS input layers from KESTRA simulation Run A\n";

const std::string kRegisterHeader =
    "Version 300\n"
    "Charset \"WindowsLatin1\"\n"
    "Delimiter \",\"\n"
    "Columns 3\n"
    "  ID Integer\n"
    "  Open_ID Integer\n"
    "  Layer Char(254)\n"
    "Data\n"
    "\n";

class LayerInitTest : public FileUnitsTest {
 protected:
  // Leaves traces in every part of the library state that initialisation must clear.
  static void dirtyTheLibrary() {
    gGis.gisLogUnit = 77;
    gGis.gisDataLine = "1,\"x\"";
    gGis.gisDataLineLarge = "2";
    gGis.gisMessageLines[2] = "stale";
    for (int id : {1, 50, 100}) {
      GisLayerSlot& s = gGis.layers[id];
      s.gisInUse = true;
      s.gisFileName = "old.mif";
      s.gisLayerType = kGisLayerShapefile;
      s.gisEndOfData = true;
      s.gisWrite = true;
      s.mifLayer.mifUnit = 1005;
      s.mifLayer.nAttributes = 3;
      s.shpSubLayer[2].shpUnitLE = 1006;
      s.shpSubLayer[2].xmax = 10.0;
      s.dbfSubLayer[3].unit = 1007;
      s.dbfSubLayer[3].fieldName[1] = "NAME";
    }
    gGis.gisMiProjection = "COORDSYS";
    gGis.gisShpProjection = "GDA";
    gGis.gisProjectionCheckIsError = gGis.gisCheckSaveDate = gGis.gisSaveDateIsError = true;
    gGis.gisCompanionExt = ".xyz";
    gGis.gisRegisterCount = 12;
    gisRegisterNamesReady()[12] = "C:/old";
  }
};

// ---------------------------------------------------------------------------------------------
// Starting state

TEST_F(LayerInitTest, InitialiseClearsTheWholeLibraryState) {
  dirtyTheLibrary();
  gisInitialise(0, "", "", "");
  EXPECT_EQ(gGis.gisLogUnit, 0);
  EXPECT_EQ(gGis.gisDataLine, std::string(kTextLength, ' '));
  EXPECT_EQ(gGis.gisDataLineLarge, std::string(kLongTextLength, ' '));
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(gGis.gisMessageLines[i], std::string(kTextLength, ' '));
  for (int id = 1; id <= kGisMaxLayers; ++id) {
    const GisLayerSlot& s = gGis.layers[id];
    ASSERT_FALSE(s.gisInUse) << id;
    ASSERT_EQ(s.gisFileName, std::string(kTextLength, ' ')) << id;
    ASSERT_EQ(s.gisLayerType, kGisLayerFree) << id;
    ASSERT_FALSE(s.gisEndOfData || s.gisWrite) << id;
    ASSERT_EQ(s.mifLayer.mifUnit, 0) << id;
    ASSERT_EQ(s.mifLayer.nAttributes, 0) << id;
    for (int k = 1; k <= kShpSubLayers; ++k) {
      ASSERT_EQ(s.shpSubLayer[k].shpUnitLE, 0) << id;
      ASSERT_EQ(s.shpSubLayer[k].xmin, 0.0) << id;
      ASSERT_EQ(s.shpSubLayer[k].ymin, 0.0) << id;
      ASSERT_EQ(s.shpSubLayer[k].xmax, -1.0) << id;
      ASSERT_EQ(s.shpSubLayer[k].ymax, -1.0) << id;
      ASSERT_EQ(s.dbfSubLayer[k].unit, 0) << id;
      ASSERT_EQ(s.dbfSubLayer[k].fieldName[1], std::string(11, ' ')) << id;
    }
  }
  EXPECT_EQ(gGis.gisMiProjection, std::string(kTextLength, ' '));
  EXPECT_EQ(gGis.gisShpProjection, std::string(kTextLength, ' '));
  EXPECT_FALSE(gGis.gisProjectionCheckIsError);
  EXPECT_FALSE(gGis.gisCheckSaveDate);
  EXPECT_FALSE(gGis.gisSaveDateIsError);
  EXPECT_EQ(gGis.gisCompanionExt, ".tab    ");
  EXPECT_EQ(gGis.gisRegisterCount, 0);
  for (int i = 1; i <= kGisRegisterSize; ++i) ASSERT_EQ(gGis.gisRegisterNames[i], std::string(kTextLength, ' ')) << i;
}

TEST_F(LayerInitTest, BlankNamesCreateNoFilesAndMarkTheUnitsNotOpen) {
  gisInitialise(1003, "Run A", "   ", "");
  EXPECT_EQ(gGis.gisLogUnit, 1003);
  EXPECT_EQ(gGis.gisWorkspaceUnit, -1);
  EXPECT_EQ(gGis.gisRegisterMifUnit, -1);
  EXPECT_EQ(gGis.gisRegisterMidUnit, -1);
  EXPECT_TRUE(fs::is_empty(dir_));
  EXPECT_EQ(output(), "");
}

// ---------------------------------------------------------------------------------------------
// Workspace and register headers

TEST_F(LayerInitTest, WorkspaceAndRegisterGetTheirHeaders) {
  gisInitialise(0, "Run A   ", "run_a    ", "run_a  ");
  EXPECT_GT(gGis.gisWorkspaceUnit, 0);
  EXPECT_GT(gGis.gisRegisterMifUnit, 0);
  EXPECT_GT(gGis.gisRegisterMidUnit, 0);
  EXPECT_TRUE(fuIsOpen(gGis.gisWorkspaceUnit));
  EXPECT_TRUE(fuIsOpen(gGis.gisRegisterMifUnit));
  EXPECT_TRUE(fuIsOpen(gGis.gisRegisterMidUnit));
  EXPECT_TRUE(outputHas("Trying to open file run_a.wor..."));
  EXPECT_TRUE(outputHas("Trying to open file run_a_input_layers.mif..."));
  EXPECT_TRUE(outputHas("Trying to open file run_a_input_layers.mid..."));
  fuFlushAll();
  EXPECT_EQ(readFile(dir_ / "run_a.wor"), kWorkspaceHeader);
  EXPECT_EQ(readFile(dir_ / "run_a_input_layers.mif"), kRegisterHeader);
  EXPECT_EQ(readFile(dir_ / "run_a_input_layers.mid"), "");
}

TEST_F(LayerInitTest, WorkspaceAndRegisterMayBeChosenApart) {
  gisInitialise(0, "", "", "reg");
  EXPECT_EQ(gGis.gisWorkspaceUnit, -1);
  EXPECT_GT(gGis.gisRegisterMifUnit, 0);
  EXPECT_FALSE(fs::exists(dir_ / ".wor"));
  gisCloseWorkspace();
  EXPECT_EQ(readFile(dir_ / "reg_input_layers.mif"), kRegisterHeader);

  gisInitialise(0, "", "ws", "");
  EXPECT_EQ(gGis.gisRegisterMifUnit, -1);
  EXPECT_EQ(gGis.gisRegisterMidUnit, -1);
  gisCloseWorkspace();
  EXPECT_EQ(readFile(dir_ / "ws.wor"),
            "!Workspace\n!Version 600\n!Charset WindowsLatin1\n!Contains GIS input layers from KESTRA simulation \n");
}

TEST_F(LayerInitTest, CloseWorkspaceClosesTheThreeFiles) {
  gisInitialise(0, "Run A", "run_a", "run_a");
  const int ws = gGis.gisWorkspaceUnit, mif = gGis.gisRegisterMifUnit, mid = gGis.gisRegisterMidUnit;
  gisCloseWorkspace();
  EXPECT_FALSE(fuIsOpen(ws));
  EXPECT_FALSE(fuIsOpen(mif));
  EXPECT_FALSE(fuIsOpen(mid));
  EXPECT_LE(gGis.gisWorkspaceUnit, 0);
  EXPECT_LE(gGis.gisRegisterMifUnit, 0);
  EXPECT_LE(gGis.gisRegisterMidUnit, 0);
  EXPECT_EQ(readFile(dir_ / "run_a.wor"), kWorkspaceHeader);
}

TEST_F(LayerInitTest, EmptyRegisterOpensInGdal) {
  gisInitialise(0, "Run A", "", "run_a");
  gisCloseWorkspace();
  expectCheckerAccepts("gdalcheck.py", "run_a_input_layers.mif", "features=0");
}

// ---------------------------------------------------------------------------------------------
// Register and workspace filled by input layers

TEST_F(LayerInitTest, InputLayersFillRegisterAndWorkspace) {
  writeFile(dir_ / "rivers.mif", "Version 300\nColumns 1\n  Name Char(10)\nData\n\nNone\n");
  writeFile(dir_ / "rivers.mid", "\"a\"\n");
  writeFile(dir_ / "rivers.tab", "!table\n");
  writeFile(dir_ / "roads.mif", "Version 300\nColumns 1\n  Name Char(10)\nData\n\n");
  writeFile(dir_ / "roads.mid", "");
  gisInitialise(0, "Run A", "run_a", "run_a");
  // Two output layers first, so that the first input layer is slot 3.
  int out1 = gisOpenLayer("out1.mif", "", "O ", false);
  int out2 = gisOpenLayer("out2.mif", "", "O ", false);
  ASSERT_EQ(out1, 1);
  ASSERT_EQ(out2, 2);
  EXPECT_EQ(gisOpenLayer("rivers.mif", "", "I ", false), 3);
  EXPECT_EQ(gisOpenLayer("roads.mif", "", "I ", false), 4);
  EXPECT_EQ(gisOpenLayer("rivers.mif", "", "I ", false), 5);  // the same layer again: no new row
  gisCloseWorkspace();

  const std::string full = (fs::current_path() / "").string();
  EXPECT_EQ(readFile(dir_ / "run_a.wor"), kWorkspaceHeader + "Open Table \"" + full + "rivers.tab\"\n" +
                                               "! .mif/.mid Layer with no .tab Layer \"" + full + "roads.mif\"\n");
  EXPECT_EQ(readFile(dir_ / "run_a_input_layers.mif"), kRegisterHeader + "none\nnone\n");
  EXPECT_EQ(readFile(dir_ / "run_a_input_layers.mid"),
            "    1,    3, \"" + full + "rivers.mif\"\n    2,    4, \"" + full + "roads.mif\"\n");
  expectCheckerAccepts("gdalcheck.py", "--allow-null run_a_input_layers.mif", "features=2");
}

}  // namespace
