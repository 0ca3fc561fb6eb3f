// What a file is, from its first bytes: the detectors behind the builder's
// checks of the stub, the engine and the preview. Each looks only at a
// file's head (kHeadSize bytes are enough for all of them).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace saverpack {

// Bytes of a file's head that the detectors need.
constexpr size_t kHeadSize = 4096;

// A short name of the file's format when its signature is known ("a PNG
// image", "a Flash movie (SWF)", "a Windows program or library (MZ)", ...),
// or nothing.
std::optional<std::string> DescribeFormat(std::span<const uint8_t> head);

// The fields of a PE header that the builder checks.
struct PeHeader {
  uint16_t machine = 0;          // 0x014C i386, 0x8664 x86-64
  uint16_t characteristics = 0;  // 0x0002 executable image, 0x2000 DLL
  uint16_t magic = 0;            // 0x010B PE32, 0x020B PE32+
  bool IsI386() const { return machine == 0x014C && magic == 0x010B; }
  bool IsX64() const { return machine == 0x8664 && magic == 0x020B; }
  bool IsDll() const { return (characteristics & 0x2000) != 0; }
  bool IsExecutable() const { return (characteristics & 0x0002) != 0; }
};

// The PE header of an "MZ" image, or why there is none ("it is empty",
// "it does not start with MZ", "it has no PE header").
struct PeResult {
  std::optional<PeHeader> header;
  std::string problem;
};
PeResult ReadPeHeader(std::span<const uint8_t> head);

// "i386 PE32", "x86-64 PE32+" or "machine 0x01C4 with optional header 0x010B".
std::string DescribeMachine(const PeHeader& pe);

// A bitmap as LoadImage reads it from a file.
struct BitmapInfo {
  int32_t width = 0;
  int32_t height = 0;  // without its sign (negative heights are top-down)
  uint16_t bitsPerPixel = 0;
};
struct BitmapResult {
  std::optional<BitmapInfo> info;
  std::string problem;  // why Windows would not load it
};
// Checks a BMP file's headers: "BM", a core (12-byte) or info (40 to
// 124-byte) header, one plane, 1, 4, 8, 16, 24 or 32 bits per pixel,
// uncompressed (BI_RGB, BI_BITFIELDS) or run-length encoded (BI_RLE8 with 8
// bits, BI_RLE4 with 4), a positive width and a height other than 0.
BitmapResult ReadBitmapHeader(std::span<const uint8_t> head);

// A Flash movie's header: "FWS" (uncompressed) or "CWS" (zlib) and its
// version byte.
struct SwfResult {
  bool compressed = false;
  uint8_t version = 0;
  std::string problem;  // why the Flash control could not play it
};
SwfResult ReadSwfHeader(std::span<const uint8_t> head);

// The Flash control version the installer makes sure of (it installs the
// runtime from slot 2 when the control is older).
constexpr uint8_t kInstallerFlashVersion = 6;

}  // namespace saverpack
