// File names and paths: taking names apart with either separator, joining and tidying them.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "tests/test_support.hpp"
#include "utility/fixed_text.hpp"
#include "utility/paths.hpp"

namespace {

std::string T(const std::string& s) { return fixed::trimmed(s); }

// Each folder and file, and the name ADDFOLDER joins them into.
struct Join {
  std::string folder, file, joined;
};
void expectJoins(std::initializer_list<Join> joins) {
  for (const Join& j : joins) EXPECT_EQ(T(ADDFOLDER(j.folder, j.file)), j.joined) << j.folder << " + " << j.file;
}

}  // namespace

TEST(PathParts, ExtensionComesWithItsDotAndOnlyFromTheLastName) {
  expectGives(FILEEXT, {{"C:\\Data\\River.SHP", ".shp"},
                        {"/data/River.SHP   ", ".shp"},
                        {"C:\\old.maps\\river", ""},
                        {"old.maps/river", ""},
                        {".mif", ".mif"},
                        {"river", ""},
                        {"a.tar.GZ", ".gz"}});
  EXPECT_EQ(T(FILEEXTKC("a.MIF")), ".MIF");
}

TEST(PathParts, BareName) {
  expectGives(FILENAME, {{"C:\\Data\\river.sdf", "river"},
                         {"C:/Data/river.sdf", "river"},
                         {"river", "river"},
                         {".sdf", ""},
                         {"C:\\Data\\.sdf", ".sdf"},
                         {"C:\\old.maps\\river", "river"},
                         {"C:\\Data\\", ""}});
}

TEST(PathParts, FolderNamePathAndNameWithExtension) {
  expectGives(FILENAMEPATH, {{"C:\\Data\\river.sdf", "C:\\Data\\river"},
                             {"C:\\old.maps\\river", "C:\\old.maps\\river"},
                             {".sdf", ".sdf"}});
  expectGives(FILEFOLDERPATH, {{"C:\\Data\\river.sdf", "C:\\Data\\"},
                               {"C:\\Data/sub/river.sdf", "C:\\Data/sub/"},
                               {"river.sdf", ""}});
  expectGives(FILENAMEEXT, {{"C:\\Data\\river.sdf", "river.sdf"},
                            {"a/b\\river.sdf", "river.sdf"},
                            {"river.sdf", "river.sdf"}});
}

TEST(PathParts, UnderscoreSuffixes) {
  const std::string n = "C:\\Data\\1d_xs_river.shp";
  EXPECT_EQ(T(FILENAMENO_(n)), "1d_xs");
  EXPECT_EQ(T(FILENAMEPATHNO_(n)), "C:\\Data\\1d_xs");
  expectGives(FILE___EXT, {{n, "_river"},
                           {"C:\\Data\\1d_xs_RIVER.shp", "_river"},
                           {"C:\\Data\\river.shp", ""}});
  expectGives(FILENAMENO_, {{"C:\\Data\\river.shp", "river"},
                            {"_river.shp", ""}});
  // An underscore in a folder is not a suffix of the name.
  expectGives(FILENAMEPATHNO_, {{"C:\\my_data\\river.shp", "C:\\my_data\\river"},
                                {"_river.shp", "_river"}});
}

TEST(PathJoin, FolderAndFileJoin) {
  expectJoins({
      // With one separator between them.
      {"C:\\Data", "Header.prj", "C:\\Data\\Header.prj"},
      {"C:\\Data\\", "Header.prj", "C:\\Data\\Header.prj"},
      {"/data/", "  Header.prj  ", "/data/Header.prj"},
      {"  C:\\Data  ", "Header.prj", "C:\\Data\\Header.prj"},
      // A complete file name, or parts missing.
      {"C:\\Data", "D:\\x.prj", "D:\\x.prj"},
      {"C:\\Data", "\\\\server\\x.prj", "\\\\server\\x.prj"},
      {"   ", "   ", "."},
      {"  C:\\Data", "", "C:\\Data"},
      {"", "  x.prj", "x.prj"},
      // Parent and current folder references resolve.
      {"C:\\a\\b", "..\\c.prj", "C:\\a\\c.prj"},
      {"C:\\a\\b\\c", "..\\..\\d.prj", "C:\\a\\d.prj"},
      {"C:\\a", ".\\c.prj", "C:\\a\\c.prj"},
      {"C:\\a\\\\b", "c.prj", "C:\\a\\b\\c.prj"}});
}

TEST(PathTidy, RemoveDotDot) {
  expectGives(REMOVEDOTDOT, {{"..\\..\\a\\..\\b", "..\\..\\b"},
                             {"\\\\server\\share\\x", "\\\\server\\share\\x"},
                             {"  a\\b\\..\\c", "a\\c"},
                             {"a\\..\\b", "b"},
                             {"a\\.\\.\\b", "a\\b"}});
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
