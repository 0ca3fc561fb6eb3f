#include "form_fixture.h"
#include "step_codes.h"

namespace {

using fake::PackageImage;
using fake::TextBytes;
using FoldersTest = fake::FormTest;

TEST_F(FoldersTest, WorkingFoldersUnderTheWindowsFolder) {
  form.PrepareWorkingFolders();
  EXPECT_EQ(form.windowsFolder, "C:\\WINDOWS\\");
  EXPECT_EQ(form.scratchFolder, "C:\\WINDOWS\\TEMP\\LMX temp");
  EXPECT_EQ(form.workingCopy, "C:\\WINDOWS\\TEMP\\LMX temp\\temp1.dat");
  EXPECT_EQ(form.installerPath, fs.modulePath);
  EXPECT_TRUE(fs.DirectoryExists("C:\\WINDOWS\\TEMP\\LMX temp"));
  EXPECT_FALSE(fs.HasFile(form.workingCopy));  // named here, made later
}

TEST_F(FoldersTest, WindowsDirectoryEndingInASeparatorGetsNoSecondOne) {
  fs.windowsDirectory = "C:\\";
  form.PrepareWorkingFolders();
  EXPECT_EQ(form.windowsFolder, "C:\\");
  EXPECT_EQ(form.workingCopy, "C:\\TEMP\\LMX temp\\temp1.dat");
}

TEST_F(FoldersTest, FirstFreeWorkingCopyNameIsUsed) {
  fs.AddFile("C:\\WINDOWS\\TEMP\\LMX temp\\temp1.dat", "a");
  fs.AddFile("C:\\WINDOWS\\TEMP\\LMX temp\\temp2.dat", "b");
  form.PrepareWorkingFolders();
  EXPECT_EQ(form.workingCopy, "C:\\WINDOWS\\TEMP\\LMX temp\\temp3.dat");
}

TEST_F(FoldersTest, SaverFolderIsTitlePlusDirAndSaverIniIsKeyZero) {
  Install(PackageImage::Complete("Aqua"));
  PrepareThroughSaverFolder();
  EXPECT_EQ(form.saverFolder, "C:\\WINDOWS\\Aqua dir\\");
  EXPECT_TRUE(fs.DirectoryExists("C:\\WINDOWS\\Aqua dir"));
  EXPECT_EQ(form.settingsPath, "C:\\WINDOWS\\Aqua dir\\saver.ini");
  EXPECT_EQ(form.dataFilePath, "C:\\WINDOWS\\Aqua dir\\Aqua.ssd");
  EXPECT_EQ(fs.FileText(form.settingsPath), "[Files]\r\n0=C:\\WINDOWS\\Aqua dir\\saver.ini\r\n");
  EXPECT_EQ(form.filesCounter, 1);
}

TEST_F(FoldersTest, SixtyFourCharacterTitleIsUsedWhole) {
  const std::string title(64, 'T');
  Install(PackageImage::Complete(title));
  PrepareThroughSaverFolder();
  EXPECT_EQ(form.saverFolder, "C:\\WINDOWS\\" + title + " dir\\");
}

TEST_F(FoldersTest, EmptyTitleGivesADirFolderInsideLmxTempOnlyWhenItExists) {
  Install(PackageImage::Complete("").Title(""));
  PrepareThroughSaverFolder();
  EXPECT_EQ(form.saverFolder, "C:\\WINDOWS\\LMX temp\\ dir\\");
  EXPECT_FALSE(fs.DirectoryExists(form.saverFolder));  // only the last level is created
  ASSERT_EQ(view.boxes.size(), 1u);                    // saver.ini cannot be written there
  EXPECT_NE(view.boxes[0].text.find("saver.ini"), std::string::npos);
}

TEST_F(FoldersTest, EmptyTitleWithAnExistingLmxTempFolderGetsItsDirFolder) {
  fs.AddDirectory("C:\\WINDOWS\\LMX temp");
  Install(PackageImage::Complete("").Title(""));
  PrepareThroughSaverFolder();
  EXPECT_TRUE(fs.DirectoryExists("C:\\WINDOWS\\LMX temp\\ dir"));
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(FoldersTest, TitleThatWouldLeaveTheWindowsFolderIsKeptInsideIt) {
  Install(PackageImage::Complete("x").Title("..\\..\\evil"));
  PrepareThroughSaverFolder();
  EXPECT_EQ(form.saverFolder, "C:\\WINDOWS\\.._.._evil dir\\");
  EXPECT_EQ(form.packageTitle, "..\\..\\evil");
}

TEST_F(FoldersTest, PackageFilesAreSlotsSixToTenInOrder) {
  Install(PackageImage::Complete());
  PrepareThroughSaverFolder();
  EXPECT_EQ(form.ExtractPackageFiles(form.workingCopy), 0);
  const std::vector<std::string> expected = {"C:\\WINDOWS\\Aqua dir\\saver.ini",
                                             form.workingCopy,
                                             "C:\\WINDOWS\\Aqua.scr",
                                             "C:\\WINDOWS\\Aqua dir\\extra.dat",
                                             "C:\\WINDOWS\\Aqua dir\\Aqua.ssd",
                                             "C:\\WINDOWS\\Aqua dir\\saver1.dll",
                                             "C:\\WINDOWS\\Aqua dir\\saver2.dll"};
  std::vector<std::string> recorded;
  for (size_t i = 0; i < fs.iniWrites.size(); ++i) {
    EXPECT_EQ(fs.iniWrites[i].section, "Files");
    EXPECT_EQ(fs.iniWrites[i].key, std::to_string(i));
    recorded.push_back(fs.iniWrites[i].value);
  }
  EXPECT_EQ(recorded, expected);
}

TEST_F(FoldersTest, ReadMeSwitchAddsSlotFiveFirst) {
  Install(PackageImage::Complete()
              .Switches(0, 0, 1, 0)
              .Slot(5, {"ReadMe.txt", saver::kTypeSaverFolder, TextBytes("read me")}));
  PrepareThroughSaverFolder();
  EXPECT_EQ(form.ExtractPackageFiles(form.workingCopy), 0);
  EXPECT_EQ(fs.iniWrites.at(2).value, "C:\\WINDOWS\\Aqua dir\\ReadMe.txt");
}

TEST_F(FoldersTest, EmptySlotAmongSixToTenStopsWithMinus531) {
  PackageImage image = PackageImage::Complete();
  image.Slot(7, {"", saver::kTypeSaverFolder, {}});
  Install(image);
  PrepareThroughSaverFolder();
  EXPECT_EQ(form.ExtractPackageFiles(form.workingCopy), -531);
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\Aqua.ssd"));  // slot 8 never reached
  EXPECT_EQ(view.boxes.at(0).text, "Installation Error: \r\n\r\nProblem with file . ");
}

TEST_F(FoldersTest, WorkingCopyThatCannotBeOpenedIsReportedWithItsPath) {
  Install(PackageImage::Complete());
  PrepareThroughSaverFolder();
  EXPECT_EQ(form.ExtractPackageFiles("C:\\WINDOWS\\TEMP\\LMX temp\\gone.dat"), 2);
  EXPECT_NE(view.boxes.at(0).text.find("gone.dat. "), std::string::npos);
}

}  // namespace
