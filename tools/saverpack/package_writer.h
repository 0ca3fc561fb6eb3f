// Writes installers: the stub's program image padded to PackageOffset,
// followed by the package (header, 11-slot table, entry data in slot order).
//
// Installer file written here (integers little-endian, offsets absolute):
//   0 .. stub size - 1             the stub's bytes
//   stub size .. PackageOffset - 1 zero padding
//   PackageOffset .. +67           PackageHeader
//   PackageOffset + 68 .. +3147    11 x PackageEntry
//   PackageOffset + 3148 ..        stored bytes of slots 1..10, back to back
//
// Slot 0 describes the padded image. A filled slot's stored bytes run from
// startOffset to endOffset inclusive; an empty slot has name length 0,
// startOffset = endOffset = the position of the next slot's data, sizes 0,
// type 5 and compressed 1.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "implode_bytes.h"
#include "manifest.h"
#include "package/dataStructures_shared.h"

namespace saverpack {

// One filled slot (1..10) with the bytes of its file as they are extracted.
struct SlotContent {
  std::string name;
  int32_t type = saver::kTypeSaverFolder;
  bool compressed = false;
  std::vector<uint8_t> data;
};

// Everything a package holds besides the stub.
struct PackageContents {
  std::string title;
  uint8_t previewKind = 0;
  uint8_t showLicence = 0;
  uint8_t showReadMe = 0;
  uint8_t openDisplayProperties = 0;
  // Index = slot; slot 0 is the stub and stays empty here.
  std::array<std::optional<SlotContent>, saver::kPackageSlots> slots;
};

// Stored and extracted length of one filled slot.
struct SlotSizes {
  int64_t stored = 0;
  int64_t extracted = 0;
};
using PackageSizes = std::array<std::optional<SlotSizes>, saver::kPackageSlots>;

// The entry data of slots 0..10 as written (slot 0 unused: the stub).
using StoredData = std::array<std::vector<uint8_t>, saver::kPackageSlots>;

// The name a slot gets when the manifest gives none.
std::string DefaultSlotName(int slot, const std::string& title, const std::filesystem::path& file);
// The entry type a slot gets when the manifest gives none.
int32_t DefaultSlotType(int slot);

// Reads every slot's file and applies the defaults by role.
PackageContents LoadContents(const Manifest& manifest);

// Refuses a package that the installer could not install: bad title or
// names, missing required slots, bad types. Throws PackError.
void CheckContents(const PackageContents& contents);

// Refuses a stub that does not fit below PackageOffset. Throws PackError.
void CheckStubSize(uintmax_t size);

// Implodes the compressed slots (checking that each expands back to its
// input) and copies the stored ones.
StoredData EncodeSlots(const PackageContents& contents, Level level);

// Header and table for the given sizes; refuses a package longer than
// INT32_MAX bytes or an entry whose extracted length exceeds it.
saver::PackageDirectory LayOutDirectory(const PackageContents& contents, const PackageSizes& sizes);

// Writes stub, padding, header, table and entry data to `out`.
void WriteInstaller(std::ostream& out, std::span<const uint8_t> stub,
                    const saver::PackageDirectory& directory, const StoredData& stored);

// Checks, encodes and lays out `contents` behind `stub`, in memory.
std::vector<uint8_t> BuildInstallerImage(std::span<const uint8_t> stub,
                                         const PackageContents& contents, Level level);

struct BuildOptions {
  std::filesystem::path stub;
  std::filesystem::path output;
  Level level = Level::kDefault;
};

// The whole build: reads the stub and the manifest's files, checks them and
// writes the installer through a temporary file beside `output` that is
// renamed into place only when complete. Returns the installer's size.
uint64_t BuildInstaller(const Manifest& manifest, const BuildOptions& options);

}  // namespace saverpack
