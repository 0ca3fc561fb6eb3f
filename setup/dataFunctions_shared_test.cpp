// The data-file module on the fake: open, close, one record, and the data
// file as untrusted input.
#include "dataFunctions_shared.h"

#include "saver_data_fixture.h"
#include "step_codes.h"

namespace {

using fake::Bytes;
using fake::Pattern;
using fake::RecordSpec;
using fake::SaverDataImage;
using fake::TextBytes;
using DataModuleTest = fake::SaverDataTest;

constexpr const char* kDataKey = "C:\\WINDOWS\\AQUA DIR\\AQUA.SSD";

TEST_F(DataModuleTest, OpenLoadsHeaderAndRecordsBehindItAndSlotZeroStaysEmpty) {
  Put(SaverDataImage()
          .HeaderByte(0, 0x5A)
          .Record({"a.txt", TextBytes("a")})
          .Record({"b.txt", TextBytes("b")}));
  EXPECT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, true), 0);
  const auto& m = setup::SaverDataModule();
  EXPECT_TRUE(m.open);
  EXPECT_EQ(m.header.bytes[0], 0x5A);
  EXPECT_EQ(m.header.recordCount(), 2);
  EXPECT_TRUE(m.records[0].empty());
  EXPECT_EQ(m.records[1].name(), "a.txt");
  EXPECT_EQ(m.records[2].name(), "b.txt");
  EXPECT_TRUE(m.records[3].empty());
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(DataModuleTest, SecondOpenShowsAlreadyInUseReturnsZeroAndKeepsTheFirst) {
  Put(SaverDataImage().Record({"a.txt", TextBytes("a")}));
  ASSERT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), 0);
  fs.AddFile(InFolder("other.ssd"), SaverDataImage().Build());
  EXPECT_EQ(setup::OpenSaverDataFile(fs, view, InFolder("other.ssd"), true), 0);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, "Lumivox Error: Screen saver data file already in use.");
  EXPECT_EQ(view.boxes[0].icon, app::BoxIcon::kInformation);
  EXPECT_EQ(setup::SaverDataModule().path, form.dataFilePath);
  EXPECT_EQ(setup::SaverDataModule().records[1].name(), "a.txt");
}

TEST_F(DataModuleTest, OpenFailuresShowTheOpeningBoxOnlyWhenAsked) {
  EXPECT_EQ(setup::OpenSaverDataFile(fs, view, InFolder("none.ssd"), false), 2);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(setup::OpenSaverDataFile(fs, view, InFolder("none.ssd"), true), 2);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Problem opening screen saver data file.\n\nFile: "
                                                 "C:\\WINDOWS\\Aqua dir\\none.ssd\r\n\r\n2"});
  EXPECT_FALSE(setup::SaverDataModule().open);
}

TEST_F(DataModuleTest, ShortHeaderLeavesTheModuleClosedShortTableLeavesItOpen) {
  Put(Bytes(1000, 0));
  EXPECT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), os::err::kShortRead);
  EXPECT_FALSE(setup::SaverDataModule().open);
  Bytes bytes = SaverDataImage().Record({"a.txt", TextBytes("a")}).RecordCount(2).Build();
  bytes.resize(saver::kSaverDataHeaderSize + saver::kSaverDataRecordSize + 100);
  Put(bytes);
  EXPECT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), os::err::kShortRead);
  EXPECT_TRUE(setup::SaverDataModule().open);
  EXPECT_EQ(setup::SaverDataModule().records[1].name(), "a.txt");
}

TEST_F(DataModuleTest, CloseOfAClosedFileIsZeroAndCloseClearsTheFlag) {
  EXPECT_EQ(setup::CloseSaverDataFile(fs, view), 0);
  Put(SaverDataImage());
  ASSERT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), 0);
  EXPECT_EQ(setup::CloseSaverDataFile(fs, view), 0);
  EXPECT_FALSE(setup::SaverDataModule().open);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(DataModuleTest, IndexBeyondTheCountIsMinus12BeforeAClosedFileIsMinus15) {
  Put(SaverDataImage().Record({"a.txt", TextBytes("a")}));
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 1), app::kErrRecordIndex);
  ASSERT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), 0);
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 2), app::kErrRecordIndex);
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 0), app::kErrRecordIndex);
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, -3), app::kErrRecordIndex);
  ASSERT_EQ(setup::CloseSaverDataFile(fs, view), 0);
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 1), app::kErrDataFileNotOpen);
}

TEST_F(DataModuleTest, MissingDestinationFolderIsMadeAndAFailedMakeReturnsTheSystemError) {
  Put(SaverDataImage().Record({"a.txt", TextBytes("a")}));
  ASSERT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), 0);
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, InFolder("new\\"), 1), 0);
  EXPECT_EQ(fs.FileText(InFolder("new\\a.txt")), "a");
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, InFolder("x\\y\\"), 1), os::err::kPathNotFound);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(DataModuleTest, ShortWriteGives101AfterTheReadBoxAndDeletesTheFile) {
  Put(SaverDataImage().Record({"a.txt", TextBytes("abcdef")}));
  fs.shortWrite["C:\\WINDOWS\\AQUA DIR\\A.TXT"] = 3;
  ASSERT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), 0);
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 1), os::err::kShortWrite);
  EXPECT_EQ(view.boxes.size(), 1u);
  EXPECT_FALSE(fs.HasFile(InFolder("a.txt")));
}

TEST_F(DataModuleTest, ReplacesAnExistingFileAndKeepsABusyOneWithItsError) {
  fs.AddFile(InFolder("a.txt"), TextBytes("old old old"));
  fs.AddFile(InFolder("b.txt"), TextBytes("busy"));
  fs.Node(InFolder("b.txt")).busy = true;
  Put(SaverDataImage().Record({"a.txt", TextBytes("new")}).Record({"b.txt", TextBytes("b")}));
  ASSERT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), 0);
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 1), 0);
  EXPECT_EQ(fs.FileText(InFolder("a.txt")), "new");
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 2), os::err::kSharingViolation);
  EXPECT_EQ(fs.FileText(InFolder("b.txt")), "busy");
}

// --- the data file as untrusted input ---

class UnsafeCopyTarget : public DataModuleTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(UnsafeCopyTarget, IsRefusedAndNothingIsWritten) {
  fs.AddFile("C:\\WINDOWS\\evil.scf", TextBytes("system file"));
  Put(SaverDataImage()
          .Record({"saver.scf", TextBytes("movie")})
          .Record({GetParam(), {}, false, saver::kRecordKindCopy}));
  EXPECT_EQ(form.InstallSaverData(), app::kErrUnsafeRecordName);
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\evil.scf"), "system file");
  EXPECT_EQ(Written().size(), 2u);  // saver.scf and the untouched evil.scf
  EXPECT_TRUE(view.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Names, UnsafeCopyTarget,
                         ::testing::Values("..\\evil.scf", "../evil.scf", "sub\\..\\..\\evil.scf",
                                           "C:\\WINDOWS\\evil.scf", "C:evil.scf", "\\evil.scf",
                                           "/WINDOWS/evil.scf", "...\\evil.scf", ".. \\evil.scf",
                                           "a\\\\evil.scf", "saver.scf:stream", ".", "sub\\"));

TEST_F(DataModuleTest, UnsafeFirstNameIsNeitherCopiedFromNorGivenTheArchiveBit) {
  fs.AddFile("C:\\secret.txt", TextBytes("secret"));
  fs.Node("C:\\secret.txt").attributes = os::kAttrHidden;
  Put(SaverDataImage()
          .Record({"..\\..\\secret.txt", TextBytes("own")})
          .Record({"copy.txt", {}, false, saver::kRecordKindCopy}));
  EXPECT_EQ(form.InstallSaverData(), app::kErrUnsafeRecordName);
  EXPECT_EQ(fs.FileText(InFolder("secret.txt")), "own");  // extracted by its last component
  EXPECT_FALSE(fs.HasFile(InFolder("copy.txt")));
  EXPECT_EQ(fs.GetAttributes("C:\\secret.txt"), os::kAttrHidden);
}

TEST_F(DataModuleTest, ExtractedNameThatIsOnlyDotsOrHasASlashIsRefused) {
  for (const char* name : {"..", "sub\\..", "x:...", "../../evil.txt", "a/b.txt"}) {
    Put(SaverDataImage().Record({name, TextBytes("data")}));
    EXPECT_EQ(form.InstallSaverData(), app::kErrUnsafeRecordName) << name;
    setup::ResetSaverDataModule();
  }
  EXPECT_TRUE(Written().empty());
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\evil.txt"));
  // A record that makes no file writes nothing, whatever its name.
  Put(SaverDataImage().Record({"..", {}}));
  EXPECT_EQ(form.InstallSaverData(), 0);
}

class ChunkBoundsTest : public DataModuleTest, public ::testing::WithParamInterface<RecordSpec> {};

TEST_P(ChunkBoundsTest, FailsTheRecordWithoutABufferLargerThanTheFile) {
  Put(SaverDataImage().Record({"first.txt", TextBytes("kept")}).Record(GetParam()));
  EXPECT_EQ(form.InstallSaverData(), app::kErrChunkBounds);
  EXPECT_EQ(fs.FileText(InFolder("first.txt")), "kept");
  EXPECT_EQ(Written().size(), 1u);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_LE(LargestDataRead(), static_cast<int64_t>(dataFile.size()));
}

RecordSpec Damaged(bool compressed, std::optional<int32_t> position,
                   std::optional<int32_t> fileSize, std::optional<int32_t> storedSize) {
  RecordSpec r{"saver.scf", Pattern(4000, 11), compressed};
  r.position = position;
  r.fileSize = fileSize;
  r.storedSize = storedSize;
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, ChunkBoundsTest,
    ::testing::Values(Damaged(false, -1, {}, {}), Damaged(false, INT32_MIN, {}, {}),
                      Damaged(false, 0x7FFFFFF0, {}, {}), Damaged(true, 1000000, {}, {}),
                      Damaged(false, {}, -1, {}), Damaged(true, {}, -4000, {}),
                      Damaged(false, {}, 0x7FFFFFFF, {}), Damaged(true, {}, {}, -1),
                      Damaged(true, {}, {}, 0x7FFFFFFF), Damaged(true, {}, {}, 20000)));

TEST_F(DataModuleTest, ChunkThatIsOnlyCutShortKeepsTheReadError) {
  RecordSpec r{"saver.scf", Pattern(4000, 11)};
  r.fileSize = 4500;  // within the file, past its end
  Put(SaverDataImage().Record(r));
  EXPECT_EQ(form.InstallSaverData(), os::err::kShortRead);
  EXPECT_EQ(view.boxes.size(), 1u);
  EXPECT_FALSE(fs.HasFile(InFolder("saver.scf")));
}

TEST_F(DataModuleTest, ReadFailureIsReportedWithItsNumberAndEarlierFilesStay) {
  Put(SaverDataImage().Record({"a.txt", TextBytes("a")}).Record({"b.txt", TextBytes("b")}));
  ASSERT_EQ(setup::OpenSaverDataFile(fs, view, form.dataFilePath, false), 0);
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 1), 0);
  fs.failRead[kDataKey] = os::err::kReadFault;
  EXPECT_EQ(setup::ExtractSaverDataRecord(fs, view, kFolder, 2), os::err::kReadFault);
  EXPECT_EQ(fs.FileText(InFolder("a.txt")), "a");
  EXPECT_FALSE(fs.HasFile(InFolder("b.txt")));
  EXPECT_EQ(view.boxes.size(), 1u);
}

}  // namespace
