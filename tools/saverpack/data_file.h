// Writes saver data files: the header (from a template or zero, with the
// engine's settings when the manifest gives any), the record table, then one
// chunk per record in record order right behind the table, each chunk a
// 44-byte header with "CHUN" followed by its stored bytes. Copy records get
// an empty chunk. Layout: package/saverData_shared.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data_manifest.h"
#include "diagnostics.h"
#include "implode_bytes.h"
#include "output_file.h"
#include "package/saverData_shared.h"

namespace saverpack {

// One record. A file record's bytes come from `file`, streamed (its size
// measured when the manifest is loaded), else from `data`.
struct DataRecordContent {
  std::string name;
  uint8_t kind = 0;
  bool copy = false;  // kind 3: no data
  bool compressed = false;
  std::vector<uint8_t> data;
  std::filesystem::path file;
  uint64_t fileSize = 0;
  std::string where;  // "d.manifest:4", the record's line, for messages

  uint64_t size() const { return file.empty() ? data.size() : fileSize; }
};

struct DataContents {
  saver::SaverDataHeader header;  // recordCount is set when the file is laid out
  std::vector<DataRecordContent> records;
  ManifestPlaces places;  // the data manifest's name and lines
};

// Reads the template and measures every record's file (a regular file of at
// most 2147483647 bytes); reads no record.
DataContents LoadDataContents(const DataManifest& manifest);

// The files a data build reads: the manifest, the template and the records.
std::vector<BuildInput> DataBuildInputs(const DataManifest& manifest);

// Refuses what the installer could not install as intended: more than 109
// records, names Windows would not store as a file of their own (empty,
// too long, a folder or device, a trailing dot or blank) or that name one
// file twice as Windows compares names, a path in the saver folder too long
// for the package's `title` (the longest title when there is none), an
// empty record file (the installer makes no file for it), record 1 not a
// copy under first_record_mode 3, and a data file too large for the
// installer's 32-bit positions. Throws PackError with the manifest's place.
void CheckDataContents(const DataContents& contents,
                       std::optional<std::string_view> title = std::nullopt);

// Writes the data file to the empty file `fd` through fixed buffers
// (records stored, or imploded and checked by exploding them back; one that
// implodes larger is stored, with a warning). Returns the file's size.
// (data_writer.cpp)
uint64_t WriteDataStream(int fd, const DataContents& contents, Level level,
                         const std::string& shown, Warnings& warnings);

// Checks and writes the whole data file in memory (for tests).
std::vector<uint8_t> BuildDataFileImage(const DataContents& contents, Level level);

// When the engine's picture setting names neither a record nor a file the
// installer itself makes (installer.BMP, installer.scf), a note saying so:
// the package may still install it, so this is no error.
std::optional<std::string> PictureNote(const DataContents& contents);

// Checks `contents` and writes its data file to `output` through a temporary
// file beside it, with the package build's output rules (output_file.h):
// never over one of `inputs`, a device or a pipe; written through a link.
// With `warningsAreErrors` a warning leaves the output as it was. Returns
// the file's size.
uint64_t WriteDataFile(const DataContents& contents, const std::filesystem::path& output,
                       const std::vector<BuildInput>& inputs, Level level, Warnings& warnings,
                       bool warningsAreErrors);

// Loads the manifest's contents and writes the data file (WriteDataFile).
uint64_t BuildDataFile(const DataManifest& manifest, const std::filesystem::path& output,
                       Level level);

// The header, record table and chunk sizes of a data file, one line each;
// throws PackError naming the first damage found (a short header or table,
// a record count out of range, a chunk outside the file, a compressed
// record that does not expand to its size).
std::string FormatDataListing(std::span<const uint8_t> file);

}  // namespace saverpack
