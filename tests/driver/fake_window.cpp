#include "fake_window.h"

#include <windows.h>

#include "json_line.h"

namespace saverdrv {
namespace {

constexpr wchar_t kFakeClass[] = L"SaverDrvFakeWindow";
constexpr UINT_PTR kLifetimeTimer = 1;

// Set by the window procedure; read after the message loop ends.
const char* g_closedBy = "timeout";

void Finish(HWND window, const char* by) {
  g_closedBy = by;
  DestroyWindow(window);
}

LRESULT CALLBACK FakeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) Finish(window, "cancel");
      return 0;
    case WM_CLOSE:
      Finish(window, "close");
      return 0;
    case WM_TIMER:
      Finish(window, "timeout");
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND CreateFakeWindow(const std::wstring& title) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = FakeWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kFakeClass;
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, kFakeClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                40, 300, 120, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return nullptr;
  CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 50, 75, 23,
                  window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)),
                  windowClass.hInstance, nullptr);
  return window;
}

}  // namespace

int RunFakeWindow(const std::wstring& title, long seconds) {
  HWND window = CreateFakeWindow(title);
  JsonObject shown;
  shown.Add("cmd", "fake-window").Add("ok", window != nullptr).Add("event", "shown");
  EmitLine(shown);
  if (!window) return 1;
  SetTimer(window, kLifetimeTimer, static_cast<UINT>(seconds * 1000), nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  JsonObject closed;
  closed.Add("cmd", "fake-window").Add("ok", true).Add("event", "closed").Add("by", g_closedBy);
  EmitLine(closed);
  return 0;
}

}  // namespace saverdrv
