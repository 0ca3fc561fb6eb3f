#include "pk_stuff.h"

#include <gtest/gtest.h>

#include "dcl.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "package_image.h"

namespace {

// The largest single write of the decompression library: its 8192-byte
// window, one longest match and the match copy's slack.
constexpr size_t kLargestWrite = 8192 + 518 + 8;

using fake::Bytes;

class CompressorTest : public ::testing::Test {
 protected:
  CompressorTest() {
    package::TCompressor::compressionWarningPending = true;
    fs.AddFile("C:\\WINDOWS\\impborl.dll", "MZ");
  }
  fake::FakePlatform fs;
  fake::FakeView view;
};

TEST_F(CompressorTest, LoadsTheLibraryFromTheWindowsFolder) {
  package::TCompressor c(fs, view);
  EXPECT_TRUE(c.loaded);
  EXPECT_EQ(fs.loadLibraryCalls, 1);
}

TEST_F(CompressorTest, WindowsDirectoryEndingInABackslashGetsNoSecondOne) {
  fs.windowsDirectory = "C:\\";
  fs.AddFile("C:\\impborl.dll", "MZ");
  EXPECT_TRUE(package::TCompressor(fs, view).loaded);
}

TEST_F(CompressorTest, MissingLibraryFileLeavesItNotLoadedSilently) {
  ASSERT_TRUE(fs.DeleteFile("C:\\WINDOWS\\impborl.dll"));
  package::TCompressor c(fs, view);
  EXPECT_FALSE(c.loaded);
  EXPECT_EQ(fs.loadLibraryCalls, 0);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(CompressorTest, MissingExportLeavesItNotLoadedSilently) {
  fs.missingSymbols.insert("_crc32");
  EXPECT_FALSE(package::TCompressor(fs, view).loaded);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(CompressorTest, LibraryThatCannotBeLoadedWarnsOnceARun) {
  fs.failLoadLibrary = 5;
  EXPECT_FALSE(package::TCompressor(fs, view).loaded);
  EXPECT_FALSE(package::TCompressor(fs, view).loaded);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text,
            "System experiencing problem using compression. Program will attempt to continue "
            "with compression disabled.\r\n\r\nAccess is denied");
}

TEST_F(CompressorTest, ExplodesIntoAFileAndKeepsTheCrcOfTheOutput) {
  Bytes data;
  for (int i = 0; i < 20000; ++i) data.push_back(static_cast<uint8_t>((i * i) >> 3));
  const Bytes packed = fake::Implode(data);
  package::TCompressor c(fs, view);
  ASSERT_TRUE(c.loaded);
  EXPECT_EQ(
      c.ExplodeToFile("C:\\WINDOWS\\out.bin", packed.data(), static_cast<int32_t>(packed.size())),
      0);
  EXPECT_EQ(fs.FileData("C:\\WINDOWS\\out.bin"), data);
  unsigned size = static_cast<unsigned>(data.size());
  unsigned long crc = 0xFFFFFFFFul;
  const auto expected =
      static_cast<uint32_t>(~dcl_crc32(reinterpret_cast<char*>(data.data()), &size, &crc));
  EXPECT_EQ(c.outputCrc, expected);
}

TEST_F(CompressorTest, DamagedDataIsNotDetectedHereButLeavesAShortFile) {
  Bytes packed = fake::Implode(Bytes(5000, 'x'));
  packed.resize(packed.size() / 2);
  package::TCompressor c(fs, view);
  EXPECT_EQ(
      c.ExplodeToFile("C:\\WINDOWS\\out.bin", packed.data(), static_cast<int32_t>(packed.size())),
      0);
  EXPECT_LT(fs.FileData("C:\\WINDOWS\\out.bin").size(), 5000u);
}

TEST_F(CompressorTest, OutputThatCannotBeCreatedReachesTheCaller) {
  const Bytes packed = fake::Implode(Bytes(10, 'x'));
  package::TCompressor c(fs, view);
  EXPECT_THROW(
      c.ExplodeToFile("C:\\NOFOLDER\\out.bin", packed.data(), static_cast<int32_t>(packed.size())),
      os::IoError);
}

// --- expansion bombs ---

// One megabyte of zeros implodes to a few kilobytes.
Bytes Bomb() { return fake::Implode(Bytes(1 << 20, 0)); }

TEST_F(CompressorTest, ExpansionEndsOnceTheOutputPassesTheLimit) {
  const Bytes packed = Bomb();
  ASSERT_LT(packed.size(), 20000u);
  package::TCompressor c(fs, view);
  EXPECT_EQ(c.ExplodeToFile("C:\\WINDOWS\\out.bin", packed.data(),
                            static_cast<int32_t>(packed.size()), 100),
            0);
  EXPECT_TRUE(c.limitReached);
  const size_t written = fs.FileData("C:\\WINDOWS\\out.bin").size();
  EXPECT_GT(written, 100u) << "the write that passes the limit stays, so the size check fails";
  // At most the limit plus one write of the library: its first write hands
  // out up to its whole 8192-byte window and one longest match (518 bytes).
  EXPECT_LE(written, 100u + kLargestWrite);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(CompressorTest, OutputOfExactlyTheLimitIsWhole) {
  Bytes data(30000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 300);
  const Bytes packed = fake::Implode(data);
  package::TCompressor c(fs, view);
  c.ExplodeToFile("C:\\WINDOWS\\out.bin", packed.data(), static_cast<int32_t>(packed.size()),
                  static_cast<int64_t>(data.size()));
  EXPECT_FALSE(c.limitReached);
  EXPECT_EQ(fs.FileData("C:\\WINDOWS\\out.bin"), data);
}

TEST_F(CompressorTest, WithoutALimitTheWholeStreamIsExpanded) {
  const Bytes packed = Bomb();
  package::TCompressor c(fs, view);
  c.ExplodeToFile("C:\\WINDOWS\\out.bin", packed.data(), static_cast<int32_t>(packed.size()));
  EXPECT_FALSE(c.limitReached);
  EXPECT_EQ(fs.FileData("C:\\WINDOWS\\out.bin").size(), 1u << 20);
}

TEST_F(CompressorTest, LibraryThatIsNoProgramNamesItsFileInTheWarning) {
  fs.failLoadLibrary = 193;
  fs.errorTexts[193] = "%1 is not a valid Win32 application.\r\n";
  package::TCompressor c(fs, view);
  EXPECT_FALSE(c.loaded);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_NE(
      view.boxes[0].text.find("\r\n\r\nC:\\WINDOWS\\impborl.dll is not a valid Win32 application"),
      std::string::npos)
      << view.boxes[0].text;
  EXPECT_EQ(view.boxes[0].text.find('%'), std::string::npos);
}

}  // namespace
