// The installer window, class "TInstallerForm", over plain Win32 controls.
//
// It implements `InstallerView` for the logic in `TInstallerForm` and passes
// the window's own events (close query, close, button clicks) back through
// `FormEvents`. Controls are created from the stored table in app/layout.h at
// their stored places and sizes (96 dpi, not rescaled); `FormResize` places
// them on every size change.
//
// The window itself is created at once (hidden); its controls, their font
// and the common controls library come with the first request that needs a
// control, so a silent package, which only hides the window, never pays for
// them.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "flash_control.h"
#include "installer_view.h"
#include "layout.h"
#include "win_handles.h"
#include "windows_api.h"

namespace app::win32 {

class MoviePanel;

// The window's events, handled by the installer's logic.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual bool FormCloseQuery() = 0;
  virtual void FormClose() = 0;
  virtual void installBtnClick() = 0;
  virtual void declineBtnClick() = 0;
};

class InstallerWindow final : public InstallerView {
 public:
  static constexpr const char* kClassName = "TInstallerForm";

  explicit InstallerWindow(HINSTANCE instance);
  ~InstallerWindow() override;
  InstallerWindow(const InstallerWindow&) = delete;
  InstallerWindow& operator=(const InstallerWindow&) = delete;

  // Creates the hidden window with a fixed single border (its controls come
  // later, see above). False when the window system refuses.
  bool Create();
  void SetEvents(FormEvents* events) { events_ = events; }
  // Hosts the Flash movie of a Flash preview in `moviePanel1` with controls
  // from `controls`; without it the panel stays empty and black.
  void SetFlashControls(flash::FlashControlFactory& controls);
  HWND handle() const { return window_.Get(); }
  // The application title ("Install" at start, then what SetCaption gives).
  const std::string& applicationTitle() const { return applicationTitle_; }
  // True once Terminate ran or the window was destroyed.
  bool terminated() const { return terminated_; }

  // Centres the window on the screen and shows it.
  void ShowCentred();
  // Runs the message loop until the application terminates; returns WM_QUIT's code.
  int RunMessageLoop();

  // --- InstallerView ---
  void MessageBox(const std::string& text, BoxIcon icon) override;
  void ShowStatusText(const std::string& text) override;
  void StepProgressBar() override;
  void SetProgressMax(int max) override;
  int ProgressMax() override;
  void SetProgressPosition(int position) override;
  void PauseTick() override;
  void SetCaption(const std::string& title) override;
  void ApplyLicenceMode(const std::string& licenceText) override;
  void ApplyNoLicenceMode() override;
  bool ShowBitmapPreview(const std::string& path) override;
  void ShowMoviePreview(const std::string& path) override;
  void CloseMovie() override;
  void SizeWindow() override;
  void HideForSilentInstall() override;
  void SetInstallEnabled(bool enabled) override;
  void SetDeclineEnabled(bool enabled) override;
  CursorKind SetCursor(CursorKind cursor) override;
  void BringToFront() override;
  void CloseWindow() override;
  void Terminate() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool RegisterClasses();
  // Creates the controls, their font and the movie panel, once, while the
  // window exists.
  void EnsureControls();
  void LoadCommonControls();
  void CreateControls();
  HWND CreateControl(const layout::StoredControl& stored);
  HWND Control(layout::ControlId id) const { return controls_[static_cast<size_t>(id)]; }
  void OnSize(int clientWidth, int clientHeight);
  void OnCommand(int id, int code);
  void OnClose();
  void OnDestroyed();
  bool OnSetCursor();
  void OnGetMinMaxInfo(MINMAXINFO& info) const;
  LRESULT OnControlColour(HDC dc, HWND control);
  void DrawPreview(const DRAWITEMSTRUCT& item) const;
  void pauseTimerTimer();
  bool IsPauseTimerTick(const MSG& message) const;
  void SetBorderSizeable(bool sizeable);
  // Handles every message already waiting; a WM_QUIT is put back.
  void ProcessPendingMessages();
  // Handles one message, waiting a little for one when none is queued.
  void HandleOneMessage();
  bool TranslateForWindow(MSG& message);
  std::string LoadText(unsigned id) const;

  HINSTANCE instance_;
  FormEvents* events_ = nullptr;
  UniqueModule commonControls_;  // comctl32.dll, loaded with the controls
  UniqueWindow window_;
  std::array<HWND, layout::kControls.size()> controls_{};
  UniqueFont font_;
  UniqueBitmap preview_;
  flash::FlashControlFactory* flashControls_ = nullptr;
  std::unique_ptr<MoviePanel> moviePanel_;  // the Flash preview, once controls are given
  UINT_PTR threadTimer_ = 0;                // the pause timer when there is no window
  std::string applicationTitle_ = "Install";
  bool controlsCreated_ = false;
  bool licenceShown_ = false;
  bool pauseTimerEnabled_ = false;
  bool terminated_ = false;
  CursorKind cursor_ = CursorKind::kDefault;
};

}  // namespace app::win32
