// Finding and reading windows of another process in the same Wine prefix.
//
// Everything here works across processes: texts are read with
// WM_GETTEXT through SendMessageTimeout (a hung target cannot block the
// driver), rectangles and styles come from the window manager. Only
// VISIBLE windows count as found: a box being torn down can still be
// enumerated for a moment after it was dismissed.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace saverdrv {

std::wstring WindowText(HWND window);
std::wstring WindowClass(HWND window);
DWORD WindowProcessId(HWND window);

// Visible top-level windows whose class is `className` (any class when
// empty) and whose caption equals `caption` (any caption when not given).
std::vector<HWND> FindTopLevel(const std::wstring& className,
                               const std::optional<std::wstring>& caption);

// Every descendant of `parent`, in creation (z-order enumeration) order.
std::vector<HWND> Descendants(HWND parent);

// A control of `top` matched by id, text or class (the first given of the
// three; text and class compare exactly). Null when there is none.
struct ControlQuery {
  std::optional<int> id;
  std::optional<std::wstring> text;
  std::optional<std::wstring> className;
};
HWND FindControl(HWND top, const ControlQuery& query);

// `window`'s rectangle in the client coordinates of `reference`.
RECT RectIn(HWND window, HWND reference);

// Polls `probe` every `intervalMs` until it returns true or `timeoutMs` passed.
// Returns whether it succeeded.
bool WaitFor(DWORD timeoutMs, const std::function<bool()>& probe, DWORD intervalMs = 50);

// Names of the running processes' images (lower case, file name only).
std::vector<std::wstring> RunningImages();

}  // namespace saverdrv
