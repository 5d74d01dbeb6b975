// Section processing: chainage, Manning's n per point, levee placement and trimming, the .csv
// profile and the console lines, on sections filled by hand and written to open layers.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "converter/sdf_cross_section.hpp"
#include "converter/sdf_layers.hpp"
#include "converter/sdf_sections.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

struct SurfacePoint {
  double x, y;
  float z;
};

class SdfSectionsTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    setInput("\n");
    OpenSdfSectionLayers("t", false, gSdfLayers.sections);
    xs.streamId = fixed::fit("S", kTextLength);
    xs.reachId = fixed::fit("R", kTextLength);
    xs.stationText = fixed::fit("100", kTextLength);
    clearOutput();
  }

  // Points along the x axis at the given chainages.
  void surfaceAlongX(const std::vector<std::pair<float, float>>& chainageAndZ) {
    std::vector<SurfacePoint> pts;
    for (const auto& [d, z] : chainageAndZ) pts.push_back({d, 0.0, z});
    surface(pts);
  }
  void surface(const std::vector<SurfacePoint>& pts) {
    xs.hasSurfaceLine = true;
    xs.surfCount = static_cast<int>(pts.size());
    for (int i = 1; i <= xs.surfCount; ++i) {
      xs.surfX[i] = pts[i - 1].x;
      xs.surfY[i] = pts[i - 1].y;
      xs.surfZ[i] = pts[i - 1].z;
    }
  }
  void nValues(const std::vector<std::pair<float, float>>& fractionAndN) {
    xs.hasNValues = true;
    xs.nCount = static_cast<int>(fractionAndN.size());
    for (int k = 1; k <= xs.nCount; ++k) {
      xs.nFraction[k] = fractionAndN[k - 1].first;
      xs.nValue[k] = fractionAndN[k - 1].second;
    }
  }
  // Markers without a height of their own unless elevations are given.
  void levees(const std::vector<float>& fractions, const std::vector<std::optional<float>>& elevations = {}) {
    xs.hasLevees = true;
    xs.leveeCount = static_cast<int>(fractions.size());
    for (int m = 1; m <= xs.leveeCount; ++m) {
      xs.leveeMarkers[m].id = fixed::fit(std::to_string(m), kSdfLeveeIdLength);
      xs.leveeMarkers[m].fraction = fractions[m - 1];
      const bool given = m <= static_cast<int>(elevations.size()) && elevations[m - 1].has_value();
      xs.leveeMarkers[m].elevation = given ? *elevations[m - 1] : kSdfNoLeveeHeight;
      xs.leveeMarkers[m].hasElevation = given;
    }
  }
  void process() { Process_sdf_Sections(xs, gSdfLayers.sections); }
  std::string csv(const std::string& name = "S_R_100.csv") { return readFile(dir_ / name); }
  std::vector<int> kept() const {
    std::vector<int> k;
    for (int i = 1; i <= xs.surfCount; ++i)
      if (!gSdfWork.trimMask[i]) k.push_back(i);
    return k;
  }

  SdfCrossSection& xs = gSdfSection;
};

// --- Chainage and the .csv profile -----------------------------------------------------------

TEST_F(SdfSectionsTest, ChainageIsTheDistanceAlongTheSurfaceLine) {
  surface({{10.0, 20.0, 5.5f}, {10.0, 23.0, 4.25f}, {14.0, 23.0, 6.0f}});
  process();
  EXPECT_FLOAT_EQ(gSdfWork.sectionChainage[3], 7.0f);
  EXPECT_EQ(csv(),
            "\"X\",\"Z\"\n"
            "       0.000,      5.5000\n"
            "       3.000,      4.2500\n"
            "       7.000,      6.0000\n");
}

TEST_F(SdfSectionsTest, CsvNameKeepsTheBlanksAfterEachColonInsideTheName) {
  xs.streamId = fixed::fit(" S1", kTextLength);
  xs.reachId = fixed::fit(" R1", kTextLength);
  xs.stationText = fixed::fit(" 100", kTextLength);
  surfaceAlongX({{0, 1}, {1, 2}});
  process();
  EXPECT_TRUE(std::filesystem::exists(dir_ / "S1_ R1_ 100.csv"));
  EXPECT_EQ(fixed::trimmed(gSdfWork.csvName), " S1_ R1_ 100.csv");

  // Folder separators, control characters and what a Windows file name cannot hold never reach
  // the file name, on any platform.
  xs.streamId = fixed::fit("../up\\s<>", kTextLength);
  xs.reachId = fixed::fit("r\tx\x7f\x01:\"|?*", kTextLength);
  process();
  EXPECT_EQ(fixed::trimmed(gSdfWork.csvName), ".._up_s___r_x________ 100.csv");
  EXPECT_TRUE(std::filesystem::exists(dir_ / ".._up_s___r_x________ 100.csv"));
}

// Two profile names are one profile when the file system takes them for one file: the same name,
// a link, or on Windows names that differ only in case.
TEST_F(SdfSectionsTest, AProfileThatReplacesAnotherIsToldOfAsTheFileSystemSeesIt) {
  surfaceAlongX({{0, 1}, {1, 2}});
  auto processAt = [&](int line, const std::string& reach, const std::string& station) {
    xs.startLine = line;
    xs.reachId = fixed::fit(reach, kTextLength);
    xs.stationText = fixed::fit(station, kTextLength);
    process();
  };
  auto replaced = [&](const std::string& profile, int line, const std::string& words, int beforeLine,
                      const std::string& beforeWords) {
    return outputHasLines("WARNING - The profile " + profile + " of the cross-section that begins at line " +
                          std::to_string(line) + " (stream S, " + words + ") replaces the one of the cross-section " +
                          "that begins at line " + std::to_string(beforeLine) + " (stream S, " + beforeWords + ").");
  };
  processAt(10, "R", "100");
  processAt(20, "R", "200");
  EXPECT_FALSE(outputHas("WARNING - The profile"));
  processAt(30, "R", "100");
  EXPECT_TRUE(replaced("S_R_100.csv", 30, "reach R, station 100", 10, "reach R, station 100"));

  std::filesystem::create_hard_link(dir_ / "S_R_200.csv", dir_ / "S_R_300.csv");
  clearOutput();
  processAt(40, "R", "300");
  EXPECT_TRUE(replaced("S_R_300.csv", 40, "reach R, station 300", 20, "reach R, station 200"));

  clearOutput();
  processAt(50, "r", "100");
#ifdef _WIN32
  EXPECT_TRUE(replaced("S_r_100.csv", 50, "reach r, station 100", 30, "reach R, station 100"));
#else
  EXPECT_FALSE(outputHas("WARNING - The profile"));  // two files here
  std::filesystem::create_symlink("S_R_100.csv", dir_ / "S_R_400.csv");
  processAt(60, "R", "400");
  EXPECT_TRUE(replaced("S_R_400.csv", 60, "reach R, station 400", 30, "reach R, station 100"));
#endif
}

TEST_F(SdfSectionsTest, StationThatIsNoNumberEndsTheRunWithTheLayersComplete) {
  surfaceAlongX({{0, 1}, {1, 2}});
  process();
  clearOutput();
  xs.stationText = fixed::fit("abc", kTextLength);
  EXPECT_EQ(expectRunEnd([&] { process(); }), 1);
  EXPECT_EQ(output().substr(0, 46), "\nERROR - converting station to numeric field\n\n");
  // The points written before the stop are counted in the headers: 50 + 2 x 14 words, 2 records.
  const std::string shp = readFile(dir_ / "t_surf_pts_P.shp");
  const std::string dbf = readFile(dir_ / "t_surf_pts_P.dbf");
  ASSERT_EQ(shp.size(), 156u);
  EXPECT_EQ(shp.substr(24, 4), std::string("\0\0\0\x4e", 4));
  EXPECT_EQ(dbf.substr(4, 4), std::string("\x02\0\0\0", 4));
  EXPECT_EQ(dbf.back(), '\x1a');
}

TEST_F(SdfSectionsTest, SectionWithoutSurfaceLineWritesOnlyItsWarning) {
  xs.hasCutLine = true;
  xs.cutCount = 2;
  process();
  EXPECT_EQ(output(),
            "\nWarning - No surface line for section in sdf, unable to export .csv format section.\n"
            "SR100\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "S_R_100.csv"));
}

// --- Manning's n per point ------------------------------------------------------------------

TEST_F(SdfSectionsTest, PointExactlyAtAChangeTakesTheNewValue) {
  surfaceAlongX({{0, 1}, {4, 2}, {5, 3}, {10, 4}});
  nValues({{0.0f, 0.03f}, {0.5f, 0.05f}});
  process();
  EXPECT_EQ(csv(),
            "\"X\",\"Z\",\"N\"\n"
            "       0.000,      1.0000,  0.0300\n"
            "       4.000,      2.0000,  0.0300\n"
            "       5.000,      3.0000,  0.0500\n"
            "      10.000,      4.0000,  0.0500\n");
}

TEST_F(SdfSectionsTest, EachPointTakesTheNOfTheZoneItLiesIn) {
  surfaceAlongX({{0, 1}, {1, 1}, {8, 1}, {9, 1}, {10, 1}});
  // The zones from 2, 3 and 4 lie between the points at 1 and 8: no point takes their n.
  nValues({{0.0f, 0.01f}, {0.2f, 0.02f}, {0.3f, 0.03f}, {0.4f, 0.04f}, {0.7f, 0.07f}, {0.85f, 0.085f}});
  process();
  const float expected[] = {0.01f, 0.01f, 0.07f, 0.085f, 0.085f};
  for (int i = 1; i <= 5; ++i) EXPECT_FLOAT_EQ(gSdfWork.pointMannings[i], expected[i - 1]) << i;
  // Out of order, the zones are the same: of two change points at one position the later counts,
  // and a point before every change point takes the first by position.
  nValues({{0.85f, 0.085f}, {0.7f, 0.07f}, {0.4f, 0.04f}, {0.1f, 0.01f}, {0.7f, 0.075f}});
  process();
  const float unordered[] = {0.01f, 0.01f, 0.075f, 0.085f, 0.085f};
  for (int i = 1; i <= 5; ++i) EXPECT_FLOAT_EQ(gSdfWork.pointMannings[i], unordered[i - 1]) << i;
}

TEST_F(SdfSectionsTest, SectionWithoutNValuesGetsZeroNotTheValuesOfAnEarlierSection) {
  surfaceAlongX({{0, 1}, {10, 1}});
  nValues({{0.0f, 0.07f}});
  process();
  EXPECT_FLOAT_EQ(gSdfWork.pointMannings[2], 0.07f);
  xs.hasNValues = false;
  process();
  EXPECT_FLOAT_EQ(gSdfWork.pointMannings[1], 0.0f);
  EXPECT_FLOAT_EQ(gSdfWork.pointMannings[2], 0.0f);
  EXPECT_EQ(csv().substr(0, 8), "\"X\",\"Z\"\n");
}

// --- Levee markers: placing and trimming ----------------------------------------------------

TEST_F(SdfSectionsTest, OneMarkerKeepsTheSideThatHoldsTheLowestPoint) {
  surfaceAlongX({{0, 9}, {2, 1}, {5, 5}, {8, 7}, {10, 9}});
  levees({0.5f});
  process();
  EXPECT_EQ(kept(), (std::vector<int>{1, 2, 3}));  // a point exactly at the marker stays

  surfaceAlongX({{0, 9}, {2, 8}, {5, 5}, {8, 1}, {10, 9}});
  process();
  EXPECT_EQ(kept(), (std::vector<int>{3, 4, 5}));
  // The chainage stays measured from the first point of the whole section.
  EXPECT_EQ(csv(),
            "\"X\",\"Z\"\n"
            "       5.000,      5.0000\n"
            "       8.000,      1.0000\n"
            "      10.000,      9.0000\n");
}

TEST_F(SdfSectionsTest, TwoMarkersKeepThePointsBetweenThem) {
  surfaceAlongX({{0, 9}, {2, 8}, {5, 1}, {8, 7}, {10, 9}});
  levees({0.2f, 0.8f});
  process();
  EXPECT_EQ(kept(), (std::vector<int>{2, 3, 4}));
  EXPECT_FALSE(outputHas("Error here."));
}

TEST_F(SdfSectionsTest, TwoMarkersRightToLeftTrimEverything) {
  surfaceAlongX({{0, 9}, {5, 1}, {10, 9}});
  levees({0.8f, 0.2f});
  process();
  EXPECT_TRUE(kept().empty());
  EXPECT_EQ(csv(), "\"X\",\"Z\"\n");
  EXPECT_TRUE(outputHas("\nError here.\n"));
}

TEST_F(SdfSectionsTest, ThreeMarkersKeepThePairAroundTheLowestPoint) {
  surfaceAlongX({{0, 9}, {2, 8}, {4, 7}, {6, 1}, {8, 7}, {10, 9}});
  levees({0.1f, 0.3f, 0.7f, 0.9f});
  process();
  EXPECT_EQ(kept(), (std::vector<int>{3, 4}));
  EXPECT_TRUE(outputHas("\nWARNING - More than 2 levee markers found.\n"));
  EXPECT_FALSE(outputHas("Determing"));
}

TEST_F(SdfSectionsTest, ThreeMarkersThatBracketNothingLeaveTheSectionWhole) {
  surfaceAlongX({{0, 1}, {5, 5}, {10, 9}});  // lowest point at chainage 0, left of every marker
  levees({0.2f, 0.5f, 0.8f});
  process();
  EXPECT_EQ(kept().size(), 3u);
  EXPECT_TRUE(outputHas("\nWARNING - More than 2 levee markers found.\n\nERROR - Determing which two levee "
                        "markes to use.\n"));
}

TEST_F(SdfSectionsTest, NoMarkersLeaveTheSectionWholeWithoutWarnings) {
  surfaceAlongX({{0, 9}, {5, 1}, {10, 9}});
  levees({});
  process();
  EXPECT_EQ(kept().size(), 3u);
  EXPECT_FALSE(outputHas("WARNING"));
  EXPECT_FALSE(outputHas("ERROR"));
}

TEST_F(SdfSectionsTest, EqualLowestElevationsChooseTheFirstPoint) {
  surfaceAlongX({{0, 9}, {2, 1}, {5, 5}, {8, 1}, {10, 9}});
  levees({0.5f});
  process();
  EXPECT_EQ(kept(), (std::vector<int>{1, 2, 3}));
}

TEST_F(SdfSectionsTest, MarkersArePlacedAndKeepTheirOwnElevationOrTakeTheSurfaceOne) {
  surface({{100.0, 50.0, 10.0f}, {104.0, 53.0, 20.0f}, {108.0, 56.0, 30.0f}});  // length 10
  levees({0.25f, 0.0f, 1.5f, 0.25f, 0.25f}, {std::nullopt, std::nullopt, std::nullopt, 105.3f, 9999.0f});
  process();
  EXPECT_DOUBLE_EQ(gSdfWork.leveeX[1], 102.0);
  EXPECT_DOUBLE_EQ(gSdfWork.leveeY[1], 51.5);
  EXPECT_FLOAT_EQ(gSdfWork.leveeZ[1], 15.0f);  // no height of its own: the surface's there
  EXPECT_DOUBLE_EQ(gSdfWork.leveeX[4], 102.0);  // a crest above the ground keeps its own height
  EXPECT_FLOAT_EQ(gSdfWork.leveeZ[4], 105.3f);
  EXPECT_FLOAT_EQ(gSdfWork.leveeZ[5], 9999.0f);  // a height the line gave, though it reads like none
  EXPECT_DOUBLE_EQ(gSdfWork.leveeX[2], 100.0);  // fraction 0: the first point
  EXPECT_FLOAT_EQ(gSdfWork.leveeZ[2], 10.0f);
  EXPECT_DOUBLE_EQ(gSdfWork.leveeX[3], 108.0);  // beyond the end: the last point
  EXPECT_FLOAT_EQ(gSdfWork.leveeZ[3], 30.0f);
}

TEST_F(SdfSectionsTest, WithoutLeveeFlagTheSectionIsNeverTrimmed) {
  surfaceAlongX({{0, 9}, {5, 1}, {10, 9}});
  levees({0.4f, 0.6f});
  xs.hasLevees = false;  // what -notrim leaves
  process();
  EXPECT_EQ(kept().size(), 3u);
}

TEST_F(SdfSectionsTest, ASurfaceLineWithoutPointsIsHandledAsNoSurfaceLine) {
  xs.hasSurfaceLine = true;
  xs.surfCount = 0;
  process();
  EXPECT_TRUE(outputHas("Warning - No surface line for section"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "S_R_100.csv"));
}

TEST_F(SdfSectionsTest, CsvNumbersTooWideForTheirFieldsAreWrittenInFull) {
  surfaceAlongX({{0, -1234567.5f}, {1, 1.0f}});
  nValues({{0.0f, 1000.0f}});
  process();
  EXPECT_EQ(csv(), "\"X\",\"Z\",\"N\"\n       0.000,-1234567.5000,1000.0000\n       1.000,      1.0000,1000.0000\n");
}

}  // namespace
