#include "data_file.h"

#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <sstream>

#include "file_io.h"
#include "manifest_syntax.h"
#include "pack_error.h"
#include "text_encoding.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kMaxFileSize = std::numeric_limits<int32_t>::max();
constexpr size_t kMaxNameLength = saver::kSaverDataNameSize - 1;
// The preview bitmap the installer writes into the saver folder.
constexpr std::string_view kPreviewBitmapName = "installer.BMP";

std::string Label(size_t index) { return "record" + std::to_string(index + 1); }

// Windows compares names without regard to ASCII case.
std::string Folded(std::string_view view) {
  std::string name(view);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

void CheckName(size_t index, const std::string& name) {
  const std::string where = Label(index) + " name '" + name + "'";
  if (name.empty()) throw PackError(Label(index) + " has an empty name");
  if (name.size() > kMaxNameLength) {
    throw PackError(Label(index) + " name is " + std::to_string(name.size()) +
                    " bytes long; at most 255 are allowed");
  }
  for (char c : name) {
    if (saver::IsForbiddenNameChar(c)) {
      throw PackError(where + " is not a plain file name (it contains a folder, drive or " +
                      "a character Windows refuses)");
    }
  }
  if (!saver::IsPlainFileName(name)) throw PackError(where + " is not a plain file name");
}

void CheckRecord(size_t index, const DataRecordContent& r, const DataContents& c) {
  CheckName(index, r.name);
  if (!r.copy && r.data.empty()) {
    throw PackError(Label(index) + " file is empty: the installer makes no file for it");
  }
  if (static_cast<int64_t>(r.data.size()) > kMaxFileSize) {
    throw PackError(Label(index) + " is too large: " + std::to_string(r.data.size()) +
                    " bytes (at most 2147483647)");
  }
  const bool firstCopies = c.header.firstRecordMode() == saver::kFirstRecordCopiesPreview;
  if (index == 0 && firstCopies && !r.copy) {
    throw PackError(
        "first_record_mode 3 makes record1 a copy of installer.scf: give "
        "'record1.copy = NAME' instead of a file");
  }
}

// Puts the manifest's engine settings over the header's own (the
// template's, when it carries the magic) or over the engine's defaults.
void PutEngineSettings(saver::SaverDataHeader& header, const DataManifest& manifest) {
  const std::optional<int> version = EngineSettingsVersion(header.bytes);
  if (version && *version > saver::kSettingsVersion) {
    throw PackError("template '" + manifest.templateFile->string() +
                    "' holds engine settings of version " + std::to_string(*version) +
                    "; this builder writes version 1 and would drop what it does not know");
  }
  const saver::SaverSettings settings =
      ApplyEngineSettings(saver::ReadEngineSettings(header.bytes), manifest.settings);
  if (const auto problem = saver::SettingsProblem(settings)) {
    throw PackError("engine settings: " + *problem);
  }
  saver::WriteEngineSettings(header.bytes, settings);
}

// Makes the header: the template's bytes or zero, with the manifest's mode
// and engine settings.
saver::SaverDataHeader LoadHeader(const DataManifest& manifest) {
  saver::SaverDataHeader header;
  if (manifest.templateFile) {
    const auto bytes = ReadWholeFile(*manifest.templateFile, "template");
    if (bytes.size() != header.bytes.size()) {
      throw PackError("template '" + manifest.templateFile->string() + "' has " +
                      std::to_string(bytes.size()) + " bytes; a data file header has 1240");
    }
    std::copy(bytes.begin(), bytes.end(), header.bytes.begin());
  }
  if (manifest.firstRecordMode) header.setFirstRecordMode(*manifest.firstRecordMode);
  if (manifest.settings.Given()) PutEngineSettings(header, manifest);
  return header;
}

std::vector<uint8_t> EncodeRecord(size_t index, const DataRecordContent& r, Level level) {
  if (r.copy || !r.compressed) return r.copy ? std::vector<uint8_t>{} : r.data;
  std::vector<uint8_t> packed = ImplodeBytes(r.data, level);
  if (ExplodeBytes(packed) != r.data) {
    throw PackError(Label(index) + ": the imploded data does not expand back to the file");
  }
  return packed;
}

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// A record without a name of its own is stored under its file's name, in
// the installer's Windows-1252 code page.
std::string StoredFileName(size_t index, const fs::path& file) {
  const std::string name = file.filename().string();
  if (auto stored = Utf8ToWindows1252(name)) return *stored;
  throw PackError(Label(index) + " file name '" + name +
                  "' has a character the Windows-1252 code page the installer uses lacks; give "
                  "the record a name ('recordN.name = ...')");
}

}  // namespace

DataContents LoadDataContents(const DataManifest& manifest) {
  DataContents contents;
  contents.header = LoadHeader(manifest);
  for (size_t i = 0; i < manifest.records.size(); ++i) {
    const DataRecordSource& s = manifest.records[i];
    DataRecordContent r;
    r.copy = s.copy.has_value();
    if (r.copy) {
      r.name = *s.copy;
      r.kind = saver::kRecordKindCopy;
    } else {
      r.name = s.name ? *s.name : StoredFileName(i, *s.file);
      r.kind = s.kind.value_or(0);
      r.compressed = s.compressed.value_or(false);
      r.data = ReadWholeFile(*s.file, Label(i) + " file");
    }
    contents.records.push_back(std::move(r));
  }
  return contents;
}

void CheckDataContents(const DataContents& c) {
  if (c.records.size() > static_cast<size_t>(saver::kSaverDataMaxRecords)) {
    throw PackError(std::to_string(c.records.size()) + " records; a data file holds at most 109");
  }
  std::set<std::string> names;
  for (size_t i = 0; i < c.records.size(); ++i) {
    CheckRecord(i, c.records[i], c);
    if (!names.insert(Folded(c.records[i].name)).second) {
      throw PackError(Label(i) + " name '" + c.records[i].name + "' is given twice");
    }
  }
}

std::vector<uint8_t> BuildDataFileImage(const DataContents& contents, Level level) {
  CheckDataContents(contents);
  saver::SaverDataHeader header = contents.header;
  header.setRecordCount(static_cast<int32_t>(contents.records.size()));
  std::vector<uint8_t> out(header.bytes.begin(), header.bytes.end());
  std::vector<uint8_t> chunks;
  int64_t position = saver::kSaverDataHeaderSize +
                     static_cast<int64_t>(contents.records.size()) * saver::kSaverDataRecordSize;
  for (size_t i = 0; i < contents.records.size(); ++i) {
    const DataRecordContent& r = contents.records[i];
    const std::vector<uint8_t> stored = EncodeRecord(i, r, level);
    if (position > kMaxFileSize) throw PackError("the data file would pass 2147483647 bytes");
    saver::SaverDataRecord record;
    record.setKind(r.kind);
    record.setName(r.name);
    record.setPosition(static_cast<int32_t>(position));
    Append(out, record.bytes);
    saver::SaverDataChunkHeader chunk;
    chunk.setMagic();
    chunk.setFileSize(r.copy ? 0 : static_cast<int32_t>(r.data.size()));
    chunk.setStoredSize(r.compressed ? static_cast<int32_t>(stored.size()) : 0);
    chunk.setCompressed(r.compressed ? 1 : 0);
    Append(chunks, chunk.bytes);
    Append(chunks, stored);
    position += saver::kSaverDataChunkHeaderSize + static_cast<int64_t>(stored.size());
  }
  if (position > kMaxFileSize) throw PackError("the data file would pass 2147483647 bytes");
  Append(out, chunks);
  return out;
}

std::optional<std::string> PictureNote(const DataContents& contents) {
  const std::string picture = saver::ReadEngineSettings(contents.header.bytes).picture;
  if (picture.empty()) return std::nullopt;
  const std::string folded = Folded(picture);
  if (folded == Folded(kPreviewBitmapName) || folded == Folded(saver::kPreviewMovieName)) {
    return std::nullopt;
  }
  for (const DataRecordContent& r : contents.records) {
    if (Folded(r.name) == folded) return std::nullopt;
  }
  return "picture '" + Windows1252ForDisplay(picture) +
         "' is no record of this data file: the engine shows it only if the package installs "
         "it into the saver folder";
}

uint64_t WriteDataFile(const DataContents& contents, const fs::path& output, Level level) {
  const std::vector<uint8_t> image = BuildDataFileImage(contents, level);
  std::random_device random;
  const fs::path temp =
      output.parent_path() / ("." + output.filename().string() + ".tmp" + std::to_string(random()));
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw PackError("cannot create '" + output.string() + "'");
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(temp, ignored);
      throw PackError("cannot write '" + output.string() + "'");
    }
  }
  std::error_code ec;
  fs::rename(temp, output, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw PackError("cannot write '" + output.string() + "': " + ec.message());
  }
  return image.size();
}

uint64_t BuildDataFile(const DataManifest& manifest, const fs::path& output, Level level) {
  return WriteDataFile(LoadDataContents(manifest), output, level);
}

}  // namespace saverpack
