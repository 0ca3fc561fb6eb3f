// System registration and clean-up: saver.dat, system.ini, the Display
// control panel, the read-me, the uninstall entry and the undo step.
//
// Not yet registering: every step succeeds without touching the system.
#include "fInstall.h"
#include "step_codes.h"

namespace app {

void TInstallerForm::CloseDisplayProperties() {}
int32_t TInstallerForm::ReadSaverDataHeader() { return kOk; }
int32_t TInstallerForm::WriteSaverSettings() { return kOk; }
int32_t TInstallerForm::RegisterScreenSaver() { return kOk; }
void TInstallerForm::LaunchDisplayProperties() {}
void TInstallerForm::OpenReadMe() {}
int32_t TInstallerForm::WriteUninstallKey() { return kOk; }
void TInstallerForm::RemoveUninstallKey() {}
void TInstallerForm::UndoInstall() {}

}  // namespace app
