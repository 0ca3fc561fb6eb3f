// Records of the saver data file, the screensaver's own files behind the
// header block that also becomes the engine's saver.dat.
//
// File layout (all integers little-endian, i32 = signed 32-bit):
//
//   0    .. 1239                  SaverDataHeader
//   1240 .. 1240 + 264*n - 1      SaverDataRecord 1..n, n = recordCount
//   anywhere                      one chunk per record: SaverDataChunkHeader
//                                 (44 bytes) followed by the stored bytes
//
// A data file as the builder writes it has the chunks in record order, the
// first right behind the record table, each right behind the previous one.
//
// SaverDataHeader (1240 bytes):
//   +212  i32  recordCount       0 or less: no records; at most 109
//   +1204 i32  firstRecordMode   3: record 1 is a copy of installer.scf
//   every other byte belongs to the engine and is copied unchanged
//
// SaverDataRecord (264 bytes):
//   +0    u8   kind              3: a copy of another file, no chunk read
//   +1    u8   (not interpreted)
//   +2    256  name              zero-terminated within the field; empty = skip
//   +258  2    padding
//   +260  i32  position          offset of the record's chunk in the file
//
// SaverDataChunkHeader (44 bytes):
//   +0    4    magic             "CHUN" (not verified by the installer)
//   +4    i32  (not interpreted; 0)
//   +8    i32  fileSize          size of the file to make; 0 = no file
//   +12   i32  storedSize        stored bytes when compressed
//   +16   i32  compressed        non-zero: the stored bytes are an implode
//                                stream; 0: they are the file, fileSize of them
//   +20   24   reserved (zero)
//
// Like the package records, these are raw bytes with little-endian accessors.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "constants_shared.h"
#include "dataStructures_shared.h"

namespace saver {

constexpr int kSaverDataRecordSize = 264;
constexpr int kSaverDataChunkHeaderSize = 44;
// The record table has 110 slots; slot 0 is never filled.
constexpr int kSaverDataTableSlots = 110;
constexpr int kSaverDataMaxRecords = kSaverDataTableSlots - 1;  // 109
constexpr int kSaverDataNameSize = 256;
// firstRecordMode: record 1's file is a copy of the preview movie.
constexpr int32_t kFirstRecordCopiesPreview = 3;
// SaverDataRecord::kind of a record whose file is a copy of another file.
constexpr uint8_t kRecordKindCopy = 3;
// The preview movie that a copied record 1 reuses.
inline constexpr const char* kPreviewMovieName = "installer.scf";
inline constexpr char kChunkMagic[4] = {'C', 'H', 'U', 'N'};

struct SaverDataHeader {
  std::array<uint8_t, kSaverDataHeaderSize> bytes{};

  int32_t recordCount() const { return LoadI32(&bytes[212]); }
  int32_t firstRecordMode() const { return LoadI32(&bytes[1204]); }
  void setRecordCount(int32_t v) { StoreI32(&bytes[212], v); }
  void setFirstRecordMode(int32_t v) { StoreI32(&bytes[1204], v); }
};

struct SaverDataRecord {
  std::array<uint8_t, kSaverDataRecordSize> bytes{};

  uint8_t kind() const { return bytes[0]; }
  // The name up to its first NUL, or all 256 bytes when there is none.
  std::string name() const {
    const char* p = reinterpret_cast<const char*>(&bytes[2]);
    return std::string(p, strnlen(p, kSaverDataNameSize));
  }
  bool empty() const { return bytes[2] == 0; }
  int32_t position() const { return LoadI32(&bytes[260]); }

  void setKind(uint8_t v) { bytes[0] = v; }
  // At most 255 bytes, so the name stays zero-terminated; the rest is zero.
  void setName(std::string_view name) {
    std::memset(&bytes[2], 0, kSaverDataNameSize);
    std::memcpy(&bytes[2], name.data(), std::min<size_t>(name.size(), kSaverDataNameSize - 1));
  }
  void setPosition(int32_t v) { StoreI32(&bytes[260], v); }
};

struct SaverDataChunkHeader {
  std::array<uint8_t, kSaverDataChunkHeaderSize> bytes{};

  bool hasMagic() const { return std::memcmp(bytes.data(), kChunkMagic, 4) == 0; }
  int32_t fileSize() const { return LoadI32(&bytes[8]); }
  int32_t storedSize() const { return LoadI32(&bytes[12]); }
  bool compressed() const { return LoadI32(&bytes[16]) != 0; }

  void setMagic() { std::memcpy(bytes.data(), kChunkMagic, 4); }
  void setFileSize(int32_t v) { StoreI32(&bytes[8], v); }
  void setStoredSize(int32_t v) { StoreI32(&bytes[12], v); }
  void setCompressed(int32_t v) { StoreI32(&bytes[16], v); }
  // Bytes stored behind this header: storedSize when compressed, else fileSize.
  int32_t storedLength() const { return compressed() ? storedSize() : fileSize(); }
};

static_assert(sizeof(SaverDataHeader) == kSaverDataHeaderSize);
static_assert(sizeof(SaverDataRecord) == kSaverDataRecordSize);
static_assert(sizeof(SaverDataChunkHeader) == kSaverDataChunkHeaderSize);

// The file-name part of a record's name: the text after its last '\' or ':'.
inline std::string_view RecordFileName(std::string_view name) {
  const size_t cut = name.find_last_of("\\:");
  return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

// A path component that Windows would turn into nothing, "." or "..": empty,
// or only dots and blanks (Windows drops trailing dots and blanks).
inline bool IsDotComponent(std::string_view component) {
  return component.find_first_not_of(". ") == std::string_view::npos;
}

// A name that stays in the folder it is appended to as one file name: no
// separator of either kind, no colon, and not only dots and blanks.
inline bool IsPlainFileName(std::string_view name) {
  return name.find_first_of("\\/:") == std::string_view::npos && !IsDotComponent(name);
}

// A relative path that stays inside the folder it is appended to: no root,
// no drive or stream colon, and no empty, "." or ".." component. Both '\'
// and '/' separate components, as Windows reads them.
inline bool IsContainedRelativePath(std::string_view path) {
  if (path.empty() || path.find(':') != std::string_view::npos) return false;
  while (true) {
    const size_t sep = path.find_first_of("\\/");
    if (IsDotComponent(path.substr(0, sep))) return false;
    if (sep == std::string_view::npos) return true;
    path.remove_prefix(sep + 1);
  }
}

}  // namespace saver
