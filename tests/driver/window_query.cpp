#include "window_query.h"

#include <tlhelp32.h>

#include <cwctype>

#include "handles.h"

namespace saverdrv {
namespace {

constexpr UINT kTextTimeoutMs = 2000;

struct TopLevelSearch {
  const std::wstring* className;
  const std::optional<std::wstring>* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TopLevelSearch*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  if (!search->className->empty() && WindowClass(window) != *search->className) return TRUE;
  if (search->caption->has_value() && WindowText(window) != **search->caption) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

bool Matches(HWND control, const ControlQuery& query) {
  if (query.id) return GetDlgCtrlID(control) == *query.id;
  if (query.text) return WindowText(control) == *query.text;
  if (query.className) return WindowClass(control) == *query.className;
  return false;
}

}  // namespace

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs,
                           &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

DWORD WindowProcessId(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::vector<HWND> FindTopLevel(const std::wstring& className,
                               const std::optional<std::wstring>& caption) {
  TopLevelSearch search{&className, &caption, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

HWND FindControl(HWND top, const ControlQuery& query) {
  for (HWND child : Descendants(top)) {
    if (Matches(child, query)) return child;
  }
  return nullptr;
}

RECT RectIn(HWND window, HWND reference) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool WaitFor(DWORD timeoutMs, const std::function<bool()>& probe, DWORD intervalMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (probe()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(intervalMs);
  }
}

std::vector<std::wstring> RunningImages() {
  std::vector<std::wstring> images;
  const os::win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid()) return images;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    images.push_back(Lower(entry.szExeFile));
  }
  return images;
}

}  // namespace saverdrv
