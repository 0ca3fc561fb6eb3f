// Records of the package that travels behind the installer's program image.
//
// File layout (all integers little-endian, offsets absolute in the file):
//
//   0 .. PackageOffset-1            installer program image
//   PackageOffset      .. +67       PackageHeader (68 bytes)
//   PackageOffset + 68 .. +3147     PackageTable: 11 x PackageEntry (280 bytes)
//   PackageOffset + 3148 .. EOF     entry data, back to back in slot order
//
// PackageHeader:
//   +0  u8   previewKind            1 bitmap, 2/3 Flash, 4 silent, else none
//   +1  u8   showLicence
//   +2  u8   showReadMe
//   +3  u8   openDisplayProperties
//   +4  64   title                  ANSI, ends at first NUL or at the field end
//
// PackageEntry:
//   +0   256 name                   byte 0 = length n, bytes 1..n = name
//   +256 i32 startOffset            first stored byte
//   +260 i32 endOffset              last stored byte, inclusive
//   +264 i32 entryType              1..6, see EntryType
//   +268 i32 compressed             only the first byte is tested
//   +272 i32 packedSize             never read by the installer
//   +276 i32 extractedSize
//
// The records are kept as raw bytes so that the in-memory copy is exactly the
// 3148 bytes read from the file; accessors decode the little-endian fields,
// so a big- or little-endian host reads the same values.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "constants_shared.h"

namespace saver {

inline int32_t LoadI32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

inline void StoreI32(uint8_t* p, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

struct PackageHeader {
  std::array<uint8_t, kHeaderSize> bytes{};

  uint8_t previewKind() const { return bytes[0]; }
  uint8_t showLicence() const { return bytes[1]; }
  uint8_t showReadMe() const { return bytes[2]; }
  uint8_t openDisplayProperties() const { return bytes[3]; }
  // The title up to its first NUL, or all 64 bytes when there is none.
  std::string title() const {
    const char* p = reinterpret_cast<const char*>(bytes.data() + 4);
    return std::string(p, strnlen(p, kTitleSize));
  }

  void setSwitches(uint8_t preview, uint8_t licence, uint8_t readMe, uint8_t display) {
    bytes[0] = preview;
    bytes[1] = licence;
    bytes[2] = readMe;
    bytes[3] = display;
  }
  // Copies at most 64 bytes; the rest of the field is zero.
  void setTitle(std::string_view title) {
    std::memset(bytes.data() + 4, 0, kTitleSize);
    std::memcpy(bytes.data() + 4, title.data(), std::min<size_t>(title.size(), kTitleSize));
  }
};

struct PackageEntry {
  std::array<uint8_t, kEntrySize> bytes{};

  std::string name() const {
    return std::string(reinterpret_cast<const char*>(bytes.data() + 1), bytes[0]);
  }
  bool empty() const { return bytes[0] == 0; }
  int32_t startOffset() const { return LoadI32(&bytes[256]); }
  int32_t endOffset() const { return LoadI32(&bytes[260]); }
  int32_t entryType() const { return LoadI32(&bytes[264]); }
  bool compressed() const { return bytes[268] != 0; }
  int32_t packedSize() const { return LoadI32(&bytes[272]); }
  int32_t extractedSize() const { return LoadI32(&bytes[276]); }
  // endOffset is inclusive; 0 (end just before start) is an empty file.
  int64_t storedLength() const { return int64_t{endOffset()} - startOffset() + 1; }
  // The stored bytes lie, in order, inside a file of `fileSize` bytes.
  bool storedWithin(int64_t fileSize) const {
    return startOffset() >= 0 && storedLength() >= 0 && startOffset() + storedLength() <= fileSize;
  }

  // Sets the length byte and the name; bytes after the name stay as they were.
  // Names longer than 255 bytes are cut (the builder refuses them first).
  void setName(std::string_view name) {
    const size_t n = std::min<size_t>(name.size(), 255);
    bytes[0] = static_cast<uint8_t>(n);
    std::memcpy(bytes.data() + 1, name.data(), n);
  }
  void setStartOffset(int32_t v) { StoreI32(&bytes[256], v); }
  void setEndOffset(int32_t v) { StoreI32(&bytes[260], v); }
  void setEntryType(int32_t v) { StoreI32(&bytes[264], v); }
  void setCompressed(int32_t v) { StoreI32(&bytes[268], v); }
  void setPackedSize(int32_t v) { StoreI32(&bytes[272], v); }
  void setExtractedSize(int32_t v) { StoreI32(&bytes[276], v); }
};

using PackageTable = std::array<PackageEntry, kPackageSlots>;

// A character Windows does not allow in a file name, or one that makes a
// name a path.
inline bool IsForbiddenNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
}

// A name from the table stays inside its destination folder: no separator,
// no drive colon, and not a name made of dots and spaces only ("." and ".."
// name the folder and its parent; Windows drops trailing dots and spaces, so
// ".. " is ".." too). Dots inside a name ("saver..v2.dll") are harmless.
inline bool StaysInFolder(std::string_view name) {
  return name.find_first_of("\\/:") == std::string_view::npos &&
         name.find_first_not_of(". ") != std::string_view::npos;
}

// A name that Windows takes for a device whatever folder it stands in: CON,
// PRN, AUX, NUL, COM1..COM9 and LPT1..LPT9 (also with the superscript digits
// 1, 2, 3 of the ANSI code page), and the consoles CONIN$ and CONOUT$, in any
// case, alone or before an extension and with blanks before the extension
// ("nul.txt", "Com1 .log").
inline bool IsReservedDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  const auto is = [&](std::string_view word) {
    return base.size() >= word.size() && std::equal(word.begin(), word.end(), base.begin(),
                                                    [&](char w, char c) { return w == upper(c); });
  };
  if (base.size() == 3) return is("CON") || is("PRN") || is("AUX") || is("NUL");
  if (base.size() == 6 && is("CONIN$")) return true;
  if (base.size() == 7 && is("CONOUT$")) return true;
  if (base.size() != 4 || !(is("COM") || is("LPT"))) return false;
  const auto digit = static_cast<unsigned char>(base[3]);
  return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// The in-memory copy of header and table, exactly the bytes of the file.
struct PackageDirectory {
  PackageHeader header;
  PackageTable table;
};

static_assert(sizeof(PackageHeader) == kHeaderSize);
static_assert(sizeof(PackageEntry) == kEntrySize);
static_assert(sizeof(PackageTable) == kTableSize);
static_assert(sizeof(PackageDirectory) == kHeaderAndTableSize);

// Decodes the 3148 bytes at PackageOffset.
inline PackageDirectory ParseDirectory(const uint8_t (&raw)[kHeaderAndTableSize]) {
  PackageDirectory d;
  std::memcpy(d.header.bytes.data(), raw, kHeaderSize);
  for (int i = 0; i < kPackageSlots; ++i) {
    std::memcpy(d.table[i].bytes.data(), raw + kHeaderSize + i * kEntrySize, kEntrySize);
  }
  return d;
}

inline void SerializeDirectory(const PackageDirectory& d, uint8_t (&raw)[kHeaderAndTableSize]) {
  std::memcpy(raw, d.header.bytes.data(), kHeaderSize);
  for (int i = 0; i < kPackageSlots; ++i) {
    std::memcpy(raw + kHeaderSize + i * kEntrySize, d.table[i].bytes.data(), kEntrySize);
  }
}

}  // namespace saver

// The saver data file's records.
#include "saverData_shared.h"  // IWYU pragma: export
