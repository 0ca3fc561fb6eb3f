// Checks an installer's CRC-32 entry markers (package/entry_marker.h)
// against its bytes, entry by entry, reading each in chunks.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "package/entry_marker.h"
#include "package_reader.h"

namespace saverpack {

struct MarkerVerdict {
  PackageInfo info;
  std::array<saver::EntryCheck, saver::kPackageSlots> checks{};

  // A slot damaged, or its marker lost.
  bool AnyDamage() const;
  bool AnyMarker() const;
};

// Reads the package (PackError when it is none) and checks every marker.
MarkerVerdict VerifyMarkers(const std::filesystem::path& installer);

// One line per slot: its name and what its check found.
std::string FormatVerdict(const MarkerVerdict& verdict);

}  // namespace saverpack
