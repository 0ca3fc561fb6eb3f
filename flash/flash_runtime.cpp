// Flash runtime detection and setup.
//
// Both questions create a probe control through the platform's control
// factory: owned here (by the application, not by a window), never given a
// parent window and so never shown, and destroyed before the function
// returns, on every way out.
#include <exception>
#include <memory>

#include "dataFunctions_shared.h"
#include "flash_control.h"
#include "step_codes.h"

namespace setup {
namespace {

constexpr int kVersionAttempts = 1000;
constexpr int kAvailableAttempts = 10000;

// Creates probes until one exists or `attempts` creations were tried; each
// new probe is asked its version at once. A failed creation leaves no probe
// and the loop goes on; a probe that fails the question stays and ends the
// loop with `version` left as it was.
std::unique_ptr<flash::FlashControl> CreateProbe(os::Platform& platform, int attempts,
                                                 int32_t& version) {
  std::unique_ptr<flash::FlashControl> probe;
  for (int attempt = 0; attempt < attempts && !probe;) {
    ++attempt;
    try {
      probe = platform.FlashControls().Create();
      version = probe->FlashVersion();
    } catch (const std::exception&) {
      // Not installed, not registered, or not answering: see above.
    }
  }
  return probe;
}

}  // namespace

int32_t FlashRuntimeVersion(os::Platform& platform) {
  int32_t version = 0;
  CreateProbe(platform, kVersionAttempts, version);
  return version;
}

bool FlashControlAvailable(os::Platform& platform) {
  int32_t unused = 0;
  const std::unique_ptr<flash::FlashControl> probe =
      CreateProbe(platform, kAvailableAttempts, unused);
  if (!probe) return false;
  // Asked once more outside the loop's error trap: a control that can be
  // created but does not answer fails the caller with its ControlError.
  probe->FlashVersion();
  return true;
}

int32_t RunFlashInstaller(os::Platform& platform, const std::string& windowsFolder) {
  const std::string path = windowsFolder + "flashax.exe";
  if (!platform.FileExists(path)) return app::kErrNoFlashInstaller;
  const intptr_t r = platform.ShellOpen(path, "/Q", true);
  if (r > 32) return 0;
  if (r == 0) return app::kErrNoMemory;
  return static_cast<int32_t>(r);
}

}  // namespace setup
