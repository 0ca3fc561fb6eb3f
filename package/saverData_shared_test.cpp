// The saver data file's records: field places, byte order, name rules.
#include "saverData_shared.h"

#include <gtest/gtest.h>

namespace {

TEST(SaverDataRecords, FieldsAreLittleEndianAtTheirOffsets) {
  saver::SaverDataHeader h;
  h.setRecordCount(0x01020304);
  h.setFirstRecordMode(-2);
  EXPECT_EQ((std::vector<uint8_t>(h.bytes.begin() + 212, h.bytes.begin() + 216)),
            (std::vector<uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ((std::vector<uint8_t>(h.bytes.begin() + 1204, h.bytes.begin() + 1208)),
            (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(h.recordCount(), 0x01020304);
  EXPECT_EQ(h.firstRecordMode(), -2);

  saver::SaverDataRecord r;
  r.setKind(3);
  r.setPosition(0x7FFFFFF0);
  EXPECT_EQ(r.bytes[0], 3);
  EXPECT_EQ(r.bytes[260], 0xF0);
  EXPECT_EQ(r.bytes[263], 0x7F);

  saver::SaverDataChunkHeader c;
  c.setMagic();
  c.setFileSize(5);
  c.setStoredSize(7);
  c.setCompressed(0x100);  // any non-zero i32 means compressed
  EXPECT_EQ(std::string(c.bytes.begin(), c.bytes.begin() + 4), "CHUN");
  EXPECT_EQ(c.bytes[8], 5);
  EXPECT_EQ(c.bytes[12], 7);
  EXPECT_TRUE(c.compressed());
  EXPECT_EQ(c.storedLength(), 7);
  c.setCompressed(0);
  EXPECT_EQ(c.storedLength(), 5);
}

TEST(SaverDataRecords, NameEndsAtItsFirstZeroOrTheFieldEnd) {
  saver::SaverDataRecord r;
  r.setName(std::string(300, 'n'));  // cut to 255 so the field stays terminated
  EXPECT_EQ(r.name(), std::string(255, 'n'));
  std::fill(r.bytes.begin() + 2, r.bytes.begin() + 258, 'x');
  EXPECT_EQ(r.name(), std::string(256, 'x'));  // a damaged field is read, not overrun
  r.setName("a.scf");
  EXPECT_EQ(r.name(), "a.scf");
  EXPECT_EQ(r.bytes[258], 0);
}

TEST(SaverDataRecords, FileNameIsTheTextAfterTheLastBackslashOrColon) {
  EXPECT_EQ(saver::RecordFileName("movies\\old\\saver.scf"), "saver.scf");
  EXPECT_EQ(saver::RecordFileName("C:saver.scf"), "saver.scf");
  EXPECT_EQ(saver::RecordFileName("a/b.scf"), "a/b.scf");
  EXPECT_EQ(saver::RecordFileName("dir\\"), "");
}

TEST(SaverDataRecords, ContainedRelativePaths) {
  for (const char* ok : {"saver.scf", "sub\\saver.scf", "sub/deeper/x.bmp", "a.b.c", "..x"}) {
    EXPECT_TRUE(saver::IsContainedRelativePath(ok)) << ok;
  }
  for (const char* bad : {"", "..", "..\\x", "a\\..\\..\\x", "\\x", "/x", "C:\\x", "C:x", "x:y",
                          "a\\\\x", "x\\", ". \\x", "...", "sub/./x"}) {
    EXPECT_FALSE(saver::IsContainedRelativePath(bad)) << bad;
  }
  EXPECT_TRUE(saver::IsPlainFileName("saver.scf"));
  EXPECT_FALSE(saver::IsPlainFileName("a/b"));
  EXPECT_FALSE(saver::IsPlainFileName(". ."));
}

}  // namespace
