#include "saver_paths.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

TEST(SaverPaths, TheTitleIsTheEnginesLongBaseName) {
  EXPECT_EQ(TitleFromEnginePath("C:\\WINDOWS\\Aqua Deep.scr"), "Aqua Deep");
  EXPECT_EQ(TitleFromEnginePath("C:/windows/v1.2.scr"), "v1.2");
  EXPECT_EQ(TitleFromEnginePath("C:\\windows\\noext"), "noext");
  EXPECT_EQ(TitleFromEnginePath("C:\\a.b\\plain"), "plain");
}

TEST(SaverPaths, FoldersAndKeysOfAnInstallation) {
  EXPECT_EQ(SaverFolder("C:\\WINDOWS\\", "Aqua"), "C:\\WINDOWS\\Aqua dir\\");
  EXPECT_EQ(SaverFolder("C:\\WINDOWS", "Aqua"), "C:\\WINDOWS\\Aqua dir\\");
  // The installer's rule (saver_folder_name.h), whose table is tested there.
  EXPECT_EQ(SaverFolder("C:\\WINDOWS\\", "."), "C:\\WINDOWS\\_ dir\\");
  EXPECT_EQ(SaverFolder("C:\\WINDOWS\\", ".."), "C:\\WINDOWS\\__ dir\\");
  EXPECT_EQ(TitleFromEnginePath("C:\\WINDOWS\\..scr"), ".");
  EXPECT_EQ(TitleFromEnginePath("C:\\WINDOWS\\...scr"), "..");
  EXPECT_EQ(WithoutTrailingSeparator("C:\\a dir\\\\"), "C:\\a dir");
  EXPECT_EQ(WithoutTrailingSeparator("\\"), "\\");
  EXPECT_EQ(InstalledEnginePath("C:\\WINDOWS", "Aqua Deep"), "C:\\WINDOWS\\Aqua Deep.scr");
  EXPECT_EQ(SettingsPath("C:\\WINDOWS\\Aqua dir\\"), "C:\\WINDOWS\\Aqua dir\\saver.dat");
  EXPECT_EQ(UninstallKeyPath("Aqua"),
            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Aqua");
  EXPECT_EQ(UninstallKeyPath(""), "");
  EXPECT_EQ(WithTrailingSeparator(""), "");
  EXPECT_EQ(WithTrailingSeparator("C:\\x\\\\"), "C:\\x\\");
}

TEST(SaverPaths, ComparesPathsTheWayWindowsDoes) {
  EXPECT_TRUE(SamePath("C:\\WINDOWS\\AQUA~FGL.SCR", "c:/windows/aqua~fgl.scr"));
  EXPECT_TRUE(SamePath(" \"C:\\Windows\\Aqua.scr\" ", "C:\\WINDOWS\\AQUA.SCR"));
  EXPECT_FALSE(SamePath("C:\\WINDOWS\\Aqua.scr", "C:\\WINDOWS\\Aqua.scr2"));
  EXPECT_FALSE(SamePath("C:\\WINDOWS\\Aqua.scr", "D:\\WINDOWS\\Aqua.scr"));
  EXPECT_FALSE(SamePath("", ""));
  const std::vector<std::string> forms = {"C:\\windows\\Aqua Deep.scr",
                                          "C:\\windows\\AQUADE~1.SCR"};
  EXPECT_TRUE(NamesEngine("C:\\WINDOWS\\AQUADE~1.SCR", forms));
  EXPECT_FALSE(NamesEngine("C:\\WINDOWS\\other.scr", forms));
  EXPECT_FALSE(NamesEngine("", forms));
}

TEST(SaverPaths, TheRemoverLivesInTheTemporaryFolder) {
  EXPECT_EQ(RemoverPath("C:\\temp", "Aqua"), "C:\\temp\\Aqua uninstall.exe");
  EXPECT_EQ(RemoverCommandLine("C:\\temp\\Aqua uninstall.exe", 12, "C:\\windows\\Aqua.scr"),
            "\"C:\\temp\\Aqua uninstall.exe\" /remove-engine 12 C:\\windows\\Aqua.scr");
}

}  // namespace
}  // namespace engine
