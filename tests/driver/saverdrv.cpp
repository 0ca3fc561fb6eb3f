// saverdrv: drives the installer window from a second program in the same
// Wine prefix, for the end-to-end tests.
//
//   saverdrv.exe COMMAND [--option value]...
//
// Every command prints one JSON object per line on stdout, at least one with
// "cmd" and "ok". Exit code 0 when the command's condition held, 1 when it
// did not (timeout, window or control missing), 2 for a usage error.
// Waits poll every 50 ms up to --timeout milliseconds (default 10000).
// Buttons are pressed with a posted BM_CLICK and windows closed with a posted
// WM_CLOSE, so the driver never blocks on a handler that opens a modal box.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "fake_saver.h"
#include "fake_window.h"
#include "flash_host.h"
#include "handles.h"
#include "json_line.h"
#include "keyboard_input.h"
#include "window_query.h"

namespace saverdrv {
namespace {

constexpr wchar_t kInstallerClass[] = L"TInstallerForm";
constexpr wchar_t kBoxClass[] = L"#32770";

using Options = std::map<std::wstring, std::wstring>;

struct Command {
  std::wstring name;
  Options options;
};

std::string Narrow(const std::wstring& text) {
  std::string out;
  AppendJsonString(out, text);
  return out.substr(1, out.size() - 2);
}

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

// A message box's text: the first static control that is not an icon and
// has text.
std::wstring BoxText(HWND box) {
  for (HWND child : Descendants(box)) {
    if (WindowClass(child) != L"Static") continue;
    if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    std::wstring text = WindowText(child);
    if (!text.empty()) return text;
  }
  return {};
}

std::string ButtonsJson(HWND box) {
  JsonArray buttons;
  for (HWND child : Descendants(box)) {
    if (WindowClass(child) != L"Button") continue;
    JsonObject button;
    button.Add("id", GetDlgCtrlID(child))
        .Add("text", WindowText(child))
        .Add("visible", IsWindowVisible(child) != FALSE);
    buttons.Push(button.Text());
  }
  return buttons.Text();
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

HWND WaitBox(const Options& options) {
  return WaitTopLevel(kBoxClass, Option(options, L"caption"), Timeout(options));
}

JsonObject BoxResult(const Command& command, HWND box) {
  JsonObject result = Result(command, true);
  AddWindowFields(result, box);
  result.Add("text", BoxText(box)).AddRaw("buttons", ButtonsJson(box));
  return result;
}

ControlQuery QueryFrom(const Options& options) {
  ControlQuery query;
  if (const auto id = Option(options, L"id")) query.id = std::wcstol(id->c_str(), nullptr, 10);
  query.text = Option(options, L"text");
  query.className = Option(options, L"ctl-class");
  return query;
}

int FindWindowCommand(const Command& command) {
  HWND window = WaitInstaller(command.options);
  if (!window) return Fail(command, "timeout");
  JsonObject result = Result(command, true);
  EmitLine(AddWindowFields(result, window));
  return 0;
}

int WindowInfoCommand(const Command& command) {
  HWND window = WaitInstaller(command.options);
  if (!window) return Fail(command, "timeout");
  JsonObject result = Result(command, true);
  AddWindowFields(result, window).AddRaw("controls", ControlsJson(window));
  EmitLine(result);
  return 0;
}

int ClickCommand(const Command& command) {
  HWND window = WaitInstaller(command.options);
  if (!window) return Fail(command, "window not found");
  const ControlQuery query = QueryFrom(command.options);
  HWND control = nullptr;
  WaitFor(Timeout(command.options), [&] {
    control = FindControl(window, query);
    return control != nullptr && IsWindowVisible(control);
  });
  if (!control) return Fail(command, "control not found");
  JsonObject result = Result(command, true);
  result.AddRaw("control", ControlJson(control, window));
  PostMessageW(control, BM_CLICK, 0, 0);
  EmitLine(result);
  return 0;
}

int CloseCommand(const Command& command) {
  HWND window = WaitInstaller(command.options);
  if (!window) return Fail(command, "timeout");
  // "syscommand" is what the caption's close button sends; the default is a
  // plain WM_CLOSE.
  if (OptionOr(command.options, L"how", L"close") == L"syscommand") {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  EmitLine(Result(command, true));
  return 0;
}

int ResizeCommand(const Command& command) {
  HWND window = WaitInstaller(command.options);
  if (!window) return Fail(command, "timeout");
  const int width = NumberOr(command.options, L"width", 0);
  const int height = NumberOr(command.options, L"height", 0);
  // Without SWP_ASYNCWINDOWPOS the call returns once the window's own
  // thread has handled the change, so the sizes read below are final.
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  JsonObject result = Result(command, true);
  AddWindowFields(result, window).AddRaw("controls", ControlsJson(window));
  EmitLine(result);
  return 0;
}

int WaitBoxCommand(const Command& command) {
  HWND box = WaitBox(command.options);
  if (!box) return Fail(command, "timeout");
  EmitLine(BoxResult(command, box));
  return 0;
}

int PressBoxCommand(const Command& command) {
  HWND box = WaitBox(command.options);
  if (!box) return Fail(command, "timeout");
  JsonObject result = BoxResult(command, box);
  HWND button = GetDlgItem(box, NumberOr(command.options, L"button", IDABORT));
  if (!button) return Fail(command, "button not found");
  // --key enter|escape types the key at the focused button, as a user
  // would, instead of clicking it.
  const std::wstring key = OptionOr(command.options, L"key", L"");
  if (key.empty()) {
    PostMessageW(button, BM_CLICK, 0, 0);
  } else {
    const WPARAM vk = key == L"escape" ? VK_ESCAPE : VK_RETURN;
    PostMessageW(button, WM_KEYDOWN, vk, 1);
    PostMessageW(button, WM_KEYUP, vk, 0xC0000001);
  }
  const bool gone =
      WaitFor(Timeout(command.options), [&] { return !IsWindow(box) || !IsWindowVisible(box); });
  result.Add("dismissed", gone);
  EmitLine(result);
  return gone ? 0 : 1;
}

int WaitGoneCommand(const Command& command) {
  const std::wstring className = OptionOr(command.options, L"class", kInstallerClass);
  const auto caption = Option(command.options, L"title");
  const bool gone =
      WaitFor(Timeout(command.options), [&] { return FindTopLevel(className, caption).empty(); });
  EmitLine(Result(command, gone));
  return gone ? 0 : 1;
}

bool ImageRunning(const std::wstring& image) {
  std::wstring wanted = image;
  for (wchar_t& c : wanted) c = static_cast<wchar_t>(towlower(c));
  for (const std::wstring& running : RunningImages()) {
    if (running == wanted) return true;
  }
  return false;
}

int WaitExitCommand(const Command& command) {
  const std::wstring image = OptionOr(command.options, L"image", L"install.exe");
  const bool exited = WaitFor(Timeout(command.options), [&] { return !ImageRunning(image); });
  EmitLine(Result(command, exited));
  return exited ? 0 : 1;
}

int ListCommand(const Command& command) {
  JsonArray windows;
  for (HWND window : FindTopLevel(L"", std::nullopt)) {
    JsonObject json;
    windows.Push(AddWindowFields(json, window).Text());
  }
  EmitLine(Result(command, true).AddRaw("windows", windows.Text()));
  return 0;
}

int HoldFileCommand(const Command& command) {
  const auto path = Option(command.options, L"path");
  if (!path) return Fail(command, "--path missing");
  const DWORD disposition = NumberOr(command.options, L"create", 0) ? OPEN_ALWAYS : OPEN_EXISTING;
  const os::win32::UniqueHandle file(CreateFileW(path->c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                 nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
  if (!file.IsValid()) {
    EmitLine(Result(command, false)
                 .Add("error", "open failed")
                 .Add("code", static_cast<int64_t>(GetLastError())));
    return 1;
  }
  EmitLine(Result(command, true).Add("event", "held"));
  Sleep(static_cast<DWORD>(NumberOr(command.options, L"seconds", 10) * 1000));
  EmitLine(Result(command, true).Add("event", "released"));
  return 0;
}

int KeyCommand(const Command& command) {
  HWND window = WaitInstaller(command.options);
  if (!window) return Fail(command, "window not found");
  // --key types a chord with SendInput at the focused window; otherwise one
  // key press (--vk, default space) is posted to the window itself.
  if (Option(command.options, L"vk") || !Option(command.options, L"key")) {
    const auto vk = static_cast<WPARAM>(NumberOr(command.options, L"vk", VK_SPACE));
    PostMessageW(window, WM_KEYDOWN, vk, 1);
    PostMessageW(window, WM_KEYUP, vk, 0xC0000001);
  } else if (!PressKeyChord(window, OptionOr(command.options, L"key", L""))) {
    return Fail(command, "key not sent");
  }
  EmitLine(Result(command, true));
  return 0;
}

// Reports the focused control; with a query, first waits until the focus is
// on the control that matches it.
int FocusCommand(const Command& command) {
  HWND window = WaitInstaller(command.options);
  if (!window) return Fail(command, "window not found");
  const ControlQuery query = QueryFrom(command.options);
  const bool wanted = query.id || query.text || query.className;
  HWND focus = FocusedControl(window);
  const bool ok = !wanted || WaitFor(Timeout(command.options), [&] {
    focus = FocusedControl(window);
    return focus != nullptr && focus == FindControl(window, query);
  });
  JsonObject result = Result(command, ok);
  if (focus) {
    result.AddRaw("focus", ControlJson(focus, window));
  } else {
    result.AddRaw("focus", "null");
  }
  EmitLine(result);
  return ok ? 0 : 1;
}

// Posts a mouse movement to the window (or, with --ctl-class, to that child
// of it) at the cursor's position moved by --dx/--dy, in the receiver's
// client coordinates.
int MouseMoveCommand(const Command& command) {
  HWND window = WaitInstaller(command.options);
  if (window && Option(command.options, L"ctl-class")) {
    window = FindControl(window, QueryFrom(command.options));
  }
  if (!window) return Fail(command, "window not found");
  POINT at{};
  GetCursorPos(&at);
  at.x += NumberOr(command.options, L"dx", 0);
  at.y += NumberOr(command.options, L"dy", 0);
  ScreenToClient(window, &at);
  PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  EmitLine(Result(command, true)
               .Add("x", static_cast<int64_t>(at.x))
               .Add("y", static_cast<int64_t>(at.y)));
  return 0;
}

// Starts a command line as Windows does when it runs a registry command
// (CreateProcess without an application name) and waits for its end.
int RunCommand(const Command& command) {
  const auto line = Option(command.options, L"command-line");
  if (!line) return Fail(command, "--command-line missing");
  std::wstring mutableLine = *line;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    EmitLine(Result(command, false)
                 .Add("error", "start failed")
                 .Add("code", static_cast<int64_t>(GetLastError())));
    return 1;
  }
  const os::win32::UniqueHandle processHandle(process.hProcess);
  const os::win32::UniqueHandle threadHandle(process.hThread);
  const bool ended =
      WaitForSingleObject(process.hProcess, Timeout(command.options)) == WAIT_OBJECT_0;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &code);
  EmitLine(Result(command, ended).Add("exit_code", static_cast<int64_t>(code)));
  return ended ? 0 : 1;
}

int FakeWindow(const Command& command) {
  return RunFakeWindow(OptionOr(command.options, L"title", L"Display Properties"),
                       NumberOr(command.options, L"seconds", 30));
}

// The short (8.3) form of a path as this prefix gives it.
int ShortPathCommand(const Command& command) {
  const auto path = Option(command.options, L"path");
  if (!path) return Fail(command, "--path missing");
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetShortPathNameW(path->c_str(), buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return Fail(command, "no short path");
  EmitLine(Result(command, true).Add("short", std::wstring(buffer, length)));
  return 0;
}

int FlashHost(const Command& command) { return RunFlashHost(command.options); }

int FlashProbe(const Command&) { return RunFlashProbe(); }

struct CommandEntry {
  const wchar_t* name;
  int (*run)(const Command&);
};

constexpr CommandEntry kCommands[] = {
    {L"find-window", FindWindowCommand},
    {L"window-info", WindowInfoCommand},
    {L"click", ClickCommand},
    {L"close", CloseCommand},
    {L"resize", ResizeCommand},
    {L"wait-box", WaitBoxCommand},
    {L"press-box", PressBoxCommand},
    {L"wait-gone", WaitGoneCommand},
    {L"wait-exit", WaitExitCommand},
    {L"list", ListCommand},
    {L"hold-file", HoldFileCommand},
    {L"fake-window", FakeWindow},
    {L"key", KeyCommand},
    {L"mouse-move", MouseMoveCommand},
    {L"run", RunCommand},
    {L"short-path", ShortPathCommand},
    {L"focus", FocusCommand},
    {L"flash-host", FlashHost},
    {L"flash-probe", FlashProbe},
};

int Dispatch(const Command& command) {
  for (const CommandEntry& entry : kCommands) {
    if (command.name == entry.name) return entry.run(command);
  }
  return -1;
}

std::optional<Command> ParseArguments(int argc, wchar_t** argv) {
  if (argc < 2) return std::nullopt;
  Command command{argv[1], {}};
  for (int i = 2; i < argc; i += 2) {
    const std::wstring key = argv[i];
    if (key.rfind(L"--", 0) != 0 || i + 1 >= argc) return std::nullopt;
    command.options[key.substr(2)] = argv[i + 1];
  }
  return command;
}

void PrintUsage() {
  std::fputs(
      "usage: saverdrv.exe COMMAND [--option value]...\n"
      "  find-window [--class C] [--title T]      wait for a visible top-level window\n"
      "  window-info [--class C]                  styles, sizes and every child control\n"
      "  click (--id N|--text T|--ctl-class K)    post BM_CLICK to a control\n"
      "  close [--class C] [--how close|syscommand]  post WM_CLOSE (or SC_CLOSE) to the window\n"
      "  resize --width W --height H [--class C]  resize the window\n"
      "  wait-box [--caption C]                   wait for a visible #32770 box\n"
      "  press-box [--caption C] [--button ID] [--key enter|escape]\n"
      "                                           click a box button (default 3, Abort),\n"
      "                                           or type the key at it\n"
      "  wait-gone [--class C] [--title T]        wait until no such window is visible\n"
      "  wait-exit [--image install.exe]          wait until no such process runs\n"
      "  list                                     every visible top-level window\n"
      "  hold-file --path P [--seconds N] [--create 1]  hold a file open without sharing\n"
      "  fake-window [--title T] [--seconds N]    a window with a Cancel button (id 2)\n"
      "  key --key [ctrl+][alt+][shift+]KEY       type a key at the installer (SendInput)\n"
      "  key [--class C] [--vk N]                 post one key press (default space)\n"
      "  focus [--id N|--text T|--ctl-class K]    the focused control (waits for a match)\n"
      "  flash-host --movie P [--seconds N] [--width W] [--height H] [--stop-after MS]\n"
      "                                           host the Flash control, print its events\n"
      "  flash-probe                              create the control, print FlashVersion\n"
      "  mouse-move [--class C] [--ctl-class K] --dx X --dy Y\n"
      "                                           post a mouse move to the cursor + (X, Y)\n"
      "  short-path --path P                      the short (8.3) form of a path\n"
      "  run --command-line L                     start L as the shell runs a registry\n"
      "                                           command and wait for its exit code\n"
      "every wait takes --timeout MS (default 10000)\n"
      "saverdrv.exe /p HWND: a stand-in screen saver previewing in HWND (logs to\n"
      "  fake-saver.log beside saverdrv.exe)\n",
      stderr);
}

}  // namespace
}  // namespace saverdrv

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && _wcsicmp(argv[1], L"/p") == 0) {
    return saverdrv::RunFakeSaver(
        reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(argv[2], nullptr, 10))));
  }
  const auto command = saverdrv::ParseArguments(argc, argv);
  if (!command) {
    saverdrv::PrintUsage();
    return 2;
  }
  const int code = saverdrv::Dispatch(*command);
  if (code < 0) {
    saverdrv::PrintUsage();
    return 2;
  }
  return code;
}
