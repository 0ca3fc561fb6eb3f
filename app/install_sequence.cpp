// The Install button and the install sequence.
#include "fInstall.h"
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
  // The manifest and the data file are temporary in every case.
  settings.reset();
  DeleteExistingOnce(settingsPath, false);
  DeleteExistingOnce(dataFilePath, false);
  view_.SetCursor(cursor);
  if (code != kOk) {
    CloseDisplayProperties();
    UndoInstall();
  }
  return afterCode != kOk ? afterCode : code;
}

int32_t TInstallerForm::InstallSilently() {
  view_.HideForSilentInstall();
  return RunInstall();
}

}  // namespace app
