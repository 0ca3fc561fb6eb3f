#include "data_manifest.h"

#include <limits>
#include <map>
#include <set>

#include "manifest.h"
#include "manifest_syntax.h"
#include "pack_error.h"
#include "package/saverData_shared.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;

// "recordN" or "recordN.attribute"; N is 0 when the key is no record key.
struct RecordKey {
  int number = 0;
  std::string_view attribute;
};

RecordKey SplitRecordKey(std::string_view key) {
  constexpr std::string_view kPrefix = "record";
  if (!key.starts_with(kPrefix)) return {};
  key.remove_prefix(kPrefix.size());
  const size_t dot = key.find('.');
  const std::string_view digits = key.substr(0, dot);
  if (digits.empty() || digits[0] == '0' || digits.size() > 3) return {};
  const auto n = ParseWholeNumber(digits, 1, 999);
  if (!n) return {};
  return {static_cast<int>(*n), dot == std::string_view::npos ? "" : key.substr(dot + 1)};
}

class DataManifestParser {
 public:
  DataManifestParser(fs::path baseDir, std::string_view origin)
      : baseDir_(std::move(baseDir)), origin_(origin) {
    manifest_.places.origin = origin_;
  }

  void Line(const ManifestLine& line) {
    line_ = line.number;
    if (!seen_.insert(line.key).second) Fail("key '" + line.key + "' appears twice");
    manifest_.places.lines[line.key] = line_;
    if (line.key == "template") {
      if (line.text.empty()) Fail("'template' needs a file name");
      manifest_.templateFile = baseDir_ / fs::path(line.text);
    } else if (line.key == "first_record_mode") {
      const auto n = ParseWholeNumber(line.text, std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max());
      if (!n) Fail("'first_record_mode' must be a whole number (32-bit)");
      manifest_.firstRecordMode = static_cast<int32_t>(*n);
    } else if (IsEngineSettingKey(line.key)) {
      if (const auto problem = ReadEngineSetting(line.key, line.Stored(), manifest_.settings)) {
        Fail(*problem);
      }
    } else if (const RecordKey key = SplitRecordKey(line.key); key.number != 0) {
      Record(line, key);
    } else {
      Fail("unknown key '" + line.key + "'" + NearestKeyHint(line.key, DataManifestKeys()));
    }
  }

  DataManifest Finish() {
    for (const auto& [number, record] : records_) {
      if (number != static_cast<int>(manifest_.records.size()) + 1) {
        Fail(record.line, "record" + std::to_string(number) + " is given but record" +
                              std::to_string(manifest_.records.size() + 1) + " is missing");
      }
      CheckShape(number, record);
      manifest_.records.push_back(record);
    }
    return manifest_;
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw PackError(std::string(origin_) + ":" + std::to_string(line) + ": " + what);
  }
  [[noreturn]] void Fail(const std::string& what) const { Fail(line_, what); }

  // A record's file is a path on this machine, taken as written; its name
  // and a copy's name are stored in the data file, in Windows-1252.
  void Record(const ManifestLine& line, const RecordKey& k) {
    const std::string& key = line.key;
    if (k.number > saver::kSaverDataMaxRecords) {
      Fail("record numbers go from 1 to 109 (the installer's record table)");
    }
    DataRecordSource& r = records_[k.number];
    if (r.line == 0) r.line = line_;
    const std::string& value = line.text;
    if (k.attribute.empty()) {
      if (value.empty()) Fail("'" + key + "' needs a file name");
      r.file = baseDir_ / fs::path(value);
    } else if (k.attribute == "copy") {
      r.copy = line.Stored();
    } else if (k.attribute == "name") {
      r.name = line.Stored();
    } else if (k.attribute == "compressed") {
      const auto n = ParseWholeNumber(value, 0, 1);
      if (!n) Fail("'" + key + "' must be 0 (stored) or 1 (imploded)");
      r.compressed = *n == 1;
    } else if (k.attribute == "kind") {
      const auto n = ParseWholeNumber(value, 0, 255);
      if (!n || *n == saver::kRecordKindCopy) {
        Fail("'" + key + "' must be a number from 0 to 255 other than 3 (use " +
             key.substr(0, key.find('.')) + ".copy for a copy)");
      }
      r.kind = static_cast<uint8_t>(*n);
    } else {
      Fail("unknown key '" + key + "'" + NearestKeyHint(key, DataManifestKeys()));
    }
  }

  void CheckShape(int number, const DataRecordSource& r) const {
    const std::string label = "record" + std::to_string(number);
    if (r.file && r.copy) Fail(r.line, label + " is both a file and a copy");
    if (!r.file && !r.copy) {
      Fail(r.line, label + " needs a file ('" + label + " = FILE') or a copy ('" + label +
                       ".copy = NAME')");
    }
    if (r.copy && (r.name || r.compressed || r.kind)) {
      Fail(r.line, label + " is a copy: its name is the copy's value, and it has no data");
    }
  }

  fs::path baseDir_;
  std::string_view origin_;
  int line_ = 0;
  std::set<std::string> seen_;
  std::map<int, DataRecordSource> records_;
  DataManifest manifest_;
};

}  // namespace

const std::vector<std::string>& DataManifestKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> out = {"template", "first_record_mode", "picture",
                                    "text",     "background",        "text_colour",
                                    "speed",    "text_over_picture"};
    for (int n = 1; n <= saver::kSaverDataMaxRecords; ++n) {
      const std::string key = "record" + std::to_string(n);
      for (const char* attribute : {"", ".copy", ".name", ".compressed", ".kind"}) {
        out.push_back(key + attribute);
      }
    }
    return out;
  }();
  return keys;
}

DataManifest ParseDataManifest(std::string_view text, const fs::path& baseDir,
                               std::string_view origin) {
  DataManifestParser parser(baseDir, origin);
  for (const ManifestLine& line : SplitManifestLines(text, origin)) parser.Line(line);
  return parser.Finish();
}

DataManifest LoadDataManifest(const fs::path& file) {
  DataManifest manifest =
      ParseDataManifest(ReadManifestText(file, "data manifest"), file.parent_path(), file.string());
  manifest.source = file;
  return manifest;
}

bool IsDataManifestPath(const fs::path& file) { return file.extension() == ".manifest"; }

}  // namespace saverpack
