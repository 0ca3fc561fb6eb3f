// What the builder refuses or warns about from the slots' files and the
// switches; the Windows name rules; the key hints.
#include <gmock/gmock.h>

#include "data_file.h"
#include "manifest_syntax.h"
#include "package_writer.h"
#include "test_support.h"
#include "windows_names.h"

namespace saverpack {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace saverpack::testing;

const PeHeader kI386{0x014C, 0x0102, 0x010B};
const PeHeader kX64{0x8664, 0x0022, 0x020B};

// TypicalContents with files that are what their slots need.
PackageContents Checked() {
  PackageContents c = TypicalContents();
  c.slots[3]->data = SwfBytes(900);
  c.slots[6]->data = EngineBytes(20000);
  c.places.origin = "m.txt";
  return c;
}

std::vector<std::string> WarningsOf(const PackageContents& c, const PeHeader& stub = kI386) {
  Warnings warnings;
  CheckSlotFiles(c, stub, warnings);
  return warnings.texts();
}

std::string RefusalOf(const PackageContents& c, const PeHeader& stub = kI386) {
  return ErrorOf([&] { WarningsOf(c, stub); });
}

TEST(SlotFiles, ACompletePackageGivesNoWarning) {
  EXPECT_THAT(WarningsOf(Checked()), ElementsAre());
}

TEST(SlotFiles, TheEngineMustRunOnTheStubsMachine) {
  struct Case {
    std::vector<uint8_t> engine;
    bool i386Stub, x64Stub;
  };
  std::vector<uint8_t> x64 = EngineBytes(500);
  const std::vector<uint8_t> header = PeStub(0x60, 0x8664, 0x020B, 0x0022);
  std::copy(header.begin(), header.end(), x64.begin());
  std::vector<uint8_t> dll = EngineBytes(500);
  dll[0x56] = 0x02;
  dll[0x57] = 0x21;
  const Case cases[] = {
      {EngineBytes(500), true, true},    {x64, false, true}, {dll, false, false},
      {TextBytes(500, 1), false, false}, {{}, false, false},
  };
  for (const Case& k : cases) {
    PackageContents c = Checked();
    c.slots[6]->data = k.engine;
    EXPECT_EQ(RefusalOf(c, kI386) == "(no error)", k.i386Stub) << RefusalOf(c, kI386);
    EXPECT_EQ(RefusalOf(c, kX64) == "(no error)", k.x64Stub) << RefusalOf(c, kX64);
  }
  PackageContents c = Checked();
  c.slots[6]->data.clear();
  EXPECT_THAT(RefusalOf(c), HasSubstr("m.txt: slot 6 is not a 32-bit Windows program (PE, i386): "
                                      "it is empty. It would become the system's screen saver"));
}

TEST(SlotFiles, ThePreviewMustBeWhatItsKindShows) {
  PackageContents c = Checked();
  c.previewKind = saver::kPreviewBitmap;
  EXPECT_THAT(RefusalOf(c), HasSubstr("slot 3 is a Flash movie (SWF), not a bitmap"));
  c.previewKind = saver::kPreviewFlashAlt;
  c.slots[3]->data = {'B', 'M', 0, 0};
  EXPECT_THAT(RefusalOf(c),
              HasSubstr("slot 3 is a bitmap, but preview_kind 3 plays a Flash movie"));
  c.previewKind = 0;  // no preview: slot 3 may hold anything
  EXPECT_EQ(RefusalOf(c), "(no error)");
  c.previewKind = saver::kPreviewSilent;
  EXPECT_EQ(RefusalOf(c), "(no error)");
}

TEST(SlotFiles, SwitchesAndSlotsThatDoNotMatchWarn) {
  struct Case {
    std::function<void(PackageContents&)> change;
    std::string warning;
  };
  const Case cases[] = {
      {[](PackageContents& c) { c.slots[2].reset(); }, "m.txt: warning: slot 2 (the Flash runtime"},
      {[](PackageContents& c) { c.previewKind = 0; }, "warning: preview_kind 0 shows no preview"},
      {[](PackageContents& c) { c.previewKind = 9; }, "warning: preview_kind 9 shows no preview"},
      {[](PackageContents& c) {
         c.previewKind = saver::kPreviewSilent;
         c.showLicence = 1;
         c.slots[4] = Slot("License.txt", 5, false, TextBytes(100, 4));
       },
       "warning: show_licence is set, but a silent package"},
      {[](PackageContents& c) { c.slots[4] = Slot("License.txt", 5, false, TextBytes(100, 4)); },
       "warning: slot 4 (the licence) is never shown: show_licence is 0"},
      {[](PackageContents& c) { c.slots[5] = Slot("ReadMe.txt", 5, false, TextBytes(100, 5)); },
       "warning: slot 5 (the read-me) is never installed or opened"},
      {[](PackageContents& c) {
         c.showLicence = 1;
         c.slots[4] = Slot("License.txt", 5, false, TextBytes(65537, 4));
       },
       "warning: slot 4 licence has 65537 bytes"},
      {[](PackageContents& c) { c.slots[3]->data = SwfBytes(900, 9); },
       "warning: slot 3 movie is SWF version 9"},
  };
  for (const Case& k : cases) {
    PackageContents c = Checked();
    k.change(c);
    const auto warnings = WarningsOf(c);
    ASSERT_EQ(warnings.size(), 1u) << k.warning;
    EXPECT_THAT(warnings[0], HasSubstr(k.warning));
  }
  // A licence of exactly 64 KB is fine.
  PackageContents c = Checked();
  c.showLicence = 1;
  c.slots[4] = Slot("License.txt", 5, false, TextBytes(65536, 4));
  EXPECT_THAT(WarningsOf(c), ElementsAre());
}

// A data file whose record 1 copies the preview movie installer.scf.
TEST(SlotFiles, FirstRecordModeThreeNeedsTheMoviePreviewInstallerScf) {
  auto withMode3 = [](uint8_t previewKind, const std::string& previewName) {
    PackageContents c = Checked();
    c.previewKind = previewKind;
    c.slots[3]->name = previewName;
    auto data = std::make_shared<DataContents>();
    data->header.setFirstRecordMode(saver::kFirstRecordCopiesPreview);
    data->records.push_back({"saver.scf", saver::kRecordKindCopy, true, false, {}, {}, 0, {}});
    data->places.origin = "d.manifest";
    data->places.lines["first_record_mode"] = 4;
    c.slots[8]->dataFile = data;
    return RefusalOf(c);
  };
  EXPECT_EQ(withMode3(saver::kPreviewFlash, "installer.scf"), "(no error)");
  EXPECT_EQ(withMode3(saver::kPreviewFlashAlt, "Installer.SCF"), "(no error)");
  EXPECT_THAT(withMode3(saver::kPreviewFlash, "movie.swf"),
              HasSubstr("d.manifest:4: first_record_mode 3 copies the preview movie installer.scf "
                        "into record 1, but slot 3 is not named installer.scf"));
  EXPECT_THAT(withMode3(saver::kPreviewSilent, "installer.scf"),
              HasSubstr("this package's preview is not a movie (preview_kind 4)"));
  PackageContents c = Checked();
  c.previewKind = 0;
  std::vector<uint8_t> header(saver::kSaverDataHeaderSize, 0);
  header[1204] = 3;  // firstRecordMode of a prebuilt data file
  c.slots[8]->data = header;
  EXPECT_THAT(ErrorOf([&] {
                Warnings w;
                CheckSlotFiles(c, kI386, w);
              }),
              HasSubstr("m.txt: first_record_mode 3 copies the preview movie installer.scf into "
                        "record 1, but this package's preview is not a movie (preview_kind 0)"));
}

TEST(WindowsNames, WhatWindowsStoresAsAFileOfItsOwn) {
  for (const char* good : {"saver.scf", "a..b", "com10.bmp", "CONOUT", "x$"}) {
    EXPECT_EQ(FileNameProblem(good), std::nullopt) << good;
  }
  const std::pair<std::string, std::string> bad[] = {
      {"", "is empty"},
      {std::string(256, 'n'), "at most 255"},
      {"a/b", "it contains '/'"},
      {"c:x", "it contains ':'"},
      {"a*b", "it contains '*'"},
      {"..", "names a folder"},
      {". .", "names a folder"},
      {"CONOUT$", "reserved device name"},
      {"conin$.txt", "reserved device name"},
      {"Nul.scf", "reserved device name"},
      {"a.", "ends in '.'"},
      {"a ", "ends in ' '"},
  };
  for (const auto& [name, what] : bad) {
    ASSERT_TRUE(FileNameProblem(name)) << name;
    EXPECT_THAT(*FileNameProblem(name), HasSubstr(what));
  }
  EXPECT_EQ(WindowsFolded("Saver\xE9\xFF\x9A.scf"), "SAVER\xC9\x9F\x8A.SCF");
  // 259 - 64 - len("Aqua dir\\") = 186; without a title 259 - 64 - 64 - 5 = 126.
  EXPECT_EQ(SaverFolderPathProblem("Aqua", std::string(186, 'n')), std::nullopt);
  EXPECT_TRUE(SaverFolderPathProblem("Aqua", std::string(187, 'n')));
  EXPECT_EQ(SaverFolderPathProblem(std::nullopt, std::string(126, 'n')), std::nullopt);
  EXPECT_TRUE(SaverFolderPathProblem(std::nullopt, std::string(127, 'n')));
  EXPECT_EQ(WindowsFolderPathProblem(std::string(195, 'n')), std::nullopt);
  EXPECT_TRUE(WindowsFolderPathProblem(std::string(196, 'n')));
}

TEST(KeyHints, TheNearestKnownKeyWithinAFewSlips) {
  const std::vector<std::string> keys = PackageManifestKeys();
  EXPECT_EQ(NearestKeyHint("show_license", keys), " (did you mean 'show_licence'?)");
  EXPECT_EQ(NearestKeyHint("preview-kind", keys), " (did you mean 'preview_kind'?)");
  EXPECT_EQ(NearestKeyHint("slot3.nmae", keys), " (did you mean 'slot3.name'?)");
  EXPECT_EQ(NearestKeyHint("tilte", keys), " (did you mean 'title'?)");
  EXPECT_EQ(NearestKeyHint("colour", keys), "");
  EXPECT_EQ(NearestKeyHint("x", keys), "");
  EXPECT_EQ(NearestKeyHint("text_color", DataManifestKeys()), " (did you mean 'text_colour'?)");
  EXPECT_EQ(NearestKeyHint("record2.compresed", DataManifestKeys()),
            " (did you mean 'record2.compressed'?)");
}

}  // namespace
}  // namespace saverpack
