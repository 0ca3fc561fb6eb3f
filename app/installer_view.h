// What the installer's logic needs from its window.
//
// `TInstallerForm` (fInstall.h) holds the installer's state and runs its
// steps; everything it shows goes through this interface. The Win32 window
// (app/win32) implements it with real controls; the unit tests use a
// recording fake.
#pragma once

#include <string>

namespace app {

enum class BoxIcon { kError, kInformation };
enum class CursorKind { kDefault, kHourGlass };

class InstallerView {
 public:
  virtual ~InstallerView() = default;

  // A modal, topmost box with a single "&Abort" button: caption "Error" with
  // the error icon, or "Information" with the information icon. Returns when
  // it is dismissed.
  virtual void MessageBox(const std::string& text, BoxIcon icon) = 0;

  // `labCopying`: made visible, given the text and repainted at once.
  virtual void ShowStatusText(const std::string& text) = 0;
  // `progressBar`: one step (of 1), its maximum, its position.
  virtual void StepProgressBar() = 0;
  virtual void SetProgressMax(int max) = 0;
  virtual int ProgressMax() = 0;
  virtual void SetProgressPosition(int position) = 0;
  // Enables `pauseTimer` and handles window messages one at a time until its
  // first tick has disabled it again (about one second).
  virtual void PauseTick() = 0;

  // Sets the application title to `title` and the window caption to the
  // application title as the window system reports it back. `title` may hold
  // NUL bytes; the window system keeps the text up to the first one.
  virtual void SetCaption(const std::string& title) = 0;
  // Licence shown: memo filled with `licenceText` (lines separated by CR LF), shown, sizeable
  // border, minimum size 359 x 340, memo height 103, install caption "Accept and Install", Decline
  // shown.
  virtual void ApplyLicenceMode(const std::string& licenceText) = 0;
  // No licence: install caption "Installa", Decline and memo hidden, fixed border.
  virtual void ApplyNoLicenceMode() = 0;
  // Bitmap preview: movie panel hidden, picture loaded and stretched into
  // `bmpPanel`, which is shown in front. False when the picture cannot be read.
  virtual bool ShowBitmapPreview(const std::string& path) = 0;
  // Flash preview: OpenMovie on `moviePanel1`, application brought to the
  // front, pending messages processed once, ActivateMovie when active.
  virtual void ShowMoviePreview(const std::string& path) = 0;
  virtual void CloseMovie() = 0;
  // Width 359, height fitted to the licence mode.
  virtual void SizeWindow() = 0;
  // Silent install: window hidden, width and height 0.
  virtual void HideForSilentInstall() = 0;

  virtual void SetInstallEnabled(bool enabled) = 0;
  virtual void SetDeclineEnabled(bool enabled) = 0;
  // Sets the mouse cursor; returns the one it replaces.
  virtual CursorKind SetCursor(CursorKind cursor) = 0;

  // Gives the installer window the focus, repaints it and shows it.
  virtual void BringToFront() = 0;

  // Asks the window to close (the close query and close handler then run).
  virtual void CloseWindow() = 0;
  // Ends the application's message loop.
  virtual void Terminate() = 0;
};

}  // namespace app
