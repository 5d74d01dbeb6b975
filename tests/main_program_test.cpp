// The main program run in-process: what it hands the GIS layer library as the output projection,
// how it copes with odd command lines and console answers, and runs one after another in one
// process.
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "converter/main_program.hpp"
#include "converter/sdf_blocks.hpp"
#include "converter/sdf_cross_section.hpp"
#include "converter/sdf_layers.hpp"
#include "converter/sdf_sections.hpp"
#include "gis/dbase_write.hpp"
#include "gis/gis_layers.hpp"
#include "gis/gis_read.hpp"
#include "gis/gis_state.hpp"
#include "gis/grid_assign.hpp"
#include "platform/process_state.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"
#include "utility/messages.hpp"
#include "utility/run_control.hpp"

namespace {

const std::string kTinySdf = "# test export\n BEGIN HEADER:\n END HEADER:\n BEGIN STREAM NETWORK:\n END STREAM NETWORK:\n";
const std::string kPrompt = " Please enter the .sdf file (blank to exit)-> ";
const std::string kClose = "\nPress Enter to Close\n";

class MainProgramTest : public PlenvorTest {
 protected:
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "plenvor");
    return expectRunEnd([&] { plenvorMain(args); });
  }
  // The tiny export converted with option, beside a projection file of the given name and text.
  int runWithProjection(const std::string& option, const std::string& file, const std::string& text) {
    writeFile(dir_ / "x.sdf", kTinySdf);
    writeFile(dir_ / file, text);
    setInput("\n");
    return run({option, "x.sdf"});
  }
};

// ---------------------------------------------------------------------------------------------
// The output projection

TEST_F(MainProgramTest, PrjOfSeveralLinesBecomesOneLineForTheLayers) {
  EXPECT_EQ(runWithProjection("-shp", "Header.prj",
                              "PROJCS[\"MGA_55\",\r\n\tGEOGCS[\"GDA94\",\r\n    DATUM[\"D\"]],  \r\n\r\n  "
                              "UNIT[\"Meter\",1.0]]\r\n"),
            0);
  EXPECT_EQ(fixed::trimmed(gGis.gisOutputPrj), "PROJCS[\"MGA_55\",GEOGCS[\"GDA94\",DATUM[\"D\"]],UNIT[\"Meter\",1.0]]");
  EXPECT_EQ(gGis.gisOutputPrj.size(), kTextLength) << "the text keeps its declared length when it fits";
  EXPECT_TRUE(outputHas("\nshp Projection: PROJCS[\"MGA_55\",\n"));
  EXPECT_TRUE(fixed::isBlank(gGis.gisOutputCoordSys));
}

TEST_F(MainProgramTest, PrjStartingWithABlankLineStillGivesItsWholeText) {
  EXPECT_EQ(runWithProjection("-shp", "Header.prj", "\n    GEOGCS[\"GDA94\",\n    UNIT[\"Degree\",0.017]]\n"), 0);
  EXPECT_EQ(fixed::trimmed(gGis.gisOutputPrj), "GEOGCS[\"GDA94\",UNIT[\"Degree\",0.017]]");
  EXPECT_TRUE(outputHas("\nshp Projection: \n")) << "the first line is shown as it is";
}

TEST_F(MainProgramTest, PrjLongerThanALineIsKeptWhole) {
  std::string prj = "PROJCS[\"" + std::string(2500, 'p') + "\"]";
  EXPECT_EQ(runWithProjection("-shp", "Header.prj", prj.substr(0, 1400) + "\n" + prj.substr(1400) + "\n"), 0);
  EXPECT_EQ(fixed::trimmed(gGis.gisOutputPrj), prj);
}

TEST_F(MainProgramTest, FirstCoordSysLineInAnyCaseGoesToTheMifHeaders) {
  EXPECT_EQ(runWithProjection("-mif", "Header.mif",
                              "Version 300\n  coordsys Earth Projection 1, 104   \nCoordSys NonEarth Units \"m\"\nData\n"),
            0);
  EXPECT_EQ(fixed::trimmed(gGis.gisOutputCoordSys), "  coordsys Earth Projection 1, 104");
  EXPECT_EQ(gGis.gisOutputCoordSys.size(), kTextLength);
  EXPECT_TRUE(fixed::isBlank(gGis.gisOutputPrj));
}

TEST_F(MainProgramTest, WithoutAFormatOptionNoProjectionIsSet) {
  writeFile(dir_ / "x.sdf", kTinySdf);
  writeFile(dir_ / "Header.prj", "PROJCS[\"a\"]\n");
  writeFile(dir_ / "Header.mif", "CoordSys Earth\n");
  setInput("\n");
  EXPECT_EQ(run({"x.sdf"}), 0);
  EXPECT_TRUE(fixed::isBlank(gGis.gisOutputPrj));
  EXPECT_TRUE(fixed::isBlank(gGis.gisOutputCoordSys));
  EXPECT_FALSE(outputHas("Header"));
}

TEST_F(MainProgramTest, ErrorsOfTheProjectionEndWithStatusOne) {
  struct Case {
    std::string option, file, text, tail;
  };
  // No .prj at all: the folder looked in is named whole, though the input name holds none.
  const std::string folder = (std::filesystem::current_path() / "").string();
  const Case cases[] = {
      {"-shp", "", "", "does not exist in folder.\nFolder looked in: " + folder + "\n"},
      {"-shp", "Projection.prj", "", ".prj file.Projection.prj\n"},
      {"-mif", "Projection.mif", "Version 300\nData\n", "\nERROR - Unable to find CoordSys line in Projection.mif\n"},
  };
  for (const Case& c : cases) {
    resetAllState();
    clearOutput();
    if (!c.file.empty()) writeFile(dir_ / c.file, c.text);
    setInput("\n");
    EXPECT_EQ(run({c.option, "x.sdf"}), 1);
    EXPECT_TRUE(output().ends_with(c.tail + kClose)) << output();
  }
}

// ---------------------------------------------------------------------------------------------
// Odd command lines and answers

TEST_F(MainProgramTest, CutShortEnDashBytesAreAFileNameNotAnOption) {
  setInput("\n");
  EXPECT_EQ(run({"\xE2\x80"}), 0);
  EXPECT_TRUE(output().ends_with("\nFound  2 arguments\n WARNING - Can''t find file \xE2\x80, try again\n" + kPrompt +
                                 kClose))
      << output();
  clearOutput();
  resetAllState();
  setInput("\n");
  EXPECT_EQ(run({"\xE2"}), 0);
  EXPECT_TRUE(output().ends_with(" WARNING - Can''t find file \xE2, try again\n" + kPrompt + kClose)) << output();
}

TEST_F(MainProgramTest, EmptyAndVeryLongArgumentsDoNotUpsetTheRun) {
  setInput("\n");
  const std::string longName = std::string(5000, 'n') + ".sdf";
  EXPECT_EQ(run({"", longName}), 0);
  EXPECT_TRUE(output().ends_with("\nFound  3 arguments\n WARNING - Can''t find file " + longName + ", try again\n" +
                                 kPrompt + kClose))
      << output();

  resetAllState();
  clearOutput();
  const std::string longOption = "-" + std::string(3000, 'z');
  EXPECT_EQ(run({longOption}), 1);
  EXPECT_TRUE(output().ends_with("\nERROR - Unrecognised option " + longOption + ".\n" + kClose));
}

TEST_F(MainProgramTest, RepeatedOptionsChangeNothing) {
  writeFile(dir_ / "x.sdf", kTinySdf);
  writeFile(dir_ / "Header.prj", "PROJCS[\"a\"]\n");
  setInput("\n");
  EXPECT_EQ(run({"-shp", "/SHP", "-notrim", "-notrim", "x.sdf"}), 0);
  EXPECT_EQ(fixed::trimmed(gGis.gisOutputPrj), "PROJCS[\"a\"]");
}

TEST_F(MainProgramTest, AVeryLongTypedNameIsWarnedAboutAndAskedAgain) {
  const std::string name(4000, 'r');
  setInput(name + "\n\n\n");
  EXPECT_EQ(run({}), 0);
  EXPECT_TRUE(output().ends_with(kPrompt + " WARNING - Can''t find file " + name + ".sdf, try again\n" + kPrompt +
                                     kClose));
}

TEST_F(MainProgramTest, TheTypedNameIsCheckedAfterItsExtensionIsAdded) {
  writeFile(dir_ / "river", kTinySdf);  // exists, but the prompt looks for river.sdf
  setInput("river\n\n\n");
  EXPECT_EQ(run({}), 0);
  EXPECT_TRUE(output().ends_with(kPrompt + " WARNING - Can''t find file river.sdf, try again\n" + kPrompt + kClose));
}

TEST_F(MainProgramTest, ATypedFolderPathIsFollowed) {
  std::filesystem::create_directories(dir_ / "data");
  writeFile(dir_ / "data" / "river.sdf", kTinySdf);
  setInput("data/river\n\n");
  EXPECT_EQ(run({}), 0);
  EXPECT_TRUE(outputHas(kPrompt + "\nTrying to open file data/river.sdf...OK.\nOpened File Unit:1001\n"));
  EXPECT_TRUE(output().ends_with("\nFinished.\n" + kClose));
}

// ---------------------------------------------------------------------------------------------
// Runs one after another in one process, as the tests and a fuzz run make them

// Every file of the folder by name, the day a .dbf was written left out.
std::map<std::string, std::string> folderFiles(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string bytes = readFile(entry.path());
    if (entry.path().extension() == ".dbf" && bytes.size() >= 4) bytes.replace(1, 3, 3, '\0');
    files[entry.path().filename().string()] = bytes;
  }
  return files;
}

template <class Block>
bool likeFresh(const Block& block) {
  return block == *std::make_unique<Block>();
}

TEST_F(MainProgramTest, AResetLeavesEveryBlockAsAFreshProcessHasItAndTheNextRunAlike) {
  const std::filesystem::path examples = std::filesystem::path(PLENVOR_SOURCE_DIR) / "examples";
  std::filesystem::copy_file(examples / "river.sdf", dir_ / "river.sdf");
  std::filesystem::copy_file(examples / "Projection.prj", dir_ / "Projection.prj");
  setInput("\n");
  ASSERT_EQ(run({"-shp", "river.sdf"}), 0);
  const std::string transcript = output();
  const std::map<std::string, std::string> files = folderFiles(dir_);

  // The reading side and the grid assignment too, on a layer just written; it is left open.
  int id = gisOpenLayer("river_surf_pts_P.shp", " ", "I ", false);
  gisReadHeader(id);
  std::vector<float> cells(100);
  GridValueArrays grid;
  grid.cellValue = cells;
  grid.gridDim1 = grid.gridDim2 = 10;
  GridAssignSettings settings;
  settings.nRows = settings.nCols = 10;
  GisObject object;
  float value = 1.0f;
  std::int32_t assigned = 0;
  GridAssignWindow window;
  for (int k = 0; k < 3; ++k)
    gisAssignObjectToGrid(id, object, settings, grid, false, true, {}, {}, 0, value, assigned, window, {});

  resetAllState();
  // Every enrolled block; the console's is private to the console, and the fixture puts its own
  // streams there again after the reset.
  const std::map<std::string, bool> blocks = {
      {"gConsoleStreams", true},
      {"gFileUnits", likeFresh(gFileUnits)},
      {"gRunFlags", likeFresh(gRunFlags)},
      {"DMESSAGES", likeFresh(DMESSAGES)},
      {"gGis", likeFresh(gGis)},
      {"gDbfValues", likeFresh(gDbfValues)},
      {"gGisRead", likeFresh(gGisRead)},
      {"gAssignLayerBuffers", likeFresh(gAssignLayerBuffers)},
      {"gAssignObjectBuffers", likeFresh(gAssignObjectBuffers)},
      {"gSdfLines", likeFresh(gSdfLines)},
      {"gSdfSection", likeFresh(gSdfSection)},
      {"gSdfWork", likeFresh(gSdfWork)},
      {"gSdfLayers", likeFresh(gSdfLayers)},
  };
  std::vector<std::string> enrolled, compared;
  for (const processstate::Block& b : processstate::blocks()) enrolled.emplace_back(b.name);
  for (const auto& [name, fresh] : blocks) {
    compared.push_back(name);
    EXPECT_TRUE(fresh) << name << " differs from a fresh one after a reset";
  }
  std::sort(enrolled.begin(), enrolled.end());
  EXPECT_EQ(enrolled, compared) << "each enrolled block is compared with a fresh one here";

  // The same run again, over the files of the first: the same transcript and the same bytes.
  clearOutput();
  setInput("\n");
  ASSERT_EQ(run({"-shp", "river.sdf"}), 0);
  EXPECT_EQ(output(), transcript);
  EXPECT_TRUE(folderFiles(dir_) == files);
}

}  // namespace
