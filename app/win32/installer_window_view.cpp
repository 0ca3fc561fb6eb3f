// The window's side of InstallerView: what the installer's logic asks of its
// window (boxes, status line, progress, pauses, layout modes, cursor).
#include "windows_api.h"
// after the Windows headers, which it needs
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "installer_window.h"
#include "message_box.h"
#include "startup_trace.h"
#include "string_ids.h"
#include "window_geometry.h"

namespace app::win32 {

using layout::ControlId;

void InstallerWindow::MessageBox(const std::string& text, BoxIcon icon) {
  ShowAbortBox(window_.Get(), text, icon);
}

void InstallerWindow::ShowStatusText(const std::string& text) {
  EnsureControls();
  HWND label = Control(ControlId::kLabCopying);
  if (label == nullptr) return;
  ::ShowWindow(label, SW_SHOWNA);
  ::SetWindowTextA(label, text.c_str());
  ::UpdateWindow(label);
}

void InstallerWindow::StepProgressBar() {
  EnsureControls();
  ::SendMessageA(Control(ControlId::kProgressBar), PBM_STEPIT, 0, 0);
}

void InstallerWindow::SetProgressMax(int max) {
  EnsureControls();
  ::SendMessageA(Control(ControlId::kProgressBar), PBM_SETRANGE32, 0, max);
}

int InstallerWindow::ProgressMax() {
  EnsureControls();
  HWND progress = Control(ControlId::kProgressBar);
  if (progress == nullptr) return 0;
  return static_cast<int>(::SendMessageA(progress, PBM_GETRANGE, FALSE, 0));
}

void InstallerWindow::SetProgressPosition(int position) {
  EnsureControls();
  ::SendMessageA(Control(ControlId::kProgressBar), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

bool InstallerWindow::IsPauseTimerTick(const MSG& message) const {
  return message.message == WM_TIMER && message.hwnd == nullptr && threadTimer_ != 0 &&
         message.wParam == threadTimer_;
}

void InstallerWindow::PauseTick() {
  pauseTimerEnabled_ = true;
  if (window_) {
    ::SetTimer(window_.Get(), kPauseTimerId, layout::kPauseTimerInterval, nullptr);
  } else {
    threadTimer_ = ::SetTimer(nullptr, 0, layout::kPauseTimerInterval, nullptr);
  }
  MSG message{};
  while (pauseTimerEnabled_) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // for the outer loop
      break;
    }
    if (got < 0) break;
    if (IsPauseTimerTick(message)) {
      pauseTimerTimer();
      continue;
    }
    if (TranslateForWindow(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  if (pauseTimerEnabled_) pauseTimerTimer();
}

void InstallerWindow::pauseTimerTimer() {
  if (window_) ::KillTimer(window_.Get(), kPauseTimerId);
  if (threadTimer_ != 0) ::KillTimer(nullptr, std::exchange(threadTimer_, 0));
  pauseTimerEnabled_ = false;
}

void InstallerWindow::SetCaption(const std::string& title) {
  // The window system keeps a title up to its first NUL.
  applicationTitle_ = title.c_str();
  if (window_) ::SetWindowTextA(window_.Get(), applicationTitle_.c_str());
}

void InstallerWindow::SetBorderSizeable(bool sizeable) {
  HWND window = window_.Get();
  if (window == nullptr) return;
  LONG style = ::GetWindowLongA(window, GWL_STYLE);
  style = sizeable ? (style | WS_THICKFRAME) : (style & ~WS_THICKFRAME);
  ::SetWindowLongA(window, GWL_STYLE, style);
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InstallerWindow::ApplyLicenceMode(const std::string& licenceText) {
  EnsureControls();
  HWND memo = Control(ControlId::kLicenseScrollBox);
  ::SetWindowTextA(memo, licenceText.c_str());  // lines arrive as CR LF pairs
  ::ShowWindow(memo, SW_SHOWNA);
  SetBorderSizeable(true);
  licenceShown_ = true;  // minimum track size 359 x 340 from now on
  SetControlSize(memo, WindowSize(memo).cx, layout::kLicenceMemoMinHeight);
  ::SetWindowTextA(Control(ControlId::kInstallBtn), LoadText(kStrAcceptAndInstall).c_str());
  ::ShowWindow(Control(ControlId::kDeclineBtn), SW_SHOWNA);
}

void InstallerWindow::ApplyNoLicenceMode() {
  EnsureControls();
  ::SetWindowTextA(Control(ControlId::kInstallBtn), LoadText(kStrInstalla).c_str());
  ::ShowWindow(Control(ControlId::kDeclineBtn), SW_HIDE);
  ::ShowWindow(Control(ControlId::kLicenseScrollBox), SW_HIDE);
  licenceShown_ = false;
  SetBorderSizeable(false);
}

bool InstallerWindow::ShowBitmapPreview(const std::string& path) {
  EnsureControls();
  UniqueBitmap picture(static_cast<HBITMAP>(::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                         LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  if (!picture) return false;
  preview_ = std::move(picture);
  HWND image = Control(ControlId::kBmpPanel);
  ::ShowWindow(Control(ControlId::kMoviePanel1), SW_HIDE);
  ::ShowWindow(image, SW_SHOWNA);
  ::SetWindowPos(image, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::InvalidateRect(image, nullptr, FALSE);
  return true;
}

void InstallerWindow::SizeWindow() {
  EnsureControls();
  HWND window = window_.Get();
  if (window == nullptr) return;
  SetControlSize(window, layout::kWindowWidth, WindowSize(window).cy);
  RECT client;
  ::GetClientRect(window, &client);
  const layout::WindowMetrics now{WindowSize(window).cy, client.bottom - client.top, licenceShown_,
                                  WindowSize(Control(ControlId::kLicenseScrollBox)).cy};
  SetControlSize(window, layout::kWindowWidth, layout::FitWindowHeight(now));
}

void InstallerWindow::HideForSilentInstall() {
  HWND window = window_.Get();
  if (window == nullptr) return;
  ::ShowWindow(window, SW_HIDE);
  SetControlSize(window, 0, 0);
  os::win32::StartupMark("silent install");
}

void InstallerWindow::SetInstallEnabled(bool enabled) {
  EnsureControls();
  ::EnableWindow(Control(ControlId::kInstallBtn), enabled);
}

void InstallerWindow::SetDeclineEnabled(bool enabled) {
  EnsureControls();
  ::EnableWindow(Control(ControlId::kDeclineBtn), enabled);
}

CursorKind InstallerWindow::SetCursor(CursorKind cursor) {
  const CursorKind previous = std::exchange(cursor_, cursor);
  ::SetCursor(::LoadCursorA(nullptr, cursor == CursorKind::kHourGlass ? IDC_WAIT : IDC_ARROW));
  return previous;
}

void InstallerWindow::BringToFront() {
  HWND window = window_.Get();
  if (window == nullptr) return;
  ::SetFocus(window);
  ::InvalidateRect(window, nullptr, TRUE);
  ::UpdateWindow(window);
  ::ShowWindow(window, SW_SHOW);
}

void InstallerWindow::CloseWindow() {
  if (window_) ::SendMessageA(window_.Get(), WM_CLOSE, 0, 0);
}

void InstallerWindow::Terminate() {
  terminated_ = true;
  ::PostQuitMessage(0);
}

}  // namespace app::win32
