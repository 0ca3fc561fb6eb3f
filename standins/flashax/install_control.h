// Installs the Flash control that flashax.exe carries: writes it into
// <system folder>\Macromed\Flash\flashctl.dll and registers it by calling
// its DllRegisterServer. Either the new control is in place and
// registered, or the machine is left as it was (the previous file and the
// previous registration are put back).
#pragma once

#include <string>

namespace flashax {

enum class Outcome : int {
  kInstalled = 0,
  kNoPayload = 2,      // the program carries no control
  kWriteFailed = 3,    // the folder or the file could not be written
  kRegisterFailed = 4  // the control did not register
};

struct Result {
  Outcome outcome = Outcome::kInstalled;
  unsigned long error = 0;  // the system's error number or HRESULT of the failing step
  std::wstring path;        // where the control went (or was to go)
};

Result InstallControl();

// The folder and file name the control is installed as.
std::wstring ControlPath();

}  // namespace flashax
