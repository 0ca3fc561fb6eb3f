#include "install_paths.h"

#include "dataStructures_shared.h"
#include "saverData_shared.h"

namespace saver {
namespace {

bool IsAbsoluteFolder(std::string_view folder) {
  const bool drive = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\';
  return (drive || folder.substr(0, 2) == "\\\\") && folder.back() == '\\';
}

bool StartsWithFolder(std::string_view path, std::string_view folder) {
  return !folder.empty() && path.size() > folder.size() &&
         SameName(path.substr(0, folder.size()), folder);
}

// Every component of a relative path is a name the folder keeps.
bool ComponentsAreFileNames(std::string_view relative) {
  if (!IsContainedRelativePath(relative)) return false;
  while (!relative.empty()) {
    const size_t sep = relative.find_first_of("\\/");
    if (IsReservedDeviceName(relative.substr(0, sep))) return false;
    if (sep == std::string_view::npos) break;
    relative.remove_prefix(sep + 1);
  }
  return true;
}

}  // namespace

std::string PathInFolder(const std::string& folder, std::string_view name) {
  if (!IsAbsoluteFolder(folder) || !StaysInFolder(name) || IsReservedDeviceName(name)) return "";
  return folder + std::string(name);
}

bool IsInstallPath(std::string_view path, std::string_view windowsFolder,
                   std::string_view saverFolder) {
  if (IsAbsoluteFolder(saverFolder) && StartsWithFolder(path, saverFolder)) {
    return ComponentsAreFileNames(path.substr(saverFolder.size()));
  }
  if (IsAbsoluteFolder(windowsFolder) && StartsWithFolder(path, windowsFolder)) {
    const std::string_view name = path.substr(windowsFolder.size());
    return StaysInFolder(name) && !IsReservedDeviceName(name);
  }
  return false;
}

}  // namespace saver
