// Flash runtime detection and setup.
//
// Not yet hosting the Flash control: until the control is hosted through COM,
// FlashRuntimeVersion reports version 6.0 and FlashControlAvailable reports a
// creatable control, so the preparation goes on as on a machine with a
// current Flash runtime. RunFlashInstaller is complete.
#include "dataFunctions_shared.h"
#include "step_codes.h"

namespace setup {

int32_t FlashRuntimeVersion(os::Platform&) { return app::kFlashVersion6; }

bool FlashControlAvailable(os::Platform&) { return true; }

int32_t RunFlashInstaller(os::Platform& platform, const std::string& windowsFolder) {
  const std::string path = windowsFolder + "flashax.exe";
  if (!platform.FileExists(path)) return app::kErrNoFlashInstaller;
  const intptr_t r = platform.ShellOpen(path, "/Q", true);
  if (r > 32) return 0;
  if (r == 0) return app::kErrNoMemory;
  return static_cast<int32_t>(r);
}

}  // namespace setup
