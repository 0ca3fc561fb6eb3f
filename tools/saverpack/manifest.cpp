#include "manifest.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "file_io.h"
#include "pack_error.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;

constexpr uintmax_t kMaxManifestSize = 1 << 20;

// "slotN" or "slotN.attr" with N written plainly (no sign, no leading zero).
struct SlotKey {
  int slot = 0;
  std::string_view attribute;
};

std::optional<SlotKey> SplitSlotKey(std::string_view key) {
  constexpr std::string_view kPrefix = "slot";
  if (!key.starts_with(kPrefix)) return std::nullopt;
  key.remove_prefix(kPrefix.size());
  const size_t dot = key.find('.');
  const std::string_view digits = key.substr(0, dot);
  if (digits.empty() || digits.size() > 2 || digits[0] == '0') return std::nullopt;
  const auto slot = ParseWholeNumber(digits, 1, saver::kPackageSlots - 1);
  if (!slot) return std::nullopt;
  SlotKey out{static_cast<int>(*slot), {}};
  if (dot != std::string_view::npos) out.attribute = key.substr(dot + 1);
  return out;
}

class ManifestParser {
 public:
  ManifestParser(fs::path baseDir, std::string_view origin)
      : baseDir_(std::move(baseDir)), origin_(origin) {
    manifest_.places.origin = origin_;
  }

  void Line(std::string_view raw) {
    const SourceLine line{origin_, ++lineNo_, raw};
    const auto entry = ParseManifestLine(line);
    if (!entry) return;
    if (!seen_.insert(entry->key).second) Fail("key '" + entry->key + "' appears twice");
    manifest_.places.lines[entry->key] = lineNo_;
    Assign(line, entry->key, entry->value);
  }

  Manifest Finish() {
    for (int slot = 1; slot < saver::kPackageSlots; ++slot) {
      if (sources_[slot] && !hasFile_[slot]) {
        const std::string key = "slot" + std::to_string(slot);
        throw PackError(
            manifest_.places.WhereAny({key + ".name", key + ".type", key + ".compressed"}) + ": " +
            key + " has attributes but no file (add '" + key + " = FILE')");
      }
    }
    manifest_.slots = sources_;
    return manifest_;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw PackError(std::string(origin_) + ":" + std::to_string(lineNo_) + ": " + what);
  }

  uint8_t Byte(const std::string& key, std::string_view value) const {
    const auto n = ParseWholeNumber(value, 0, 255);
    if (!n) Fail("'" + key + "' must be a number from 0 to 255");
    return static_cast<uint8_t>(*n);
  }

  void Assign(const SourceLine& line, const std::string& key, const ManifestValue& entry) {
    const std::string_view value = entry.text;
    if (key == "title") {
      manifest_.title = ValueToWindows1252(line, entry, "title");
    } else if (key == "preview_kind") {
      manifest_.previewKind = Byte(key, value);
    } else if (key == "show_licence") {
      manifest_.showLicence = Byte(key, value);
    } else if (key == "show_readme") {
      manifest_.showReadMe = Byte(key, value);
    } else if (key == "open_display_properties") {
      manifest_.openDisplayProperties = Byte(key, value);
    } else if (const auto slotKey = SplitSlotKey(key)) {
      AssignSlot(line, key, *slotKey, entry);
    } else {
      Fail("unknown key '" + key + "'" + NearestKeyHint(key, PackageManifestKeys()));
    }
  }

  void AssignSlot(const SourceLine& line, const std::string& key, const SlotKey& slotKey,
                  const ManifestValue& entry) {
    const std::string_view value = entry.text;
    SlotSource& source =
        sources_[slotKey.slot] ? *sources_[slotKey.slot] : sources_[slotKey.slot].emplace();
    if (slotKey.attribute.empty()) {
      if (value.empty()) Fail("'" + key + "' needs a file name");
      source.file = baseDir_ / fs::path(std::string(value));
      SetFileName(line, key, entry, source);
      hasFile_[slotKey.slot] = true;
    } else if (slotKey.attribute == "name") {
      source.name = ValueToWindows1252(line, entry, "'" + key + "'");
    } else if (slotKey.attribute == "type") {
      const auto n = ParseWholeNumber(value, saver::kTypeSaverFolder1, saver::kTypeInstallerImage);
      if (!n) Fail("'" + key + "' must be an entry type from 1 to 6");
      source.type = *n;
    } else if (slotKey.attribute == "compressed") {
      const auto n = ParseWholeNumber(value, 0, 1);
      if (!n) Fail("'" + key + "' must be 0 (stored) or 1 (imploded)");
      source.compressed = *n == 1;
    } else {
      Fail("unknown key '" + key + "'" + NearestKeyHint(key, PackageManifestKeys()));
    }
  }

  // The file's own name (after the last '/') in Windows-1252, or why not.
  static void SetFileName(const SourceLine& line, const std::string& key,
                          const ManifestValue& entry, SlotSource& source) {
    const size_t slash = entry.text.rfind('/');
    const size_t from = slash == std::string::npos ? 0 : slash + 1;
    ManifestValue name{entry.text.substr(from), {}};
    name.offsets.assign(entry.offsets.begin() + static_cast<std::ptrdiff_t>(from),
                        entry.offsets.end());
    try {
      source.fileName = ValueToWindows1252(line, name, "the file name of '" + key + "'");
      source.fileNameProblem.clear();
    } catch (const PackError& e) {
      source.fileName.reset();
      source.fileNameProblem = e.what();
    }
  }

  fs::path baseDir_;
  std::string_view origin_;
  int lineNo_ = 0;
  std::set<std::string> seen_;
  Manifest manifest_;
  std::array<std::optional<SlotSource>, saver::kPackageSlots> sources_;
  std::array<bool, saver::kPackageSlots> hasFile_{};
};

}  // namespace

const std::vector<std::string>& PackageManifestKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> out = {"title", "preview_kind", "show_licence", "show_readme",
                                    "open_display_properties"};
    for (int slot = 1; slot < saver::kPackageSlots; ++slot) {
      const std::string key = "slot" + std::to_string(slot);
      for (const char* attribute : {"", ".name", ".type", ".compressed"}) {
        out.push_back(key + attribute);
      }
    }
    return out;
  }();
  return keys;
}

Manifest ParseManifest(std::string_view text, const fs::path& baseDir, std::string_view origin) {
  ManifestParser parser(baseDir, origin);
  for (std::string_view line : SplitManifestLines(CheckManifestEncoding(text, origin))) {
    parser.Line(line);
  }
  return parser.Finish();
}

Manifest LoadManifest(const fs::path& file) {
  const std::string name = file.string();
  const auto fail = [&](const std::string& why) -> void {
    throw PackError("cannot read manifest '" + name + "': " + why);
  };
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (ec) fail(ec.message());
  if (fs::is_directory(status)) fail("it is a directory");
  if (!fs::is_regular_file(status)) fail("not a regular file");
  const uintmax_t size = fs::file_size(file, ec);
  if (ec) fail(ec.message());
  if (size > kMaxManifestSize) {
    fail("it has " + std::to_string(size) + " bytes; a manifest has at most " +
         std::to_string(kMaxManifestSize) + " (is it the right file?)");
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) fail(std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) fail(std::strerror(errno));
  Manifest manifest = ParseManifest(text.str(), file.parent_path(), name);
  manifest.source = file;
  return manifest;
}

std::vector<ManifestLine> SplitManifestLines(std::string_view text, std::string_view origin) {
  std::vector<ManifestLine> lines;
  int number = 0;
  for (std::string_view raw : SplitManifestLines(CheckManifestEncoding(text, origin))) {
    const SourceLine line{origin, ++number, raw};
    auto entry = ParseManifestLine(line);
    if (!entry) continue;
    ManifestLine out{number, entry->key, entry->value.text, std::nullopt, {}};
    try {
      out.stored = ValueToWindows1252(line, entry->value, entry->key);
    } catch (const PackError& e) {
      out.storedProblem = e.what();
    }
    lines.push_back(std::move(out));
  }
  return lines;
}

const std::string& ManifestLine::Stored() const {
  if (!stored) throw PackError(storedProblem);
  return *stored;
}

std::string ReadManifestText(const fs::path& file, std::string_view what) {
  const uintmax_t size = FileSize(file, what);
  if (size > kMaxManifestSize) {
    throw PackError("cannot read " + std::string(what) + " '" + file.string() + "': it has " +
                    std::to_string(size) + " bytes; a manifest has at most " +
                    std::to_string(kMaxManifestSize) + " (is it the right file?)");
  }
  const std::vector<uint8_t> bytes = ReadWholeFile(file, what);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace saverpack
