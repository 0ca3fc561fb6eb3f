// The installer's seam to the Shockwave Flash control.
//
// `TFlashPanel` (FlashPanel.h) hosts one control through it, and the runtime
// check (flash_runtime.cpp) creates short-lived probes through it. The Win32
// implementation (platform/win32/flash_host.h) creates the ActiveX control
// through COM and hosts it in place; the fake (platform/fake/fake_flash.h)
// records every call and fails where a test asks it to.
//
// Strings cross the seam as 8-bit (ANSI) strings: the Win32 side converts
// them to and from the control's wide strings with the system's code page.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace flash {

// A failed creation of, or call on, a control. `code` is the COM result
// (HRESULT bits); `what` the system's text for it.
class ControlError : public std::runtime_error {
 public:
  ControlError(int32_t code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int32_t code() const noexcept { return code_; }

 private:
  int32_t code_;
};

// A native window handle (HWND on Windows); 0 for none.
using WindowHandle = uintptr_t;

// The control's OnFSCommand event: command and argument, as 8-bit strings.
using FSCommandHandler = std::function<void(const std::string& command, const std::string& args)>;

// One control. Destroying the object destroys the control and its window.
// Every operation throws ControlError when the control reports a failure.
class FlashControl {
 public:
  virtual ~FlashControl() = default;

  // Makes `parent` the control's parent window and gives the control the
  // size width x height (pixels) at its top left corner; the control keeps
  // that size. Until then the control has no window and is never shown.
  virtual void PlaceIn(WindowHandle parent, int width, int height) = 0;
  // Connects the control's OnFSCommand event; an empty handler disconnects.
  virtual void SetFSCommandHandler(FSCommandHandler handler) = 0;

  // Properties (written through the control's dispatch interface).
  virtual void SetMovie(const std::string& path) = 0;
  virtual void SetScaleMode(int32_t mode) = 0;
  virtual void SetWMode(const std::string& mode) = 0;
  virtual void SetMenu(bool shown) = 0;

  // Methods (called through IShockwaveFlash).
  virtual void SetVariable(const std::string& name, const std::string& value) = 0;
  virtual void Play() = 0;
  virtual void StopPlay() = 0;
  virtual int32_t FlashVersion() = 0;

  // Gives the keyboard focus to the control's window.
  virtual void Focus() = 0;
};

// Creates controls.
class FlashControlFactory {
 public:
  virtual ~FlashControlFactory() = default;
  // A new control owned by the caller, without a parent window. Throws
  // ControlError when the control cannot be created (not installed, not
  // registered, refused).
  virtual std::unique_ptr<FlashControl> Create() = 0;
};

}  // namespace flash
