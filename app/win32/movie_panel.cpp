// The movie panel's window, and the installer window's Flash preview.
#include "movie_panel.h"

#include <stdexcept>

#include "installer_window.h"

namespace app::win32 {
namespace {

// How long ReleaseFlash waits for a window message when none is queued: a
// message normally follows the control's destruction at once, but nothing
// guarantees one, and the window must not hang while closing.
constexpr DWORD kMessageWaitMs = 500;

RECT ClientRect(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return r;
}

}  // namespace

MoviePanel::MoviePanel(HWND panel, flash::FlashControlFactory& controls,
                       std::function<void()> handleMessage)
    : window_(panel), handleMessage_(std::move(handleMessage)), panel_(*this, controls) {}

// The panel's own setting, as for a panel on a window not yet shown.
bool MoviePanel::Visible() { return (::GetWindowLongPtrA(window_, GWL_STYLE) & WS_VISIBLE) != 0; }

int MoviePanel::Width() { return ClientRect(window_).right; }
int MoviePanel::Height() { return ClientRect(window_).bottom; }

// The panel paints itself black (its look is set when it is created); a
// colour change only needs a repaint.
void MoviePanel::SetColor(uint32_t /*color*/) { Invalidate(); }

void MoviePanel::Invalidate() { ::InvalidateRect(window_, nullptr, TRUE); }

void MoviePanel::Focus() {
  if (!::IsWindowVisible(window_) || !::IsWindowEnabled(window_)) {
    throw std::runtime_error("Cannot focus a disabled or invisible window");
  }
  ::SetFocus(window_);
}

// --- InstallerWindow: the Flash preview ---

// The panel's wrapper is made with the controls (EnsureControls).
void InstallerWindow::SetFlashControls(flash::FlashControlFactory& controls) {
  flashControls_ = &controls;
}

// Errors of loading or playing the movie reach the caller.
void InstallerWindow::ShowMoviePreview(const std::string& path) {
  EnsureControls();
  if (moviePanel_) moviePanel_->panel().OpenMovie(path);
  if (window_) ::SetForegroundWindow(window_.Get());
  ProcessPendingMessages();
  if (moviePanel_ && ::GetActiveWindow() != nullptr) moviePanel_->panel().ActivateMovie();
}

void InstallerWindow::CloseMovie() {
  if (moviePanel_) moviePanel_->panel().CloseMovie();
}

void InstallerWindow::HandleOneMessage() {
  MSG message{};
  if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kMessageWaitMs, QS_ALLINPUT);
    if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
  }
  if (message.message == WM_QUIT) {
    ::PostQuitMessage(static_cast<int>(message.wParam));
    return;
  }
  if (TranslateForWindow(message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

}  // namespace app::win32
