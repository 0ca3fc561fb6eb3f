#include "package_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <memory>

#include "file_io.h"
#include "pack_error.h"
#include "package_reader.h"
#include "test_support.h"

namespace saverpack {
namespace {

using saver::PackageOffset;
using ::testing::HasSubstr;
using namespace saverpack::testing;

constexpr int32_t kDataStart = PackageOffset + saver::kHeaderAndTableSize;
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

saver::PackageDirectory DirectoryOf(const std::vector<uint8_t>& image) {
  uint8_t raw[saver::kHeaderAndTableSize];
  std::copy_n(image.begin() + PackageOffset, saver::kHeaderAndTableSize, raw);
  return saver::ParseDirectory(raw);
}

std::vector<uint8_t> Range(const std::vector<uint8_t>& image, const saver::PackageEntry& e) {
  return std::vector<uint8_t>(image.begin() + e.startOffset(), image.begin() + e.endOffset() + 1);
}

// Expects CheckContents (via the in-memory build) to refuse with `what`.
void ExpectRefused(const PackageContents& c, const std::string& what) {
  try {
    BuildInstallerImage(StubBytes(100), c, Level::kDefault);
    ADD_FAILURE() << "accepted; expected refusal mentioning: " << what;
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr(what));
    EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << "message is one line";
  }
}

TEST(SlotDefaults, NamesFollowTheSlotRole) {
  EXPECT_EQ(DefaultSlotName(1, "Aqua", "codec.dll"), "impborl.dat");
  EXPECT_EQ(DefaultSlotName(2, "Aqua", "fl.exe"), "flashax.exe");
  EXPECT_EQ(DefaultSlotName(6, "Aqua", "engine.bin"), "Aqua.scr");
  EXPECT_EQ(DefaultSlotName(8, "Aqua", "data.bin"), "Aqua.ssd");
  EXPECT_EQ(DefaultSlotName(3, "Aqua", "installer.scf"), "installer.scf");
  EXPECT_EQ(DefaultSlotName(10, "Aqua", "saver2.dll"), "saver2.dll");
}

TEST(SlotDefaults, TypesFollowTheSlotRole) {
  EXPECT_EQ(DefaultSlotType(1), 3);
  EXPECT_EQ(DefaultSlotType(2), 3);
  EXPECT_EQ(DefaultSlotType(6), 2);
  EXPECT_EQ(DefaultSlotType(8), 4);
  for (int slot : {3, 4, 5, 7, 9, 10}) EXPECT_EQ(DefaultSlotType(slot), 5) << slot;
}

class TypicalImage : public ::testing::Test {
 protected:
  void SetUp() override {
    contents_ = TypicalContents();
    image_ = BuildInstallerImage(stub_, contents_, Level::kDefault);
    dir_ = DirectoryOf(image_);
  }
  std::vector<uint8_t> stub_ = StubBytes(1000);
  PackageContents contents_;
  std::vector<uint8_t> image_;
  saver::PackageDirectory dir_;
};

TEST_F(TypicalImage, StubIsPaddedWithZerosToPackageOffset) {
  EXPECT_TRUE(std::equal(stub_.begin(), stub_.end(), image_.begin()));
  EXPECT_TRUE(std::all_of(image_.begin() + 1000, image_.begin() + PackageOffset,
                          [](uint8_t b) { return b == 0; }));
}

TEST_F(TypicalImage, HeaderCarriesSwitchesAndTitle) {
  EXPECT_EQ(dir_.header.previewKind(), 2);
  EXPECT_EQ(dir_.header.showLicence(), 0);
  EXPECT_EQ(dir_.header.showReadMe(), 0);
  EXPECT_EQ(dir_.header.openDisplayProperties(), 1);
  EXPECT_EQ(dir_.header.title(), "Aqua");
  EXPECT_TRUE(std::all_of(dir_.header.bytes.begin() + 8, dir_.header.bytes.end(),
                          [](uint8_t b) { return b == 0; }));
}

TEST_F(TypicalImage, SlotZeroDescribesThePaddedImage) {
  const auto& e = dir_.table[0];
  EXPECT_EQ(e.name(), "install.exe");
  EXPECT_EQ(e.startOffset(), 0);
  EXPECT_EQ(e.endOffset(), PackageOffset - 1);
  EXPECT_EQ(e.entryType(), 6);
  EXPECT_FALSE(e.compressed());
  EXPECT_EQ(e.packedSize(), 0);
  EXPECT_EQ(e.extractedSize(), PackageOffset);
}

TEST_F(TypicalImage, EntriesFollowEachOtherAndTheFileEndsWithTheLast) {
  int64_t cursor = kDataStart;
  for (int slot = 1; slot < saver::kPackageSlots; ++slot) {
    const auto& e = dir_.table[slot];
    EXPECT_EQ(e.startOffset(), cursor) << "slot " << slot;
    if (!e.empty()) cursor = int64_t{e.endOffset()} + 1;
  }
  EXPECT_EQ(static_cast<int64_t>(image_.size()), cursor);
}

TEST_F(TypicalImage, EmptySlotsPointAtTheNextDataAndHaveNoSize) {
  for (int slot : {4, 5}) {
    const auto& e = dir_.table[slot];
    EXPECT_TRUE(e.empty());
    EXPECT_EQ(e.bytes[0], 0);
    EXPECT_EQ(e.startOffset(), dir_.table[6].startOffset()) << slot;
    EXPECT_EQ(e.endOffset(), e.startOffset()) << slot;
    EXPECT_EQ(e.entryType(), 5);
    EXPECT_EQ(e.bytes[268], 1);
    EXPECT_EQ(e.packedSize(), 0);
    EXPECT_EQ(e.extractedSize(), 0);
  }
}

TEST_F(TypicalImage, StoredEntriesHoldTheFileAsIs) {
  for (int slot : {1, 2, 3, 7, 8}) {
    const auto& e = dir_.table[slot];
    EXPECT_EQ(e.name(), contents_.slots[slot]->name);
    EXPECT_EQ(e.entryType(), contents_.slots[slot]->type);
    EXPECT_FALSE(e.compressed());
    EXPECT_EQ(e.packedSize(), 0);
    EXPECT_EQ(e.extractedSize(), static_cast<int32_t>(contents_.slots[slot]->data.size()));
    EXPECT_EQ(Range(image_, e), contents_.slots[slot]->data) << "slot " << slot;
  }
}

TEST_F(TypicalImage, CompressedEntriesExplodeToTheFile) {
  for (int slot : {6, 9, 10}) {
    const auto& e = dir_.table[slot];
    const auto stored = Range(image_, e);
    EXPECT_EQ(e.bytes[268], 1);
    EXPECT_EQ(e.packedSize(), static_cast<int32_t>(stored.size()));
    EXPECT_EQ(e.extractedSize(), static_cast<int32_t>(contents_.slots[slot]->data.size()));
    ASSERT_GE(stored.size(), 2u);
    EXPECT_EQ(stored[0], 0) << "binary literals";
    EXPECT_EQ(stored[1], 6) << "4096-byte dictionary";
    EXPECT_EQ(ExplodeBytes(stored), contents_.slots[slot]->data) << "slot " << slot;
  }
  EXPECT_LT(dir_.table[6].packedSize(), dir_.table[6].extractedSize() / 2);
}

// Noise implodes to more bytes than it has: such an entry is stored, and
// the build says so.
TEST(BuildImage, EntryThatImplodesLargerIsStoredWithAWarning) {
  PackageContents c = TypicalContents();
  c.slots[7]->compressed = true;
  c.places.origin = "m.txt";
  c.places.lines["slot7.compressed"] = 12;
  const std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), std::fclose);
  ASSERT_TRUE(file);
  Warnings warnings;
  WritePackage(fileno(file.get()), StubBytes(10), c, Level::kDefault, "t", warnings);
  ASSERT_EQ(warnings.texts().size(), 1u);
  EXPECT_THAT(warnings.texts()[0],
              ::testing::MatchesRegex("m.txt:12: warning: slot 7 implodes to [0-9]+ bytes, more "
                                      "than its 77: stored instead .*"));
  std::vector<uint8_t> image(PackageOffset + saver::kHeaderAndTableSize);
  ReadAllAt(fileno(file.get()), 0, image, "t");
  const auto dir = DirectoryOf(image);
  EXPECT_FALSE(dir.table[7].compressed());
  EXPECT_EQ(dir.table[7].packedSize(), 0);
  EXPECT_EQ(dir.table[7].endOffset() - dir.table[7].startOffset() + 1, 77);
  EXPECT_EQ(dir.table[8].startOffset(), dir.table[7].endOffset() + 1);
}

TEST(BuildImage, BestLevelExplodesToTheSameFiles) {
  const PackageContents c = TypicalContents();
  const auto image = BuildInstallerImage(StubBytes(10), c, Level::kBest);
  const auto dir = DirectoryOf(image);
  for (int slot : {6, 9, 10}) {
    EXPECT_EQ(ExplodeBytes(Range(image, dir.table[slot])), c.slots[slot]->data) << slot;
  }
}

TEST(BuildImage, StubOfExactlyPackageOffsetGetsNoPadding) {
  const auto stub = StubBytes(PackageOffset);
  const auto image = BuildInstallerImage(stub, TypicalContents(), Level::kDefault);
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), image.begin()));
  EXPECT_EQ(DirectoryOf(image).header.title(), "Aqua");
}

TEST(BuildImage, EmptyStubIsAllPadding) {
  const auto image = BuildInstallerImage({}, TypicalContents(), Level::kDefault);
  EXPECT_TRUE(
      std::all_of(image.begin(), image.begin() + PackageOffset, [](uint8_t b) { return b == 0; }));
}

TEST(BuildImage, TitleOfSixtyFourBytesFillsTheFieldWithoutNul) {
  PackageContents c = TypicalContents();
  c.title = std::string(64, 'T');
  c.slots[6]->name = "T.scr";
  const auto dir = DirectoryOf(BuildInstallerImage(StubBytes(10), c, Level::kDefault));
  EXPECT_EQ(dir.header.title(), c.title);
}

// The longest name a path in the saver folder takes: 259 characters less 64
// for the Windows folder and "Aqua dir\" (9).
TEST(BuildImage, LongestNameForTheSaverFolderIsKept) {
  PackageContents c = TypicalContents();
  c.slots[7]->name = std::string(182, 'n') + ".bmp";
  const auto dir = DirectoryOf(BuildInstallerImage(StubBytes(10), c, Level::kDefault));
  EXPECT_EQ(dir.table[7].bytes[0], 186);
  EXPECT_EQ(dir.table[7].name(), c.slots[7]->name);
  c.slots[7]->name = "n" + c.slots[7]->name;
  ExpectRefused(c,
                "is 187 bytes long; in the saver folder ('<Windows>\\Aqua dir\\', counting 64 "
                "characters for the Windows folder) at most 186 fit");
  c.slots[7]->name = std::string(195, 'n');
  c.slots[7]->type = saver::kTypeWindowsFolder;
  EXPECT_NO_THROW(BuildInstallerImage(StubBytes(10), c, Level::kDefault));
  c.slots[7]->name += "n";
  ExpectRefused(c,
                "slot 7 name '" + c.slots[7]->name + "' is 196 bytes long; in the Windows folder");
}

TEST(BuildImage, NameWithTwoDotsInsideIsKept) {
  PackageContents c = TypicalContents();
  c.slots[10]->name = "saver..v2.dll";
  const auto dir = DirectoryOf(BuildInstallerImage(StubBytes(10), c, Level::kDefault));
  EXPECT_EQ(dir.table[10].name(), "saver..v2.dll");
}

TEST(BuildImage, EmptyFileStoredEndsJustBeforeItsStart) {
  PackageContents c = TypicalContents();
  c.slots[7]->data.clear();
  const auto dir = DirectoryOf(BuildInstallerImage(StubBytes(10), c, Level::kDefault));
  EXPECT_EQ(dir.table[7].endOffset(), dir.table[7].startOffset() - 1);
  EXPECT_EQ(dir.table[8].startOffset(), dir.table[7].startOffset());
  EXPECT_EQ(dir.table[7].extractedSize(), 0);
}

TEST(BuildImage, SilentPackageNeedsNoPreview) {
  PackageContents c = TypicalContents();
  c.previewKind = saver::kPreviewSilent;
  c.slots[3].reset();
  const auto dir = DirectoryOf(BuildInstallerImage(StubBytes(10), c, Level::kDefault));
  EXPECT_TRUE(dir.table[3].empty());
  EXPECT_EQ(dir.table[3].startOffset(), dir.table[6].startOffset());
}

TEST(Refusals, NamesLongerThan255Bytes) {
  PackageContents c = TypicalContents();
  c.slots[9]->name = std::string(256, 'n');
  ExpectRefused(c, "slot 9 name '" + c.slots[9]->name + "' is 256 bytes long; at most 255");
}

TEST(Refusals, NamesThatLeaveTheFolder) {
  for (const std::string bad : {"a\\b.dll", "a/b.dll", "c:b.dll", "../up.dll"}) {
    PackageContents c = TypicalContents();
    c.slots[10]->name = bad;
    ExpectRefused(c, "slot 10 name '" + bad + "' is not a plain file name: it contains");
  }
  for (const std::string folder : {".", ".."}) {
    PackageContents c = TypicalContents();
    c.slots[10]->name = folder;
    ExpectRefused(c, "slot 10 name '" + folder + "' names a folder, not a file");
  }
}

TEST(Refusals, EmptyName) {
  PackageContents c = TypicalContents();
  c.slots[7]->name.clear();
  ExpectRefused(c, "slot 7 name '' is empty");
}

TEST(Refusals, TitleLongerThan64Bytes) {
  PackageContents c = TypicalContents();
  c.title = std::string(65, 'T');
  ExpectRefused(c, "title is 65 bytes long");
}

TEST(Refusals, MissingOrBadTitle) {
  PackageContents c = TypicalContents();
  c.title.clear();
  ExpectRefused(c, "title is missing or empty");
  c.title = "A\\B";
  ExpectRefused(c, "title contains '\\'");
}

TEST(Refusals, EachOfSlotsSixToTenIsRequired) {
  for (int slot = 6; slot <= 10; ++slot) {
    PackageContents c = TypicalContents();
    c.slots[slot].reset();
    ExpectRefused(c, "slot " + std::to_string(slot) + " is missing");
  }
}

TEST(Refusals, PreviewIsRequiredUnlessSilent) {
  for (uint8_t kind : {0, 1, 2, 3, 5, 255}) {
    PackageContents c = TypicalContents();
    c.previewKind = kind;
    c.slots[3].reset();
    ExpectRefused(c, "slot 3 is missing");
  }
}

TEST(Refusals, LicenceAndReadMeAreRequiredWhenShown) {
  PackageContents c = TypicalContents();
  c.showLicence = 1;
  ExpectRefused(c, "slot 4 is missing: show_licence is set");
  c.showLicence = 0;
  c.showReadMe = 7;
  ExpectRefused(c, "slot 5 is missing: show_readme is set");
}

TEST(Refusals, DecompressionLibraryIsRequired) {
  PackageContents c = TypicalContents();
  c.slots[1].reset();
  ExpectRefused(c, "slot 1 is missing");
}

TEST(Refusals, FlashInstallerMayBeMissing) {
  PackageContents c = TypicalContents();
  c.slots[2].reset();
  EXPECT_NO_THROW(BuildInstallerImage(StubBytes(10), c, Level::kDefault));
}

TEST(Refusals, EntryTypeOutsideOneToSix) {
  for (int32_t type : {0, 7, -1}) {
    PackageContents c = TypicalContents();
    c.slots[7]->type = type;
    ExpectRefused(c, "slot 7 has entry type " + std::to_string(type));
  }
}

TEST(Refusals, StubLargerThanPackageOffset) {
  EXPECT_NO_THROW(CheckStubSize(PackageOffset));
  try {
    BuildInstallerImage(StubBytes(PackageOffset + 1), TypicalContents(), Level::kDefault);
    ADD_FAILURE() << "stub of 552961 bytes accepted";
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr("stub is 552961 bytes"));
  }
}

// Sizes alone decide the layout, so packages near 2 GiB are tried without
// holding their bytes.
PackageSizes SizesFor(const PackageContents& c, int64_t stored, int64_t extracted) {
  PackageSizes sizes;
  for (int slot = 1; slot < saver::kPackageSlots; ++slot) {
    if (c.slots[slot]) sizes[slot] = SlotSizes{stored, extracted};
  }
  return sizes;
}

TEST(Layout, PackageUpToInt32MaxBytesIsAccepted) {
  PackageContents c = TypicalContents();
  auto sizes = SizesFor(c, 1, 1);
  sizes[10] = SlotSizes{kInt32Max - kDataStart - 7, 5};  // 7 one-byte slots before it
  const auto dir = LayOutDirectory(c, sizes);
  EXPECT_EQ(dir.table[10].endOffset(), kInt32Max - 1);
}

TEST(Layout, PackageBeyondInt32MaxBytesIsRefused) {
  PackageContents c = TypicalContents();
  auto sizes = SizesFor(c, 1, 1);
  sizes[10] = SlotSizes{kInt32Max - kDataStart - 6, 5};
  EXPECT_THROW(LayOutDirectory(c, sizes), PackError);
  auto huge = SizesFor(c, int64_t{1} << 32, 1);
  EXPECT_THROW(LayOutDirectory(c, huge), PackError);
}

TEST(Layout, ExtractedSizeBeyondInt32MaxIsRefused) {
  PackageContents c = TypicalContents();
  auto sizes = SizesFor(c, 10, 10);
  sizes[9] = SlotSizes{1000, kInt32Max + 1};
  EXPECT_THROW(LayOutDirectory(c, sizes), PackError);
  sizes[9] = SlotSizes{1000, kInt32Max};
  EXPECT_EQ(LayOutDirectory(c, sizes).table[9].extractedSize(), kInt32Max);
}

}  // namespace
}  // namespace saverpack
