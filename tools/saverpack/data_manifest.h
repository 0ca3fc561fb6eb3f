// The data manifest: the records of a saver data file, one `key = value`
// per line, with the syntax of the package manifest (manifest.h).
//
//   template = header.bin        optional 1240-byte file: the header's bytes
//                                that the installer does not read (zero
//                                without a template)
//   first_record_mode = 3        optional header field (default: the
//                                template's value, else 0); 3 makes record 1
//                                a copy of the preview movie installer.scf
//   record1.copy = saver.scf     record N as a copy: N = 1 copies
//                                installer.scf, later ones record 1's file
//   record2 = movies/saver.swf   record N made from a file (relative to the
//                                manifest's folder)
//   record2.name = prevmon.scf   its stored name (default: the file's name)
//   record2.compressed = 1       0 stored (default), 1 imploded
//   record2.kind = 0             its kind byte, 0..255 but not 3 (default 0)
//
// Records are numbered 1 to 109 without gaps.
//
// The screen saver engine's settings, kept in header bytes that the
// installer copies into saver.dat without reading (package/saver_settings.h).
// Each is optional; without any of them the header's bytes are the
// template's (or zero) exactly. With one or more, the rest come from the
// template's settings when it carries them, else from the engine's defaults.
//
//   picture = saver.scf          file name in the saver folder of the .bmp or
//                                .swf/.scf to show (no folder; empty: the
//                                installer's preview bitmap installer.BMP)
//   text = "Deep water"          text of the drawn animation, at most 64
//                                bytes in Windows-1252 (empty: the title)
//   background = "#000040"       colours as #RRGGBB (in quotes, or without
//   text_colour = FFFFFF         the '#': a '#' after a blank starts a comment)
//   speed = 60                   pixels per second, 1..1000
//   text_over_picture = 1        1 draws the text over the picture too
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data_settings.h"
#include "diagnostics.h"

namespace saverpack {

struct DataRecordSource {
  int line = 0;  // where the record first appears, for messages
  std::optional<std::filesystem::path> file;
  std::optional<std::string> copy;
  std::optional<std::string> name;
  std::optional<bool> compressed;
  std::optional<uint8_t> kind;
};

struct DataManifest {
  std::optional<std::filesystem::path> templateFile;
  std::optional<int32_t> firstRecordMode;
  std::vector<DataRecordSource> records;  // [0] is record 1
  EngineSettingsSource settings;          // the settings keys given
  std::filesystem::path source;           // the manifest file (empty for parsed text)
  ManifestPlaces places;                  // its name and the line of each key
};

// Every key a data manifest knows, for suggestions.
const std::vector<std::string>& DataManifestKeys();

// Parses data manifest text; relative paths are taken from `baseDir`.
// Throws PackError ("origin:N: ...") on a malformed line, an unknown or
// repeated key, a bad number, a record number out of 1..109, a gap in the
// numbering, a record that is neither (or both) a file and a copy, or a
// settings value the engine cannot use.
DataManifest ParseDataManifest(std::string_view text, const std::filesystem::path& baseDir,
                               std::string_view origin);

// Reads and parses a data manifest file.
DataManifest LoadDataManifest(const std::filesystem::path& file);

// A package manifest's slot 8 file that is a data manifest to build.
bool IsDataManifestPath(const std::filesystem::path& file);

}  // namespace saverpack
