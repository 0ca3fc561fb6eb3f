#include "file_kinds.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace saverpack {
namespace {

uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

bool StartsWith(std::span<const uint8_t> b, std::string_view signature) {
  return b.size() >= signature.size() &&
         std::memcmp(b.data(), signature.data(), signature.size()) == 0;
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

// BITMAPINFOHEADER's compression values that LoadImage reads.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

std::string CompressionName(uint32_t compression) {
  switch (compression) {
    case 4:
      return "JPEG inside a BMP (BI_JPEG)";
    case 5:
      return "PNG inside a BMP (BI_PNG)";
    default:
      return "compression " + std::to_string(compression);
  }
}

}  // namespace

std::optional<std::string> DescribeFormat(std::span<const uint8_t> head) {
  struct Signature {
    std::string_view bytes;
    const char* name;
  };
  static constexpr Signature kSignatures[] = {
      {"\x89PNG\r\n\x1A\n", "a PNG image"},
      {"\xFF\xD8\xFF", "a JPEG image"},
      {"GIF87a", "a GIF image"},
      {"GIF89a", "a GIF image"},
      {"FWS", "a Flash movie (SWF)"},
      {"CWS", "a Flash movie (SWF)"},
      {"ZWS", "an LZMA-compressed Flash movie (SWF)"},
      {"BM", "a bitmap (BMP)"},
      {"MZ", "a Windows program or library (MZ)"},
      {"RIFF", "a RIFF file (AVI, WAV or WebP)"},
      {"PK\x03\x04", "a ZIP archive"},
      {"\x7F"
       "ELF",
       "a Linux program (ELF)"},
      {"%PDF", "a PDF document"},
      {"II*\0", "a TIFF image"},
      {"MM\0*", "a TIFF image"},
  };
  for (const Signature& s : kSignatures) {
    if (StartsWith(head, s.bytes)) return s.name;
  }
  if (head.empty()) return "an empty file";
  return std::nullopt;
}

// Bytes read (little-endian):
//   0            "MZ"
//   0x3C   u32   offset P of the PE header
//   P            "PE\0\0"
//   P + 4  u16   machine
//   P + 22 u16   characteristics
//   P + 24 u16   optional header magic
PeResult ReadPeHeader(std::span<const uint8_t> head) {
  if (head.empty()) return {std::nullopt, "it is empty"};
  if (head.size() < 0x40 || head[0] != 'M' || head[1] != 'Z') {
    return {std::nullopt, "it does not start with MZ"};
  }
  const uint64_t pe = U32(head, 0x3C);
  if (pe + 26 > head.size() || !StartsWith(head.subspan(pe), std::string_view("PE\0\0", 4))) {
    return {std::nullopt, "it has no PE header"};
  }
  return {PeHeader{U16(head, pe + 4), U16(head, pe + 22), U16(head, pe + 24)}, {}};
}

std::string DescribeMachine(const PeHeader& pe) {
  if (pe.IsI386()) return "i386 PE32";
  if (pe.IsX64()) return "x86-64 PE32+";
  return "machine " + Hex(pe.machine) + " with optional header " + Hex(pe.magic);
}

// Bytes read (little-endian):
//   0      "BM"
//   14 u32 size S of the header that follows
//   S = 12 (BITMAPCOREHEADER): 18 u16 width, 20 u16 height, 22 u16 planes,
//          24 u16 bits per pixel; never compressed
//   S = 40, 52, 56, 64, 108, 124 (BITMAPINFOHEADER and its successors):
//          18 i32 width, 22 i32 height (negative: top-down), 26 u16 planes,
//          28 u16 bits per pixel, 30 u32 compression
BitmapResult ReadBitmapHeader(std::span<const uint8_t> head) {
  const auto refuse = [](std::string why) { return BitmapResult{std::nullopt, std::move(why)}; };
  if (!StartsWith(head, "BM")) return refuse("it does not start with BM");
  if (head.size() < 18) return refuse("its headers are cut short");
  const uint32_t headerSize = U32(head, 14);
  BitmapInfo info;
  uint16_t planes = 0;
  uint32_t compression = kBiRgb;
  if (headerSize == 12) {
    if (head.size() < 26) return refuse("its headers are cut short");
    info.width = U16(head, 18);
    info.height = U16(head, 20);
    planes = U16(head, 22);
    info.bitsPerPixel = U16(head, 24);
    if (info.bitsPerPixel == 16 || info.bitsPerPixel == 32) {
      return refuse("an OS/2 core header with " + std::to_string(info.bitsPerPixel) +
                    " bits per pixel");
    }
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
             headerSize == 108 || headerSize == 124) {
    if (head.size() < 34) return refuse("its headers are cut short");
    info.width = static_cast<int32_t>(U32(head, 18));
    const auto height = static_cast<int32_t>(U32(head, 22));
    info.height = height == INT32_MIN ? 0 : (height < 0 ? -height : height);
    planes = U16(head, 26);
    info.bitsPerPixel = U16(head, 28);
    compression = U32(head, 30);
  } else {
    return refuse("its info header has " + std::to_string(headerSize) +
                  " bytes, a size Windows does not know");
  }
  if (planes != 1) return refuse(std::to_string(planes) + " colour planes (Windows reads 1)");
  const uint16_t bpp = info.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
    return refuse(std::to_string(bpp) + " bits per pixel (Windows reads 1, 4, 8, 16, 24 or 32)");
  }
  const bool fits = compression == kBiRgb || (compression == kBiRle8 && bpp == 8) ||
                    (compression == kBiRle4 && bpp == 4) ||
                    (compression == kBiBitfields && (bpp == 16 || bpp == 32));
  if (!fits) {
    return refuse(CompressionName(compression) + " with " + std::to_string(bpp) +
                  " bits per pixel (Windows reads uncompressed, RLE8 or RLE4 bitmaps)");
  }
  if (info.width <= 0 || info.height == 0) {
    return refuse("a size of " + std::to_string(info.width) + " x " + std::to_string(info.height));
  }
  return {info, {}};
}

// Bytes read:
//   0 "FWS" (uncompressed) or "CWS" (zlib-compressed from byte 8, Flash 6
//     and later); "ZWS" is LZMA, which only Flash 11 and later read
//   3 u8 the movie's version
SwfResult ReadSwfHeader(std::span<const uint8_t> head) {
  SwfResult result;
  if (StartsWith(head, "ZWS")) {
    result.problem = "it is LZMA-compressed (ZWS), which the Flash 6 control cannot read";
    return result;
  }
  result.compressed = StartsWith(head, "CWS");
  if (!result.compressed && !StartsWith(head, "FWS")) {
    result.problem = "it does not start with FWS or CWS";
    return result;
  }
  if (head.size() < 8) {
    result.problem = "its header is cut short";
    return result;
  }
  result.version = head[3];
  if (result.version == 0) {
    result.problem = "its version is 0";
  } else if (result.compressed && result.version < kInstallerFlashVersion) {
    result.problem = "it is compressed (CWS) but claims version " + std::to_string(result.version) +
                     "; compression came with version 6";
  }
  return result;
}

}  // namespace saverpack
