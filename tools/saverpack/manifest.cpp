#include "manifest.h"

#include <charconv>
#include <fstream>
#include <set>
#include <sstream>

#include "pack_error.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

// Cuts a trailing comment: a '#' at the start or after white space.
std::string_view StripComment(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
      return line.substr(0, i);
    }
  }
  return line;
}

// A whole decimal number in [low, high], or nothing.
std::optional<int> ParseNumber(std::string_view text, int low, int high) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

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
  const auto slot = ParseNumber(digits, 1, saver::kPackageSlots - 1);
  if (!slot) return std::nullopt;
  SlotKey out{*slot, {}};
  if (dot != std::string_view::npos) out.attribute = key.substr(dot + 1);
  return out;
}

class ManifestParser {
 public:
  ManifestParser(fs::path baseDir, std::string_view origin)
      : baseDir_(std::move(baseDir)), origin_(origin) {}

  void Line(std::string_view raw) {
    ++lineNo_;
    const std::string_view line = Trim(StripComment(raw));
    if (line.empty()) return;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) Fail("expected 'key = value'");
    const std::string key(Trim(line.substr(0, eq)));
    const std::string_view value = Trim(line.substr(eq + 1));
    if (key.empty()) Fail("missing key before '='");
    if (!seen_.insert(key).second) Fail("key '" + key + "' appears twice");
    Assign(key, value);
  }

  Manifest Finish() {
    for (int slot = 1; slot < saver::kPackageSlots; ++slot) {
      if (sources_[slot] && !hasFile_[slot]) {
        throw PackError(std::string(origin_) + ": slot" + std::to_string(slot) +
                        " has attributes but no file (add 'slot" + std::to_string(slot) +
                        " = FILE')");
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
    const auto n = ParseNumber(value, 0, 255);
    if (!n) Fail("'" + key + "' must be a number from 0 to 255");
    return static_cast<uint8_t>(*n);
  }

  void Assign(const std::string& key, std::string_view value) {
    if (key == "title") {
      manifest_.title = std::string(value);
    } else if (key == "preview_kind") {
      manifest_.previewKind = Byte(key, value);
    } else if (key == "show_licence") {
      manifest_.showLicence = Byte(key, value);
    } else if (key == "show_readme") {
      manifest_.showReadMe = Byte(key, value);
    } else if (key == "open_display_properties") {
      manifest_.openDisplayProperties = Byte(key, value);
    } else if (const auto slotKey = SplitSlotKey(key)) {
      AssignSlot(key, *slotKey, value);
    } else {
      Fail("unknown key '" + key + "'");
    }
  }

  void AssignSlot(const std::string& key, const SlotKey& slotKey, std::string_view value) {
    SlotSource& source =
        sources_[slotKey.slot] ? *sources_[slotKey.slot] : sources_[slotKey.slot].emplace();
    if (slotKey.attribute.empty()) {
      if (value.empty()) Fail("'" + key + "' needs a file name");
      source.file = baseDir_ / fs::path(std::string(value));
      hasFile_[slotKey.slot] = true;
    } else if (slotKey.attribute == "name") {
      source.name = std::string(value);
    } else if (slotKey.attribute == "type") {
      const auto n = ParseNumber(value, saver::kTypeSaverFolder1, saver::kTypeInstallerImage);
      if (!n) Fail("'" + key + "' must be an entry type from 1 to 6");
      source.type = *n;
    } else if (slotKey.attribute == "compressed") {
      const auto n = ParseNumber(value, 0, 1);
      if (!n) Fail("'" + key + "' must be 0 (stored) or 1 (imploded)");
      source.compressed = *n == 1;
    } else {
      Fail("unknown key '" + key + "'");
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

Manifest ParseManifest(std::string_view text, const fs::path& baseDir, std::string_view origin) {
  ManifestParser parser(baseDir, origin);
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    parser.Line(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
  }
  return parser.Finish();
}

Manifest LoadManifest(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw PackError("cannot read manifest '" + file.string() + "'");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw PackError("cannot read manifest '" + file.string() + "'");
  return ParseManifest(text.str(), file.parent_path(), file.string());
}

std::vector<ManifestLine> SplitManifestLines(std::string_view text, std::string_view origin) {
  std::vector<ManifestLine> lines;
  int number = 0;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    const std::string_view line = Trim(StripComment(text.substr(0, nl)));
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    ++number;
    if (line.empty()) continue;
    const std::string where = std::string(origin) + ":" + std::to_string(number) + ": ";
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) throw PackError(where + "expected 'key = value'");
    ManifestLine out{number, std::string(Trim(line.substr(0, eq))),
                     std::string(Trim(line.substr(eq + 1)))};
    if (out.key.empty()) throw PackError(where + "missing key before '='");
    lines.push_back(std::move(out));
  }
  return lines;
}

std::string ReadManifestText(const fs::path& file, std::string_view what) {
  std::ifstream in(file, std::ios::binary);
  const std::string failure = "cannot read " + std::string(what) + " '" + file.string() + "'";
  if (!in) throw PackError(failure);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw PackError(failure);
  return text.str();
}

}  // namespace saverpack
