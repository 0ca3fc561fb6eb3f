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
// type 5 and compressed 1. Every filled slot whose name is at most 239 bytes
// long carries a CRC-32 marker at the end of its name field, slot 0 one for
// the header and table (package/entry_marker.h).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "file_kinds.h"
#include "implode_bytes.h"
#include "manifest.h"
#include "output_file.h"
#include "package/dataStructures_shared.h"

namespace saverpack {

struct DataContents;

// One filled slot (1..10). Its bytes come from `file`, streamed, when one is
// named (its size measured before the build reads anything), from the data
// file that `dataFile` describes (slot 8 given as a data manifest: written
// to a temporary file when the package is written), else from `data`. Name
// and title are Windows-1252 bytes.
struct SlotContent {
  std::string name;
  int32_t type = saver::kTypeSaverFolder;
  bool compressed = false;
  std::vector<uint8_t> data;
  std::filesystem::path file;
  uint64_t fileSize = 0;
  std::shared_ptr<const DataContents> dataFile;

  // The bytes the slot holds; for a data file, the most it can hold.
  uint64_t size() const;
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
  // Where the manifest gave each value (empty for contents made in memory).
  ManifestPlaces places;
};

// Stored and extracted length of one filled slot, and whether it was
// stored imploded (an entry that implodes larger than it is gets stored).
struct SlotSizes {
  int64_t stored = 0;
  int64_t extracted = 0;
  bool compressed = false;
};
using PackageSizes = std::array<std::optional<SlotSizes>, saver::kPackageSlots>;

// The name a slot gets when the manifest gives none: the role's name for
// slots 1, 2, 6 and 8, otherwise `fileName` (the file's own name).
std::string DefaultSlotName(int slot, const std::string& title, const std::string& fileName);
// The entry type a slot gets when the manifest gives none.
int32_t DefaultSlotType(int slot);

// Applies the defaults by role and measures every slot's file (a regular,
// readable file); reads none of their bytes. A data manifest in slot 8 is
// read, and its records measured.
PackageContents LoadContents(const Manifest& manifest);

// Refuses a package that the installer could not install: bad title or
// names (forbidden characters, reserved device names, "." and "..", paths
// too long), missing required slots, bad types, a slot 1 the installer
// cannot load, two slots with one destination, a data manifest in slot 8
// that the package cannot serve. Throws PackError. (package_checks.cpp)
void CheckContents(const PackageContents& contents);

// Refuses `name` for slot `slot` when Windows would not store it as one
// file (windows_names.h). Throws PackError "slot N name 'x' ...".
void CheckSlotName(int slot, const std::string& name);

// Looks at what the slots' files are (their first bytes): refuses a preview
// the installer cannot show for its preview_kind and an engine that is not
// a Windows program for `machine` (the stub's), and warns about what will
// probably not work: no Flash runtime installer, a licence over 64 KB, a
// switch without its slot or a slot without its switch, a preview_kind
// outside 1..4, a bitmap of another size than the preview area, a movie
// newer than Flash 6. (slot_checks.cpp)
void CheckSlotFiles(const PackageContents& contents, const PeHeader& machine, Warnings& warnings);

// Refuses entries too large for the package's signed 32-bit offsets, before
// anything is read.
void CheckEntrySizes(const PackageContents& contents);

// Refuses a stub that does not fit below PackageOffset. Throws PackError.
void CheckStubSize(uintmax_t size);

// Refuses a stub that is not a Windows program: an "MZ" image with a PE
// header for i386 (PE32) or x86-64 (PE32+) that is not a DLL. `shown` names
// the stub in the message.
void CheckStubProgram(std::span<const uint8_t> stub, const std::string& shown);

// Refuses a stub that lacks the installer's stub marker
// (saver::kStubMarker) or expects its package at another offset.
void CheckStubMarker(std::span<const uint8_t> stub, const std::string& shown);

// Header and table for the given sizes; refuses a package longer than
// INT32_MAX bytes or an entry whose extracted length exceeds it.
saver::PackageDirectory LayOutDirectory(const PackageContents& contents, const PackageSizes& sizes);

// Writes stub, padding, header, table and the entries (stored, or imploded
// and checked by exploding them back) to the empty file `fd`, streaming
// every entry through fixed buffers. An entry that implodes to more bytes
// than it has is stored instead, with a warning. `shown` names the file in
// messages. Returns the installer's size.
uint64_t WritePackage(int fd, std::span<const uint8_t> stub, const PackageContents& contents,
                      Level level, const std::string& shown, Warnings& warnings);

// Checks, encodes and lays out `contents` behind `stub`, in memory.
std::vector<uint8_t> BuildInstallerImage(std::span<const uint8_t> stub,
                                         const PackageContents& contents, Level level);

struct BuildOptions {
  std::filesystem::path stub;
  std::filesystem::path output;
  Level level = Level::kDefault;
  // Warnings make the build fail (after all are shown) instead of passing.
  bool warningsAreErrors = false;
  // Where each warning goes as it is found (the command line prints it).
  Warnings::Sink warn;
};

// The files a build reads: the manifest, the stub, every slot's file and,
// for a data manifest in slot 8, its template and record files.
std::vector<BuildInput> BuildInputs(const Manifest& manifest, const BuildOptions& options);

// The whole build: refuses an output that is an input or not a regular
// file, checks the stub and the manifest's files, and writes the installer
// through a temporary file beside the output that is renamed into place
// only when complete. Returns the installer's size.
uint64_t BuildInstaller(const Manifest& manifest, const BuildOptions& options);

}  // namespace saverpack
