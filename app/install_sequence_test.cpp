// The install sequence from the Install button: order, rollback, outcome.
#include <algorithm>

#include "form_fixture.h"
#include "step_codes.h"

namespace {

using fake::Bytes;
using fake::PackageImage;
using fake::TextBytes;

constexpr char kEngine[] = "C:\\WINDOWS\\Aqua.scr";
constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Aqua";
constexpr char kDisplayProperties[] = "Display Properties";
constexpr char kFailureStatus[] =
    "Open the Display Control Panel  and select saver to complete installation.";

class InstallSequenceTest : public fake::FormTest {
 protected:
  void Prepare(PackageImage image) {
    Install(image);
    form.FormCreate();
    ASSERT_TRUE(view.boxes.empty()) << view.boxes.front().text;
  }
  std::string SystemIni() { return fs.IniText("system.ini"); }
};

TEST_F(InstallSequenceTest, CompletePackageRegistersTheScreensaverAndEnds) {
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.installBtnClick();
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(SystemIni(), "[boot]\r\nSCRNSAVE.EXE=" + fs.ShortPath(kEngine) + "\r\n");
  EXPECT_EQ(fs.screenSaverActivations, 1);
  EXPECT_EQ(fs.Value(kKey, "DisplayName"), "Aqua Screen Saver");
  EXPECT_EQ(fs.Value(kKey, "UninstallString"), "C:\\WINDOWS\\Aqua.scr /u");
  const Bytes& data = fake::SaverDataFile();
  EXPECT_EQ(fs.FileData("C:\\WINDOWS\\Aqua dir\\saver.dat"),
            Bytes(data.begin(), data.begin() + saver::kSaverDataHeaderSize));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\saver.ini"));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\Aqua.ssd"));
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(view.cursor, app::CursorKind::kDefault);
}

TEST_F(InstallSequenceTest, StatusShowsTheSaverDataTextWhileSaverDatIsWritten) {
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.installBtnClick();
  EXPECT_NE(std::find(view.statusTexts.begin(), view.statusTexts.end(), "Writing saver data file"),
            view.statusTexts.end());
  EXPECT_EQ(view.statusTexts.back(), "");
}

TEST_F(InstallSequenceTest, RefusedActivationKeepsTheEntryAndEndsAsASuccess) {
  fs.screenSaverActivation = false;
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.installBtnClick();
  EXPECT_NE(SystemIni().find("SCRNSAVE.EXE="), std::string::npos);
  EXPECT_TRUE(fs.HasKey(kKey));
  EXPECT_TRUE(fs.HasFile(kEngine));
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(InstallSequenceTest, FailedUninstallEntryAloneDisablesInstallAndRollsNothingBack) {
  fs.deniedKeys.insert("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.installBtnClick();
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(view.installEnabled);
  EXPECT_EQ(view.statusTexts.back(), kFailureStatus);
  EXPECT_TRUE(fs.HasFile(kEngine));
  EXPECT_NE(SystemIni().find("SCRNSAVE.EXE="), std::string::npos);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find(std::string("Problem with file HKEY_LOCAL_MACHINE\\") + kKey),
            std::string::npos);
}

// A data file too short for its header fails the sequence after the engine
// is in place: the engine goes, an earlier installation's entry stays.
class RollbackTest : public InstallSequenceTest {
 protected:
  void SetUp() override {
    fs.AddValue(kKey, "DisplayName", "Aqua Screen Saver");  // an earlier installation
    fs.openWindows.insert(kDisplayProperties);
    Prepare(PackageImage::Complete()
                .Switches(0, 0, 0, 0)
                .Slot(8, {"Aqua.ssd", saver::kTypeSaverData, TextBytes("short")}));
    form.installBtnClick();
  }
};

TEST_F(RollbackTest, ShortDataFileIsReportedWithItsPathAndShortReadCode) {
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("Problem with file C:\\WINDOWS\\Aqua dir\\Aqua.ssd. "),
            std::string::npos);
  EXPECT_EQ(view.statusTexts.back(), kFailureStatus);
  EXPECT_FALSE(view.installEnabled);
  EXPECT_FALSE(view.declineEnabled);
  EXPECT_FALSE(form.installBusy);
}

TEST_F(RollbackTest, EngineAndTheRunsFilesAreRemovedAndTheEarlierEntryStays) {
  EXPECT_FALSE(fs.HasFile(kEngine));
  EXPECT_EQ(fs.Value(kKey, "DisplayName"), "Aqua Screen Saver");
  EXPECT_TRUE(fs.HasKey("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\saver.ini"));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\Aqua.ssd"));
  EXPECT_EQ(SystemIni(), "");
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\impborl.dll"));  // the preparation's files stay
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\installer.scf"));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\extra.dat"));
  EXPECT_EQ(fs.FilesUnder("C:\\WINDOWS\\TEMP\\LMX temp").size(), 1u);  // no journal left
}

TEST_F(RollbackTest, DisplayPropertiesIsCancelledBeforeAndAfterTheSequence) {
  EXPECT_EQ(fs.windowClicks[kDisplayProperties], 2);
}

TEST_F(RollbackTest, WindowStillClosesAfterTheFailure) {
  view.CloseWindow();
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(fs.HasFile(form.workingCopy));
}

TEST_F(InstallSequenceTest, MissingEngineGivesMinus16AndLeavesSystemIniUntouched) {
  // An engine extracted into the saver folder is not where it is registered.
  Prepare(PackageImage::Complete()
              .Switches(0, 0, 0, 0)
              .Slot(6, {"Aqua.scr", saver::kTypeSaverFolder, TextBytes("MZ engine")}));
  EXPECT_EQ(form.RunInstall(), app::kErrFileMissing);
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\system.ini"));
  EXPECT_EQ(fs.screenSaverActivations, 0);
  EXPECT_FALSE(fs.HasKey(kKey));
}

TEST_F(InstallSequenceTest, RefusedSystemIniWriteIsReportedAndRolledBack) {
  Prepare(PackageImage::Complete().Switches(0, 0, 0, 0));
  fs.AddFile("C:\\WINDOWS\\system.ini", "");
  fs.Node("C:\\WINDOWS\\system.ini").attributes |= os::kAttrReadOnly;
  EXPECT_EQ(form.RunInstall(), os::err::kAccessDenied);
  ASSERT_FALSE(view.boxes.empty());
  EXPECT_NE(view.boxes.back().text.find("Problem with file system.ini. "), std::string::npos);
  EXPECT_FALSE(fs.HasFile(kEngine));
  EXPECT_FALSE(fs.HasKey(kKey));
}

TEST_F(InstallSequenceTest, RollbackRemovesLibrariesWrittenIntoTheWindowsFolder) {
  Prepare(PackageImage::Complete()
              .Switches(0, 0, 0, 0)
              .Slot(9, {"saver1.dat", saver::kTypeWindowsLibrary, TextBytes("MZ one")})
              .Slot(8, {"Aqua.ssd", saver::kTypeSaverData, TextBytes("short")}));
  form.installBtnClick();
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\saver1.dll"));
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\impborl.dll"));
}

TEST_F(InstallSequenceTest, BusyLibraryKeptByTheExtractionIsNotRemovedByTheRollback) {
  Prepare(PackageImage::Complete()
              .Switches(0, 0, 0, 0)
              .Slot(9, {"saver1.dat", saver::kTypeWindowsLibrary, TextBytes("MZ one")})
              .Slot(8, {"Aqua.ssd", saver::kTypeSaverData, TextBytes("short")}));
  fs.AddFile("C:\\WINDOWS\\saver1.dll", "another installation's library");
  fs.Node("C:\\WINDOWS\\saver1.dll").busy = true;
  form.installBtnClick();
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\saver1.dll"), "another installation's library");
}

TEST_F(InstallSequenceTest, SilentPackageRegistersWithoutStatusOrPauses) {
  Install(PackageImage::Complete().Switches(4, 0, 0, 1));
  form.FormCreate();
  EXPECT_TRUE(view.hidden);
  EXPECT_TRUE(view.statusTexts.empty());
  EXPECT_EQ(view.pauses, 0);
  EXPECT_EQ(fs.startedPrograms.size(), 1u);  // Display Properties is launched all the same
  EXPECT_EQ(std::count(view.events.begin(), view.events.end(), "front"), 0);
  EXPECT_TRUE(fs.HasKey(kKey));
  EXPECT_TRUE(view.terminated);
}

}  // namespace
