// One layer's whole life as a caller sees it: opening, header, objects with their records and the
// close, checked on the console transcript (units, their reuse, the order of the closes) and on
// the finished files.
#include <cstdlib>
#include <string>

#include "gis/gis_layers.hpp"
#include "tests/gis_test_support.hpp"
#include "tests/test_support.hpp"
#include "utility/files.hpp"
#include "utility/fixed_text.hpp"

namespace {

const std::string kPrj =
    "PROJCS[\"NAD_1983_UTM_Zone_4N\",GEOGCS[\"GCS_North_American_1983\",DATUM[\"D_North_American_1983\","
    "SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-159.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],"
    "UNIT[\"Meter\",1.0]]";

class LayerLifeTest : public FileUnitsTest {
 protected:
  void SetUp() override {
    FileUnitsTest::SetUp();
    defineAttributes({{"Name", "Char", 6}, {"Level", "Float"}});
    setOutputProjection(kPrj, "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)");
  }

  void point(int id, double x, double y, const std::string& record) {
    writeShape(id, &GisObject::isPoint, {{x, y}}, record);
  }

  void line(int id, const std::string& record) {
    writeShape(id, &GisObject::isPline, {{10, 5}, {20, 0}, {30, 5}}, record);
  }
};

TEST_F(LayerLifeTest, ShapefileLayerWithAMifLayerOpenedMeanwhile) {
  int shp = openOutputLayer("life.shp", "PL");
  point(shp, 100.0, 200.0, "\"well\",1.25");
  line(shp, "\"creek\",-3");
  point(shp, 150.0, 250.0, "\"pump\",2");
  // The units given back by the header writer (.prj and .shx little-endian views) are reused.
  int mif = openOutputLayer("life.mif", " ");
  point(mif, 1.0, 2.0, "\"m\",0");
  gisCloseLayer(shp);
  gisCloseLayer(mif);

  EXPECT_EQ(output(),
            "Opening GIS Layer: life.shp\n"
            "GIS Layer assigned ID of 1\n"
            "\nTrying to open file life_P.shp...OK.  File Unit:1001\n"
            "\nTrying to open file life_P.shp...OK.  File Unit:1002\n"
            "\nTrying to open file life_P.shx...OK.  File Unit:1003\n"
            "\nTrying to open file life_P.shx...OK.  File Unit:1004\n"
            "\nTrying to open file life_P.prj...OK.  File Unit:1005\n"
            "\nTrying to open file life_P.dbf...OK.  File Unit:1006\n"
            "\nTrying to open file life_L.shp...OK.  File Unit:1007\n"
            "\nTrying to open file life_L.shp...OK.  File Unit:1008\n"
            "\nTrying to open file life_L.shx...OK.  File Unit:1009\n"
            "\nTrying to open file life_L.shx...OK.  File Unit:1010\n"
            "\nTrying to open file life_L.prj...OK.  File Unit:1011\n"
            "\nTrying to open file life_L.dbf...OK.  File Unit:1012\n"
            // gisWriteHeader: per sub-layer the .prj, then the .shx little-endian view.
            "...Closed File Unit:1005\n"
            "...Closed File Unit:1003\n"
            "...Closed File Unit:1011\n"
            "...Closed File Unit:1009\n"
            "Opening GIS Layer: life.mif\n"
            "GIS Layer assigned ID of 2\n"
            "\nTrying to open file life.mif...OK.  File Unit:1003\n"
            "\nTrying to open file life.mid...OK.  File Unit:1005\n"
            "\nClosing GIS Layer 1 [life.shp]...\n"
            // The patch: per sub-layer the .dbf, then both .shp views and the .shx.
            "...Closed File Unit:1006\n"
            "...Closed File Unit:1001\n"
            "...Closed File Unit:1002\n"
            "...Closed File Unit:1004\n"
            "...Closed File Unit:1012\n"
            "...Closed File Unit:1007\n"
            "...Closed File Unit:1008\n"
            "...Closed File Unit:1010\n"
            "\nClosing GIS Layer 2 [life.mif]...\n"
            "...Closed File Unit:1003\n"
            "...Closed File Unit:1005\n");

  expectShapefileReadable("life_P");
  expectShapefileReadable("life_L");
  expectCheckerAccepts("gdalcheck.py", "life.mif");
  EXPECT_EQ(readFile(dir_ / "life_P.prj"), kPrj + "\n");
  EXPECT_EQ(readFile(dir_ / "life.mid"), "\"m\",0\n");
  const std::string dbf = readFile(dir_ / "life_P.dbf");
  // Flag byte, Name in 6 columns, Level right-aligned in 16; then the end mark.
  const std::string records = " well  " + std::string(12, ' ') + "1.25" + " pump  " + std::string(15, ' ') + "2\x1a";
  ASSERT_GE(dbf.size(), records.size());
  EXPECT_EQ(dbf.substr(dbf.size() - records.size()), records);
}

TEST_F(LayerLifeTest, MifLayerFromOpenToClose) {
  int id = openOutputLayer("river.mif", " ");
  line(id, "\"main\",12.5");
  point(id, 3.5, 4.0, "\"gauge\",0");
  GisObject none = newObject(&GisObject::isNone);
  writeObjectAndRecord(id, none, "\"nothing\",0");
  gisCloseLayer(id);
  EXPECT_EQ(id, 0);

  EXPECT_EQ(output(),
            "Opening GIS Layer: river.mif\n"
            "GIS Layer assigned ID of 1\n"
            "\nTrying to open file river.mif...OK.  File Unit:1001\n"
            "\nTrying to open file river.mid...OK.  File Unit:1002\n"
            "\nClosing GIS Layer 1 [river.mif]...\n"
            "...Closed File Unit:1001\n"
            "...Closed File Unit:1002\n");
  EXPECT_EQ(readFile(dir_ / "river.mif"),
            "Version 300\n"
            "Charset \"WindowsLatin1\"\n"
            "Delimiter \",\"\n"
            "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)\n"
            "Columns 2\n"
            "  Name Char(6)\n"
            "  Level Float\n"
            "Data\n"
            "\n"
            "Pline 3\n"
            "       10.000000        5.000000\n"
            "       20.000000        0.000000\n"
            "       30.000000        5.000000\n"
            "Point         3.500000        4.000000\n"
            "none\n");
  EXPECT_EQ(readFile(dir_ / "river.mid"), "\"main\",12.5\n\"gauge\",0\n\"nothing\",0\n");
  expectCheckerAccepts("gdalcheck.py", "--allow-null river.mif");
}

// After the close the slot is free again, and a later layer of the same name starts afresh.
TEST_F(LayerLifeTest, ReopenedLayerReplacesTheEarlierFiles) {
  for (int pass = 0; pass < 2; ++pass) {
    int id = gisOpenLayer("again.shp", "P", "O ", false);
    EXPECT_EQ(id, 1);
    gisWriteHeader(id);
    point(id, 1.0 + pass, 1.0, "\"a\",1");
    if (pass == 0) point(id, 5.0, 5.0, "\"b\",2");
    gisCloseLayer(id);
  }
  EXPECT_EQ(readFile(dir_ / "again_P.shp").size(), 128u);
  EXPECT_EQ(readFile(dir_ / "again_P.shx").size(), 108u);
  expectShapefileReadable("again_P");
}

}  // namespace
