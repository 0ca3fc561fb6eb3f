#include "installed_files.h"

#include <algorithm>

#include "windows_case.h"

namespace saver {
namespace {

bool IsDotsAndBlanks(std::string_view component) {
  return component.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace

bool IsListableName(std::string_view name) {
  if (name.empty() || name.size() > 259) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string_view(":*?\"<>|").find(c) != std::string_view::npos) return false;
  }
  while (true) {
    const size_t sep = name.find_first_of("\\/");
    if (IsDotsAndBlanks(name.substr(0, sep))) return false;
    if (sep == std::string_view::npos) break;
    name.remove_prefix(sep + 1);
  }
  return true;
}

bool SameFileName(std::string_view a, std::string_view b) { return SameName(a, b); }

std::vector<std::string> ListableNames(const std::vector<std::string>& names) {
  std::vector<std::string> kept;
  for (const std::string& name : names) {
    if (!IsListableName(name) || SameFileName(name, kInstalledListName)) continue;
    const bool repeated = std::any_of(
        kept.begin(), kept.end(), [&name](const std::string& k) { return SameFileName(k, name); });
    if (!repeated) kept.push_back(name);
  }
  return kept;
}

std::string FormatInstalledList(const std::vector<std::string>& names) {
  std::string bytes(kInstalledListMarker);
  bytes += "\r\n";
  for (const std::string& name : ListableNames(names)) bytes += name + "\r\n";
  return bytes;
}

std::optional<std::vector<std::string>> ParseInstalledList(std::string_view bytes) {
  std::vector<std::string> lines;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  }
  if (lines.empty() || lines.front() != kInstalledListMarker) return std::nullopt;
  lines.erase(lines.begin());
  return ListableNames(lines);
}

std::optional<std::string> NameInFolder(std::string_view folder, std::string_view path) {
  if (folder.empty() || path.size() <= folder.size() ||
      !SameFileName(path.substr(0, folder.size()), folder)) {
    return std::nullopt;
  }
  return std::string(path.substr(folder.size()));
}

}  // namespace saver
