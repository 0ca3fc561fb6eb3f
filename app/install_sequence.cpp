// The Install button and the install sequence.
#include "dataFunctions_shared.h"
#include "fInstall.h"
#include "install_paths.h"
#include "step_codes.h"
#include "string_ids.h"

namespace app {
namespace {

// Clears the busy flag on every way out of the Install handler, so that the
// window can always be closed afterwards.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

void TInstallerForm::installBtnClick() {
  if (installBusy) return;
  int32_t result = kOk;
  {
    BusyScope busy(installBusy);
    result = RunInstallWithStatus();
  }
  if (result != kOk) {
    view_.SetInstallEnabled(false);
    return;
  }
  view_.CloseWindow();
  view_.Terminate();
}

// The body of the Install handler: status, first progress step, the sequence,
// then the closing status and the full bar for two pauses.
int32_t TInstallerForm::RunInstallWithStatus() {
  view_.SetDeclineEnabled(false);
  ShowStatus(Text(kStrStatusInstallStart));
  StepProgress();
  const int32_t result = RunInstall();
  ShowStatus(result == kOk ? Text(kStrStatusInstallDone) : Text(kStrOpenDisplayPanel));
  view_.SetProgressPosition(view_.ProgressMax());
  PauseTick();
  PauseTick();
  view_.SetProgressPosition(0);
  return result;
}

int32_t TInstallerForm::RunInstall() {
  const CursorKind cursor = view_.SetCursor(CursorKind::kHourGlass);
  journal = std::make_unique<setup::InstallJournal>(platform_, JournalPath(), InstallPathCheck());
  CloseDisplayProperties();
  int32_t code = ExtractPackageFiles(workingCopy);
  int32_t afterCode = kOk;
  if (code == kOk) code = ReadSaverDataHeader();
  if (code == kOk) code = InstallSaverData();
  if (code == kOk) code = WriteSaverSettings();
  if (code == kOk) {
    code = RegisterScreenSaver();
    // A refused activation leaves the screensaver registered: not a failure.
    if (code == kErrActivationRefused) code = kOk;
  }
  if (code == kOk) LaunchDisplayProperties();
  if (code == kOk) OpenReadMe();
  if (code == kOk) code = WriteInstalledFileList();
  if (code == kOk) afterCode = WriteUninstallKey();
  // The manifest and the data file are temporary in every case; the data
  // file is deleted only when this run wrote it (it is closed first, as a
  // failed record leaves it open).
  settings.reset();
  setup::ReleaseSaverDataFile();
  DeleteExistingOnce(settingsPath, false);
  if (journal->Recorded(dataFilePath)) DeleteExistingOnce(dataFilePath, false);
  view_.SetCursor(cursor);
  if (code != kOk) {
    CloseDisplayProperties();
    UndoInstall();
  } else {
    journal->Commit();
  }
  journal.reset();
  return afterCode != kOk ? afterCode : code;
}

std::string TInstallerForm::JournalPath() const {
  std::string name = saverFolder.substr(std::min(windowsFolder.size(), saverFolder.size()));
  while (!name.empty() && name.back() == '\\') name.pop_back();
  for (char& c : name) {
    if (c == '\\') c = '_';
  }
  return scratchFolder + "\\" + name + ".jnl";
}

setup::PathCheck TInstallerForm::InstallPathCheck() const {
  return [this](const std::string& path) {
    return saver::IsInstallPath(path, windowsFolder, saverFolder);
  };
}

void TInstallerForm::RecoverInterruptedInstall() {
  setup::InstallJournal::Recover(platform_, JournalPath(), InstallPathCheck());
}

int32_t TInstallerForm::InstallSilently() {
  view_.HideForSilentInstall();
  return RunInstall();
}

}  // namespace app
