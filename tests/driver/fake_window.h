// A stand-in for a window the installer looks for and closes (such as
// "Display Properties"): a visible top-level window with a Cancel button of
// id 2. Prints {"event":"shown"} once it is up and {"event":"closed","by":...}
// when its Cancel button or WM_CLOSE ended it, or "timeout" after `seconds`.
#pragma once

#include <string>

namespace saverdrv {

int RunFakeWindow(const std::wstring& title, long seconds);

}  // namespace saverdrv
