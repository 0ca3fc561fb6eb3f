#include "pk_stuff.h"

#include <gtest/gtest.h>

#include "dcl.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "package_image.h"

namespace {

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

}  // namespace
