// File names and paths: taking names apart with either separator, joining and tidying them.
#include <gtest/gtest.h>

#include <string>

#include "utility/fixed_text.hpp"
#include "utility/paths.hpp"

namespace {

std::string T(const std::string& s) { return fixed::trimmed(s); }

}  // namespace

TEST(PathParts, ExtensionComesWithItsDotAndOnlyFromTheLastName) {
  EXPECT_EQ(T(FILEEXT("C:\\Data\\River.SHP")), ".shp");
  EXPECT_EQ(T(FILEEXT("/data/River.SHP   ")), ".shp");
  EXPECT_EQ(T(FILEEXT("C:\\old.maps\\river")), "");
  EXPECT_EQ(T(FILEEXT("old.maps/river")), "");
  EXPECT_EQ(T(FILEEXT(".mif")), ".mif");
  EXPECT_EQ(T(FILEEXT("river")), "");
  EXPECT_EQ(T(FILEEXT("a.tar.GZ")), ".gz");
  EXPECT_EQ(T(FILEEXTKC("a.MIF")), ".MIF");
}

TEST(PathParts, BareName) {
  EXPECT_EQ(T(FILENAME("C:\\Data\\river.sdf")), "river");
  EXPECT_EQ(T(FILENAME("C:/Data/river.sdf")), "river");
  EXPECT_EQ(T(FILENAME("river")), "river");
  EXPECT_EQ(T(FILENAME(".sdf")), "");
  EXPECT_EQ(T(FILENAME("C:\\Data\\.sdf")), ".sdf");
  EXPECT_EQ(T(FILENAME("C:\\old.maps\\river")), "river");
  EXPECT_EQ(T(FILENAME("C:\\Data\\")), "");
}

TEST(PathParts, FolderNamePathAndNameWithExtension) {
  EXPECT_EQ(T(FILENAMEPATH("C:\\Data\\river.sdf")), "C:\\Data\\river");
  EXPECT_EQ(T(FILENAMEPATH("C:\\old.maps\\river")), "C:\\old.maps\\river");
  EXPECT_EQ(T(FILENAMEPATH(".sdf")), ".sdf");
  EXPECT_EQ(T(FILEFOLDERPATH("C:\\Data\\river.sdf")), "C:\\Data\\");
  EXPECT_EQ(T(FILEFOLDERPATH("C:\\Data/sub/river.sdf")), "C:\\Data/sub/");
  EXPECT_EQ(T(FILEFOLDERPATH("river.sdf")), "");
  EXPECT_EQ(T(FILENAMEEXT("C:\\Data\\river.sdf")), "river.sdf");
  EXPECT_EQ(T(FILENAMEEXT("a/b\\river.sdf")), "river.sdf");
  EXPECT_EQ(T(FILENAMEEXT("river.sdf")), "river.sdf");
}

TEST(PathParts, UnderscoreSuffixes) {
  const std::string n = "C:\\Data\\1d_xs_river.shp";
  EXPECT_EQ(T(FILENAMENO_(n)), "1d_xs");
  EXPECT_EQ(T(FILENAMEPATHNO_(n)), "C:\\Data\\1d_xs");
  EXPECT_EQ(T(FILE___EXT(n)), "_river");
  EXPECT_EQ(T(FILE___EXT("C:\\Data\\1d_xs_RIVER.shp")), "_river");
  EXPECT_EQ(T(FILE___EXT("C:\\Data\\river.shp")), "");
  EXPECT_EQ(T(FILENAMENO_("C:\\Data\\river.shp")), "river");
  EXPECT_EQ(T(FILENAMENO_("_river.shp")), "");
  // An underscore in a folder is not a suffix of the name.
  EXPECT_EQ(T(FILENAMEPATHNO_("C:\\my_data\\river.shp")), "C:\\my_data\\river");
  EXPECT_EQ(T(FILENAMEPATHNO_("_river.shp")), "_river");
}

TEST(PathJoin, FolderAndFileJoinWithOneSeparator) {
  EXPECT_EQ(T(ADDFOLDER("C:\\Data", "Header.prj")), "C:\\Data\\Header.prj");
  EXPECT_EQ(T(ADDFOLDER("C:\\Data\\", "Header.prj")), "C:\\Data\\Header.prj");
  EXPECT_EQ(T(ADDFOLDER("/data/", "  Header.prj  ")), "/data/Header.prj");
  EXPECT_EQ(T(ADDFOLDER("  C:\\Data  ", "Header.prj")), "C:\\Data\\Header.prj");
}

TEST(PathJoin, CompleteOrMissingParts) {
  EXPECT_EQ(T(ADDFOLDER("C:\\Data", "D:\\x.prj")), "D:\\x.prj");
  EXPECT_EQ(T(ADDFOLDER("C:\\Data", "\\\\server\\x.prj")), "\\\\server\\x.prj");
  EXPECT_EQ(T(ADDFOLDER("   ", "   ")), ".");
  EXPECT_EQ(T(ADDFOLDER("  C:\\Data", "")), "C:\\Data");
  EXPECT_EQ(T(ADDFOLDER("", "  x.prj")), "x.prj");
}

TEST(PathJoin, ParentAndCurrentFolderReferencesResolve) {
  EXPECT_EQ(T(ADDFOLDER("C:\\a\\b", "..\\c.prj")), "C:\\a\\c.prj");
  EXPECT_EQ(T(ADDFOLDER("C:\\a\\b\\c", "..\\..\\d.prj")), "C:\\a\\d.prj");
  EXPECT_EQ(T(ADDFOLDER("C:\\a", ".\\c.prj")), "C:\\a\\c.prj");
  EXPECT_EQ(T(ADDFOLDER("C:\\a\\\\b", "c.prj")), "C:\\a\\b\\c.prj");
}

TEST(PathTidy, RemoveDotDot) {
  EXPECT_EQ(T(REMOVEDOTDOT("..\\..\\a\\..\\b")), "..\\..\\b");
  EXPECT_EQ(T(REMOVEDOTDOT("\\\\server\\share\\x")), "\\\\server\\share\\x");
  EXPECT_EQ(T(REMOVEDOTDOT("  a\\b\\..\\c")), "a\\c");
  EXPECT_EQ(T(REMOVEDOTDOT("a\\..\\b")), "b");
  EXPECT_EQ(T(REMOVEDOTDOT("a\\.\\.\\b")), "a\\b");
  // Slashes are left to CLEANPATH.
  EXPECT_EQ(T(REMOVEDOTDOT("a/../b")), "a/../b");
  const std::string s = "  a\\..\\b";
  REMOVEDOTDOT(s);
  EXPECT_EQ(s, "  a\\..\\b");
}

TEST(PathTidy, CleanPathCollapsesDoubledSeparatorsInPlace) {
  std::string s = fixed::fit("  C:\\a\\\\b//c", 20);
  EXPECT_EQ(T(CLEANPATH(s)), "C:\\a\\b/c");
  EXPECT_EQ(s.size(), 20u);
  EXPECT_EQ(T(s), "C:\\a\\b/c");

  std::string net = "\\\\server\\share";
  EXPECT_EQ(T(CLEANPATH(net)), "\\\\server\\share");
  std::string mixed = "a\\/b";
  EXPECT_EQ(T(CLEANPATH(mixed)), "a\\/b");
  std::string many = "a////b";
  EXPECT_EQ(T(CLEANPATH(many)), "a/b");
}

TEST(PathTidy, DriveToFolder) {
  std::string net = "\\\\server\\share\\f.txt";
  EXPECT_FALSE(DRIVETOFOLDER(net));
  EXPECT_EQ(T(net), "URL\\server\\share\\f.txt");

  std::string drive = fixed::fit("  c:\\data", 9);
  EXPECT_FALSE(DRIVETOFOLDER(drive));
  EXPECT_EQ(T(drive), "C Drive\\data");  // the field grows rather than lose the end

  std::string plain = fixed::fit("data\\f.txt", 30);
  EXPECT_TRUE(DRIVETOFOLDER(plain));
  EXPECT_EQ(plain, fixed::fit("data\\f.txt", 30));

  std::string slashes = "//host/f";
  EXPECT_FALSE(DRIVETOFOLDER(slashes));
  EXPECT_EQ(T(slashes), "URL\\host/f");
}
