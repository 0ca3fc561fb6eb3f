// The installer's message box: modal, topmost, one "&Abort" button.
#pragma once

#include <string>

#include "installer_view.h"
#include "windows_api.h"

namespace app::win32 {

// Control identifiers inside the box, as the system's own boxes number them.
constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconId = 20;

// Shows `text` with caption "Error" and the error icon, or "Information" and
// the information icon, above every ordinary window; owned by `owner` when
// that is a window. Returns when the user dismisses it with the button, Enter,
// Esc or the close button.
void ShowAbortBox(HWND owner, const std::string& text, BoxIcon icon);

}  // namespace app::win32
