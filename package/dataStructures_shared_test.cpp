#include "dataStructures_shared.h"

#include <gtest/gtest.h>

namespace saver {
namespace {

TEST(PackageHeader, TitleOfSixtyFourBytesWithoutNulIsTakenWhole) {
  uint8_t raw[kHeaderAndTableSize] = {};
  for (int i = 0; i < kTitleSize; ++i) raw[4 + i] = static_cast<uint8_t>('A' + i % 26);
  raw[4 + kTitleSize] = 'X';  // first byte of slot 0's name field follows directly
  const PackageDirectory d = ParseDirectory(raw);
  EXPECT_EQ(d.header.title().size(), 64u);
  EXPECT_EQ(d.header.title().back(), 'A' + 63 % 26);
}

TEST(PackageHeader, TitleStartingWithNulIsEmpty) {
  PackageHeader h;
  h.setTitle(std::string("\0Aqua", 5));
  EXPECT_EQ(h.title(), "");
}

TEST(PackageHeader, SwitchesAreTheFirstFourBytes) {
  uint8_t raw[kHeaderAndTableSize] = {1, 2, 3, 4};
  const PackageDirectory d = ParseDirectory(raw);
  EXPECT_EQ(d.header.previewKind(), 1);
  EXPECT_EQ(d.header.showLicence(), 2);
  EXPECT_EQ(d.header.showReadMe(), 3);
  EXPECT_EQ(d.header.openDisplayProperties(), 4);
}

TEST(PackageEntry, LengthByteThirteenWithTrailingJunkGivesThirteenCharacters) {
  uint8_t raw[kHeaderAndTableSize] = {};
  uint8_t* slot3 = raw + kHeaderSize + 3 * kEntrySize;
  const char text[] = "installer.scfJUNKJUNK";
  slot3[0] = 13;
  std::memcpy(slot3 + 1, text, sizeof text - 1);
  EXPECT_EQ(ParseDirectory(raw).table[3].name(), "installer.scf");
}

TEST(PackageEntry, FieldsAreLittleEndianAtTheirOffsets) {
  uint8_t raw[kHeaderAndTableSize] = {};
  uint8_t* e = raw + kHeaderSize + 6 * kEntrySize;
  const uint8_t start[] = {0x78, 0x56, 0x34, 0x12};
  std::memcpy(e + 256, start, 4);
  e[260] = 0xFF, e[261] = 0xFF, e[262] = 0xFF, e[263] = 0xFF;  // -1
  e[264] = 2;
  e[268] = 1, e[269] = 0xAA;  // only the first byte counts
  e[276] = 0x00, e[277] = 0x30, e[278] = 0x07;
  const PackageEntry entry = ParseDirectory(raw).table[6];
  EXPECT_EQ(entry.startOffset(), 0x12345678);
  EXPECT_EQ(entry.endOffset(), -1);
  EXPECT_EQ(entry.entryType(), 2);
  EXPECT_TRUE(entry.compressed());
  EXPECT_EQ(entry.extractedSize(), 471040);
}

TEST(PackageEntry, CompressedTestsOnlyTheFirstByte) {
  PackageEntry e;
  e.setCompressed(0x100);
  EXPECT_FALSE(e.compressed());
}

TEST(PackageEntry, EmptySlotHasNoName) {
  PackageEntry e;
  EXPECT_TRUE(e.empty());
  e.setName("a");
  EXPECT_FALSE(e.empty());
}

TEST(PackageDirectory, SerializeThenParseKeepsEveryByte) {
  uint8_t raw[kHeaderAndTableSize];
  for (int i = 0; i < kHeaderAndTableSize; ++i) raw[i] = static_cast<uint8_t>(i * 7 + 3);
  uint8_t back[kHeaderAndTableSize];
  SerializeDirectory(ParseDirectory(raw), back);
  EXPECT_EQ(std::memcmp(raw, back, sizeof raw), 0);
}

// --- name rules ---

TEST(NameRules, NamesThatCanLeaveTheFolderAreRefused) {
  for (const char* name : {"..", ".", "...", ".. ", " ", "..\\evil.dll", "sub\\a.dll", "a/b.dll",
                           "../up.dll", "C:evil.dll", "c:", "\\\\server\\x"}) {
    EXPECT_FALSE(StaysInFolder(name)) << name;
  }
}

TEST(NameRules, DotsInsideANameAreHarmless) {
  for (const char* name : {"saver..v2.dll", "a..b", "..hidden", "name..", ".profile", "x.y.z",
                           "impborl.dat", "Aqua.scr"}) {
    EXPECT_TRUE(StaysInFolder(name)) << name;
  }
}

TEST(NameRules, DeviceNamesInEveryFormAreReserved) {
  for (const char* name :
       {"CON", "con", "Con", "PRN", "aux", "NUL", "nul.txt", "CON.scr", "com1", "COM9.dll", "Lpt1",
        "LPT9.x.y", "con .txt", "NUL ", "CONOUT$", "conin$", "CONOUT$.txt"}) {
    EXPECT_TRUE(IsReservedDeviceName(name)) << name;
  }
}

TEST(NameRules, NamesThatOnlyLookLikeDevicesAreFree) {
  for (const char* name :
       {"CONSOLE", "icon.bmp", "com0", "COM10", "LPT", "lpt0.dll", "nul1", "xCON", "auxiliary.dll",
        "", ".con", "Aqua.scr", "CONOUT", "CONIN", "conout$x", "$CONIN"}) {
    EXPECT_FALSE(IsReservedDeviceName(name)) << name;
  }
}

}  // namespace
}  // namespace saver
