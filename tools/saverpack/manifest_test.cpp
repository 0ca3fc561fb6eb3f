#include "manifest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pack_error.h"
#include "test_support.h"

namespace saverpack {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

Manifest Parse(const std::string& text) { return ParseManifest(text, "base", "m.txt"); }

void ExpectRefused(const std::string& text, const std::string& what) {
  try {
    Parse(text);
    ADD_FAILURE() << "accepted: " << text;
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr(what)) << text;
  }
}

TEST(Manifest, ReadsEveryKey) {
  const Manifest m = Parse(
      "title = Aqua Deep\n"
      "preview_kind = 2\n"
      "show_licence = 1\n"
      "show_readme = 255\n"
      "open_display_properties = 0\n"
      "slot1 = ../bin/impborl.dll\n"
      "slot1.name = impborl.dat\n"
      "slot1.type = 3\n"
      "slot10 = /abs/saver2.dll\n"
      "slot10.compressed = 1\n"
      "slot6.compressed = 0\n"
      "slot6 = engine.scr\n");
  EXPECT_EQ(m.title, "Aqua Deep");
  EXPECT_EQ(m.previewKind, 2);
  EXPECT_EQ(m.showLicence, 1);
  EXPECT_EQ(m.showReadMe, 255);
  EXPECT_EQ(m.openDisplayProperties, 0);
  ASSERT_TRUE(m.slots[1]);
  EXPECT_EQ(m.slots[1]->file, fs::path("base/../bin/impborl.dll"));
  EXPECT_EQ(m.slots[1]->name, "impborl.dat");
  EXPECT_EQ(m.slots[1]->type, 3);
  EXPECT_FALSE(m.slots[1]->compressed);
  ASSERT_TRUE(m.slots[10]);
  EXPECT_EQ(m.slots[10]->file, fs::path("/abs/saver2.dll"));
  EXPECT_EQ(m.slots[10]->compressed, true);
  ASSERT_TRUE(m.slots[6]);
  EXPECT_EQ(m.slots[6]->compressed, false);
  EXPECT_FALSE(m.slots[6]->name);
  for (int slot : {0, 2, 3, 4, 5, 7, 8, 9}) EXPECT_FALSE(m.slots[slot]) << slot;
}

TEST(Manifest, SkipsCommentsAndBlankLinesAndTrims) {
  const Manifest m = Parse(
      "# comment line\n"
      "   # indented comment\n"
      "\n"
      "  title   =   A#B   # trailing comment\r\n"
      "preview_kind = 4\t# tab before comment\n");
  EXPECT_EQ(m.title, "A#B");
  EXPECT_EQ(m.previewKind, 4);
}

TEST(Manifest, EmptyTextHasNoTitleAndNoSlots) {
  const Manifest m = Parse("");
  EXPECT_FALSE(m.title);
  for (const auto& s : m.slots) EXPECT_FALSE(s);
}

TEST(Manifest, RefusesMalformedLines) {
  ExpectRefused("title = A\njust words\n", "m.txt:2: expected 'key = value'");
  ExpectRefused(" = value\n", "m.txt:1: missing key");
  ExpectRefused("slot6 =\n", "'slot6' needs a file name");
}

TEST(Manifest, RefusesUnknownAndRepeatedKeys) {
  ExpectRefused("title = A\ncolour = blue\n", "m.txt:2: unknown key 'colour'");
  ExpectRefused("Title = A\n", "unknown key 'Title'");
  ExpectRefused("title = A\ntitle = B\n", "key 'title' appears twice");
  ExpectRefused("slot0 = stub.exe\n", "unknown key 'slot0'");
  ExpectRefused("slot11 = x\n", "unknown key 'slot11'");
  ExpectRefused("slot01 = x\n", "unknown key 'slot01'");
  ExpectRefused("slot = x\n", "unknown key 'slot'");
  ExpectRefused("slot3.size = 4\n", "unknown key 'slot3.size'");
}

TEST(Manifest, RefusesBadNumbers) {
  ExpectRefused("preview_kind = 256\n", "'preview_kind' must be a number from 0 to 255");
  ExpectRefused("show_licence = -1\n", "'show_licence' must be");
  ExpectRefused("show_readme = yes\n", "'show_readme' must be");
  ExpectRefused("open_display_properties = 1x\n", "'open_display_properties' must be");
  ExpectRefused("slot3 = a\nslot3.type = 7\n", "'slot3.type' must be an entry type from 1 to 6");
  ExpectRefused("slot3 = a\nslot3.type = 0\n", "'slot3.type' must be");
  ExpectRefused("slot3 = a\nslot3.compressed = 2\n", "'slot3.compressed' must be 0");
}

TEST(Manifest, RefusesAttributesOfASlotWithoutFile) {
  ExpectRefused("slot5.name = ReadMe.txt\n", "slot5 has attributes but no file");
}

TEST(Manifest, LoadsRelativeToItsFolder) {
  testing::ScratchDir dir;
  fs::create_directories(dir / "sub");
  testing::WriteText(dir / "sub" / "m.txt", "title = T\nslot7 = files/x.bin\n");
  const Manifest m = LoadManifest(dir / "sub" / "m.txt");
  EXPECT_EQ(m.slots[7]->file, dir / "sub" / "files" / "x.bin");
}

TEST(Manifest, MissingFileIsRefused) {
  EXPECT_THROW(LoadManifest("/nonexistent/manifest.txt"), PackError);
}

TEST(ManifestFile, DirectoryLargeFileAndSourceAreNamed) {
  testing::ScratchDir dir;
  try {
    LoadManifest(dir.path());
    ADD_FAILURE() << "directory accepted";
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr("': it is a directory"));
  }
  testing::WriteText(dir / "big.txt", std::string((1 << 20) + 1, '#'));
  EXPECT_THROW(LoadManifest(dir / "big.txt"), PackError);
  testing::WriteText(dir / "ok.txt", std::string((1 << 20) - 20, '#') + "\ntitle = T\n");
  const Manifest m = LoadManifest(dir / "ok.txt");
  EXPECT_EQ(m.title, "T");
  EXPECT_EQ(m.source, dir / "ok.txt");
}

TEST(ManifestSyntax, QuotedValuesKeepHashesBlanksAndEscapes) {
  const Manifest m = Parse(
      "title = \"Aqua #2\"   # the second\n"
      "slot7 = \" we\\\"ird \\\\ #1.bin \"\n"
      "slot7.name = \"\"\n");
  EXPECT_EQ(m.title, "Aqua #2");
  EXPECT_EQ(m.slots[7]->file, fs::path("base/ we\"ird \\ #1.bin "));
  EXPECT_EQ(m.slots[7]->name, "");
}

TEST(ManifestSyntax, HashStartsACommentOnlyAtTheStartOrAfterABlank) {
  const Manifest m = Parse("title = A#B #C\n# x = y\n  #slot3 = z\nslot7 = f#1.bin\t#c\n");
  EXPECT_EQ(m.title, "A#B");
  EXPECT_FALSE(m.slots[3]);
  EXPECT_EQ(m.slots[7]->file, fs::path("base/f#1.bin"));
  ExpectRefused("title # = x\n", "m.txt:1: expected 'key = value'");
}

TEST(ManifestSyntax, QuoteFaultsAreShownWithTheirColumn) {
  ExpectRefused("title = \"Aqua\n", "m.txt:1:9: the quote opened here is not closed");
  ExpectRefused("title = \"A\\tB\"\n", "m.txt:1:11: unknown escape in quotes");
  ExpectRefused("title = \"A\\\n", "m.txt:1:11: unknown escape");
  ExpectRefused("title = \"Aqua\" x\n", "m.txt:1:16: only a comment may follow the closing quote");
  ExpectRefused("\n\ntitle = \"é\"é\n", "m.txt:3:12: only a comment may follow");
}

TEST(ManifestSyntax, LineEndsAreLfCrlfOrALoneCr) {
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    const Manifest m =
        Parse("title = T" + end + "preview_kind = 4" + end + end + "slot3 = p" + end);
    EXPECT_EQ(m.title, "T") << end.size();
    EXPECT_EQ(m.previewKind, 4);
    EXPECT_EQ(m.slots[3]->file, fs::path("base/p"));
    ExpectRefused("title = T" + end + end + "oops" + end, "m.txt:3: expected");
  }
  ExpectRefused("title = 1\r\rb\n", "m.txt:3: expected");
}

TEST(ManifestEncoding, Utf8ByteOrderMarkIsSkippedAndUtf16IsNamed) {
  EXPECT_EQ(Parse("\xEF\xBB\xBFtitle = T\n").title, "T");
  ExpectRefused("\xFF\xFEt\0i\0", "m.txt: the file is UTF-16, which is not supported");
  ExpectRefused("\xFE\xFF\0t\0i", "UTF-16, which is not supported");
  ExpectRefused(std::string("t\0i\0t\0", 6), "holds NUL bytes");
  ExpectRefused("title = caf\xE9\n", "m.txt:1:12: byte 0xE9 is not UTF-8");
  ExpectRefused("# \xC3\xA9\xFF\n", "m.txt:1:4: byte 0xFF is not UTF-8");
}

TEST(ManifestEncoding, TitleAndNamesAreStoredInWindows1252) {
  const Manifest m = Parse("title = Café € Ÿ\nslot7 = x\nslot7.name = Ärger™.bmp\n");
  EXPECT_EQ(m.title, "Caf\xE9 \x80 \x9F");
  EXPECT_EQ(m.slots[7]->name, "\xC4rger\x99.bmp");
}

TEST(ManifestEncoding, CharacterOutsideWindows1252IsShownWithItsColumn) {
  ExpectRefused("title = ééé日本\n", "m.txt:1:12: title: '日' does not exist in the Windows-1252");
  ExpectRefused("slot7 = x\nslot7.name = \"Ω.bmp\"\n", "m.txt:2:15: 'slot7.name': 'Ω'");
}

TEST(ManifestEncoding, FileNameIsConvertedOnlyWhenUsedAsTheName) {
  const Manifest m = Parse("slot7 = dir/日/Ärger.bin\nslot9 = dir/日.dll\n");
  EXPECT_EQ(m.slots[7]->fileName, "\xC4rger.bin");
  EXPECT_FALSE(m.slots[9]->fileName);
  EXPECT_THAT(m.slots[9]->fileNameProblem, HasSubstr("m.txt:2:13: the file name of 'slot9': '日'"));
  EXPECT_EQ(m.slots[9]->file, fs::path("base/dir/日.dll"));
}

}  // namespace
}  // namespace saverpack
