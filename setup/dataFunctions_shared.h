// The data-file module's shared functions and the Flash runtime functions.
#pragma once

#include <cstdint>
#include <string>

#include "os.h"

namespace setup {

// The calling thread's last system error number, showing nothing.
int32_t LastSystemError(os::Platform& platform);

// Flash runtime detection and setup.
// The installed Flash control's version, 0 when no control answers.
int32_t FlashRuntimeVersion(os::Platform& platform);
// True when a Flash control can be created. A control that is created but
// then fails the second version question lets its flash::ControlError out.
bool FlashControlAvailable(os::Platform& platform);
// Starts windowsFolder + "flashax.exe" hidden with "/Q" without waiting:
// 0, -401 (file missing), -7 (shell out of resources) or the shell's 1..32.
int32_t RunFlashInstaller(os::Platform& platform, const std::string& windowsFolder);

}  // namespace setup
