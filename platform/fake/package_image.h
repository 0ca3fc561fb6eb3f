// Builds installer files (stub + package) in memory for the unit tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "dataStructures_shared.h"
#include "fake_platform.h"

namespace fake {

struct EntrySpec {
  std::string name;
  int32_t type = saver::kTypeSaverFolder;
  Bytes data;
  bool compressed = false;
};

// Implodes `data` (binary literals, 4096-byte dictionary).
Bytes Implode(const Bytes& data);
Bytes TextBytes(const std::string& text);
// A saver data file without records: a 1240-byte header (recordCount 0) and
// a few bytes behind it.
Bytes SaverDataFile();

class PackageImage {
 public:
  PackageImage& Switches(uint8_t preview, uint8_t licence, uint8_t readMe, uint8_t display);
  PackageImage& Title(const std::string& title);
  PackageImage& Slot(int slot, EntrySpec spec);
  // Every slot that can carry one gets its CRC-32 marker, as the builder
  // writes them (package/entry_marker.h).
  PackageImage& Marked() {
    marked_ = true;
    return *this;
  }
  // A package every preparation step accepts: codec library, preview,
  // engine, data file and the support files.
  static PackageImage Complete(const std::string& title = "Aqua");
  // Stub padded to PackageOffset, header, table, entries back to back.
  Bytes Build() const;
  // The directory Build writes, for patching fields in tests.
  saver::PackageDirectory Directory() const;

 private:
  saver::PackageHeader header_;
  std::map<int, EntrySpec> slots_;
  bool marked_ = false;
};

}  // namespace fake
