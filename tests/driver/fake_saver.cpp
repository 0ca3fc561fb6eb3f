#include "fake_saver.h"

#include <string>

#include "handles.h"
#include "json_line.h"

namespace saverdrv {
namespace {

constexpr wchar_t kFakeSaverClass[] = L"SaverDrvFakeSaver";
constexpr UINT_PTR kParentTimer = 1;
constexpr UINT kParentPollMs = 100;
constexpr DWORD kLifetimeMs = 120000;

const char* g_endedBy = "timeout";
HWND g_parent = nullptr;

std::wstring LogPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder + L"fake-saver.log";
}

void Log(const JsonObject& json) {
  const os::win32::UniqueHandle file(CreateFileW(LogPath().c_str(), FILE_APPEND_DATA,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return;
  const std::string line = json.Text() + "\n";
  DWORD written = 0;
  WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void End(const char* by) {
  g_endedBy = by;
  PostQuitMessage(0);
}

LRESULT CALLBACK FakeSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (!IsWindow(g_parent)) End("parent gone");
      return 0;
    case WM_DESTROY:
      End("destroyed");
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND CreateFakeSaver(HWND parent) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = FakeSaverProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kFakeSaverClass;
  RegisterClassW(&windowClass);
  RECT client{};
  GetClientRect(parent, &client);
  return CreateWindowExW(0, kFakeSaverClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                         client.bottom, parent, nullptr, windowClass.hInstance, nullptr);
}

}  // namespace

int RunFakeSaver(HWND parent) {
  g_parent = parent;
  HWND window = IsWindow(parent) ? CreateFakeSaver(parent) : nullptr;
  JsonObject shown;
  shown.Add("event", "preview")
      .Add("ok", window != nullptr)
      .Add("parent", static_cast<int64_t>(reinterpret_cast<INT_PTR>(parent)));
  Log(shown);
  if (!window) return 1;
  SetTimer(window, kParentTimer, kParentPollMs, nullptr);
  const DWORD start = GetTickCount();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
    if (GetTickCount() - start > kLifetimeMs) break;
  }
  JsonObject ended;
  ended.Add("event", "ended").Add("by", g_endedBy);
  Log(ended);
  return 0;
}

}  // namespace saverdrv
