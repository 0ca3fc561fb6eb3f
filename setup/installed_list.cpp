// The list of the files this installation put into the saver folder
// (installed_files.h), which the engine's uninstall reads.
#include <algorithm>

#include "fInstall.h"
#include "installed_files.h"
#include "small_file.h"
#include "step_codes.h"

namespace app {
namespace {

// A list larger than this is no list this installer wrote.
constexpr int64_t kLongestList = 1 << 20;

}  // namespace

void TInstallerForm::NoteSaverFolderFile(const std::string& path) {
  if (auto name = saver::NameInFolder(saverFolder, path)) saverFolderFiles.push_back(*name);
}

// The files this run wrote, and on an update the earlier list's files that
// are still there; never saver.ini and the data file, which the sequence
// deletes right after.
int32_t TInstallerForm::WriteInstalledFileList() {
  const std::string listPath = saverFolder + std::string(saver::kInstalledListName);
  std::vector<std::string> names = saverFolderFiles;
  try {
    if (platform_.FileExists(listPath)) {
      for (const std::string& name :
           saver::ParseInstalledList(setup::ReadSmallFile(platform_, listPath, kLongestList))
               .value_or(std::vector<std::string>{})) {
        if (platform_.FileExists(saverFolder + name)) names.push_back(name);
      }
    }
  } catch (const os::IoError&) {
    // An earlier list that cannot be read names nothing more.
  }
  const auto temporary = [this](const std::string& name) {
    return saver::SameFileName(saverFolder + name, settingsPath) ||
           saver::SameFileName(saverFolder + name, dataFilePath);
  };
  names.erase(std::remove_if(names.begin(), names.end(), temporary), names.end());
  const std::string bytes = saver::FormatInstalledList(names);
  const int32_t code = WriteWholeFile(listPath, bytes.data(), bytes.size());
  if (code != kOk) ShowInstallError(code, listPath);
  return code;
}

}  // namespace app
