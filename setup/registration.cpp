// System registration and clean-up: saver.dat, system.ini, the Display
// control panel, the read-me, the uninstall entry and the undo step.
//
// Registry and system.ini writes that the system refuses end their step with
// the system's error number and a box naming the key or file, so that the
// install sequence ends in order (and rolls back where it rolls back).
#include "fInstall.h"
#include "install_paths.h"
#include "step_codes.h"
#include "string_ids.h"

namespace app {
namespace {

constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kDisplayPanelCommand[] = "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1";
constexpr int kCancelButton = 2;
constexpr int kDisplayPanelLookups = 1000;

}  // namespace

// Empty for an engine name that would leave the Windows folder.
std::string TInstallerForm::EnginePath() const {
  return saver::PathInFolder(windowsFolder, package.table[saver::kSlotEngine].name());
}

std::string TInstallerForm::UninstallCommand() const {
  const std::string engine = windowsFolder + packageTitle + ".scr";
  if (engine.find(' ') == std::string::npos) return engine + " /u";
  return "\"" + engine + "\" /u";
}

bool TInstallerForm::IsOwnUninstallCommand(const std::string& command) const {
  const std::string engine = windowsFolder + packageTitle + ".scr";
  return saver::SameName(command, engine + " /u") ||
         saver::SameName(command, "\"" + engine + "\" /u");
}

// The uninstall entry's key, or empty when the title cannot name a key of its
// own: an empty title would name the Uninstall key itself, and a backslash
// would reach into another key.
std::string TInstallerForm::UninstallKeyPath() const {
  if (packageTitle.empty() || packageTitle.find('\\') != std::string::npos) return "";
  return kUninstallRoot + packageTitle;
}

void TInstallerForm::CloseDisplayProperties() {
  const os::WindowId window = platform_.FindTopLevelWindow(Text(kStrDisplayPropertiesTitle));
  if (window != 0) platform_.ClickDialogButton(window, kCancelButton);
}

int32_t TInstallerForm::ReadSaverDataHeader() {
  int32_t code = kOk;
  try {
    auto stream = platform_.OpenRead(dataFilePath);
    const auto size = static_cast<uint32_t>(settingsBlock.size());
    if (stream->Read(settingsBlock.data(), size) != size) code = os::err::kShortRead;
  } catch (const os::IoError& e) {
    code = e.code();
  }
  if (code != kOk) ShowInstallError(code, dataFilePath);
  return code;
}

// A saver.dat cut short would be read by the engine as settings it never had:
// a short write fails the step and the partial file is removed.
int32_t TInstallerForm::WriteSaverSettings() {
  ShowStatus(Text(kStrWritingSaverData));
  const std::string path = saverFolder + "saver.dat";
  const int32_t code = WriteWholeFile(path, settingsBlock.data(), settingsBlock.size());
  if (code == kOk) NoteSaverFolderFile(path);
  return code;
}

// Creates (or replaces, kept by the journal) `path` with exactly `size`
// bytes; a file cut short is removed. The step code, without a message.
int32_t TInstallerForm::WriteWholeFile(const std::string& path, const void* data, size_t size) {
  int32_t code = journal ? journal->BeforeWrite(path) : kOk;
  if (code != kOk) return code;
  try {
    auto file = platform_.CreateFile(path);
    const auto count = static_cast<uint32_t>(size);
    if (file->Write(data, count) != count) code = os::err::kShortWrite;
    file->Close();
  } catch (const os::IoError& e) {
    code = e.code();
  }
  if (code != kOk) DeleteExistingOnce(path, false);
  return code;
}

int32_t TInstallerForm::RegisterScreenSaver() {
  const std::string shortPath = platform_.ShortPath(EnginePath());
  if (shortPath.empty()) return kErrFileMissing;
  const int32_t journalCode = journal ? journal->BeforeScreenSaverEntry() : kOk;
  if (journalCode != kOk) return journalCode;
  if (!platform_.WriteIniString("system.ini", "boot", "SCRNSAVE.EXE", shortPath)) {
    int32_t code = platform_.LastError();
    if (code == kOk) code = os::err::kWriteFault;
    ShowInstallError(code, "system.ini");
    return code;
  }
  return platform_.SetScreenSaverActive() ? kOk : kErrActivationRefused;
}

void TInstallerForm::LaunchDisplayProperties() {
  if (!package.header.openDisplayProperties()) return;
  ShowStatus(Text(kStrStatusDisplayProperties));
  platform_.StartProgram(kDisplayPanelCommand);
  const std::string title = Text(kStrDisplayPropertiesTitle);
  for (int i = 0; i < kDisplayPanelLookups && platform_.FindTopLevelWindow(title) == 0; ++i) {
  }
  if (previewKind == saver::kPreviewSilent) return;
  view_.BringToFront();
  StepProgress();
}

void TInstallerForm::OpenReadMe() {
  if (!package.header.showReadMe()) return;
  platform_.ShellOpen(saverFolder + package.table[saver::kSlotReadMe].name(), "", false);
}

namespace {

// The two values of the uninstall entry as they were before this run wrote
// them; a failed write puts them back.
struct UninstallKeyState {
  bool existed = false;
  bool hasName = false, hasCommand = false;
  std::string name, command;
};

UninstallKeyState ReadUninstallKeyState(os::RegistryKey* key) {
  UninstallKeyState state;
  if (!key) return state;
  state.existed = true;
  state.hasName = key->GetString("DisplayName", state.name) == kOk;
  state.hasCommand = key->GetString("UninstallString", state.command) == kOk;
  return state;
}

void RestoreValue(os::RegistryKey& key, const std::string& name, bool had, const std::string& old) {
  if (had) {
    key.SetString(name, old);
  } else {
    key.DeleteValue(name);
  }
}

}  // namespace

// An uninstall entry of the same name that is not this screensaver's (its
// command is not the engine's path with "/u", in either form) belongs to
// another program: it is neither written nor deleted.
int32_t TInstallerForm::WriteUninstallKey() {
  const std::string keyPath = UninstallKeyPath();
  if (keyPath.empty()) return kOk;
  const std::string shownKey = "HKEY_LOCAL_MACHINE\\" + keyPath;
  int32_t code = kOk;
  auto key = platform_.OpenMachineKey(keyPath, false, code);
  const UninstallKeyState before = ReadUninstallKeyState(key.get());
  if (before.existed && !(before.hasCommand && IsOwnUninstallCommand(before.command))) {
    ShowInstallError(kErrForeignUninstallKey, shownKey);
    return kErrForeignUninstallKey;
  }
  code = kOk;
  if (!key) key = platform_.OpenMachineKey(keyPath, true, code);
  if (key) code = key->SetString("DisplayName", packageTitle + Text(kStrScreenSaverSuffix));
  if (key && code == kOk) code = key->SetString("UninstallString", UninstallCommand());
  if (code != kOk && key && before.existed) {
    RestoreValue(*key, "DisplayName", before.hasName, before.name);
    RestoreValue(*key, "UninstallString", before.hasCommand, before.command);
  }
  key.reset();
  if (code != kOk && !before.existed) RemoveUninstallKey();
  if (code != kOk) ShowInstallError(code, shownKey);
  return code;
}

void TInstallerForm::RemoveUninstallKey() {
  const std::string keyPath = UninstallKeyPath();
  if (keyPath.empty()) return;
  int32_t error = kOk;
  auto key = platform_.OpenMachineKey(keyPath, false, error);
  if (!key) return;
  key->DeleteValue("DisplayName");
  key->DeleteValue("UninstallString");
  key.reset();
  platform_.DeleteMachineKeyTree(keyPath);
}

// Takes back what the failed sequence changed: the files it created go, the
// files it replaced (the engine and libraries in the Windows folder, the
// saver folder's files) get their old bytes back, and so does the system.ini
// entry. The uninstall entry is written last, so a failed sequence has not
// touched it: an earlier installation's entry, or another program's, stays.
void TInstallerForm::UndoInstall() {
  if (journal) journal->Rollback();
}

}  // namespace app
