// Program entry of the installer: creates the window, runs the preparation
// and, for a windowed package, the message loop until the window closes.
#include <exception>

#include "fInstall.h"
#include "installer_window.h"
#include "startup_trace.h"
#include "win32_platform.h"
#include "windows_api.h"

namespace {

// The window's events go to the installer's logic. An exception that is not
// a step's own file error ends the handler and is shown in an error box; it
// never crosses the window procedure.
class FormEventsOfLogic final : public app::win32::FormEvents {
 public:
  FormEventsOfLogic(app::TInstallerForm& form, app::InstallerView& view)
      : form_(form), view_(view) {}
  bool FormCloseQuery() override {
    bool canClose = true;
    Guarded([&] { canClose = form_.FormCloseQuery(); });
    return canClose;
  }
  void FormClose() override {
    Guarded([&] { form_.FormClose(); });
  }
  void installBtnClick() override {
    Guarded([&] { form_.installBtnClick(); });
  }
  void declineBtnClick() override {
    Guarded([&] { form_.declineBtnClick(); });
  }

  template <typename Handler>
  void Guarded(Handler handler) {
    try {
      handler();
    } catch (const std::exception& e) {
      view_.MessageBox(e.what(), app::BoxIcon::kError);
    }
  }

 private:
  app::TInstallerForm& form_;
  app::InstallerView& view_;
};

int RunInstaller(HINSTANCE instance) {
  os::win32::StartupMark("WinMain");
  app::win32::InstallerWindow window(instance);  // application title "Install"
  if (!window.Create()) return 1;
  os::win32::StartupMark("window created");
  os::Win32Platform platform;
  window.SetFlashControls(platform.FlashControls());
  os::win32::StartupMark("flash controls ready");
  app::TInstallerForm form(platform, window);
  FormEventsOfLogic events(form, window);
  window.SetEvents(&events);
  // The preparation runs while the window is still hidden; a silent package
  // installs here.
  events.Guarded([&] { form.FormCreate(); });
  os::win32::StartupMark("prepared");
  int exitCode = 0;
  if (!window.terminated() && form.previewKind != saver::kPreviewSilent) {
    window.ShowCentred();
    exitCode = window.RunMessageLoop();
  }
  window.SetEvents(nullptr);
  os::win32::StartupMark("end");
  return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  return RunInstaller(instance);
}
