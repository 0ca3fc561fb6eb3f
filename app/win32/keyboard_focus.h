// Keyboard navigation of the installer window: the Tab order.
//
// The window stacks each new control above the earlier ones of its parent
// (so that the button strip covers the memo's lower part), and the dialog
// manager would take that z-order as its Tab order, backwards. The window
// therefore moves the focus on Tab itself, along the order below.
#pragma once

#include <span>

#include "layout.h"
#include "windows_api.h"

namespace app::win32 {

// The licence memo (0), the preview area (1) with its Flash panel, and the
// button strip (2) with declineBtn (0) and installBtn (1).
inline constexpr layout::ControlId kTabOrder[] = {
    layout::ControlId::kLicenseScrollBox,
    layout::ControlId::kMoviePanel1,
    layout::ControlId::kDeclineBtn,
    layout::ControlId::kInstallBtn,
};

// For a Tab key press in `form` or one of its controls: moves the focus to
// the next control of `order` that is shown, enabled and a tab stop (Shift+Tab
// to the previous one; Ctrl+Tab moves like Tab, also out of the memo) and
// returns true. Returns false for every other message.
bool HandleTabKey(HWND form, const MSG& message, std::span<const HWND> order);

}  // namespace app::win32
