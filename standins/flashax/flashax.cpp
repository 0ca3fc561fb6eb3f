// flashax.exe: installs the Shockwave Flash control it carries.
//
//   flashax.exe /Q    silent: installs and exits
//   flashax.exe       the same with a small progress window and a final box
//
// Exit codes: 0 installed; 2 the program carries no control; 3 the control
// could not be written into its folder; 4 it did not register. On every
// failure the machine keeps the control (and registration) it had.
#include <cwchar>
#include <string>

#include "install_control.h"
#include "windows_api.h"

namespace {

constexpr wchar_t kTitle[] = L"Shockwave Flash";

bool QuietRequested() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  bool quiet = false;
  for (int i = 1; args && i < count; ++i) {
    if (_wcsicmp(args[i], L"/Q") == 0 || _wcsicmp(args[i], L"-Q") == 0) quiet = true;
  }
  LocalFree(args);
  return quiet;
}

HWND ShowProgress() {
  HWND window = CreateWindowExW(
      WS_EX_TOPMOST, L"STATIC", L"Installing the Shockwave Flash control...",
      WS_POPUP | WS_CAPTION | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, CW_USEDEFAULT, CW_USEDEFAULT,
      360, 90, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window) {
    SetWindowTextW(window, kTitle);
    SendMessageW(window, WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"Installing the Shockwave Flash control..."));
    UpdateWindow(window);
  }
  return window;
}

std::wstring FinalText(const flashax::Result& result) {
  wchar_t code[32];
  std::swprintf(code, 32, L"%lu (0x%08lX)", result.error, result.error);
  switch (result.outcome) {
    case flashax::Outcome::kInstalled:
      return L"The Shockwave Flash control was installed:\r\n" + result.path;
    case flashax::Outcome::kNoPayload:
      return L"This installer carries no Shockwave Flash control.";
    case flashax::Outcome::kWriteFailed:
      return L"The Shockwave Flash control could not be written to\r\n" + result.path +
             L"\r\nError " + code + L". Nothing was changed.";
    case flashax::Outcome::kRegisterFailed:
      return L"The Shockwave Flash control could not be registered.\r\nError " +
             std::wstring(code) + L". Nothing was changed.";
  }
  return {};
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const bool quiet = QuietRequested();
  HWND progress = quiet ? nullptr : ShowProgress();
  const flashax::Result result = flashax::InstallControl();
  if (progress) DestroyWindow(progress);
  if (!quiet) {
    const UINT icon =
        result.outcome == flashax::Outcome::kInstalled ? MB_ICONINFORMATION : MB_ICONERROR;
    MessageBoxW(nullptr, FinalText(result).c_str(), kTitle, MB_OK | MB_TOPMOST | icon);
  }
  return static_cast<int>(result.outcome);
}
