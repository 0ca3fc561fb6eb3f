// Hostile and careless packages: expansion bombs, slot 1 of another type,
// device names, downloads cut short, folders outside the ANSI code page.
#include <algorithm>

#include "form_fixture.h"
#include "step_codes.h"

namespace {

// The largest single write of the decompression library: its 8192-byte
// window, one longest match and the match copy's slack.
constexpr size_t kLargestWrite = 8192 + 518 + 8;

using fake::Bytes;
using fake::PackageImage;
using fake::TextBytes;

class PackageChecksTest : public fake::FormTest {
 protected:
  // A package with every slot filled, so that each can be cut short.
  static PackageImage Full() {
    return PackageImage::Complete()
        .Slot(2, {"flashax.exe", saver::kTypeWindowsLibrary, TextBytes("runtime installer")})
        .Slot(4, {"License.txt", saver::kTypeSaverFolder, TextBytes("licence")})
        .Slot(5, {"ReadMe.txt", saver::kTypeSaverFolder, TextBytes("read me")});
  }
  void StartWorkingCopy(const Bytes& installer) {
    Install(installer);
    form.PrepareWorkingFolders();
    ASSERT_EQ(form.MakeWorkingCopy(), 0);
    fs.writeTargets.clear();
  }
  // Every write target outside the scratch folder.
  std::vector<std::string> SystemWrites() const {
    std::vector<std::string> out;
    for (const auto& p : fs.writeTargets) {
      if (p.rfind("C:\\WINDOWS\\TEMP\\LMX temp\\", 0) != 0) out.push_back(p);
    }
    return out;
  }
  const std::string saver = "C:\\WINDOWS\\Aqua dir\\";
};

// --- expansion bombs ---

TEST_F(PackageChecksTest, BombEntryStopsAtItsSizeAndStaysMinus13) {
  Install(PackageImage::Complete().Slot(
      9, {"saver1.dll", saver::kTypeSaverFolder, Bytes(4 << 20, 0), true}));
  PrepareThroughSaverFolder();
  form.package.table[9].setExtractedSize(1000);
  auto stream = fs.OpenRead(form.workingCopy);
  EXPECT_EQ(form.ExtractEntry(*stream, 9, false, true, form.settings.get()), -13);
  const size_t size = fs.FileData(saver + "saver1.dll").size();
  EXPECT_GT(size, 1000u);
  EXPECT_LE(size, 1000u + kLargestWrite);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text,
            "Installation Error: \r\n\r\nProblem with file " + saver + "saver1.dll. ");
}

// --- slot 1 ---

class SlotOneTypeTest : public PackageChecksTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(SlotOneTypeTest, OnlyTheDecompressionLibraryTypeIsExtracted) {
  PackageImage image = PackageImage::Complete();
  image.Slot(1, {"impborl.dat", GetParam(), TextBytes("MZ codec library")});
  StartWorkingCopy(image.Build());
  EXPECT_EQ(form.ReadPackageTable(), app::kErrInvalidEntry);
  EXPECT_EQ(SystemWrites(), std::vector<std::string>{});
  EXPECT_EQ(fs.FilesUnder("C:\\WINDOWS").size(), 1u) << "the working copy alone";
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("damaged or unsafe"), std::string::npos);
  EXPECT_NE(view.boxes[0].text.find("impborl."), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Types, SlotOneTypeTest, ::testing::Values(0, 1, 2, 4, 5, 6, 7, -3));

TEST_F(PackageChecksTest, EntryOfTheSaverFolderBeforeItExistsHasNoDestination) {
  StartWorkingCopy(PackageImage::Complete().Build());
  form.package = PackageImage::Complete().Directory();
  EXPECT_EQ(form.DestinationPath(form.package.table[7]), "");
  form.PrepareSaverFolder();
  EXPECT_EQ(form.DestinationPath(form.package.table[7]), saver + "extra.dat");
}

TEST_F(PackageChecksTest, FolderThatIsNotAbsoluteGivesNoDestination) {
  form.windowsFolder = "\\";
  form.saverFolder = "Aqua dir\\";
  const saver::PackageDirectory d = PackageImage::Complete().Directory();
  EXPECT_EQ(form.DestinationPath(d.table[1]), "");
  EXPECT_EQ(form.DestinationPath(d.table[7]), "");
  form.windowsFolder = "\\\\server\\share\\";
  EXPECT_EQ(form.DestinationPath(d.table[1]), "\\\\server\\share\\impborl.dll");
}

TEST_F(PackageChecksTest, FailingSlotOneShowsItsOwnBoxThenTheCorruptedBox) {
  Install(PackageImage::Complete());
  fs.failCreate["C:\\WINDOWS\\IMPBORL.DLL"] = 5;
  form.FormCreate();
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_EQ(view.boxes[0].text,
            "Installation Error: Access is denied\r\n\r\nProblem with file "
            "C:\\WINDOWS\\impborl.dll. ");
  EXPECT_EQ(view.boxes[1].text, "Installer file is corrupted. Error 5. ");
}

// --- device names ---

class DeviceNameTest : public PackageChecksTest,
                       public ::testing::WithParamInterface<std::string> {};

TEST_P(DeviceNameTest, EntryNamedAfterADeviceIsUnsafe) {
  Install(PackageImage::Complete().Slot(7, {GetParam(), saver::kTypeSaverFolder, TextBytes("x")}));
  PrepareThroughSaverFolder();
  fs.writeTargets.clear();
  auto stream = fs.OpenRead(form.workingCopy);
  EXPECT_EQ(form.ExtractEntry(*stream, 7, false, true, form.settings.get()), app::kErrInvalidEntry);
  EXPECT_TRUE(fs.writeTargets.empty());
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("damaged or unsafe"), std::string::npos);
}

TEST_P(DeviceNameTest, TitleNamedAfterADeviceFailsBeforeAnythingIsWritten) {
  StartWorkingCopy(PackageImage::Complete(GetParam()).Build());
  EXPECT_EQ(form.ReadPackageTable(), app::kErrInvalidEntry);
  EXPECT_EQ(SystemWrites(), std::vector<std::string>{});
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("damaged or unsafe"), std::string::npos);
  EXPECT_NE(view.boxes[0].text.find("File: " + GetParam()), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Names, DeviceNameTest,
                         ::testing::Values("CON", "prn", "Aux", "NUL", "nul.txt", "COM1",
                                           "com9.dll", "LPT1", "lpt9.scr", "CON .x"));

TEST_F(PackageChecksTest, NulAsSlotNameNoLongerInstallsNothingAsASuccess) {
  PackageImage image = PackageImage::Complete();
  image.Slot(9, {"NUL", saver::kTypeSaverFolder, TextBytes("MZ support one"), true});
  Install(image);
  form.FormCreate();
  form.installBtnClick();
  EXPECT_FALSE(view.closed) << "the install must fail";
  EXPECT_FALSE(view.installEnabled);
}

// --- downloads cut short ---

class CutShortTest : public PackageChecksTest, public ::testing::WithParamInterface<int> {};

TEST_P(CutShortTest, SlotCutInTheMiddleEndsThePreparationWithMinus30) {
  const int slot = GetParam();
  const PackageImage image = Full();
  const saver::PackageEntry entry = image.Directory().table[slot];
  Bytes bytes = image.Build();
  bytes.resize(static_cast<size_t>(entry.startOffset() + entry.storedLength() / 2));
  Install(bytes);
  form.FormCreate();
  EXPECT_TRUE(view.terminated);
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\impborl.dll"));
  EXPECT_TRUE(fs.FilesUnder("C:\\WINDOWS\\Aqua dir").empty());
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_EQ(view.boxes[0].text,
            "Installation Error: \r\n\r\nProblem with file " + form.workingCopy + ". ");
  EXPECT_EQ(view.boxes[1].text, "Installer file is corrupted. Error -30. ");
}

INSTANTIATE_TEST_SUITE_P(Slots, CutShortTest, ::testing::Range(1, saver::kPackageSlots));

TEST_F(PackageChecksTest, ReversedOffsetsInALaterSlotFailAtStartAsUnsafe) {
  const PackageImage image = Full();
  saver::PackageDirectory d = image.Directory();
  Bytes bytes = image.Build();
  d.table[9].setEndOffset(d.table[9].startOffset() - 5);
  uint8_t raw[saver::kHeaderAndTableSize];
  saver::SerializeDirectory(d, raw);
  std::copy(raw, raw + sizeof raw, bytes.begin() + saver::PackageOffset);
  StartWorkingCopy(bytes);
  EXPECT_EQ(form.ReadPackageTable(), app::kErrInvalidEntry);
  EXPECT_EQ(SystemWrites(), std::vector<std::string>{});
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(view.boxes[0].text.find("File: saver1.dll"), std::string::npos);
}

TEST_F(PackageChecksTest, EmptySlotsAndSlotZeroAreNotChecked) {
  const PackageImage image = PackageImage::Complete();
  saver::PackageDirectory d = image.Directory();
  d.table[0].setEndOffset(0x7FFFFFF0);
  d.table[4].setStartOffset(-9);
  Bytes bytes = image.Build();
  uint8_t raw[saver::kHeaderAndTableSize];
  saver::SerializeDirectory(d, raw);
  std::copy(raw, raw + sizeof raw, bytes.begin() + saver::PackageOffset);
  StartWorkingCopy(bytes);
  EXPECT_EQ(form.ReadPackageTable(), 0);
  EXPECT_TRUE(view.boxes.empty());
}

// --- the installer's own path ---

TEST_F(PackageChecksTest, InstallerInAFolderOutsideTheAnsiCodePageStarts) {
  fs.modulePath =
      "C:\\setup\\\xD0\x97\xD0\xB0\xD0\xB3\xD1\x80\xD1\x83\xD0\xB7\xD0\xBA\xD0\xB8\\install.exe";
  fs.moduleAnsiPath = "C:\\setup\\????????\\install.exe";
  Install(PackageImage::Complete().Switches(0, 0, 0, 0));
  EXPECT_FALSE(fs.CopyFile(fs.moduleAnsiPath, "C:\\WINDOWS\\x.dat"))
      << "the ANSI path names no file";
  EXPECT_EQ(fs.LastError(), 123);
  form.FormCreate();
  EXPECT_TRUE(view.boxes.empty()) << (view.boxes.empty() ? "" : view.boxes[0].text);
  EXPECT_FALSE(view.terminated);
  EXPECT_EQ(form.installerPath, fs.moduleAnsiPath);
  EXPECT_EQ(fs.FileData(form.workingCopy), fs.FileData(fs.modulePath));
}

}  // namespace
