#include "keyboard_focus.h"

namespace app::win32 {
namespace {

bool IsTabStop(HWND control) {
  return control != nullptr && ::IsWindowVisible(control) && ::IsWindowEnabled(control) &&
         (::GetWindowLongPtrA(control, GWL_STYLE) & WS_TABSTOP) != 0;
}

// The place in `order` of the control that has the focus (or contains it);
// order.size() when none does.
size_t FocusedIndex(std::span<const HWND> order) {
  const HWND focus = ::GetFocus();
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] != nullptr && (order[i] == focus || ::IsChild(order[i], focus))) return i;
  }
  return order.size();
}

}  // namespace

bool HandleTabKey(HWND form, const MSG& message, std::span<const HWND> order) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  if (message.hwnd != form && !::IsChild(form, message.hwnd)) return false;
  const size_t count = order.size();
  if (count == 0) return true;
  const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
  const size_t at = FocusedIndex(order);
  for (size_t step = 1; step <= count; ++step) {
    // From no focused control, forwards starts at the first, backwards at the last.
    const size_t from = at == count ? (backwards ? 0 : count - 1) : at;
    const size_t i = backwards ? (from + count - step % count) % count : (from + step) % count;
    if (IsTabStop(order[i])) {
      ::SetFocus(order[i]);
      return true;
    }
  }
  return true;  // no control takes the focus: the key is used up
}

}  // namespace app::win32
