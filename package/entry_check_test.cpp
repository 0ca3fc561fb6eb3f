// The installer's check of the entries' CRC-32 markers during preparation:
// a damaged entry ends it with -41 and its box before anything is written
// outside the scratch folder; a package without markers is read as before.
#include <string>
#include <vector>

#include "entry_marker.h"
#include "form_fixture.h"
#include "step_codes.h"

namespace {

using fake::Bytes;
using fake::PackageImage;
using fake::TextBytes;

const std::string kWorkingCopyKey = "C:\\WINDOWS\\TEMP\\LMX TEMP\\TEMP1.DAT";
const std::string kDamagedText =
    "Installation Error: Installer package entry is damaged: its checksum does not match. "
    "Nothing was installed. Please download the installer again.\n\nFile: ";

class EntryCheckTest : public fake::FormTest {
 protected:
  // Every slot filled; slot 7 larger than a few read chunks.
  static PackageImage Full() {
    Bytes big(300000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return PackageImage::Complete()
        .Slot(2, {"flashax.exe", saver::kTypeWindowsLibrary, TextBytes("runtime installer")})
        .Slot(4, {"License.txt", saver::kTypeSaverFolder, TextBytes("licence")})
        .Slot(5, {"ReadMe.txt", saver::kTypeSaverFolder, TextBytes("read me")})
        .Slot(7, {"extra.dat", saver::kTypeSaverFolder, big});
  }
  void StartWorkingCopy(const Bytes& installer) {
    Install(installer);
    form.PrepareWorkingFolders();
    ASSERT_EQ(form.MakeWorkingCopy(), 0);
    fs.writeTargets.clear();
    fs.largestRead.clear();
    fs.bytesRead.clear();
  }
  // Every write target outside the scratch folder.
  std::vector<std::string> SystemWrites() const {
    std::vector<std::string> out;
    for (const auto& p : fs.writeTargets) {
      if (p.rfind("C:\\WINDOWS\\TEMP\\LMX temp\\", 0) != 0) out.push_back(p);
    }
    return out;
  }
  static Bytes FlipByteOf(Bytes installer, const PackageImage& image, int slot, int64_t at) {
    const saver::PackageEntry entry = image.Directory().table[slot];
    installer[static_cast<size_t>(entry.startOffset() + at)] ^= 0x20;
    return installer;
  }
};

TEST_F(EntryCheckTest, MarkedPackageIsCheckedInChunksAndPrepared) {
  const PackageImage image = Full().Marked();
  const Bytes installer = image.Build();
  StartWorkingCopy(installer);
  EXPECT_EQ(form.ReadPackageTable(), 0);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\impborl.dll"), "MZ codec library");
  // The table, every entry once for its check, then slot 1 again.
  const int64_t entries =
      static_cast<int64_t>(installer.size()) - saver::PackageOffset - saver::kHeaderAndTableSize;
  EXPECT_EQ(fs.bytesRead[kWorkingCopyKey],
            saver::kHeaderAndTableSize + entries + image.Directory().table[1].storedLength());
  EXPECT_EQ(fs.largestRead[kWorkingCopyKey], 64 * 1024) << "no entry is held whole";
}

TEST_F(EntryCheckTest, UnmarkedPackageReadsNoEntryForACheck) {
  const PackageImage image = Full();
  StartWorkingCopy(image.Build());
  EXPECT_EQ(form.ReadPackageTable(), 0);
  EXPECT_EQ(fs.bytesRead[kWorkingCopyKey],
            saver::kHeaderAndTableSize + image.Directory().table[1].storedLength());
}

// Damage in an unmarked package is not looked for: it is read as it always
// was (the damaged file is extracted as it stands).
TEST_F(EntryCheckTest, UnmarkedPackageWithADamagedEntryIsPreparedAsBefore) {
  const PackageImage image = Full();
  StartWorkingCopy(FlipByteOf(image.Build(), image, 1, 3));
  EXPECT_EQ(form.ReadPackageTable(), 0);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\impborl.dll"), "MZ Codec library");
}

struct Damage {
  int slot;
  int64_t at;  // byte of the stored bytes; -1: the last one
};

class DamagedEntryTest : public EntryCheckTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedEntryTest, EndsThePreparationWithMinus41NamingTheEntryAndWritesNothing) {
  const PackageImage image = Full().Marked();
  const saver::PackageEntry entry = image.Directory().table[GetParam().slot];
  const int64_t at = GetParam().at < 0 ? entry.storedLength() - 1 : GetParam().at;
  StartWorkingCopy(FlipByteOf(image.Build(), image, GetParam().slot, at));
  form.PrepareInstaller();
  EXPECT_EQ(SystemWrites(), std::vector<std::string>{});
  for (const std::string& file : fs.FilesUnder("C:\\WINDOWS")) {
    EXPECT_TRUE(file.starts_with("C:\\WINDOWS\\TEMP\\LMX TEMP\\")) << file;
  }
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kDamagedText + entry.name(),
                                                  "Installer file is corrupted. Error -41. "}));
  EXPECT_TRUE(view.closed);
}

INSTANTIATE_TEST_SUITE_P(Slots, DamagedEntryTest,
                         ::testing::Values(Damage{1, 0}, Damage{2, 5}, Damage{3, -1}, Damage{4, 0},
                                           Damage{5, 2}, Damage{6, 2}, Damage{7, 200000},
                                           Damage{7, -1}, Damage{8, 100}, Damage{9, -1},
                                           Damage{10, 3}));

TEST_F(EntryCheckTest, DamagedHeaderOrTableNamesTheProgramImage) {
  const PackageImage image = Full().Marked();
  for (const size_t at : {size_t{2}, size_t{5}, size_t{saver::kHeaderSize + 280 * 6 + 276}}) {
    Bytes installer = image.Build();
    installer[saver::PackageOffset + at] ^= 1;
    view.boxes.clear();
    StartWorkingCopy(installer);
    EXPECT_EQ(form.ReadPackageTable(), app::kErrEntryChecksum) << "byte " << at;
    EXPECT_EQ(SystemWrites(), std::vector<std::string>{});
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDamagedText + "install.exe"});
  }
}

TEST_F(EntryCheckTest, LostMarkerOfANamedSlotIsDamage) {
  const PackageImage image = Full().Marked();
  Bytes installer = image.Build();
  installer[saver::PackageOffset + saver::kHeaderSize + 9 * saver::kEntrySize + 241] ^= 1;
  StartWorkingCopy(installer);
  EXPECT_EQ(form.ReadPackageTable(), app::kErrEntryChecksum);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDamagedText + "saver1.dll"});
}

// Signing appends its certificate table after the last entry.
TEST_F(EntryCheckTest, BytesAfterTheLastEntryAreNotChecked) {
  Bytes installer = Full().Marked().Build();
  installer.resize(installer.size() + 1500, 0x30);
  StartWorkingCopy(installer);
  EXPECT_EQ(form.ReadPackageTable(), 0);
  EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
