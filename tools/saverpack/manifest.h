// The package manifest: a text file of `key = value` lines that names the
// package's title, its header switches and the file of each slot.
//
//   # a comment line
//   title = Aqua
//   preview_kind = 2            header byte 0 (0..255)
//   show_licence = 0            header byte 1
//   show_readme = 0             header byte 2
//   open_display_properties = 1 header byte 3
//   slot3 = preview/installer.scf    file of slot N (1..10), relative to
//                                    the manifest's folder
//   slot3.name = installer.scf  name stored in the table (default by role)
//   slot3.type = 5              entry type 1..6 (default by role)
//   slot6.compressed = 1        0 stored, 1 imploded (default 0)
//
// The line syntax (UTF-8, comments, quoted values such as
// `title = "Aqua #2"`) is described in manifest_syntax.h. Keys may appear
// once each; the four switches default to 0. The title and the names are
// stored in the Windows-1252 code page; a character it lacks is refused.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"
#include "manifest_syntax.h"
#include "package/constants_shared.h"

namespace saverpack {

// One slot as the manifest gives it; unset fields take the slot's defaults.
struct SlotSource {
  std::filesystem::path file;
  // Windows-1252 names: the one given, and the file's own name, the default
  // of slots without a role name (nothing when the code page lacks one of
  // its characters; `fileNameProblem` then says which, with its place).
  std::optional<std::string> name;
  std::optional<std::string> fileName;
  std::string fileNameProblem;
  std::optional<int32_t> type;
  std::optional<bool> compressed;
};

struct Manifest {
  // The manifest file itself (empty for parsed text): an input of the build.
  std::filesystem::path source;
  std::optional<std::string> title;  // Windows-1252
  uint8_t previewKind = 0;
  uint8_t showLicence = 0;
  uint8_t showReadMe = 0;
  uint8_t openDisplayProperties = 0;
  // Index = slot; slot 0 is always the stub and never set here.
  std::array<std::optional<SlotSource>, saver::kPackageSlots> slots;
  // The manifest's name and the line of each key, for messages.
  ManifestPlaces places;
};

// Every key a package manifest knows, for suggestions.
const std::vector<std::string>& PackageManifestKeys();

// Parses manifest text; relative slot paths are taken from `baseDir`.
// `origin` names the text in error messages ("aqua.txt:7: ...").
// Throws PackError on a malformed line, an unknown or repeated key, a bad
// number, a title or name the code page cannot hold, or a slot attribute
// without the slot's file.
Manifest ParseManifest(std::string_view text, const std::filesystem::path& baseDir,
                       std::string_view origin);

// Reads and parses a manifest file; slot paths are relative to its folder.
// Refuses a directory, an unreadable file and one over 1 MiB by name.
Manifest LoadManifest(const std::filesystem::path& file);

// One `key = value` line of a manifest, with blanks and comments removed.
// The value comes twice: as written (UTF-8), for paths of files on this
// machine, and in the installer's Windows-1252 code page, for what the
// package stores.
struct ManifestLine {
  int number = 0;  // 1-based line number, for messages
  std::string key;
  std::string text;                   // the value as written
  std::optional<std::string> stored;  // in Windows-1252; none when it cannot be
  std::string storedProblem;          // why not, as an "origin:N: ..." message

  // The value in Windows-1252; throws PackError when the code page lacks
  // one of its characters.
  const std::string& Stored() const;
};

// Splits manifest text into its `key = value` lines, in order, by the rules
// above (comments, blanks). Throws PackError ("origin:N: ...") for a line
// without '=' or without a key. Other manifests (data manifests) share it.
std::vector<ManifestLine> SplitManifestLines(std::string_view text, std::string_view origin);

// The text of a manifest file; `what` names it in the message of a failure.
std::string ReadManifestText(const std::filesystem::path& file, std::string_view what);

}  // namespace saverpack
