#include "fInstall.h"

#include "form_fixture.h"
#include "step_codes.h"

namespace {

using fake::Bytes;
using fake::PackageImage;
using fake::TextBytes;
using StartupTest = fake::FormTest;

PackageImage WithLicence() {
  return PackageImage::Complete()
      .Switches(1, 1, 0, 0)
      .Slot(4, {"License.txt", saver::kTypeSaverFolder, TextBytes("line one\nline two\r\nend")});
}

TEST_F(StartupTest, PackageWithoutPreviewOpensAnEmptyCaptionedFixedWindow) {
  Install(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.FormCreate();
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(view.caption, "");
  EXPECT_TRUE(view.noLicenceMode);
  EXPECT_TRUE(view.sized);
  EXPECT_EQ(view.progressMax, 10);
  EXPECT_EQ(view.bitmapPath, "");
  EXPECT_EQ(view.moviePath, "");
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(form.installBusy);
}

TEST_F(StartupTest, ShortInstallerShowsBothBoxesThenEnds) {
  Bytes bytes = PackageImage::Complete().Build();
  bytes.resize(saver::PackageOffset + 100);
  Install(bytes);
  form.FormCreate();
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_NE(view.boxes[0].text.find("temp1.dat. "), std::string::npos);
  EXPECT_EQ(view.boxes[1].text, "Installer file is corrupted. Error -31. ");
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_FALSE(fs.HasFile(form.workingCopy));
}

TEST_F(StartupTest, LicencePackageFillsTheMemoWithCrLfLines) {
  Install(WithLicence());
  form.FormCreate();
  EXPECT_TRUE(view.licenceMode);
  EXPECT_EQ(view.licenceText, "line one\r\nline two\r\nend");
  EXPECT_EQ(view.bitmapPath, "C:\\WINDOWS\\Aqua dir\\installer.BMP");
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(StartupTest, LicenceSwitchWithEmptySlotFourFailsWithMinus531Only) {
  Install(PackageImage::Complete().Switches(1, 1, 0, 0));
  form.FormCreate();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Installer file is corrupted. Error -531. "});
  EXPECT_TRUE(view.terminated);
}

TEST_F(StartupTest, NoPreviewKindStillNeedsSlotThree) {
  PackageImage image = PackageImage::Complete().Switches(7, 0, 0, 0);
  image.Slot(3, {"", saver::kTypeSaverFolder, {}});
  Install(image);
  form.FormCreate();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Installer file is corrupted. Error -531. "});
}

TEST_F(StartupTest, FlashPreviewOpensTheMovieFromTheSaverFolder) {
  Install(PackageImage::Complete().Switches(2, 0, 0, 0));
  form.FormCreate();
  EXPECT_EQ(view.moviePath, "C:\\WINDOWS\\Aqua dir\\installer.scf");
}

TEST_F(StartupTest, ClosingAWindowedInstallerReleasesTheMovie) {
  Install(PackageImage::Complete().Switches(2, 0, 0, 0));
  form.FormCreate();
  form.declineBtnClick();
  EXPECT_EQ(std::count(view.events.begin(), view.events.end(), "closeMovie"), 1);
}

TEST_F(StartupTest, UnreadableBitmapStopsThePreparationWithAMessage) {
  view.bitmapLoads = false;
  Install(PackageImage::Complete().Switches(1, 0, 0, 0));
  form.FormCreate();
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_FALSE(view.sized);
  EXPECT_FALSE(view.terminated);
}

TEST_F(StartupTest, ReadMeIsExtractedAtStartWhenAskedFor) {
  Install(PackageImage::Complete()
              .Switches(0, 0, 1, 0)
              .Slot(5, {"ReadMe.txt", saver::kTypeSaverFolder, TextBytes("read me")}));
  form.FormCreate();
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\Aqua dir\\ReadMe.txt"), "read me");
  EXPECT_EQ(form.showReadMe, 1);
}

TEST_F(StartupTest, DeclineDeletesTheWorkingCopyOnly) {
  Install(WithLicence());
  form.FormCreate();
  ASSERT_TRUE(fs.HasFile(form.workingCopy));
  form.declineBtnClick();
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(fs.HasFile(form.workingCopy));
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\impborl.dll"));
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\saver.ini"));
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\License.txt"));
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\installer.BMP"));
}

// The pauses of the install sequence handle the user's input: a close
// request and a second Install click arrive there and are refused; the
// sequence runs once and, after its failure, the window closes normally.
TEST_F(StartupTest, CloseAndSecondInstallDuringThePausesAreRefused) {
  Install(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.FormCreate();
  ASSERT_FALSE(view.closed);
  fs.failCreate["C:\\WINDOWS\\AQUA DIR\\SAVER2.DLL"] = 5;
  int pausesSeen = 0;
  view.onPause = [&] {
    ++pausesSeen;
    view.CloseWindow();
    form.installBtnClick();
  };
  const int createsBefore = fs.loadLibraryCalls;
  form.installBtnClick();
  view.onPause = nullptr;

  EXPECT_GT(pausesSeen, 3);
  EXPECT_EQ(view.closeRefusals, pausesSeen);
  EXPECT_FALSE(view.closed);
  EXPECT_TRUE(fs.HasFile(form.workingCopy)) << "FormClose must not run while installing";
  // One run of the sequence: the three compressed entries load the library
  // once each, and one failure box (saver2.dll) is shown.
  EXPECT_EQ(fs.loadLibraryCalls - createsBefore, 3);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("saver2.dll"), std::string::npos);
  EXPECT_FALSE(view.installEnabled);

  view.CloseWindow();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(view.closeRefusals, pausesSeen);
  EXPECT_FALSE(fs.HasFile(form.workingCopy)) << "the closed window deletes the working copy";
}

TEST_F(StartupTest, CloseBeforeInstallIsAllowed) {
  Install(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.FormCreate();
  view.CloseWindow();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(view.closeRefusals, 0);
}

TEST_F(StartupTest, SilentPackageInstallsWithoutWindowThenEnds) {
  Install(PackageImage::Complete().Switches(4, 0, 0, 0));
  form.FormCreate();
  EXPECT_TRUE(view.hidden);
  EXPECT_EQ(view.caption, "unset");
  EXPECT_TRUE(view.statusTexts.empty());
  EXPECT_EQ(view.pauses, 0);
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\Aqua.scr"));
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(std::count(view.events.begin(), view.events.end(), "closeMovie"), 0);
}

TEST_F(StartupTest, FailedSilentInstallShowsTheCorruptedBoxWithTheSequenceCode) {
  PackageImage image = PackageImage::Complete().Switches(4, 0, 0, 0);
  image.Slot(9, {"", saver::kTypeSaverFolder, {}});
  Install(image);
  form.FormCreate();
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_EQ(view.boxes[1].text, "Installer file is corrupted. Error -531. ");
}

TEST_F(StartupTest, SuccessfulInstallClosesAndRemovesTheTemporaryFiles) {
  Install(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.FormCreate();
  form.installBtnClick();
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\saver1.dll"));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\saver.ini"));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\Aqua.ssd"));
  EXPECT_FALSE(form.installBusy);
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(view.statusTexts.back(), "");
  EXPECT_EQ(view.progress, 0);
}

TEST_F(StartupTest, FailedInstallKeepsTheWindowWithInstallDisabled) {
  Install(PackageImage::Complete().Switches(0, 0, 0, 0));
  form.FormCreate();
  fs.failCreate["C:\\WINDOWS\\AQUA DIR\\EXTRA.DAT"] = 5;
  form.installBtnClick();
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(view.installEnabled);
  EXPECT_FALSE(view.declineEnabled);
  EXPECT_FALSE(form.installBusy);
  EXPECT_EQ(view.statusTexts.back(),
            "Open the Display Control Panel  and select saver to complete installation.");
  EXPECT_EQ(view.cursor, app::CursorKind::kDefault);
}

}  // namespace
