// The detectors of what a file is: bitmap headers as Windows reads them, PE
// headers, SWF signatures and versions, known formats; and the stub marker.
#include "file_kinds.h"

#include <gmock/gmock.h>

#include "package_writer.h"
#include "test_support.h"

namespace saverpack {
namespace {

using ::testing::HasSubstr;
using namespace saverpack::testing;

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

// "BM", then at 14 an info header of `headerSize` bytes: width, height,
// planes, bits and compression where that header size puts them.
std::vector<uint8_t> Bitmap(uint32_t headerSize, int32_t width, int32_t height, uint16_t bits,
                            uint32_t compression = 0, uint16_t planes = 1) {
  std::vector<uint8_t> b(14 + std::max<uint32_t>(headerSize, 40) + 16, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 14, headerSize);
  if (headerSize == 12) {
    Put16(b, 18, static_cast<uint16_t>(width));
    Put16(b, 20, static_cast<uint16_t>(height));
    Put16(b, 22, planes);
    Put16(b, 24, bits);
  } else {
    Put32(b, 18, static_cast<uint32_t>(width));
    Put32(b, 22, static_cast<uint32_t>(height));
    Put16(b, 26, planes);
    Put16(b, 28, bits);
    Put32(b, 30, compression);
  }
  return b;
}

TEST(BitmapHeader, WhatWindowsLoads) {
  struct Case {
    std::vector<uint8_t> file;
    int32_t width, height;
    uint16_t bits;
  };
  const Case cases[] = {
      {Bitmap(40, 350, 150, 24), 350, 150, 24},
      {Bitmap(40, 350, -150, 24), 350, 150, 24},  // top-down
      {Bitmap(40, 16, 16, 1), 16, 16, 1},
      {Bitmap(40, 16, 16, 4, 2), 16, 16, 4},     // RLE4
      {Bitmap(40, 16, 16, 8, 1), 16, 16, 8},     // RLE8
      {Bitmap(40, 16, 16, 16, 3), 16, 16, 16},   // bit fields
      {Bitmap(108, 16, 16, 32, 3), 16, 16, 32},  // V4 header
      {Bitmap(124, 16, 16, 32), 16, 16, 32},     // V5 header
      {Bitmap(56, 2, 2, 16), 2, 2, 16},
      {Bitmap(12, 64, 32, 8), 64, 32, 8},  // OS/2 core header
  };
  for (const Case& c : cases) {
    const BitmapResult r = ReadBitmapHeader(c.file);
    ASSERT_TRUE(r.info) << r.problem;
    EXPECT_EQ(r.info->width, c.width);
    EXPECT_EQ(r.info->height, c.height);
    EXPECT_EQ(r.info->bitsPerPixel, c.bits);
  }
}

TEST(BitmapHeader, WhatWindowsRefusesIsNamed) {
  const std::pair<std::vector<uint8_t>, std::string> cases[] = {
      {Bitmap(40, 16, 16, 2), "2 bits per pixel"},
      {Bitmap(40, 16, 16, 0), "0 bits per pixel"},
      {Bitmap(40, 16, 16, 24, 4), "JPEG inside a BMP (BI_JPEG)"},
      {Bitmap(40, 16, 16, 24, 5), "PNG inside a BMP (BI_PNG)"},
      {Bitmap(40, 16, 16, 24, 1), "compression 1 with 24 bits"},  // RLE8 needs 8 bits
      {Bitmap(40, 16, 16, 8, 2), "compression 2 with 8 bits"},    // RLE4 needs 4 bits
      {Bitmap(40, 16, 16, 24, 3), "compression 3 with 24 bits"},  // bit fields: 16 or 32
      {Bitmap(40, 16, 16, 24, 0, 2), "2 colour planes"},
      {Bitmap(40, 0, 16, 24), "a size of 0 x 16"},
      {Bitmap(40, -5, 16, 24), "a size of -5 x 16"},
      {Bitmap(40, 16, 0, 24), "a size of 16 x 0"},
      {Bitmap(64 + 1, 16, 16, 24), "its info header has 65 bytes"},
      {Bitmap(12, 16, 16, 32), "an OS/2 core header with 32 bits"},
      {std::vector<uint8_t>{'B', 'M', 0, 0}, "cut short"},
      {std::vector<uint8_t>{'P', 'K'}, "does not start with BM"},
  };
  for (const auto& [file, what] : cases) {
    const BitmapResult r = ReadBitmapHeader(file);
    EXPECT_FALSE(r.info) << what;
    EXPECT_THAT(r.problem, HasSubstr(what));
  }
}

TEST(PeHeaderCheck, MachineAndKindAreRead) {
  const PeResult i386 = ReadPeHeader(PeStub(200));
  ASSERT_TRUE(i386.header);
  EXPECT_TRUE(i386.header->IsI386());
  EXPECT_FALSE(i386.header->IsX64());
  EXPECT_TRUE(i386.header->IsExecutable());
  EXPECT_FALSE(i386.header->IsDll());
  EXPECT_EQ(DescribeMachine(*i386.header), "i386 PE32");

  const PeResult x64 = ReadPeHeader(PeStub(200, 0x8664, 0x020B, 0x0022));
  ASSERT_TRUE(x64.header);
  EXPECT_TRUE(x64.header->IsX64());
  EXPECT_EQ(DescribeMachine(*x64.header), "x86-64 PE32+");

  const PeResult dll = ReadPeHeader(PeStub(200, 0x014C, 0x010B, 0x2102));
  ASSERT_TRUE(dll.header);
  EXPECT_TRUE(dll.header->IsDll());
  const PeResult arm = ReadPeHeader(PeStub(200, 0x01C4, 0x010B));
  ASSERT_TRUE(arm.header);
  EXPECT_FALSE(arm.header->IsI386());
  EXPECT_EQ(DescribeMachine(*arm.header), "machine 0x01C4 with optional header 0x010B");
  // i386 with a PE32+ header is no i386 program.
  EXPECT_FALSE(ReadPeHeader(PeStub(200, 0x014C, 0x020B)).header->IsI386());
}

TEST(PeHeaderCheck, NoHeaderIsNamed) {
  std::vector<uint8_t> farOffset = PeStub(200);
  Put32(farOffset, 0x3C, 190);  // "PE" would run past the end
  std::vector<uint8_t> noSignature = PeStub(200);
  noSignature[0x41] = 'X';
  const std::pair<std::vector<uint8_t>, std::string> cases[] = {
      {{}, "it is empty"},
      {std::vector<uint8_t>(100, 'x'), "does not start with MZ"},
      {std::vector<uint8_t>{'M', 'Z'}, "does not start with MZ"},  // too short for 0x3C
      {farOffset, "has no PE header"},
      {noSignature, "has no PE header"},
  };
  for (const auto& [file, what] : cases) {
    const PeResult r = ReadPeHeader(file);
    EXPECT_FALSE(r.header) << what;
    EXPECT_THAT(r.problem, HasSubstr(what));
  }
}

TEST(SwfHeader, SignatureAndVersion) {
  struct Case {
    std::string head;
    bool compressed;
    uint8_t version;
    std::string problem;
  };
  const Case cases[] = {
      {std::string("FWS\x06\x10\0\0\0", 8), false, 6, ""},
      {std::string("CWS\x06\x10\0\0\0", 8), true, 6, ""},
      {std::string("FWS\x04\x10\0\0\0", 8), false, 4, ""},
      {std::string("CWS\x0A\x10\0\0\0", 8), true, 10, ""},
      {std::string("CWS\x05\x10\0\0\0", 8), true, 5, "compression came with version 6"},
      {std::string("FWS\x00\x10\0\0\0", 8), false, 0, "its version is 0"},
      {std::string("ZWS\x0D\x10\0\0\0", 8), false, 0, "LZMA-compressed (ZWS)"},
      {"FWS", false, 0, "cut short"},
      {"GIF89a", false, 0, "does not start with FWS or CWS"},
      {"fws\x06....", false, 0, "does not start with FWS or CWS"},
  };
  for (const Case& c : cases) {
    const SwfResult r =
        ReadSwfHeader({reinterpret_cast<const uint8_t*>(c.head.data()), c.head.size()});
    EXPECT_EQ(r.problem.empty(), c.problem.empty()) << c.head << ": " << r.problem;
    if (!c.problem.empty()) {
      EXPECT_THAT(r.problem, HasSubstr(c.problem));
    } else {
      EXPECT_EQ(r.compressed, c.compressed);
      EXPECT_EQ(r.version, c.version);
    }
  }
}

TEST(FileFormats, KnownSignaturesAreNamed) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x89PNG\r\n\x1A\nrest", "a PNG image"},
      {"\xFF\xD8\xFF\xE0", "a JPEG image"},
      {"GIF87a", "a GIF image"},
      {"GIF89a..", "a GIF image"},
      {"FWS\x06", "a Flash movie (SWF)"},
      {"CWS\x08", "a Flash movie (SWF)"},
      {"BM....", "a bitmap (BMP)"},
      {"MZ\x90", "a Windows program or library (MZ)"},
      {std::string("\x7F"
                   "ELF"),
       "a Linux program (ELF)"},
      {"", "an empty file"},
  };
  for (const auto& [head, name] : cases) {
    EXPECT_EQ(DescribeFormat({reinterpret_cast<const uint8_t*>(head.data()), head.size()}), name)
        << head;
  }
  const std::string text = "Aqua licence";
  EXPECT_EQ(DescribeFormat({reinterpret_cast<const uint8_t*>(text.data()), text.size()}),
            std::nullopt);
}

TEST(StubMarker, OnlyAStubThatCarriesItForThisPackageOffsetIsTaken) {
  EXPECT_NO_THROW(CheckStubMarker(MarkedStub(2000), "s.exe"));
  EXPECT_THAT(ErrorOf([] { CheckStubMarker(PeStub(2000), "engine.scr"); }),
              HasSubstr("the stub 'engine.scr' is not the installer stub: it lacks the marker"));
  std::vector<uint8_t> other = MarkedStub(2000);
  const std::string_view prefix = saver::kStubMarkerPrefix;
  std::copy_n("4096  ", 6, other.begin() + 0x100 + static_cast<std::ptrdiff_t>(prefix.size()));
  EXPECT_THAT(ErrorOf([&] { CheckStubMarker(other, "old.exe"); }),
              HasSubstr("reads its package at 4096; this saverpack writes packages at 552960"));
  // The marker's text without its number is no marker of this format.
  std::vector<uint8_t> cut(prefix.begin(), prefix.end());
  EXPECT_THAT(ErrorOf([&] { CheckStubMarker(cut, "cut.exe"); }),
              HasSubstr("reads its package at 0"));
}

}  // namespace
}  // namespace saverpack
