// Small helpers for placing and measuring the installer window's controls,
// and the pause timer both halves of the window use.
#pragma once

#include <windows.h>

#include "layout.h"

namespace app::win32 {

inline constexpr UINT_PTR kPauseTimerId = 1;

inline void SetControlSize(HWND control, int width, int height) {
  ::SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

inline void Place(HWND control, const layout::Rect& r) {
  ::SetWindowPos(control, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

inline SIZE WindowSize(HWND window) {
  RECT r;
  ::GetWindowRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace app::win32
