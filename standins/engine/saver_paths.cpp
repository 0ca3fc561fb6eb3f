#include "saver_paths.h"

#include <algorithm>

#include "engine_args.h"
#include "saver_folder_name.h"
#include "windows_case.h"

namespace engine {
namespace {

std::string_view Trimmed(std::string_view path) {
  const auto isPadding = [](char c) { return c == ' ' || c == '\t' || c == '"'; };
  while (!path.empty() && isPadding(path.front())) path.remove_prefix(1);
  while (!path.empty() && isPadding(path.back())) path.remove_suffix(1);
  return path;
}

}  // namespace

std::string WithTrailingSeparator(std::string_view folder) {
  std::string out(folder);
  while (!out.empty() && (out.back() == '\\' || out.back() == '/')) out.pop_back();
  if (!folder.empty()) out += '\\';
  return out;
}

std::string WithoutTrailingSeparator(std::string_view path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
  return std::string(path);
}

std::string BaseName(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string TitleFromEnginePath(std::string_view longPath) {
  std::string name = BaseName(longPath);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string SaverFolder(std::string_view windowsFolder, std::string_view title) {
  return WithTrailingSeparator(windowsFolder) + saver::SaverFolderName(title) + "\\";
}

std::string InstalledEnginePath(std::string_view windowsFolder, std::string_view title) {
  return WithTrailingSeparator(windowsFolder) + std::string(title) + ".scr";
}

std::string SettingsPath(std::string_view saverFolder) {
  return WithTrailingSeparator(saverFolder) + "saver.dat";
}

std::string UninstallKeyPath(std::string_view title) {
  if (title.empty()) return {};
  return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + std::string(title);
}

bool SamePath(std::string_view a, std::string_view b) {
  a = Trimmed(a);
  b = Trimmed(b);
  return !a.empty() && saver::SameName(a, b);
}

bool NamesEngine(std::string_view iniValue, const std::vector<std::string>& engineForms) {
  return std::any_of(engineForms.begin(), engineForms.end(),
                     [iniValue](const std::string& form) { return SamePath(iniValue, form); });
}

std::string RemoverPath(std::string_view tempFolder, std::string_view title) {
  return WithTrailingSeparator(tempFolder) + std::string(title) + " uninstall.exe";
}

std::string RemoverCommandLine(std::string_view remover, uint64_t processHandle,
                               std::string_view enginePath) {
  return QuoteArgument(remover) + " /remove-engine " + std::to_string(processHandle) + " " +
         QuoteArgument(enginePath);
}

}  // namespace engine
