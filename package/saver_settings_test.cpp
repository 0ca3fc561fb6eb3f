#include "saver_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace saver {
namespace {

uint32_t LittleEndianAt(const SaverDataHeaderBytes& header, int offset) {
  return header[offset] | (header[offset + 1] << 8) | (header[offset + 2] << 16) |
         (static_cast<uint32_t>(header[offset + 3]) << 24);
}

SaverSettings Sample() {
  SaverSettings settings;
  settings.background = 0x00102030;
  settings.textColour = 0x00A0B0C0;
  settings.speed = 240;
  settings.flags = kFlagTextOverPicture;
  settings.text = "Deep water";
  settings.picture = "installer.BMP";
  return settings;
}

TEST(SaverSettingsHeader, CarriesTheInstallersFieldsAndTheEnginesAtTheirOffsets) {
  const SaverDataHeaderBytes header = MakeSaverDataHeader(Sample(), 3, -2);
  EXPECT_EQ(header.size(), 1240u);
  EXPECT_EQ(LittleEndianAt(header, 212), 3u);
  EXPECT_EQ(LittleEndianAt(header, 1204), 0xFFFFFFFEu);
  EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "SVRS");
  EXPECT_EQ(header[4] | (header[5] << 8), 1);
  EXPECT_EQ(LittleEndianAt(header, 8), 0x00102030u);
  EXPECT_EQ(LittleEndianAt(header, 16), 240u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&header[24])), "Deep water");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&header[216])), "installer.BMP");
}

TEST(SaverSettingsHeader, WritingLeavesTheInstallersFieldsAndClearsReservedBytes) {
  SaverDataHeaderBytes header;
  header.fill(0xAB);
  WriteEngineSettings(header, Sample());
  for (int offset : {212, 213, 214, 215, 1204, 1205, 1206, 1207}) {
    EXPECT_EQ(header[offset], 0xAB) << offset;
  }
  for (int offset : {20, 23, 88, 150, 211, 472, 800, 1203, 1208, 1239}) {
    EXPECT_EQ(header[offset], 0) << offset;
  }
  EXPECT_EQ(ReadEngineSettings(header), Sample());
}

TEST(SaverSettingsHeader, FieldsThatFillTheirWholeWidthRoundTrip) {
  SaverSettings settings = Sample();
  settings.text = std::string(64, 'x');
  settings.picture = std::string(252, 'p') + ".bmp";
  settings.speed = kMaxSpeed;
  ASSERT_EQ(SettingsProblem(settings), std::nullopt);
  EXPECT_EQ(ReadEngineSettings(MakeSaverDataHeader(settings, 0, 0)), settings);
  settings.speed = kMinSpeed;
  EXPECT_EQ(ReadEngineSettings(MakeSaverDataHeader(settings, 0, 0)).speed, kMinSpeed);
}

TEST(SaverSettingsRead, DefaultsWithoutMagicOrForAShortFile) {
  const SaverSettings defaults;
  SaverDataHeaderBytes foreign;
  foreign.fill(0xFF);
  EXPECT_EQ(ReadEngineSettings(foreign), defaults);
  const SaverDataHeaderBytes full = MakeSaverDataHeader(Sample(), 1, 0);
  const std::vector<uint8_t> cut(full.begin(), full.end() - 1);
  EXPECT_EQ(ReadEngineSettings(cut), defaults);
  EXPECT_EQ(ReadEngineSettings({}), defaults);
}

TEST(SaverSettingsRead, ForgivesDamagedFields) {
  SaverDataHeaderBytes header = MakeSaverDataHeader(Sample(), 1, 0);
  for (uint32_t bad : {0u, 1001u, 0xFFFFFFFFu}) {
    header[16] = static_cast<uint8_t>(bad);
    header[17] = static_cast<uint8_t>(bad >> 8);
    header[18] = static_cast<uint8_t>(bad >> 16);
    header[19] = static_cast<uint8_t>(bad >> 24);
    EXPECT_EQ(ReadEngineSettings(header).speed, SaverSettings{}.speed) << bad;
  }
  header[11] = 0x7F;  // the unused top byte of a colour
  EXPECT_EQ(ReadEngineSettings(header).background, 0x00102030u);
  for (const char* name : {"..\\..\\system32\\x.bmp", "C:x.bmp", "a/b.bmp", ".."}) {
    std::fill(header.begin() + 216, header.begin() + 472, uint8_t{0});
    std::copy_n(name, std::strlen(name), header.begin() + 216);
    EXPECT_EQ(ReadEngineSettings(header).picture, "") << name;
  }
  // A text with no terminating zero ends at its field.
  std::fill(header.begin() + 24, header.begin() + 88, uint8_t{'t'});
  EXPECT_EQ(ReadEngineSettings(header).text, std::string(64, 't'));
}

TEST(SaverSettingsProblem, RefusesWhatCannotBeStoredOrWouldLeaveTheFolder) {
  EXPECT_EQ(SettingsProblem(SaverSettings{}), std::nullopt);
  SaverSettings settings;
  settings.text = std::string(65, 'x');
  EXPECT_NE(SettingsProblem(settings), std::nullopt);
  settings = {};
  settings.picture = std::string(257, 'p');
  EXPECT_NE(SettingsProblem(settings), std::nullopt);
  for (const char* name : {"sub\\a.bmp", "sub/a.bmp", "C:a.bmp", "a?.bmp", ".", ".."}) {
    settings = {};
    settings.picture = name;
    EXPECT_NE(SettingsProblem(settings), std::nullopt) << name;
  }
  for (uint32_t speed : {0u, 1001u}) {
    settings = {};
    settings.speed = speed;
    EXPECT_NE(SettingsProblem(settings), std::nullopt) << speed;
  }
  settings = {};
  settings.background = 0x01000000;
  EXPECT_NE(SettingsProblem(settings), std::nullopt);
}

TEST(SaverSettingsColour, ParsesHtmlStyleColoursIntoWindowsOrder) {
  EXPECT_EQ(ParseColour("#102030"), 0x00302010u);
  EXPECT_EQ(ParseColour("a0B0c0"), 0x00C0B0A0u);
  EXPECT_EQ(ParseColour("#FFFFFF"), 0x00FFFFFFu);
  for (const char* bad : {"", "#", "#12345", "#1234567", "#12345g", "0x123456", "##123456"}) {
    EXPECT_EQ(ParseColour(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace saver
