// desk.cpl: a small Display control panel for test machines that have none.
//
// Opened as "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1" it shows
// one modal dialog titled "Display Properties" (OK and Cancel, id 1 and 2)
// with a preview area in which it runs the current screen saver, the program
// named by SCRNSAVE.EXE in section [boot] of system.ini, as "<path> /p
// <preview window>", the way screen savers are previewed. Closing the dialog
// destroys the preview window, which ends the screen saver, and waits a
// moment for it to exit so that its file is free again when the dialog has
// gone.
#include <windows.h>
// windows.h must come first.
#include <cpl.h>

#include <string>

#include "handles.h"
#include "resource.h"

namespace deskcpl {
namespace {

using os::win32::UniqueHandle;

// How long closing the dialog waits for the previewing screen saver to end.
constexpr DWORD kPreviewExitWaitMs = 3000;

HINSTANCE g_module = nullptr;

// The running preview; its process handle is kept to wait for its end.
struct Preview {
  UniqueHandle process;
};

std::string CurrentScreenSaver() {
  char path[MAX_PATH] = {};
  GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", path, MAX_PATH, "system.ini");
  return path;
}

// Starts `saver` previewing into `window`; an invalid handle when it could
// not be started (no screen saver chosen, a missing file).
UniqueHandle StartPreview(const std::string& saver, HWND window) {
  if (saver.empty()) return UniqueHandle();
  std::string commandLine =
      "\"" + saver + "\" /p " +
      std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return UniqueHandle();
  }
  CloseHandle(process.hThread);
  return UniqueHandle(process.hProcess);
}

// Waits for `process` to end while still answering messages sent to this
// thread (the screen saver's window was a child of ours).
void WaitForExit(HANDLE process, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return;
    const DWORD wait =
        MsgWaitForMultipleObjects(1, &process, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
    if (wait != WAIT_OBJECT_0 + 1) return;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void ShowSaverName(HWND dialog, const std::string& saver) {
  if (!saver.empty()) SetDlgItemTextA(dialog, IDC_SAVER_NAME, saver.c_str());
}

void OnInit(HWND dialog, Preview* preview) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(preview));
  const std::string saver = CurrentScreenSaver();
  ShowSaverName(dialog, saver);
  preview->process = StartPreview(saver, GetDlgItem(dialog, IDC_PREVIEW));
}

void OnClose(HWND dialog, int result) {
  auto* preview = reinterpret_cast<Preview*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (HWND area = GetDlgItem(dialog, IDC_PREVIEW)) DestroyWindow(area);
  if (preview != nullptr && preview->process) {
    WaitForExit(preview->process.Get(), kPreviewExitWaitMs);
  }
  EndDialog(dialog, result);
}

INT_PTR CALLBACK DisplayDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog, reinterpret_cast<Preview*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        OnClose(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void ShowDisplayProperties(HWND owner) {
  Preview preview;
  DialogBoxParamA(g_module, MAKEINTRESOURCEA(IDD_DISPLAY), owner, DisplayDialogProc,
                  reinterpret_cast<LPARAM>(&preview));
}

void Describe(CPLINFO* info) {
  info->idIcon = IDI_DISPLAY;
  info->idName = IDS_NAME;
  info->idInfo = IDS_INFO;
  info->lData = 0;
}

}  // namespace
}  // namespace deskcpl

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    deskcpl::g_module = module;
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}

// The Control Panel's entry point: one applet, opened by double-click or
// with parameters (the page index, which this stand-in does not need).
extern "C" LONG APIENTRY CPlApplet(HWND owner, UINT message, LPARAM, LPARAM lParam2) {
  switch (message) {
    case CPL_INIT:
      return TRUE;
    case CPL_GETCOUNT:
      return 1;
    case CPL_INQUIRE:
      deskcpl::Describe(reinterpret_cast<CPLINFO*>(lParam2));
      return 0;
    case CPL_DBLCLK:
      deskcpl::ShowDisplayProperties(owner);
      return 0;
    default:
      // CPL_STARTWPARMS included: returning 0 makes the caller send
      // CPL_DBLCLK, which opens the dialog.
      return 0;
  }
}
