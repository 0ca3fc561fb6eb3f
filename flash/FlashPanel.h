// `TFlashPanel`: the panel that shows the preview movie in the installer
// window (`moviePanel1`).
//
// The panel hosts at most one Shockwave Flash control, created when a movie
// is opened and destroyed when it is closed or replaced. It reaches the
// control through `flash::FlashControlFactory` and its own window through
// `flash::PanelWindow`, so the logic runs the same against the Win32 window
// and against the fakes of the unit tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "flash_control.h"

namespace flash {

// What the panel needs of its own window and of the application around it.
class PanelWindow {
 public:
  virtual ~PanelWindow() = default;
  virtual WindowHandle Handle() = 0;
  // The panel's own visibility setting (not whether its window is on screen).
  virtual bool Visible() = 0;
  virtual int Width() = 0;
  virtual int Height() = 0;
  // Colour as 0x00BBGGRR.
  virtual void SetColor(uint32_t color) = 0;
  // Schedules a repaint of the panel.
  virtual void Invalidate() = 0;
  // Gives the keyboard focus to the panel; may throw when it cannot take it.
  virtual void Focus() = 0;
  // The application handles one window message, waiting for one when none
  // is queued.
  virtual void HandleMessage() = 0;
};

constexpr int32_t kErrFlashNotCreated = -403;   // no control after every attempt
constexpr int32_t kErrFlashNotReleased = -408;  // stopping or destroying the control failed
constexpr int kCreateAttempts = 10000;
constexpr uint32_t kBlack = 0;

class TFlashPanel {
 public:
  TFlashPanel(PanelWindow& window, FlashControlFactory& controls);
  ~TFlashPanel();
  TFlashPanel(const TFlashPanel&) = delete;
  TFlashPanel& operator=(const TFlashPanel&) = delete;

  // Published settings. `defaultSWF` and `scaleFactor` are stored only.
  std::string swfFilename;
  std::string defaultSWF;
  bool enableAllowScale = false;
  int32_t scaleFactor = 0;

  // Replaces the playing movie by the file at `path`. An empty path or the
  // path already open (compared case-sensitively) changes nothing. Errors of
  // loading and playing the movie reach the caller.
  void OpenMovie(const std::string& path);
  // Stops and destroys the control; the panel is black and names no movie.
  void CloseMovie();
  // Repaints the panel and gives the focus to the movie when the panel is
  // visible and hosts a control; ignores every error.
  void ActivateMovie();

  // 0, or -408 when stopping or destroying failed (a control that could not
  // be stopped stays hosted).
  int32_t ReleaseFlash();
  // 0, or -403 when no control could be created.
  int32_t CreateFlash();
  void StartMovie();
  void SetAllowScale(int32_t value);
  // The control's OnFSCommand event.
  void FlashFSCommand(const std::string& command, const std::string& args);

  int32_t allowScale() const { return allowScale_; }
  FlashControl* hostedControl() const { return control_.get(); }

 private:
  void Configure(FlashControl& control);

  PanelWindow& window_;
  FlashControlFactory& controls_;
  std::unique_ptr<FlashControl> control_;
  int32_t allowScale_ = 0;
};

}  // namespace flash
