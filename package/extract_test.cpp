#include "form_fixture.h"
#include "step_codes.h"

namespace {

using fake::Bytes;
using fake::EntrySpec;
using fake::PackageImage;
using fake::TextBytes;

class ExtractTest : public fake::FormTest {
 protected:
  void Prepare(const PackageImage& image) {
    Install(image);
    PrepareThroughSaverFolder();
  }
  int32_t Extract(int slot, bool showStatus = false, bool record = true) {
    auto stream = fs.OpenRead(form.workingCopy);
    return form.ExtractEntry(*stream, slot, showStatus, record, form.settings.get());
  }
  std::string FilesValue(int key) {
    for (const auto& w : fs.iniWrites) {
      if (w.key == std::to_string(key)) return w.value;
    }
    return "<none>";
  }
  const std::string win = "C:\\WINDOWS\\";
  const std::string saver = "C:\\WINDOWS\\Aqua dir\\";
};

// --- working copy and package table ---

TEST_F(ExtractTest, PackageTableIsReadFromTheWorkingCopyAndSlotOneBecomesImpborlDll) {
  Install(PackageImage::Complete());
  form.PrepareWorkingFolders();
  ASSERT_EQ(form.MakeWorkingCopy(), 0);
  EXPECT_EQ(fs.FileData(form.workingCopy), fs.FileData(fs.modulePath));
  ASSERT_EQ(form.ReadPackageTable(), 0);
  EXPECT_EQ(form.package.header.title(), "Aqua");
  EXPECT_EQ(fs.FileText(win + "impborl.dll"), "MZ codec library");
  EXPECT_TRUE(fs.iniWrites.empty());  // slot 1 is not recorded
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(ExtractTest, InstallerEndingBeforeTheTableGivesMinus31ReportedWithTheWorkingCopy) {
  Bytes bytes = PackageImage::Complete().Build();
  bytes.resize(saver::PackageOffset + saver::kHeaderAndTableSize - 1);
  Install(bytes);
  form.PrepareWorkingFolders();
  ASSERT_EQ(form.MakeWorkingCopy(), 0);
  EXPECT_EQ(form.ReadPackageTable(), -31);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(
      view.boxes[0].text,
      "Installation Error: \r\n\r\nProblem with file C:\\WINDOWS\\TEMP\\LMX temp\\temp1.dat. ");
}

// The entry's own report names the destination; ReadPackageTable adds no
// second one (the preparation's final box follows).
TEST_F(ExtractTest, FailureOfSlotOneIsReportedOnceWithItsDestination) {
  Install(PackageImage::Complete());
  form.PrepareWorkingFolders();
  ASSERT_EQ(form.MakeWorkingCopy(), 0);
  fs.failCreate["C:\\WINDOWS\\IMPBORL.DLL"] = 5;
  EXPECT_EQ(form.ReadPackageTable(), 5);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("Problem with file C:\\WINDOWS\\impborl.dll. "),
            std::string::npos);
}

TEST_F(ExtractTest, OldWorkingCopyThatCannotBeDeletedShowsMinus523AndReturnsMinus32) {
  Install(PackageImage::Complete());
  form.PrepareWorkingFolders();
  fs.AddFile(form.workingCopy, "old");
  fs.Node(form.workingCopy).busy = true;
  EXPECT_EQ(form.MakeWorkingCopy(), -32);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text.rfind("Installation Error: errorString", 0), 0u);
}

TEST_F(ExtractTest, FailedCopyReturnsTheSystemCodeAndShowsMinus523) {
  Install(PackageImage::Complete());
  form.PrepareWorkingFolders();
  fs.failCopyTo["C:\\WINDOWS\\TEMP\\LMX TEMP\\TEMP1.DAT"] = 112;
  EXPECT_EQ(form.MakeWorkingCopy(), 112);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("errorString"), std::string::npos);
}

// --- ExtractEntry: destinations ---

TEST_F(ExtractTest, StoredEntryIsWrittenAndRecordedUnderTheNextKey) {
  Prepare(PackageImage::Complete());
  const int32_t counter = form.filesCounter;
  EXPECT_EQ(Extract(7), 0);
  EXPECT_EQ(fs.FileText(saver + "extra.dat"), "extra");
  EXPECT_EQ(form.filesCounter, counter + 1);
  EXPECT_EQ(FilesValue(counter), saver + "extra.dat");
}

TEST_F(ExtractTest, CompressedEntryIsExpandedByteForByte) {
  Prepare(PackageImage::Complete());
  EXPECT_EQ(Extract(6), 0);
  EXPECT_EQ(fs.FileText(win + "Aqua.scr"), "MZ engine engine engine");
}

TEST_F(ExtractTest, TypeThreeGetsTheDllExtensionExceptExactlyFlashaxExe) {
  Prepare(PackageImage::Complete()
              .Slot(2, {"flashax.exe", saver::kTypeWindowsLibrary, TextBytes("runtime")})
              .Slot(7, {"FLASHAX.EXE", saver::kTypeWindowsLibrary, TextBytes("upper")})
              .Slot(9, {"noext", saver::kTypeWindowsLibrary, TextBytes("plain")}));
  EXPECT_EQ(Extract(2), 0);
  EXPECT_EQ(Extract(7), 0);
  EXPECT_EQ(Extract(9), 0);
  EXPECT_TRUE(fs.HasFile(win + "flashax.exe"));
  EXPECT_EQ(fs.FileText(win + "FLASHAX.dll"), "upper");
  EXPECT_EQ(fs.FileText(win + "noext.dll"), "plain");
}

TEST_F(ExtractTest, PreviewOfABitmapPackageIsRenamedToBmpInTheTable) {
  Prepare(PackageImage::Complete().Switches(1, 0, 0, 0));
  EXPECT_EQ(form.ExtractPreview(), 0);
  EXPECT_EQ(form.package.table[3].name(), "installer.BMP");
  EXPECT_EQ(fs.FileText(saver + "installer.BMP"), "preview movie");
}

// --- busy and protected destinations ---

TEST_F(ExtractTest, BusyDllStaysUntouchedWithoutMessageAndIsStillRecorded) {
  Prepare(
      PackageImage::Complete().Slot(9, {"saver1.dll", saver::kTypeSaverFolder, TextBytes("new")}));
  fs.AddFile(saver + "saver1.dll", "old");
  fs.Node(saver + "saver1.dll").busy = true;
  const int deletesBefore = fs.deleteCalls;
  const int32_t counter = form.filesCounter;
  EXPECT_EQ(Extract(9), 0);
  EXPECT_EQ(fs.FileText(saver + "saver1.dll"), "old");
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(fs.deleteCalls - deletesBefore, 2);  // one attempt: delete, reset, delete
  EXPECT_EQ(FilesValue(counter), saver + "saver1.dll");
}

TEST_F(ExtractTest, BusyFileIsTriedFiveThousandTimesThenNamedAndKept) {
  Prepare(PackageImage::Complete());
  fs.AddFile(saver + "extra.dat", "old");
  fs.Node(saver + "extra.dat").busy = true;
  const int deletesBefore = fs.deleteCalls;
  EXPECT_EQ(Extract(7), 0);
  EXPECT_EQ(fs.deleteCalls - deletesBefore, 2 * 5000);
  EXPECT_EQ(fs.FileText(saver + "extra.dat"), "old");
  ASSERT_EQ(BoxTexts().size(), 1u);
  EXPECT_NE(BoxTexts()[0].find("File is busy and cannot be replaced"), std::string::npos);
  EXPECT_NE(BoxTexts()[0].find("\n\nFile: " + saver + "extra.dat"), std::string::npos);
}

TEST_F(ExtractTest, BusyScreenSaverGivesMinus38WithOneMessage) {
  Prepare(PackageImage::Complete());
  fs.AddFile(win + "Aqua.scr", "old");
  fs.Node(win + "Aqua.scr").busy = true;
  EXPECT_EQ(Extract(6), -38);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("Screen saver file is busy."), std::string::npos);
}

TEST_F(ExtractTest, UpperCaseDllIsNotADllAndGoesThroughTheReportedDelete) {
  Prepare(
      PackageImage::Complete().Slot(9, {"SAVER1.DLL", saver::kTypeSaverFolder, TextBytes("new")}));
  fs.AddFile(saver + "SAVER1.DLL", "old");
  fs.Node(saver + "SAVER1.DLL").busy = true;
  EXPECT_EQ(Extract(9), 0);
  EXPECT_EQ(view.boxes.size(), 1u);
}

TEST_F(ExtractTest, ReadOnlyDestinationIsResetAndReplaced) {
  Prepare(PackageImage::Complete());
  fs.AddFile(saver + "extra.dat", "old");
  fs.Node(saver + "extra.dat").attributes = os::kAttrReadOnly;
  EXPECT_EQ(Extract(7), 0);
  EXPECT_EQ(fs.FileText(saver + "extra.dat"), "extra");
}

// --- the failure table ---

TEST_F(ExtractTest, EmptySlotIsMinus531ReportedWithAnEmptyName) {
  Prepare(PackageImage::Complete());
  EXPECT_EQ(Extract(4), -531);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, "Installation Error: \r\n\r\nProblem with file . ");
}

TEST_F(ExtractTest, SlotStepOnAnEmptySlotReturnsMinus531Silently) {
  Prepare(PackageImage::Complete());
  EXPECT_EQ(form.ExtractLicence(), -531);
  EXPECT_EQ(form.ExtractReadMe(), -531);
  EXPECT_EQ(form.ExtractFlashInstaller(), -531);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(ExtractTest, MissingLibraryGivesMinus35) {
  Prepare(PackageImage::Complete());
  ASSERT_TRUE(fs.DeleteFile(win + "impborl.dll"));
  EXPECT_EQ(Extract(6), -35);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find(win + "Aqua.scr. "), std::string::npos);
}

TEST_F(ExtractTest, ShortWriteGivesMinus30) {
  Prepare(PackageImage::Complete());
  fs.shortWrite["C:\\WINDOWS\\AQUA DIR\\EXTRA.DAT"] = 2;
  EXPECT_EQ(Extract(7), -30);
  EXPECT_EQ(view.boxes.size(), 1u);
}

TEST_F(ExtractTest, ExpandedFileThatVanishedGivesMinus16) {
  Prepare(PackageImage::Complete());
  fs.vanishOnClose.insert("C:\\WINDOWS\\AQUA.SCR");
  EXPECT_EQ(Extract(6), -16);
}

TEST_F(ExtractTest, CompressedEntryOfTheWrongLengthGivesMinus13AndStays) {
  Prepare(PackageImage::Complete());
  form.package.table[6].setExtractedSize(5);
  const int32_t counter = form.filesCounter;
  EXPECT_EQ(Extract(6), -13);
  EXPECT_EQ(fs.FileText(win + "Aqua.scr"), "MZ engine engine engine");
  EXPECT_EQ(form.filesCounter, counter);
  EXPECT_EQ(view.boxes.size(), 1u);
}

TEST_F(ExtractTest, DestinationThatCannotBeCreatedReportsTheSystemCode) {
  Prepare(PackageImage::Complete());
  fs.failCreate["C:\\WINDOWS\\AQUA DIR\\EXTRA.DAT"] = 5;
  EXPECT_EQ(Extract(7), 5);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, "Installation Error: Access is denied\r\n\r\nProblem with file " +
                                    saver + "extra.dat. ");
}

TEST_F(ExtractTest, ReadErrorOnTheWorkingCopyIsReportedWithTheDestination) {
  Prepare(PackageImage::Complete());
  fs.failRead["C:\\WINDOWS\\TEMP\\LMX TEMP\\TEMP1.DAT"] = 23;
  EXPECT_EQ(Extract(7), 23);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("Problem with file " + saver + "extra.dat. "),
            std::string::npos);
  EXPECT_FALSE(fs.HasFile(saver + "extra.dat"));
}

TEST_F(ExtractTest, FailedFilesLineDeletesTheExtractedFileAndNamesSaverIni) {
  Prepare(PackageImage::Complete());
  fs.failIniWrites = 5;
  EXPECT_EQ(Extract(7), 5);
  EXPECT_FALSE(fs.HasFile(saver + "extra.dat"));
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("Problem with file saver.ini. "), std::string::npos);
}

TEST_F(ExtractTest, DeleteWithNoAttemptsIsMinusOneShowingTheHeadAlone) {
  EXPECT_EQ(form.DeleteExisting("C:\\x", true, 0), -1);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Installation Error: "});
}

TEST_F(ExtractTest, DeleteOnceOfABusyScreenSaverIsMinus32) {
  fs.AddFile("C:\\WINDOWS\\Aqua.scr", "x");
  fs.Node("C:\\WINDOWS\\Aqua.scr").busy = true;
  EXPECT_EQ(form.DeleteExistingOnce("C:\\WINDOWS\\Aqua.scr", false), -32);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(ExtractTest, SlotStepThatCannotOpenTheWorkingCopyNamesTheSaverFolder) {
  Prepare(PackageImage::Complete());
  fs.Node(form.workingCopy).busy = true;
  EXPECT_EQ(form.ExtractPreview(), 32);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("Problem with file " + saver + ". "), std::string::npos);
}

// --- unsafe entries ---

class UnsafeEntryTest : public ExtractTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(UnsafeEntryTest, NameThatLeavesItsFolderIsRefusedAndNothingIsWritten) {
  Prepare(
      PackageImage::Complete().Slot(7, {GetParam(), saver::kTypeSaverFolder, TextBytes("evil")}));
  const size_t filesBefore = fs.FilesUnder("C:\\").size();
  EXPECT_EQ(Extract(7), app::kErrInvalidEntry);
  EXPECT_EQ(fs.FilesUnder("C:\\").size(), filesBefore);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("damaged or unsafe"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Names, UnsafeEntryTest,
                         ::testing::Values("..\\evil.txt", "..\\..\\evil.txt", "sub\\evil.txt",
                                           "C:evil.txt", "a/../../evil.txt", "..", ".", ".. "));

TEST_F(ExtractTest, NameWithTwoDotsInsideIsExtractedIntoItsFolder) {
  Prepare(PackageImage::Complete().Slot(
      9, {"saver..v2.dll", saver::kTypeSaverFolder, TextBytes("MZ support two"), true}));
  EXPECT_EQ(Extract(9), 0);
  EXPECT_EQ(fs.FileText(saver + "saver..v2.dll"), "MZ support two");
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(ExtractTest, NegativeOrReversedOffsetsAreRefusedAsUnsafe) {
  Prepare(PackageImage::Complete());
  saver::PackageEntry& e = form.package.table[7];
  const std::pair<int32_t, int32_t> ranges[] = {{-5, 10}, {100, 50}, {-1, -1}};
  for (const auto& [start, end] : ranges) {
    e.setStartOffset(start);
    e.setEndOffset(end);
    EXPECT_EQ(Extract(7), app::kErrInvalidEntry) << start << ".." << end;
  }
  EXPECT_FALSE(fs.HasFile(saver + "extra.dat"));
}

// A download cut short: the stored bytes run past the end of the working
// copy. The read would come up short, so the entry fails with -30 in the
// general form naming its destination, without asking for a buffer larger
// than the file and without touching an old file at the destination.
TEST_F(ExtractTest, EntryRunningPastTheEndOfTheWorkingCopyIsAShortRead) {
  Prepare(PackageImage::Complete());
  fs.AddFile(saver + "extra.dat", "old");
  const int64_t size = static_cast<int64_t>(fs.FileData(form.workingCopy).size());
  saver::PackageEntry& e = form.package.table[7];
  const std::pair<int32_t, int32_t> ranges[] = {
      {static_cast<int32_t>(size - 2), static_cast<int32_t>(size)},
      {static_cast<int32_t>(size), static_cast<int32_t>(size)},
      {0, 0x7FFFFFFF}};
  for (const auto& [start, end] : ranges) {
    view.boxes.clear();
    e.setStartOffset(start);
    e.setEndOffset(end);
    EXPECT_EQ(Extract(7), app::kErrShortTransfer) << start << ".." << end;
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text,
              "Installation Error: \r\n\r\nProblem with file " + saver + "extra.dat. ");
  }
  EXPECT_EQ(fs.FileText(saver + "extra.dat"), "old");
}

TEST_F(ExtractTest, EntryEndingOnTheLastByteOfTheWorkingCopyIsWhole) {
  Prepare(PackageImage::Complete());
  const saver::PackageEntry& last = form.package.table[10];
  EXPECT_EQ(last.endOffset() + 1, static_cast<int64_t>(fs.FileData(form.workingCopy).size()));
  EXPECT_EQ(Extract(10), 0);
}

TEST_F(ExtractTest, EntryTypeWithoutDestinationIsRefused) {
  Prepare(PackageImage::Complete());
  form.package.table[7].setEntryType(9);
  EXPECT_EQ(Extract(7), app::kErrInvalidEntry);
  EXPECT_NE(view.boxes.at(0).text.find("extra.dat"), std::string::npos);
}

TEST_F(ExtractTest, ZeroLengthStoredEntryMakesAnEmptyFile) {
  Prepare(PackageImage::Complete().Slot(7, {"empty.txt", saver::kTypeSaverFolder, {}}));
  EXPECT_EQ(Extract(7), 0);
  EXPECT_TRUE(fs.FileData(saver + "empty.txt").empty());
}

TEST_F(ExtractTest, ShowStatusBlanksTheStatusAndTakesOneProgressStep) {
  Prepare(PackageImage::Complete());
  form.previewKind = 0;
  EXPECT_EQ(Extract(7, true), 0);
  EXPECT_EQ(view.statusTexts, std::vector<std::string>{""});
  EXPECT_EQ(view.progress, 1);
  EXPECT_EQ(view.pauses, 1);
}

}  // namespace
