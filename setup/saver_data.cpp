// The install step that unpacks the saver data file's records.
//
// Not yet unpacking: the data file's records are left in the file, and the
// step only reports its status and progress.
#include "fInstall.h"
#include "step_codes.h"
#include "string_ids.h"

namespace app {

int32_t TInstallerForm::InstallSaverData() {
  ShowStatus(Text(kStrStatusSaverData));
  StepProgress();
  return kOk;
}

}  // namespace app
