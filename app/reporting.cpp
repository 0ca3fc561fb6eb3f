// Status line, progress bar, pauses and the error box.
#include "error_text.h"
#include "fInstall.h"
#include "step_codes.h"
#include "string_ids.h"

namespace app {

void TInstallerForm::ShowStatus(const std::string& text) {
  if (previewKind == saver::kPreviewSilent) return;
  view_.ShowStatusText(text);
}

void TInstallerForm::StepProgress() {
  if (previewKind == saver::kPreviewSilent) return;
  view_.StepProgressBar();
  PauseTick();
}

void TInstallerForm::PauseTick() { view_.PauseTick(); }

// Line breaks between the parts are CR LF pairs; the texts of the string
// table carry their own line feeds.
std::string TInstallerForm::InstallErrorText(int32_t code, const std::string& fileName) {
  const std::string head = Text(kStrInstallationError);
  switch (code) {
    case kErrNoAttempts:
      return head;
    case kErrFileBusy:
      return head + Text(kStrFileBusy) + fileName;
    case kErrSaverBusy:
      return head + Text(kStrSaverFileBusy);
    case kErrInvalidEntry:
      return head + Text(kStrInvalidEntry) + fileName;
    case kErrEntryChecksum:
      return head + Text(kStrEntryChecksum) + fileName;
    case kErrForeignUninstallKey:
      return head + Text(kStrForeignUninstallKey) + fileName;
    case kErrWorkingCopyDisplay:
      return head + "errorString" + SystemErrorText(platform_, code, fileName) + "\r\n\r\n" +
             Text(kStrRetryInstallation);
    default:
      return head + SystemErrorText(platform_, code, fileName) + "\r\n\r\n" +
             Text(kStrProblemWithFile) + fileName + ". ";
  }
}

void TInstallerForm::ShowInstallError(int32_t code, const std::string& fileName) {
  view_.MessageBox(InstallErrorText(code, fileName), BoxIcon::kError);
}

}  // namespace app
