// The registration steps one by one on the in-memory Windows.
#include "form_fixture.h"
#include "step_codes.h"

namespace {

using fake::PackageImage;
using fake::TextBytes;

constexpr char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kPanelCommand[] = "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1";

class RegistrationTest : public fake::FormTest {
 protected:
  void Prepare(PackageImage image) {
    Install(image);
    PrepareThroughSaverFolder();
  }
  int Count(const std::string& event) const {
    return static_cast<int>(std::count(view.events.begin(), view.events.end(), event));
  }
};

// Windows passes the command line unchanged: a path with blanks is quoted so
// that a title such as "Joe -s Show" cannot hand the engine another switch.
TEST_F(RegistrationTest, UninstallStringComesFromTheTitleQuotedOnlyWithBlanks) {
  const std::pair<std::string, std::string> cases[] = {
      {"Blue Sea", "\"C:\\WINDOWS\\Blue Sea.scr\" /u"},
      {"Joe -s Show", "\"C:\\WINDOWS\\Joe -s Show.scr\" /u"},
      {"Aqua", "C:\\WINDOWS\\Aqua.scr /u"},
  };
  for (const auto& [title, command] : cases) {
    app::TInstallerForm other(fs, view);
    fs.AddFile(fs.modulePath,
               PackageImage::Complete(title)
                   .Slot(6, {"engine.scr", saver::kTypeWindowsFolder, TextBytes("MZ")})
                   .Build());
    other.PrepareWorkingFolders();
    ASSERT_EQ(other.MakeWorkingCopy(), 0);
    ASSERT_EQ(other.ReadPackageTable(), 0);
    other.PrepareSaverFolder();
    ASSERT_EQ(other.WriteUninstallKey(), 0) << title;
    const std::string key = std::string(kUninstall) + "\\" + title;
    EXPECT_EQ(fs.Value(key, "UninstallString"), command);
    EXPECT_EQ(fs.Value(key, "DisplayName"), title + " Screen Saver");
  }
}

TEST_F(RegistrationTest, EmptyTitleNeitherWritesNorDeletesTheUninstallKeyItself) {
  fs.AddValue(kUninstall, "Other", "kept");
  Prepare(PackageImage::Complete(""));
  EXPECT_EQ(form.WriteUninstallKey(), 0);
  form.RemoveUninstallKey();
  EXPECT_EQ(fs.Value(kUninstall, "Other"), "kept");
  EXPECT_EQ(fs.Value(kUninstall, "DisplayName"), "");
  EXPECT_EQ(fs.Value(kUninstall, "UninstallString"), "");
}

TEST_F(RegistrationTest, RemovingAMissingUninstallKeyChangesNothing) {
  fs.AddValue(kUninstall, "Other", "kept");
  Prepare(PackageImage::Complete());
  const auto before = fs.registry;
  form.RemoveUninstallKey();
  EXPECT_EQ(fs.registry.size(), before.size());
  EXPECT_EQ(fs.Value(kUninstall, "Other"), "kept");
}

TEST_F(RegistrationTest, RemovingTheKeyTakesItsSubkeysButNotItsSiblings) {
  Prepare(PackageImage::Complete());
  fs.AddValue(std::string(kUninstall) + "\\Aqua\\Sub", "x", "1");
  fs.AddValue(std::string(kUninstall) + "\\Aqua Two", "x", "1");
  form.RemoveUninstallKey();
  EXPECT_FALSE(fs.HasKey(std::string(kUninstall) + "\\Aqua"));
  EXPECT_FALSE(fs.HasKey(std::string(kUninstall) + "\\Aqua\\Sub"));
  EXPECT_TRUE(fs.HasKey(std::string(kUninstall) + "\\Aqua Two"));
}

TEST_F(RegistrationTest, SaverDatIsTheHeaderBlockAndAShortWriteLeavesNoFile) {
  Prepare(PackageImage::Complete());
  form.settingsBlock.fill(7);
  ASSERT_EQ(form.WriteSaverSettings(), 0);
  EXPECT_EQ(fs.FileData("C:\\WINDOWS\\Aqua dir\\saver.dat"), fake::Bytes(1240, 7));
  fs.shortWrite["C:\\WINDOWS\\AQUA DIR\\SAVER.DAT"] = 1000;
  EXPECT_EQ(form.WriteSaverSettings(), os::err::kShortWrite);
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\saver.dat"));
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(RegistrationTest, HeaderReadErrorIsReportedWithTheDataFilePath) {
  Prepare(PackageImage::Complete());
  fs.AddFile(form.dataFilePath, "x");
  fs.failRead["C:\\WINDOWS\\AQUA DIR\\AQUA.SSD"] = 30;
  EXPECT_EQ(form.ReadSaverDataHeader(), 30);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("Problem with file C:\\WINDOWS\\Aqua dir\\Aqua.ssd. "),
            std::string::npos);
}

TEST_F(RegistrationTest, DisplayPropertiesIsNotLaunchedUnlessAskedFor) {
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.LaunchDisplayProperties();
  EXPECT_TRUE(fs.startedPrograms.empty());
  EXPECT_TRUE(view.statusTexts.empty());
  EXPECT_EQ(Count("step"), 0);
}

TEST_F(RegistrationTest, DisplayPropertiesLaunchLooksForItsWindowAThousandTimes) {
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 1));
  form.LaunchDisplayProperties();
  ASSERT_EQ(fs.startedPrograms, std::vector<std::string>{kPanelCommand});
  EXPECT_EQ(fs.windowLookups, 1000);
  EXPECT_EQ(view.statusTexts, std::vector<std::string>{""});
  EXPECT_EQ(Count("front"), 1);
  EXPECT_EQ(Count("step"), 1);
}

TEST_F(RegistrationTest, DisplayPropertiesLookupStopsAtTheFirstHit) {
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 1));
  fs.onStartProgram = [this](const std::string&) { fs.openWindows.insert("Display Properties"); };
  form.LaunchDisplayProperties();
  EXPECT_EQ(fs.windowLookups, 1);
}

TEST_F(RegistrationTest, CloseDisplayPropertiesPressesCancelOnlyWhenTheWindowIsOpen) {
  Prepare(PackageImage::Complete());
  form.CloseDisplayProperties();
  EXPECT_TRUE(fs.windowClicks.empty());
  fs.openWindows.insert("Display Properties");
  fs.cancelClosesWindow.insert("Display Properties");
  form.CloseDisplayProperties();
  EXPECT_EQ(fs.windowClicks["Display Properties"], 1);
  EXPECT_TRUE(fs.openWindows.empty());
}

TEST_F(RegistrationTest, ReadMeIsNotOpenedUnlessAskedFor) {
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.OpenReadMe();
  EXPECT_TRUE(fs.shellCalls.empty());
}

TEST_F(RegistrationTest, ReadMeIsOpenedWithTheShellsDefaultActionShown) {
  Prepare(PackageImage::Complete()
              .Switches(0, 0, 1, 0)
              .Slot(5, {"Read Me.txt", saver::kTypeSaverFolder, TextBytes("hello")}));
  form.OpenReadMe();
  ASSERT_EQ(fs.shellCalls.size(), 1u);
  EXPECT_EQ(fs.shellCalls[0].file, "C:\\WINDOWS\\Aqua dir\\Read Me.txt");
  EXPECT_EQ(fs.shellCalls[0].parameters, "");
  EXPECT_FALSE(fs.shellCalls[0].hidden);
}

}  // namespace
