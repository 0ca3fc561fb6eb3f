// `moviePanel1` as the Flash movie panel sees it: the Win32 panel window
// under a `flash::TFlashPanel`.
#pragma once

#include "windows_api.h"
// windows_api.h must come first.
#include <functional>

#include "FlashPanel.h"

namespace app::win32 {

class MoviePanel final : public flash::PanelWindow {
 public:
  // `handleMessage` lets the application handle one window message.
  MoviePanel(HWND panel, flash::FlashControlFactory& controls, std::function<void()> handleMessage);
  MoviePanel(const MoviePanel&) = delete;
  MoviePanel& operator=(const MoviePanel&) = delete;

  flash::TFlashPanel& panel() { return panel_; }

  flash::WindowHandle Handle() override { return reinterpret_cast<flash::WindowHandle>(window_); }
  bool Visible() override;
  int Width() override;
  int Height() override;
  void SetColor(uint32_t color) override;
  void Invalidate() override;
  void Focus() override;
  void HandleMessage() override { handleMessage_(); }

 private:
  HWND window_;
  std::function<void()> handleMessage_;
  flash::TFlashPanel panel_;  // last: its constructor uses the members above
};

}  // namespace app::win32
