// Saver data files from the builder: the data manifest, the layout written,
// the refusals, and the listing of good and damaged files.
#include "data_file.h"

#include <gmock/gmock.h>

#include "file_io.h"
#include "implode_bytes.h"
#include "pack_error.h"
#include "package_reader.h"
#include "test_support.h"

namespace saverpack {
namespace {

using testing::ErrorOf;
using ::testing::HasSubstr;
using testing::NoiseBytes;
using testing::ScratchDir;
using testing::TextBytes;

DataManifest Parse(const std::string& text) { return ParseDataManifest(text, "/m", "d.manifest"); }

TEST(DataManifest, ReadsRecordsCopiesAndHeaderKeys) {
  const DataManifest m = Parse(
      "template = head.bin  # the engine's settings\n"
      "first_record_mode = 3\n"
      "record1.copy = saver.scf\n"
      "record2 = movies/prevmon.swf\n"
      "record2.name = prevmon.scf\n"
      "record2.compressed = 1\n"
      "record2.kind = 7\n");
  EXPECT_EQ(m.templateFile, std::filesystem::path("/m/head.bin"));
  EXPECT_EQ(m.firstRecordMode, 3);
  ASSERT_EQ(m.records.size(), 2u);
  EXPECT_EQ(m.records[0].copy, "saver.scf");
  EXPECT_EQ(m.records[1].file, std::filesystem::path("/m/movies/prevmon.swf"));
  EXPECT_EQ(m.records[1].name, "prevmon.scf");
  EXPECT_EQ(m.records[1].compressed, true);
  EXPECT_EQ(m.records[1].kind, 7);
}

TEST(DataManifest, RefusesBadKeysNumbersAndShapes) {
  EXPECT_EQ(ErrorOf([] { Parse("colour = 1\n"); }), "d.manifest:1: unknown key 'colour'");
  EXPECT_EQ(ErrorOf([] { Parse("record1 = a\nrecord1 = b\n"); }),
            "d.manifest:2: key 'record1' appears twice");
  EXPECT_EQ(ErrorOf([] { Parse("record1 = a\nrecord3 = b\n"); }),
            "d.manifest:2: record3 is given but record2 is missing");
  EXPECT_THAT(ErrorOf([] { Parse("record110 = a\n"); }), HasSubstr("from 1 to 109"));
  EXPECT_THAT(ErrorOf([] { Parse("record1 = a\nrecord1.kind = 3\n"); }),
              HasSubstr("use record1.copy"));
  EXPECT_THAT(ErrorOf([] { Parse("record1.compressed = 2\nrecord1 = a\n"); }),
              HasSubstr("0 (stored) or 1"));
  EXPECT_EQ(ErrorOf([] { Parse("record1 = a\nrecord1.copy = b\n"); }),
            "d.manifest:1: record1 is both a file and a copy");
  EXPECT_THAT(ErrorOf([] { Parse("record1.name = a\n"); }), HasSubstr("needs a file"));
  EXPECT_THAT(ErrorOf([] { Parse("record1.copy = b\nrecord1.compressed = 1\n"); }),
              HasSubstr("is a copy"));
  EXPECT_THAT(ErrorOf([] { Parse("first_record_mode = 3x\n"); }), HasSubstr("whole number"));
}

DataRecordContent FileRecord(std::string name, std::vector<uint8_t> data, bool compressed) {
  DataRecordContent r;
  r.name = std::move(name);
  r.data = std::move(data);
  r.compressed = compressed;
  return r;
}

DataRecordContent CopyRecord(std::string name) {
  DataRecordContent r;
  r.name = std::move(name);
  r.copy = true;
  r.kind = saver::kRecordKindCopy;
  return r;
}

DataContents Typical() {
  DataContents c;
  c.header.bytes[0] = 0x11;
  c.header.bytes[1239] = 0x22;
  c.records.push_back(FileRecord("saver.scf", TextBytes(30000, 1), true));
  c.records.push_back(FileRecord("pattern.bmp", NoiseBytes(500, 2), false));
  c.records.push_back(CopyRecord("prevmon.scf"));
  return c;
}

TEST(DataFile, ChunksFollowTheTableInRecordOrderWithTheirSizes) {
  const DataContents c = Typical();
  const std::vector<uint8_t> file = BuildDataFileImage(c, Level::kDefault);
  saver::SaverDataHeader h;
  std::copy_n(file.begin(), h.bytes.size(), h.bytes.begin());
  EXPECT_EQ(h.recordCount(), 3);
  EXPECT_EQ(h.bytes[0], 0x11);
  EXPECT_EQ(h.bytes[1239], 0x22);
  int64_t expected = 1240 + 3 * 264;
  for (int i = 0; i < 3; ++i) {
    saver::SaverDataRecord r;
    std::copy_n(file.begin() + 1240 + i * 264, r.bytes.size(), r.bytes.begin());
    EXPECT_EQ(r.name(), c.records[i].name);
    EXPECT_EQ(r.position(), expected);
    saver::SaverDataChunkHeader chunk;
    std::copy_n(file.begin() + expected, chunk.bytes.size(), chunk.bytes.begin());
    EXPECT_TRUE(chunk.hasMagic());
    EXPECT_EQ(chunk.fileSize(), c.records[i].copy ? 0 : int32_t(c.records[i].data.size()));
    const auto stored = std::span(file).subspan(expected + 44, chunk.storedLength());
    if (chunk.compressed()) {
      EXPECT_EQ(stored[0], 0);  // binary literals
      EXPECT_EQ(stored[1], 6);  // 4096-byte dictionary
      EXPECT_EQ(ExplodeBytes(stored), c.records[i].data);
    } else if (!c.records[i].copy) {
      EXPECT_TRUE(std::equal(stored.begin(), stored.end(), c.records[i].data.begin()));
    }
    expected += 44 + chunk.storedLength();
  }
  EXPECT_EQ(expected, static_cast<int64_t>(file.size()));  // ends with the last chunk
}

TEST(DataFile, RefusesWhatTheInstallerCannotInstall) {
  auto refused = [](const std::function<void(DataContents&)>& change) {
    DataContents c = Typical();
    change(c);
    return ErrorOf([&] { BuildDataFileImage(c, Level::kDefault); });
  };
  EXPECT_THAT(refused([](DataContents& c) { c.records[1].name = "sub\\pattern.bmp"; }),
              HasSubstr("not a plain file name"));
  EXPECT_THAT(refused([](DataContents& c) { c.records[2].name = "..\\evil.scf"; }),
              HasSubstr("not a plain file name"));
  EXPECT_THAT(refused([](DataContents& c) { c.records[2].name = ".."; }),
              HasSubstr("record3 name '..' names a folder, not a file"));
  EXPECT_THAT(refused([](DataContents& c) { c.records[1].name = std::string(256, 'a'); }),
              HasSubstr("at most 255"));
  EXPECT_THAT(refused([](DataContents& c) { c.records[1].name = ""; }),
              HasSubstr("record2 name '' is empty"));
  // Names Windows takes for one file: letter case (also of Windows-1252
  // letters), and device names with or without an extension.
  EXPECT_THAT(refused([](DataContents& c) { c.records[2].name = "SAVER.scf"; }),
              HasSubstr("record3 name 'SAVER.scf' names the same file as record1's 'saver.scf'"));
  EXPECT_THAT(refused([](DataContents& c) {
                c.records[0].name = "\xE9t\xE9.scf";
                c.records[2].name = "\xC9T\xC9.SCF";
              }),
              HasSubstr("record3 name 'ÉTÉ.SCF' names the same file as record1's 'été.scf'"));
  for (const char* device :
       {"NUL", "con", "COM1", "aux", "LPT1", "prn", "nul.txt", "CONOUT$", "conin$.scf"}) {
    EXPECT_THAT(refused([&](DataContents& c) { c.records[1].name = device; }),
                HasSubstr("record2 name '" + std::string(device) + "' is a reserved device name"));
  }
  EXPECT_THAT(refused([](DataContents& c) { c.records[1].name = "pattern.bmp."; }),
              HasSubstr("ends in '.', which Windows drops"));
  EXPECT_THAT(refused([](DataContents& c) { c.records[1].name = "pattern.bmp "; }),
              HasSubstr("ends in ' '"));
  // Without a package title the longest one (64 bytes) is counted: 259 -
  // 64 (Windows folder) - 64 - " dir\\" (5) leaves 126.
  EXPECT_THAT(refused([](DataContents& c) { c.records[1].name = std::string(127, 'p'); }),
              HasSubstr("is 127 bytes long; in the saver folder ('<Windows>\\<title of up to 64 "
                        "bytes> dir\\'"));
  EXPECT_EQ(refused([](DataContents& c) { c.records[1].name = std::string(126, 'p'); }),
            "(no error)");
  EXPECT_THAT(refused([](DataContents& c) { c.records[1].data.clear(); }),
              HasSubstr("makes no file"));
  EXPECT_THAT(refused([](DataContents& c) { c.header.setFirstRecordMode(3); }),
              HasSubstr("first_record_mode 3"));
  EXPECT_THAT(refused([](DataContents& c) {
                c.records.resize(110, FileRecord("x", {1}, false));
                for (size_t i = 3; i < 110; ++i) c.records[i].name = "f" + std::to_string(i);
              }),
              HasSubstr("at most 109"));
}

TEST(DataFile, FirstRecordModeThreeWithACopiedFirstRecordIsAccepted) {
  DataContents c = Typical();
  c.header.setFirstRecordMode(3);
  c.records[0] = CopyRecord("saver.scf");
  const std::string listing = FormatDataListing(BuildDataFileImage(c, Level::kDefault));
  EXPECT_THAT(listing, HasSubstr("firstRecordMode: 3"));
  EXPECT_THAT(listing, HasSubstr("saver.scf                         copy of installer.scf"));
  EXPECT_THAT(listing, HasSubstr("prevmon.scf                       copy of saver.scf"));
}

TEST(DataFile, BuildFromAManifestWithATemplateThenListIt) {
  ScratchDir dir;
  std::vector<uint8_t> head(1240, 0x33);
  saver::SaverDataHeader probe;
  testing::WriteFile(dir / "head.bin", head);
  testing::WriteFile(dir / "movie.swf", TextBytes(20000, 4));
  testing::WriteText(dir / "notes.txt", "some notes");
  testing::WriteText(dir / "d.manifest",
                     "template = head.bin\nrecord1 = movie.swf\nrecord1.compressed = 1\n"
                     "record2 = notes.txt\nrecord3.copy = copy.swf\n");
  const uint64_t size =
      BuildDataFile(LoadDataManifest(dir / "d.manifest"), dir / "out.ssd", Level::kDefault);
  const auto file = ReadWholeFile(dir / "out.ssd", "data file");
  EXPECT_EQ(file.size(), size);
  std::copy_n(file.begin(), 1240, probe.bytes.begin());
  EXPECT_EQ(probe.recordCount(), 3);
  EXPECT_EQ(probe.firstRecordMode(), 0x33333333);  // kept from the template
  EXPECT_EQ(probe.bytes[0], 0x33);
  const std::string listing = FormatDataListing(file);
  EXPECT_THAT(listing, HasSubstr("recordCount: 3\n"));
  EXPECT_THAT(listing, HasSubstr("other header bytes: 1232 non-zero"));
  EXPECT_THAT(listing, ::testing::ContainsRegex("movie.swf +2032 +20000 +[0-9]+  yes +[0-9.]+%"));
  EXPECT_THAT(listing, ::testing::ContainsRegex("notes.txt +[0-9]+ +10 +10  no +100.00%"));
}

TEST(DataFile, TemplateOfTheWrongSizeIsRefused) {
  ScratchDir dir;
  testing::WriteFile(dir / "head.bin", std::vector<uint8_t>(1000));
  DataManifest m;
  m.templateFile = dir / "head.bin";
  EXPECT_THAT(ErrorOf([&] { LoadDataContents(m); }), HasSubstr("has 1000 bytes"));
}

// Paths of files on this machine are taken as written (UTF-8); only what
// the data file stores is converted to Windows-1252.
TEST(DataFile, FilesInNonAsciiFoldersAreFoundAndTheirNamesStoredInTheCodePage) {
  const auto Bytes = [](const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
  };
  ScratchDir dir;
  std::filesystem::create_directories(dir / "Фильмы");
  testing::WriteFile(dir / "Фильмы/b\xC3\xA9ta.swf", NoiseBytes(100, 1));
  testing::WriteFile(dir / "Фильмы/волна.swf", NoiseBytes(100, 2));
  testing::WriteFile(dir / "d.manifest",
                     Bytes("record1 = Фильмы/b\xC3\xA9ta.swf\n"
                           "record2 = Фильмы/волна.swf\nrecord2.name = wave.scf\n"
                           "record3.copy = caf\xC3\xA9.scf\n"));
  const DataContents contents = LoadDataContents(LoadDataManifest(dir / "d.manifest"));
  ASSERT_EQ(contents.records.size(), 3u);
  EXPECT_EQ(contents.records[0].name, "b\xE9ta.swf");
  EXPECT_EQ(ReadWholeFile(contents.records[0].file, "record"), NoiseBytes(100, 1));
  EXPECT_EQ(contents.records[0].size(), 100u);
  EXPECT_EQ(contents.records[1].name, "wave.scf");
  EXPECT_EQ(contents.records[2].name, "caf\xE9.scf");

  testing::WriteFile(dir / "d.manifest", Bytes("record1 = Фильмы/волна.swf\n"));
  EXPECT_THAT(ErrorOf([&] { LoadDataContents(LoadDataManifest(dir / "d.manifest")); }),
              HasSubstr("give the record a name"));
  EXPECT_THAT(ErrorOf([&] { Parse("record1 = a\nrecord1.name = волна.scf\n"); }),
              HasSubstr("Windows-1252"));
}

TEST(DataListing, DamagedFilesGiveOneClearError) {
  const std::vector<uint8_t> good = BuildDataFileImage(Typical(), Level::kDefault);
  auto damage = [&](const std::function<void(std::vector<uint8_t>&)>& change) {
    std::vector<uint8_t> f = good;
    change(f);
    return ErrorOf([&] { FormatDataListing(f); });
  };
  EXPECT_THAT(damage([](auto& f) { f.resize(1000); }), HasSubstr("not a data file"));
  EXPECT_THAT(damage([](auto& f) { saver::StoreI32(&f[212], 110); }), HasSubstr("above 109"));
  EXPECT_THAT(damage([](auto& f) { f.resize(1240 + 264); }), HasSubstr("past the end"));
  EXPECT_THAT(damage([](auto& f) { saver::StoreI32(&f[1240 + 260], -4); }),
              HasSubstr("record 1's chunk at -4 lies outside"));
  EXPECT_THAT(damage([](auto& f) { f.resize(f.size() - 45); }),  // into record 2
              HasSubstr("record 2's chunk (file size 500, 500 stored bytes) runs past"));
  EXPECT_THAT(damage([](auto& f) {
                const int32_t at = saver::LoadI32(&f[1240 + 260]);
                saver::StoreI32(&f[at + 8], 29999);
              }),
              HasSubstr("record 1 expands to 30000 bytes, not its file size 29999"));
}

}  // namespace
}  // namespace saverpack
