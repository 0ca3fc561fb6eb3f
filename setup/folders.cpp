// The working folders, the saver folder with its saver.ini, and the
// extraction of the screensaver's package files.
#include "dataFunctions_shared.h"
#include "fInstall.h"
#include "install_paths.h"
#include "saver_folder_name.h"
#include "step_codes.h"
#include "string_ids.h"

namespace app {
namespace {

std::string WithBackslash(const std::string& folder) {
  return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

void CreateFolderQuietly(os::Platform& platform, const std::string& folder) {
  if (!platform.DirectoryExists(folder) && !platform.CreateDirectory(folder)) {
    setup::LastSystemError(platform);
  }
}

}  // namespace

void TInstallerForm::PrepareWorkingFolders() {
  windowsFolder = WithBackslash(platform_.WindowsDirectory());
  installerPath = platform_.ModulePath();
  const std::string tempFolder = windowsFolder + "TEMP\\";
  scratchFolder = tempFolder + "LMX temp";
  CreateFolderQuietly(platform_, tempFolder);
  CreateFolderQuietly(platform_, scratchFolder);
  for (int n = 1;; ++n) {
    workingCopy = scratchFolder + "\\temp" + std::to_string(n) + ".dat";
    if (!platform_.FileExists(workingCopy)) break;
  }
}

void TInstallerForm::PrepareSaverFolder() {
  packageTitle = package.header.title();
  saverFolder =
      windowsFolder + saver::SaverFolderBaseName(packageTitle) + Text(kStrSaverFolderSuffix);
  if (!platform_.CreateDirectory(saverFolder)) setup::LastSystemError(platform_);
  settingsPath = saverFolder + "saver.ini";
  settings = std::make_unique<setup::SettingsFile>(platform_, settingsPath);
  try {
    RecordFile(settings.get(), settingsPath);
  } catch (const os::IoError& e) {
    // No step code here: the failure is shown, and the preparation goes on;
    // every later line of the Files list reports its own failure.
    ShowInstallError(e.code(), "saver.ini");
  }
  // Empty for a slot-8 name that would leave the saver folder: such an
  // entry is never extracted, so there is no data file to read or delete.
  dataFilePath = saver::PathInFolder(saverFolder, package.table[saver::kSlotSaverData].name());
}

void TInstallerForm::RecordFile(setup::SettingsFile* settingsFile, const std::string& path) {
  NoteSaverFolderFile(path);
  if (!settingsFile) throw os::IoError(os::err::kWriteFault, "no settings file");
  settingsFile->WriteString(Text(kStrFilesSection), std::to_string(filesCounter), path);
  ++filesCounter;
}

int32_t TInstallerForm::ExtractPackageFiles(const std::string& workingCopyPath) {
  const int32_t firstSlot = package.header.showReadMe() ? saver::kSlotReadMe : saver::kSlotEngine;
  std::unique_ptr<os::ReadStream> stream;
  try {
    stream = platform_.OpenRead(workingCopyPath);
  } catch (const os::IoError& e) {
    ShowInstallError(e.code(), workingCopyPath);
    return e.code();
  }
  try {
    RecordFile(settings.get(), workingCopyPath);
  } catch (const os::IoError& e) {
    ShowInstallError(e.code(), settingsPath);
    return e.code();
  }
  int32_t code = kOk;
  for (int32_t slot = firstSlot; slot <= saver::kSlotSupport2 && code == kOk; ++slot) {
    code = ExtractEntry(*stream, slot, true, true, settings.get());
  }
  return code;
}

}  // namespace app
