#include "package_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pack_error.h"
#include "package_writer.h"
#include "test_support.h"

namespace saverpack {
namespace {

using saver::PackageOffset;
using ::testing::HasSubstr;
using namespace saverpack::testing;

constexpr size_t kMinPackage = PackageOffset + saver::kHeaderAndTableSize;

// A typical installer image with header and table open for editing.
class ImageUnderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = BuildInstallerImage(StubBytes(300), TypicalContents(), Level::kDefault);
  }
  saver::PackageEntry& Entry(int slot) {
    Load();
    return dir_.table[slot];
  }
  saver::PackageHeader& Header() {
    Load();
    return dir_.header;
  }
  // Writes the edited header and table back and parses the image.
  PackageInfo Parse() {
    if (loaded_) {
      uint8_t raw[saver::kHeaderAndTableSize];
      saver::SerializeDirectory(dir_, raw);
      std::copy(std::begin(raw), std::end(raw), image_.begin() + PackageOffset);
    }
    return ParsePackage(std::span(image_).subspan(PackageOffset, saver::kHeaderAndTableSize),
                        image_.size());
  }
  void ExpectNotAPackage(const std::string& what) {
    try {
      Parse();
      ADD_FAILURE() << "accepted; expected: " << what;
    } catch (const PackError& e) {
      EXPECT_THAT(e.what(), HasSubstr("not a package: "));
      EXPECT_THAT(e.what(), HasSubstr(what));
    }
  }

  std::vector<uint8_t> image_;

 private:
  void Load() {
    if (loaded_) return;
    uint8_t raw[saver::kHeaderAndTableSize];
    std::copy_n(image_.begin() + PackageOffset, saver::kHeaderAndTableSize, raw);
    dir_ = saver::ParseDirectory(raw);
    loaded_ = true;
  }
  saver::PackageDirectory dir_;
  bool loaded_ = false;
};

TEST_F(ImageUnderTest, BuiltImageParses) {
  const PackageInfo info = Parse();
  EXPECT_EQ(info.fileSize, image_.size());
  EXPECT_EQ(info.directory.header.title(), "Aqua");
  EXPECT_EQ(info.directory.table[9].name(), "saver1.dll");
}

TEST_F(ImageUnderTest, TitleWithoutNulIsReadWhole) {
  auto& h = Header();
  std::fill(h.bytes.begin() + 4, h.bytes.end(), 'Q');
  EXPECT_EQ(Parse().directory.header.title(), std::string(64, 'Q'));
}

TEST_F(ImageUnderTest, TitleStartingWithNulIsEmpty) {
  auto& h = Header();
  h.bytes[4] = 0;
  h.bytes[5] = 'x';
  EXPECT_EQ(Parse().directory.header.title(), "");
}

TEST_F(ImageUnderTest, NameIsItsLengthByteLongWhateverFollows) {
  auto& e = Entry(7);
  const std::string name = "installer.ico";  // 13 characters
  e.bytes[0] = 13;
  std::copy(name.begin(), name.end(), e.bytes.begin() + 1);
  std::fill(e.bytes.begin() + 14, e.bytes.begin() + 256, 'J');
  const PackageInfo info = Parse();
  EXPECT_EQ(info.directory.table[7].name(), name);
  EXPECT_THAT(FormatListing(info), HasSubstr(" installer.ico "));
  EXPECT_THAT(FormatListing(info), ::testing::Not(HasSubstr("installer.icoJ")));
}

TEST_F(ImageUnderTest, EmptySlotOffsetsAreNotChecked) {
  auto& e = Entry(4);
  e.setStartOffset(-5);
  e.setEndOffset(-900);
  e.setEntryType(0);
  EXPECT_NO_THROW(Parse());
}

TEST_F(ImageUnderTest, FileEndingBeforeTheTableIsRefused) {
  image_.resize(kMinPackage - 1);
  ExpectNotAPackage("fewer than 556108");
}

TEST_F(ImageUnderTest, OffsetsOutsideTheFileAreRefused) {
  Entry(10).setEndOffset(static_cast<int32_t>(image_.size()));
  ExpectNotAPackage("slot 10 ends at");
}

TEST_F(ImageUnderTest, NegativeStartIsRefused) {
  Entry(3).setStartOffset(-1);
  ExpectNotAPackage("slot 3 has offsets");
}

TEST_F(ImageUnderTest, ReversedOffsetsAreRefused) {
  auto& e = Entry(8);
  e.setEndOffset(e.startOffset() - 2);
  ExpectNotAPackage("slot 8 has offsets");
}

TEST_F(ImageUnderTest, EntryTypesOutsideOneToSixAreRefused) {
  Entry(6).setEntryType(7);
  ExpectNotAPackage("slot 6 has entry type 7");
  Entry(6).setEntryType(0);
  ExpectNotAPackage("slot 6 has entry type 0");
}

TEST_F(ImageUnderTest, StoredEntryWithOtherExtractedSizeIsRefused) {
  Entry(1).setExtractedSize(Entry(1).extractedSize() + 1);
  ExpectNotAPackage("slot 1 is stored but its extracted size");
}

TEST_F(ImageUnderTest, NegativeExtractedSizeIsRefused) {
  Entry(9).setExtractedSize(-1);
  ExpectNotAPackage("slot 9 has a negative extracted size");
}

TEST_F(ImageUnderTest, ListingShowsHeaderAndEverySlot) {
  const std::string listing = FormatListing(Parse());
  EXPECT_THAT(listing, HasSubstr("title: Aqua\n"));
  EXPECT_THAT(listing, HasSubstr("preview_kind = 2, show_licence = 0, show_readme = 0, "
                                 "open_display_properties = 1"));
  EXPECT_THAT(listing, HasSubstr("install.exe"));
  EXPECT_THAT(listing, HasSubstr("552959"));
  EXPECT_THAT(listing, HasSubstr("(empty)"));
  EXPECT_THAT(listing, HasSubstr("Aqua.scr"));
  EXPECT_THAT(listing, HasSubstr("%"));
  EXPECT_THAT(listing, HasSubstr("crc32: the CRC-32 of the stored bytes; slot 0's covers"));
  // Title, switches, size, column heads, the slots, what the crc32 column is.
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 5 + saver::kPackageSlots);
}

class InstallerFile : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "stub.exe", MarkedStub(2000));
    WriteFile(dir_ / "codec.bin", NoiseBytes(900, 1));
    WriteFile(dir_ / "installer.scf", SwfBytes(700));
    WriteFile(dir_ / "engine.bin", EngineBytes(30000));
    WriteFile(dir_ / "pattern.bmp", NoiseBytes(50, 7));
    WriteFile(dir_ / "data.bin", TextBytes(4000, 8));
    WriteFile(dir_ / "saver1.dll", TextBytes(9000, 9));
    WriteFile(dir_ / "saver2.dll", TextBytes(100, 10));
  }
  Manifest TypicalManifest() const {
    return ParseManifest(
        "title = Aqua\npreview_kind = 2\nopen_display_properties = 1\n"
        "slot1 = codec.bin\nslot3 = installer.scf\n"
        "slot6 = engine.bin\nslot6.compressed = 1\nslot7 = pattern.bmp\nslot8 = data.bin\n"
        "slot9 = saver1.dll\nslot9.compressed = 1\nslot10 = saver2.dll\nslot10.compressed = 1\n",
        dir_.path(), "test manifest");
  }
  BuildOptions Options() const {
    return {dir_ / "stub.exe", dir_ / "out.exe", Level::kDefault, false, {}};
  }
  size_t FilesInDir() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_.path()),
                                             std::filesystem::directory_iterator()));
  }

  ScratchDir dir_;
};

TEST_F(InstallerFile, RoundTripGivesBackEveryFile) {
  const uint64_t size = BuildInstaller(TypicalManifest(), Options());
  const PackageInfo info = ReadPackage(dir_ / "out.exe");
  EXPECT_EQ(info.fileSize, size);
  const auto& t = info.directory.table;
  const std::pair<int, const char*> expected[] = {
      {1, "codec.bin"}, {3, "installer.scf"}, {6, "engine.bin"}, {7, "pattern.bmp"},
      {8, "data.bin"},  {9, "saver1.dll"},    {10, "saver2.dll"}};
  for (const auto& [slot, file] : expected) {
    std::ifstream in(dir_ / file, std::ios::binary);
    const std::vector<uint8_t> original(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(ExtractEntryBytes(dir_ / "out.exe", t[slot]), original) << "slot " << slot;
  }
  EXPECT_EQ(t[1].name(), "impborl.dat");
  EXPECT_EQ(t[1].entryType(), 3);
  EXPECT_EQ(t[6].name(), "Aqua.scr");
  EXPECT_EQ(t[6].entryType(), 2);
  EXPECT_TRUE(t[6].compressed());
  EXPECT_EQ(t[8].name(), "Aqua.ssd");
  EXPECT_EQ(t[8].entryType(), 4);
  EXPECT_EQ(t[7].name(), "pattern.bmp");
  EXPECT_EQ(t[7].entryType(), 5);
  EXPECT_TRUE(t[2].empty());
  const auto stub = ReadStoredBytes(dir_ / "out.exe", t[0]);
  EXPECT_EQ(stub.size(), static_cast<size_t>(PackageOffset));
}

TEST_F(InstallerFile, ManifestNamesAndTypesOverrideTheDefaults) {
  Manifest m = TypicalManifest();
  m.slots[7]->name = "saver.ico";
  m.slots[7]->type = 1;
  BuildInstaller(m, Options());
  const saver::PackageEntry e = ReadPackage(dir_ / "out.exe").directory.table[7];
  EXPECT_EQ(e.name(), "saver.ico");
  EXPECT_EQ(e.entryType(), 1);
}

TEST_F(InstallerFile, NoTemporaryFileIsLeftBehind) {
  const size_t before = FilesInDir();
  BuildInstaller(TypicalManifest(), Options());
  EXPECT_EQ(FilesInDir(), before + 1);
}

TEST_F(InstallerFile, RefusedBuildLeavesTheOldOutputAlone) {
  WriteText(dir_ / "out.exe", "previous");
  Manifest m = TypicalManifest();
  m.slots[9]->name = "../evil.dll";
  EXPECT_THROW(BuildInstaller(m, Options()), PackError);
  std::ifstream in(dir_ / "out.exe");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "previous");
}

TEST_F(InstallerFile, UnreadableSlotFileIsRefused) {
  Manifest m = TypicalManifest();
  m.slots[8]->file = dir_ / "missing.bin";
  try {
    BuildInstaller(m, Options());
    ADD_FAILURE() << "missing file accepted";
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr("cannot read slot 8 file"));
    EXPECT_THAT(e.what(), HasSubstr("missing.bin"));
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.exe"));
}

TEST_F(InstallerFile, DirectoryAsSlotFileIsRefused) {
  Manifest m = TypicalManifest();
  m.slots[7]->file = dir_.path();
  EXPECT_THROW(BuildInstaller(m, Options()), PackError);
}

TEST_F(InstallerFile, OversizedStubIsRefusedBeforeAnythingIsWritten) {
  WriteFile(dir_ / "stub.exe", PeStub(PackageOffset + 1));
  try {
    BuildInstaller(TypicalManifest(), Options());
    ADD_FAILURE() << "stub accepted";
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr("552961"));
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.exe"));
}

TEST_F(InstallerFile, OutputInMissingFolderIsRefused) {
  BuildOptions o = Options();
  o.output = dir_ / "no-such-folder" / "out.exe";
  EXPECT_THROW(BuildInstaller(TypicalManifest(), o), PackError);
}

TEST_F(InstallerFile, SmallFileIsNotAPackage) {
  WriteText(dir_ / "short.exe", "MZ not a package");
  try {
    ReadPackage(dir_ / "short.exe");
    ADD_FAILURE() << "short file accepted";
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr("not a package: the file has 16 bytes"));
  }
}

TEST_F(InstallerFile, MissingInstallerCannotBeRead) {
  EXPECT_THROW(ReadPackage(dir_ / "nothing.exe"), PackError);
}

TEST_F(InstallerFile, ExplodedSizeMustMatchTheTable) {
  BuildInstaller(TypicalManifest(), Options());
  saver::PackageEntry e = ReadPackage(dir_ / "out.exe").directory.table[9];
  e.setExtractedSize(e.extractedSize() - 1);
  EXPECT_THROW(ExtractEntryBytes(dir_ / "out.exe", e), PackError);
}

}  // namespace
}  // namespace saverpack
