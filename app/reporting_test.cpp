#include "error_text.h"
#include "form_fixture.h"
#include "step_codes.h"

namespace {

using fake::FormTest;
using ReportingTest = FormTest;

TEST_F(ReportingTest, MinusOneIsTheHeadAlone) {
  EXPECT_EQ(form.InstallErrorText(-1, "C:\\x"), "Installation Error: ");
}

TEST_F(ReportingTest, BusyFileNamesTheFileAfterLineFeeds) {
  EXPECT_EQ(form.InstallErrorText(-32, "C:\\WINDOWS\\a.txt"),
            "Installation Error:  File is busy and cannot be replaced. Please close any other "
            "application that may be using this file and try again.\n\nFile: C:\\WINDOWS\\a.txt");
}

TEST_F(ReportingTest, BusyScreenSaverLeavesTheFileNameOut) {
  EXPECT_EQ(form.InstallErrorText(-38, "C:\\WINDOWS\\Aqua.scr"),
            "Installation Error: Screen saver file is busy.\n\nPlease close the screen saver "
            "control panel and try again.");
}

TEST_F(ReportingTest, WorkingCopyFailureShowsTheWordErrorStringAndThePrivilegesText) {
  EXPECT_EQ(form.InstallErrorText(-523, "C:\\WINDOWS\\TEMP\\LMX temp\\temp1.dat"),
            "Installation Error: errorString\r\n\r\nRetry installation. If this message "
            "reappears, contact your system administrator to change your user privileges.");
}

TEST_F(ReportingTest, GeneralFormCarriesTheTrimmedSystemText) {
  EXPECT_EQ(form.InstallErrorText(5, "C:\\WINDOWS\\impborl.dll"),
            "Installation Error: Access is denied\r\n\r\nProblem with file "
            "C:\\WINDOWS\\impborl.dll. ");
}

TEST_F(ReportingTest, NegativeCodeHasAnEmptySystemText) {
  EXPECT_EQ(form.InstallErrorText(-13, "f"), "Installation Error: \r\n\r\nProblem with file f. ");
  EXPECT_EQ(form.InstallErrorText(-531, ""), "Installation Error: \r\n\r\nProblem with file . ");
}

TEST_F(ReportingTest, UnknownPositiveCodeHasAnEmptySystemText) {
  EXPECT_EQ(form.InstallErrorText(100, "f"), "Installation Error: \r\n\r\nProblem with file f. ");
}

TEST_F(ReportingTest, SystemTextLosesTrailingSpacesControlsAndPeriods) {
  fs.errorTexts[77] = "Something went wrong. . \r\n\t";
  EXPECT_EQ(app::SystemErrorText(fs, 77), "Something went wrong");
  fs.errorTexts[78] = "...";
  EXPECT_EQ(app::SystemErrorText(fs, 78), "");
}

TEST_F(ReportingTest, SystemTextIsCutAt256Bytes) {
  fs.errorTexts[79] = std::string(300, 'x');
  EXPECT_EQ(app::SystemErrorText(fs, 79).size(), 256u);
}

TEST_F(ReportingTest, ShowInstallErrorShowsOneErrorBox) {
  form.ShowInstallError(-32, "C:\\f");
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].icon, app::BoxIcon::kError);
}

TEST_F(ReportingTest, StatusAndProgressShowAndPauseForAWindowedPackage) {
  form.previewKind = 1;
  form.ShowStatus("");
  form.StepProgress();
  EXPECT_EQ(view.events, (std::vector<std::string>{"status", "step", "pause"}));
  EXPECT_EQ(view.progress, 1);
}

TEST_F(ReportingTest, SilentPackageShowsNoStatusNoProgressAndNoPause) {
  form.previewKind = 4;
  form.ShowStatus("Writing saver data file");
  form.StepProgress();
  EXPECT_TRUE(view.events.empty());
  form.ShowInstallError(-13, "f");
  EXPECT_EQ(view.boxes.size(), 1u);  // error boxes are still shown
}

// --- inserts in the system's texts ---

TEST_F(ReportingTest, InsertOfTheSystemTextNamesTheFileConcerned) {
  fs.errorTexts[193] = "Bad EXE format for %1.\r\n";
  EXPECT_EQ(form.InstallErrorText(193, "C:\\WINDOWS\\impborl.dll"),
            "Installation Error: Bad EXE format for C:\\WINDOWS\\impborl.dll\r\n\r\n"
            "Problem with file C:\\WINDOWS\\impborl.dll. ");
}

TEST_F(ReportingTest, InsertWithoutAFileIsDroppedWithItsSpace) {
  fs.errorTexts[193] = "Bad EXE format for %1.\r\n";
  EXPECT_EQ(app::SystemErrorText(fs, 193), "Bad EXE format for");
  fs.errorTexts[194] = "%1 is not a valid application.";
  EXPECT_EQ(app::SystemErrorText(fs, 194), "is not a valid application");
}

TEST_F(ReportingTest, OtherInsertsAreDroppedAndPercentSignsKept) {
  EXPECT_EQ(app::FillInserts("Copy %1 to %2 now", "a.txt"), "Copy a.txt to now");
  EXPECT_EQ(app::FillInserts("%1!s! failed at %2!d!.", "f"), "f failed at.");
  EXPECT_EQ(app::FillInserts("100%% done, %x stays", ""), "100% done, %x stays");
  EXPECT_EQ(app::FillInserts("ends in %", "f"), "ends in %");
  EXPECT_EQ(app::FillInserts("%12 and %1", "f"), "and f");
}

}  // namespace
