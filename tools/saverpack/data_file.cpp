#include "data_file.h"

#include <limits>
#include <map>

#include "file_io.h"
#include "manifest_syntax.h"
#include "pack_error.h"
#include "progress.h"
#include "text_encoding.h"
#include "windows_names.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kMaxFileSize = std::numeric_limits<int32_t>::max();
// The preview bitmap the installer writes into the saver folder.
constexpr std::string_view kPreviewBitmapName = "installer.BMP";

std::string Label(size_t index) { return "record" + std::to_string(index + 1); }

void CheckRecord(size_t index, const DataRecordContent& r, const DataContents& c,
                 std::optional<std::string_view> title) {
  const auto refuse = [&](const std::string& what) { throw PackError(Located(r.where, what)); };
  const std::string display = Windows1252ForDisplay(r.name);
  if (const auto problem = FileNameProblem(r.name)) {
    refuse(Label(index) + " name '" + display + "' " + *problem);
  }
  if (const auto problem = SaverFolderPathProblem(title, r.name)) {
    refuse(Label(index) + " name '" + display + "' " + *problem);
  }
  if (!r.copy && r.size() == 0) {
    refuse(Label(index) + " file is empty: the installer makes no file for it");
  }
  if (static_cast<int64_t>(r.size()) > kMaxFileSize) {
    refuse(Label(index) + " is too large: " + std::to_string(r.size()) +
           " bytes (at most 2147483647: the data file's positions are signed 32-bit)");
  }
  const bool firstCopies = c.header.firstRecordMode() == saver::kFirstRecordCopiesPreview;
  if (index == 0 && firstCopies && !r.copy) {
    refuse(
        "first_record_mode 3 makes record1 a copy of installer.scf: give "
        "'record1.copy = NAME' instead of a file");
  }
}

// Puts the manifest's engine settings over the header's own (the
// template's, when it carries the magic) or over the engine's defaults.
void PutEngineSettings(saver::SaverDataHeader& header, const DataManifest& manifest) {
  const std::optional<int> version = EngineSettingsVersion(header.bytes);
  if (version && *version > saver::kSettingsVersion) {
    throw PackError(Located(manifest.places.Where("template"),
                            "template '" + manifest.templateFile->string() +
                                "' holds engine settings of version " + std::to_string(*version) +
                                "; this builder writes version 1 and would drop what it does "
                                "not know"));
  }
  const saver::SaverSettings settings =
      ApplyEngineSettings(saver::ReadEngineSettings(header.bytes), manifest.settings);
  if (const auto problem = saver::SettingsProblem(settings)) {
    throw PackError(Located(manifest.places.origin, "engine settings: " + *problem));
  }
  saver::WriteEngineSettings(header.bytes, settings);
}

// Makes the header: the template's bytes or zero, with the manifest's mode
// and engine settings.
saver::SaverDataHeader LoadHeader(const DataManifest& manifest) {
  saver::SaverDataHeader header;
  if (manifest.templateFile) {
    AtPlace(manifest.places.Where("template"), [&] {
      const uintmax_t size = FileSize(*manifest.templateFile, "template");
      if (size != header.bytes.size()) {
        throw PackError("template '" + manifest.templateFile->string() + "' has " +
                        std::to_string(size) + " bytes; a data file header has 1240");
      }
      const auto bytes = ReadWholeFile(*manifest.templateFile, "template");
      std::copy(bytes.begin(), bytes.end(), header.bytes.begin());
    });
  }
  if (manifest.firstRecordMode) header.setFirstRecordMode(*manifest.firstRecordMode);
  if (manifest.settings.Given()) PutEngineSettings(header, manifest);
  return header;
}

// A record without a name of its own is stored under its file's name, in
// the installer's Windows-1252 code page.
std::string StoredFileName(size_t index, const fs::path& file) {
  const std::string name = file.filename().string();
  if (auto stored = Utf8ToWindows1252(name)) return *stored;
  throw PackError(Label(index) + " file name '" + name +
                  "' has a character the Windows-1252 code page the installer uses lacks; give "
                  "the record a name ('" +
                  Label(index) + ".name = ...')");
}

}  // namespace

DataContents LoadDataContents(const DataManifest& manifest) {
  DataContents contents;
  contents.places = manifest.places;
  contents.header = LoadHeader(manifest);
  for (size_t i = 0; i < manifest.records.size(); ++i) {
    const DataRecordSource& s = manifest.records[i];
    DataRecordContent r;
    r.where = manifest.places.origin.empty()
                  ? std::string()
                  : manifest.places.origin + ":" + std::to_string(s.line);
    r.copy = s.copy.has_value();
    if (r.copy) {
      r.name = *s.copy;
      r.kind = saver::kRecordKindCopy;
    } else {
      AtPlace(manifest.places.WhereAny({Label(i), Label(i) + ".name"}), [&] {
        r.name = s.name ? *s.name : StoredFileName(i, *s.file);
        r.file = *s.file;
        r.fileSize = FileSize(*s.file, Label(i) + " file");
        OpenForReading(*s.file, Label(i) + " file");  // refuses an unreadable file now
      });
      r.kind = s.kind.value_or(0);
      r.compressed = s.compressed.value_or(false);
    }
    contents.records.push_back(std::move(r));
  }
  return contents;
}

std::vector<BuildInput> DataBuildInputs(const DataManifest& manifest) {
  std::vector<BuildInput> inputs;
  if (!manifest.source.empty()) inputs.push_back({manifest.source, "data manifest"});
  if (manifest.templateFile) inputs.push_back({*manifest.templateFile, "template"});
  for (size_t i = 0; i < manifest.records.size(); ++i) {
    if (manifest.records[i].file) inputs.push_back({*manifest.records[i].file, Label(i) + " file"});
  }
  return inputs;
}

void CheckDataContents(const DataContents& c, std::optional<std::string_view> title) {
  if (c.records.size() > static_cast<size_t>(saver::kSaverDataMaxRecords)) {
    throw PackError(Located(c.places.origin, std::to_string(c.records.size()) +
                                                 " records; a data file holds at most 109"));
  }
  std::map<std::string, size_t> names;
  int64_t stored = saver::kSaverDataHeaderSize;
  for (size_t i = 0; i < c.records.size(); ++i) {
    const DataRecordContent& r = c.records[i];
    CheckRecord(i, r, c, title);
    const auto [it, fresh] = names.emplace(WindowsFolded(r.name), i);
    if (!fresh) {
      throw PackError(Located(r.where, Label(i) + " name '" + Windows1252ForDisplay(r.name) +
                                           "' names the same file as " + Label(it->second) +
                                           "'s '" +
                                           Windows1252ForDisplay(c.records[it->second].name) +
                                           "' (Windows ignores case; give one another name)"));
    }
    stored += saver::kSaverDataRecordSize + saver::kSaverDataChunkHeaderSize +
              static_cast<int64_t>(r.copy || r.compressed ? 0 : r.size());
  }
  if (stored > kMaxFileSize) {
    throw PackError(Located(c.places.origin, "the stored records make a data file of " +
                                                 std::to_string(stored) +
                                                 " bytes; at most 2147483647 are possible"));
  }
}

std::optional<std::string> PictureNote(const DataContents& contents) {
  const std::string picture = saver::ReadEngineSettings(contents.header.bytes).picture;
  if (picture.empty()) return std::nullopt;
  const std::string folded = WindowsFolded(picture);
  if (folded == WindowsFolded(kPreviewBitmapName) ||
      folded == WindowsFolded(saver::kPreviewMovieName)) {
    return std::nullopt;
  }
  for (const DataRecordContent& r : contents.records) {
    if (WindowsFolded(r.name) == folded) return std::nullopt;
  }
  return "picture '" + Windows1252ForDisplay(picture) +
         "' is no record of this data file: the engine shows it only if the package installs "
         "it into the saver folder";
}

uint64_t WriteDataFile(const DataContents& contents, const fs::path& output,
                       const std::vector<BuildInput>& inputs, Level level, Warnings& warnings,
                       bool warningsAreErrors) {
  CheckDataContents(contents);
  const fs::path target = ResolveOutput(output, inputs);
  uint64_t reads = 0;
  for (const DataRecordContent& r : contents.records) reads += r.size() * (r.compressed ? 2 : 1);
  ExpectProgress(reads);
  TempOutput temp(target, output.string());
  const uint64_t size = WriteDataStream(temp.fd(), contents, level, temp.shown(), warnings);
  if (warningsAreErrors && !warnings.texts().empty()) throw PackError(WerrorMessage(warnings));
  temp.Commit();
  return size;
}

uint64_t BuildDataFile(const DataManifest& manifest, const fs::path& output, Level level) {
  Warnings warnings;
  return WriteDataFile(LoadDataContents(manifest), output, DataBuildInputs(manifest), level,
                       warnings, false);
}

}  // namespace saverpack
