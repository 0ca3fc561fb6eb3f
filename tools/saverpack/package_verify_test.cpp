// The builder's entry markers: every entry that can carry one does, with the
// CRC-32 of its bytes as written; `verify` finds each damaged byte.
#include "package_verify.h"

#include <gmock/gmock.h>

#include "package/crc32.h"
#include "signing.h"
#include "test_support.h"

namespace saverpack::testing {
namespace {

using saver::EntryCheck;
using ::testing::HasSubstr;

saver::PackageDirectory DirectoryOf(const std::vector<uint8_t>& image) {
  uint8_t raw[saver::kHeaderAndTableSize];
  std::copy_n(image.begin() + saver::PackageOffset, sizeof raw, raw);
  return saver::ParseDirectory(raw);
}

TEST(EntryMarkers, EveryEntryCarriesTheCrcOfItsStoredBytes) {
  const auto image = BuildInstallerImage(StubBytes(500), TypicalContents(), Level::kDefault);
  const saver::PackageDirectory dir = DirectoryOf(image);
  uint16_t named = 1;
  for (int slot = 1; slot < saver::kPackageSlots; ++slot) {
    const saver::PackageEntry& e = dir.table[slot];
    const auto marker = saver::ReadMarker(e);
    ASSERT_EQ(marker.has_value(), !e.empty()) << slot;
    if (!marker) continue;
    named = static_cast<uint16_t>(named | 1 << slot);
    const auto first = image.begin() + e.startOffset();
    EXPECT_EQ(marker->crc, saver::Crc32(std::vector<uint8_t>(first, first + e.storedLength())))
        << slot;
  }
  const auto head = saver::ReadMarker(dir.table[0]);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->slots, named);
  EXPECT_EQ(head->crc, saver::DirectoryCrc(dir, named));
}

// The builder refuses names longer than a Windows path allows (186 bytes in
// the saver folder), well below the 239 a marker leaves: every entry it
// writes is checked. The longest name it takes keeps its marker.
TEST(EntryMarkers, LongestNameTheBuilderTakesCarriesAMarker) {
  PackageContents contents = TypicalContents();
  contents.slots[7]->name = std::string(182, 'p') + ".bmp";
  const auto image = BuildInstallerImage(StubBytes(500), contents, Level::kDefault);
  const saver::PackageDirectory dir = DirectoryOf(image);
  EXPECT_EQ(dir.table[7].name(), contents.slots[7]->name);
  EXPECT_TRUE(saver::ReadMarker(dir.table[7]));
  contents.slots[7]->name = std::string(183, 'p') + ".bmp";
  EXPECT_THAT(ErrorOf([&] { BuildInstallerImage(StubBytes(500), contents, Level::kDefault); }),
              HasSubstr("at most 186 fit"));
}

class VerifyFile : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = BuildInstallerImage(StubBytes(500), TypicalContents(), Level::kDefault);
  }
  MarkerVerdict Verify() {
    WriteFile(dir_ / "x.exe", image_);
    return VerifyMarkers(dir_ / "x.exe");
  }
  ScratchDir dir_;
  std::vector<uint8_t> image_;
};

TEST_F(VerifyFile, GoodBuildVerifies) {
  const MarkerVerdict verdict = Verify();
  EXPECT_FALSE(verdict.AnyDamage());
  EXPECT_THAT(FormatVerdict(verdict), HasSubstr("   0  install.exe: good (header and table)\n"));
  EXPECT_THAT(FormatVerdict(verdict), HasSubstr("   4  (empty): -\n"));
}

// Every stored byte of every entry, one at a time, is found.
TEST_F(VerifyFile, EachInvertedByteOfAnEntryIsFound) {
  const saver::PackageDirectory dir = DirectoryOf(image_);
  for (int slot : {1, 3, 7, 10}) {
    const saver::PackageEntry& e = dir.table[slot];
    for (int64_t at = 0; at < e.storedLength(); at += std::max<int64_t>(1, e.storedLength() / 7)) {
      image_[static_cast<size_t>(e.startOffset() + at)] ^= 0xFF;
      const MarkerVerdict verdict = Verify();
      image_[static_cast<size_t>(e.startOffset() + at)] ^= 0xFF;
      EXPECT_EQ(verdict.checks[slot], EntryCheck::kDamaged) << "slot " << slot << " byte " << at;
      EXPECT_EQ(std::count(verdict.checks.begin(), verdict.checks.end(), EntryCheck::kGood), 8);
    }
  }
}

TEST_F(VerifyFile, StubBytesAreNotCoveredSoSigningMayRewriteThem) {
  image_[0x80] ^= 0xFF;
  EXPECT_FALSE(Verify().AnyDamage());
}

TEST(CertificateTable, UnsignedFileAndNoProgramHaveNone) {
  ScratchDir dir;
  WriteFile(dir / "stub.exe", MarkedStub(2000));
  WriteFile(dir / "text.exe", TextBytes(2000, 1));
  EXPECT_FALSE(FindCertificateTable(dir / "stub.exe"));
  EXPECT_FALSE(FindCertificateTable(dir / "text.exe"));
}

// The security directory (data directory 4) of a PE32 image: optional
// header at 0x58, NumberOfRvaAndSizes at 0x58 + 92, directories after it.
TEST(CertificateTable, SecurityDirectoryIsRead) {
  ScratchDir dir;
  std::vector<uint8_t> stub = MarkedStub(2000);
  saver::StoreI32(&stub[0x58 + 92], 16);
  saver::StoreI32(&stub[0x58 + 96 + 4 * 8], 1800);
  saver::StoreI32(&stub[0x58 + 96 + 4 * 8 + 4], 200);
  WriteFile(dir / "signed.exe", stub);
  const auto table = FindCertificateTable(dir / "signed.exe");
  ASSERT_TRUE(table);
  EXPECT_EQ(table->offset, 1800u);
  EXPECT_EQ(table->size, 200u);
  saver::StoreI32(&stub[0x58 + 92], 17);
  WriteFile(dir / "signed.exe", stub);
  EXPECT_FALSE(FindCertificateTable(dir / "signed.exe")) << "more directories than an image has";
}

}  // namespace
}  // namespace saverpack::testing
