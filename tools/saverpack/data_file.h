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
#include <vector>

#include "data_manifest.h"
#include "implode_bytes.h"
#include "package/saverData_shared.h"

namespace saverpack {

struct DataRecordContent {
  std::string name;
  uint8_t kind = 0;
  bool copy = false;  // kind 3: no data
  bool compressed = false;
  std::vector<uint8_t> data;  // the file the record makes
};

struct DataContents {
  saver::SaverDataHeader header;  // recordCount is set when the file is laid out
  std::vector<DataRecordContent> records;
};

// Reads the template and every record's file.
DataContents LoadDataContents(const DataManifest& manifest);

// Refuses what the installer could not install as intended: more than 109
// records, names that are empty, too long, not a plain file name or given
// twice, an empty record file (the installer makes no file for it), a copy
// with nothing to copy from, record 1 not a copy under first_record_mode 3.
// Throws PackError.
void CheckDataContents(const DataContents& contents);

// Checks, encodes (checking that each imploded record expands back) and
// lays out the whole data file in memory.
std::vector<uint8_t> BuildDataFileImage(const DataContents& contents, Level level);

// When the engine's picture setting names neither a record nor a file the
// installer itself makes (installer.BMP, installer.scf), a note saying so:
// the package may still install it, so this is no error.
std::optional<std::string> PictureNote(const DataContents& contents);

// Writes the data file of `contents` through a temporary file beside
// `output`. Returns the file's size.
uint64_t WriteDataFile(const DataContents& contents, const std::filesystem::path& output,
                       Level level);

// Loads the manifest's contents and writes the data file (WriteDataFile).
uint64_t BuildDataFile(const DataManifest& manifest, const std::filesystem::path& output,
                       Level level);

// The header, record table and chunk sizes of a data file, one line each;
// throws PackError naming the first damage found (a short header or table,
// a record count out of range, a chunk outside the file, a compressed
// record that does not expand to its size).
std::string FormatDataListing(std::span<const uint8_t> file);

}  // namespace saverpack
