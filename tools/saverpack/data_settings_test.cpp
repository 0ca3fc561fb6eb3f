// The engine's settings in data manifests: the keys read, the values
// refused, the header written over a template (or none) and the listing.
#include "data_settings.h"

#include <gmock/gmock.h>

#include <functional>

#include "data_file.h"
#include "file_io.h"
#include "pack_error.h"
#include "test_support.h"

namespace saverpack {
namespace {

using testing::ErrorOf;
using ::testing::HasSubstr;
using testing::ScratchDir;

DataManifest Parse(const std::string& text) { return ParseDataManifest(text, "/m", "d.manifest"); }

uint32_t U32At(std::span<const uint8_t> bytes, size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
         (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

TEST(DataManifestSettings, ReadsEveryKeyInTheInstallersCodePage) {
  const DataManifest m = Parse(
      "picture = saver.scf\n"
      "text = \"Café # 2\"\n"
      "background = \"#102030\"\n"
      "text_colour = ffAA00  # no '#' needs no quotes\n"
      "speed = 1000\n"
      "text_over_picture = 1\n"
      "record1.copy = saver.scf\n");
  EXPECT_EQ(m.settings.picture, "saver.scf");
  EXPECT_EQ(m.settings.text, "Caf\xE9 # 2");
  EXPECT_EQ(m.settings.background, 0x302010u);  // stored as 0x00BBGGRR
  EXPECT_EQ(m.settings.textColour, 0x00AAFFu);
  EXPECT_EQ(m.settings.speed, 1000u);
  EXPECT_EQ(m.settings.textOverPicture, true);
  EXPECT_FALSE(Parse("record1.copy = saver.scf\n").settings.Given());
  const DataManifest emptied = Parse("picture =\ntext = \"\"\n");
  EXPECT_EQ(emptied.settings.picture, "");  // given, and empty: the preview bitmap
  EXPECT_EQ(emptied.settings.text, "");
}

TEST(DataManifestSettings, TextLengthIsCountedInStoredBytes) {
  std::string accents;
  for (int i = 0; i < 64; ++i) accents += "é";  // 128 bytes of UTF-8, 64 stored
  EXPECT_EQ(Parse("text = " + accents + "\n").settings.text, std::string(64, '\xE9'));
  EXPECT_EQ(ErrorOf([&] { Parse("text = " + accents + "e\n"); }),
            "d.manifest:1: text longer than 64 bytes");
}

TEST(DataManifestSettings, RefusesValuesTheEngineCannotUse) {
  EXPECT_EQ(ErrorOf([] { Parse("record1.copy = a\npicture = sub\\x.bmp\n"); }),
            "d.manifest:2: picture must be a plain file name in the saver folder: sub\\x.bmp");
  EXPECT_THAT(ErrorOf([] { Parse("picture = ..\n"); }), HasSubstr("plain file name"));
  EXPECT_THAT(ErrorOf([] { Parse("picture = ../evil.bmp\n"); }), HasSubstr("plain file name"));
  EXPECT_THAT(ErrorOf([] { Parse("picture = C:x.bmp\n"); }), HasSubstr("plain file name"));
  EXPECT_THAT(ErrorOf([] { Parse("picture = \"a?.bmp\"\n"); }), HasSubstr("plain file name"));
  EXPECT_THAT(ErrorOf([] { Parse("picture = " + std::string(257, 'p') + "\n"); }),
              HasSubstr("longer than 256 bytes"));
  EXPECT_THAT(ErrorOf([] { Parse("picture = 日.bmp\n"); }), HasSubstr("d.manifest:1:11:"));
  EXPECT_EQ(ErrorOf([] { Parse("background = \"#12345\"\n"); }),
            "d.manifest:1: 'background' must be a colour #RRGGBB (six hex digits)");
  EXPECT_THAT(ErrorOf([] { Parse("text_colour = 12345G\n"); }), HasSubstr("six hex digits"));
  EXPECT_THAT(ErrorOf([] { Parse("background = #123456\n"); }),  // a comment: no value
              HasSubstr("write it in quotes"));
  EXPECT_EQ(ErrorOf([] { Parse("speed = 0\n"); }),
            "d.manifest:1: 'speed' must be a whole number from 1 to 1000 (pixels per second)");
  EXPECT_THAT(ErrorOf([] { Parse("speed = 1001\n"); }), HasSubstr("from 1 to 1000"));
  EXPECT_THAT(ErrorOf([] { Parse("speed = -5\n"); }), HasSubstr("from 1 to 1000"));
  EXPECT_THAT(ErrorOf([] { Parse("speed = 60fps\n"); }), HasSubstr("from 1 to 1000"));
  EXPECT_EQ(ErrorOf([] { Parse("text_over_picture = yes\n"); }),
            "d.manifest:1: 'text_over_picture' must be 0 or 1");
  EXPECT_EQ(ErrorOf([] { Parse("speed = 5\ntext = a\nspeed = 6\n"); }),
            "d.manifest:3: key 'speed' appears twice");
}

// Builds the data file of `manifest` (whose template, if any, lies in `dir`)
// and returns its header.
saver::SaverDataHeaderBytes BuiltHeader(const ScratchDir& dir, const std::string& manifest) {
  const DataManifest m = ParseDataManifest(manifest, dir.path(), "d.manifest");
  const std::vector<uint8_t> file = BuildDataFileImage(LoadDataContents(m), Level::kDefault);
  saver::SaverDataHeaderBytes header;
  std::copy_n(file.begin(), header.size(), header.begin());
  return header;
}

saver::SaverSettings TemplateSettings() {
  saver::SaverSettings s;
  s.background = 0x00405060;
  s.textColour = 0x00010203;
  s.speed = 333;
  s.flags = saver::kFlagTextOverPicture | 0x0100;  // and a bit of a later engine
  s.text = "From the template";
  s.picture = "pattern.bmp";
  return s;
}

TEST(DataFileSettings, KeysAloneAreWrittenOverTheDefaultsAtTheEnginesOffsets) {
  ScratchDir dir;
  const auto header = BuiltHeader(dir,
                                  "first_record_mode = 7\npicture = saver.scf\ntext = Deep\n"
                                  "background = \"#0000C0\"\nrecord1.copy = saver.scf\n");
  EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "SVRS");
  EXPECT_EQ(U32At(header, 8), 0xC00000u);   // blue as 0x00BBGGRR
  EXPECT_EQ(U32At(header, 12), 0xFFFFFFu);  // default white text
  EXPECT_EQ(U32At(header, 16), 60u);        // default speed
  EXPECT_EQ(U32At(header, 212), 1u);        // recordCount, the installer's
  EXPECT_EQ(U32At(header, 1204), 7u);       // firstRecordMode, the installer's
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&header[24])), "Deep");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&header[216])), "saver.scf");
  saver::SaverSettings expected;
  expected.background = 0xC00000;
  expected.text = "Deep";
  expected.picture = "saver.scf";
  EXPECT_EQ(saver::ReadEngineSettings(header), expected);
}

TEST(DataFileSettings, ATemplatesBytesStayExactlyWhenNoKeyIsGiven) {
  ScratchDir dir;
  auto head = saver::MakeSaverDataHeader(TemplateSettings(), 0, 0);
  head[100] = 0x5A;  // reserved bytes of the template are kept too
  head[1239] = 0x6B;
  testing::WriteFile(dir / "head.bin", std::vector<uint8_t>(head.begin(), head.end()));
  auto header = BuiltHeader(dir, "template = head.bin\nrecord1.copy = saver.scf\n");
  EXPECT_EQ(U32At(header, 212), 1u);
  header[212] = 0;  // all but recordCount is the template's
  EXPECT_EQ(header, head);
}

TEST(DataFileSettings, EachKeyReplacesOnlyItsOwnTemplateSetting) {
  ScratchDir dir;
  testing::WriteFile(dir / "head.bin", [] {
    const auto head = saver::MakeSaverDataHeader(TemplateSettings(), 9, 3);
    return std::vector<uint8_t>(head.begin(), head.end());
  }());
  const std::string start = "template = head.bin\nrecord1.copy = saver.scf\n";
  auto changed = [&](const std::string& key, const std::function<void(saver::SaverSettings&)>& f) {
    saver::SaverSettings expected = TemplateSettings();
    f(expected);
    const auto header = BuiltHeader(dir, start + key + "\n");
    EXPECT_EQ(U32At(header, 1204), 3u) << key;
    EXPECT_EQ(saver::ReadEngineSettings(header), expected) << key;
  };
  changed("speed = 1", [](auto& s) { s.speed = 1; });
  changed("picture = saver.scf", [](auto& s) { s.picture = "saver.scf"; });
  changed("picture =", [](auto& s) { s.picture.clear(); });
  changed("text = Other", [](auto& s) { s.text = "Other"; });
  changed("background = 000000", [](auto& s) { s.background = 0; });
  changed("text_colour = \"#FF0000\"", [](auto& s) { s.textColour = 0x0000FF; });
  changed("text_over_picture = 0", [](auto& s) { s.flags = 0x0100; });
}

TEST(DataFileSettings, ATemplateWithoutTheMagicGetsDefaultsAndKeepsTheInstallersField) {
  ScratchDir dir;
  testing::WriteFile(dir / "head.bin", std::vector<uint8_t>(1240, 0x33));
  const auto header = BuiltHeader(dir, "template = head.bin\ntext_over_picture = 1\n");
  saver::SaverSettings expected;
  expected.flags = saver::kFlagTextOverPicture;
  EXPECT_EQ(saver::ReadEngineSettings(header), expected);
  EXPECT_EQ(U32At(header, 1204), 0x33333333u);
  EXPECT_EQ(header[100], 0);  // the engine's reserved bytes are cleared
  EXPECT_EQ(header[1239], 0);
}

TEST(DataFileSettings, ALaterTemplateVersionIsKeptWholeOrRefused) {
  ScratchDir dir;
  auto head = saver::MakeSaverDataHeader(TemplateSettings(), 0, 0);
  head[4] = 2;
  head[500] = 0x77;  // a field of that later version
  testing::WriteFile(dir / "head.bin", std::vector<uint8_t>(head.begin(), head.end()));
  EXPECT_EQ(BuiltHeader(dir, "template = head.bin\n")[500], 0x77);
  EXPECT_THAT(ErrorOf([&] { BuiltHeader(dir, "template = head.bin\nspeed = 5\n"); }),
              HasSubstr("holds engine settings of version 2; this builder writes version 1"));
}

TEST(DataFileSettings, TheListingShowsTheSettingsAsTheEngineReadsThem) {
  ScratchDir dir;
  testing::WriteText(dir / "d.manifest",
                     "picture = saver.scf\ntext = Caf\xC3\xA9\nbackground = 0A0B0C\n"
                     "text_colour = \"#FFEE00\"\nspeed = 120\ntext_over_picture = 1\n"
                     "record1.copy = saver.scf\n");
  BuildDataFile(LoadDataManifest(dir / "d.manifest"), dir / "out.ssd", Level::kDefault);
  const std::string listing = FormatDataListing(ReadWholeFile(dir / "out.ssd", "data file"));
  EXPECT_THAT(listing, HasSubstr("engine settings: version 1\n"
                                 "  picture: saver.scf\n"
                                 "  text: Café\n"
                                 "  background: #0A0B0C\n"
                                 "  text colour: #FFEE00\n"
                                 "  speed: 120 pixels per second\n"
                                 "  text over picture: yes\n"));
  DataContents plain;
  plain.records.push_back({"saver.scf", saver::kRecordKindCopy, true, false, {}, {}, 0, {}});
  const std::string defaults = FormatDataListing(BuildDataFileImage(plain, Level::kDefault));
  EXPECT_THAT(defaults, HasSubstr("engine settings: none (the engine uses its defaults)\n"));
  EXPECT_THAT(defaults, HasSubstr("other header bytes: 0 non-zero\n"));
}

TEST(DataFileSettings, APictureThatNoRecordOrInstallerFileMakesIsNoted) {
  auto note = [](const std::string& picture) {
    DataContents c;
    saver::SaverSettings s;
    s.picture = picture;
    saver::WriteEngineSettings(c.header.bytes, s);
    c.records.push_back({"Saver.SCF", saver::kRecordKindCopy, true, false, {}, {}, 0, {}});
    return PictureNote(c);
  };
  EXPECT_EQ(note(""), std::nullopt);
  EXPECT_EQ(note("saver.scf"), std::nullopt);  // Windows ignores the case
  EXPECT_EQ(note("INSTALLER.bmp"), std::nullopt);
  EXPECT_EQ(note("installer.scf"), std::nullopt);
  EXPECT_THAT(note("pattern.bmp").value_or(""), HasSubstr("picture 'pattern.bmp' is no record"));
}

}  // namespace
}  // namespace saverpack
