#include "installed_files.h"

#include <gtest/gtest.h>

namespace saver {
namespace {

using Names = std::vector<std::string>;

TEST(InstalledFiles, NamesThatStayInTheSaverFolder) {
  const struct {
    std::string_view name;
    bool listable;
  } cases[] = {
      {"saver.dat", true},
      {"installer.BMP", true},
      {"movies\\intro.scf", true},
      {"movies/intro.scf", true},
      {"v1..2.scf", true},
      {"\xC4gypten.scf", true},
      {"", false},
      {".", false},
      {"..", false},
      {". .", false},
      {"..\\thesis.doc", false},
      {"movies\\..\\..\\x", false},
      {"\\windows\\win.ini", false},
      {"C:\\x.dat", false},
      {"C:x.dat", false},
      {"x.dat:stream", false},
      {"movies\\", false},
      {"a\\\\b", false},
      {"a*b", false},
      {"a\tb", false},
      {std::string_view("a\0b", 3), false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsListableName(c.name), c.listable) << c.name;
  EXPECT_FALSE(IsListableName(std::string(260, 'a')));
}

TEST(InstalledFiles, ComparesNamesAsWindowsDoes) {
  EXPECT_TRUE(SameFileName("Saver.DAT", "saver.dat"));
  EXPECT_TRUE(SameFileName("movies/a.scf", "MOVIES\\A.SCF"));
  EXPECT_TRUE(SameFileName("\xC4gypten", "\xE4GYPTEN"));
  EXPECT_TRUE(SameFileName("\x8A", "\x9A"));
  EXPECT_FALSE(SameFileName("\xD7", "\xF7"));
  EXPECT_FALSE(SameFileName("saver.dat", "saver.da"));
}

TEST(InstalledFiles, TheWrittenListReadsBack) {
  const Names names = {"saver.dat", "installer.BMP", "movies\\intro.scf", "\xC4gypten.scf"};
  const std::string bytes = FormatInstalledList(names);
  EXPECT_EQ(bytes,
            "[installed files 1]\r\nsaver.dat\r\ninstaller.BMP\r\nmovies\\intro.scf\r\n"
            "\xC4gypten.scf\r\n");
  EXPECT_EQ(ParseInstalledList(bytes), names);
  EXPECT_EQ(ParseInstalledList(FormatInstalledList({})), Names{});
}

TEST(InstalledFiles, TheWriterDropsRepeatsUnsafeNamesAndItself) {
  EXPECT_EQ(FormatInstalledList({"a.scf", "A.SCF", "..\\x", "installed files.lst", "b"}),
            "[installed files 1]\r\na.scf\r\nb\r\n");
}

TEST(InstalledFiles, TheReaderTakesOnlySafeNamesAfterTheMarker) {
  EXPECT_EQ(ParseInstalledList("[installed files 1]\nsaver.dat\n\n..\\..\\boot.ini\r\n"
                               "C:\\thesis.doc\r\nInstalled Files.LST\r\nb.scf"),
            (Names{"saver.dat", "b.scf"}));
  for (std::string_view bytes : {std::string_view(""), std::string_view("saver.dat\r\n"),
                                 std::string_view("[installed files 2]\r\nsaver.dat"),
                                 std::string_view(" [installed files 1]\r\nsaver.dat"),
                                 std::string_view("\xEF\xBB\xBF[installed files 1]\r\nx")}) {
    EXPECT_EQ(ParseInstalledList(bytes), std::nullopt) << bytes;
  }
}

TEST(InstalledFiles, NamesBelowTheSaverFolder) {
  const std::string folder = "C:\\WINDOWS\\Aqua dir\\";
  EXPECT_EQ(NameInFolder(folder, "C:\\WINDOWS\\Aqua dir\\saver.dat"), "saver.dat");
  EXPECT_EQ(NameInFolder(folder, "c:\\windows\\AQUA DIR\\m\\a.scf"), "m\\a.scf");
  EXPECT_EQ(NameInFolder(folder, "C:\\WINDOWS\\Aqua dir\\"), std::nullopt);
  EXPECT_EQ(NameInFolder(folder, "C:\\WINDOWS\\Aqua.scr"), std::nullopt);
  EXPECT_EQ(NameInFolder(folder, "C:\\WINDOWS\\Aqua dir2\\x"), std::nullopt);
  EXPECT_EQ(NameInFolder("", "x"), std::nullopt);
}

}  // namespace
}  // namespace saver
