// The helpers every command uses: options, the reply's first fields, the
// JSON of windows and controls, and waiting for a window.
#include <cstdlib>

#include "commands.h"

namespace saverdrv {
namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  AppendJsonString(out, text);
  return out.substr(1, out.size() - 2);
}

std::string RectJson(const RECT& rect) {
  JsonObject json;
  json.Add("x", static_cast<int64_t>(rect.left))
      .Add("y", static_cast<int64_t>(rect.top))
      .Add("w", static_cast<int64_t>(rect.right - rect.left))
      .Add("h", static_cast<int64_t>(rect.bottom - rect.top));
  return json.Text();
}

bool IsTopmost(HWND window) {
  return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace

std::optional<std::wstring> Option(const Options& options, const wchar_t* key) {
  const auto it = options.find(key);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

std::wstring OptionOr(const Options& options, const wchar_t* key, const wchar_t* fallback) {
  return Option(options, key).value_or(fallback);
}

long NumberOr(const Options& options, const wchar_t* key, long fallback) {
  const auto value = Option(options, key);
  return value ? std::wcstol(value->c_str(), nullptr, 10) : fallback;
}

DWORD Timeout(const Options& options) {
  return static_cast<DWORD>(NumberOr(options, L"timeout", 10000));
}

JsonObject Result(const Command& command, bool ok) {
  JsonObject result;
  result.Add("cmd", Narrow(command.name)).Add("ok", ok);
  return result;
}

int Fail(const Command& command, const char* error) {
  EmitLine(Result(command, false).Add("error", error));
  return 1;
}

std::string ControlJson(HWND control, HWND top) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  HWND parent = GetParent(control);
  JsonObject json;
  json.Add("class", WindowClass(control))
      .Add("text", WindowText(control))
      .Add("id", GetDlgCtrlID(control))
      .Add("parent_id", parent == top ? 0 : GetDlgCtrlID(parent))
      .Add("visible", IsWindowVisible(control) != FALSE)
      .Add("shown", (style & WS_VISIBLE) != 0)
      .Add("enabled", IsWindowEnabled(control) != FALSE)
      .Add("style", static_cast<int64_t>(static_cast<DWORD>(style)))
      .AddRaw("rect", RectJson(RectIn(control, top)));
  return json.Text();
}

JsonObject& AddWindowFields(JsonObject& json, HWND window) {
  RECT windowRect{};
  GetWindowRect(window, &windowRect);
  RECT client{};
  GetClientRect(window, &client);
  HWND owner = GetWindow(window, GW_OWNER);
  json.Add("hwnd", static_cast<int64_t>(reinterpret_cast<INT_PTR>(window)))
      .Add("class", WindowClass(window))
      .Add("caption", WindowText(window))
      .Add("pid", static_cast<int64_t>(WindowProcessId(window)))
      .Add("style", static_cast<int64_t>(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE))))
      .Add("exstyle",
           static_cast<int64_t>(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE))))
      .Add("topmost", IsTopmost(window))
      .Add("visible", IsWindowVisible(window) != FALSE)
      .Add("enabled", IsWindowEnabled(window) != FALSE)
      .Add("owner_class", owner ? WindowClass(owner) : std::wstring())
      .AddRaw("window", RectJson(windowRect))
      .AddRaw("client", RectJson(client));
  return json;
}

std::string ControlsJson(HWND top) {
  JsonArray controls;
  for (HWND child : Descendants(top)) controls.Push(ControlJson(child, top));
  return controls.Text();
}

HWND WaitTopLevel(const std::wstring& className, const std::optional<std::wstring>& caption,
                  DWORD timeoutMs) {
  HWND found = nullptr;
  WaitFor(timeoutMs, [&] {
    const auto windows = FindTopLevel(className, caption);
    found = windows.empty() ? nullptr : windows.front();
    return found != nullptr;
  });
  return found;
}

HWND WaitInstaller(const Options& options) {
  return WaitTopLevel(OptionOr(options, L"class", kInstallerClass), Option(options, L"title"),
                      Timeout(options));
}

ControlQuery QueryFrom(const Options& options) {
  ControlQuery query;
  if (const auto id = Option(options, L"id")) query.id = std::wcstol(id->c_str(), nullptr, 10);
  query.text = Option(options, L"text");
  query.className = Option(options, L"ctl-class");
  return query;
}

}  // namespace saverdrv
