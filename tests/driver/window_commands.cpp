// The commands on the installer's and other top-level windows: finding and
// reading them, clicking their controls, typing and moving the mouse at
// them, closing and resizing them.
#include "commands.h"
#include "keyboard_input.h"

namespace saverdrv {

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

int WaitGoneCommand(const Command& command) {
  const std::wstring className = OptionOr(command.options, L"class", kInstallerClass);
  const auto caption = Option(command.options, L"title");
  const bool gone =
      WaitFor(Timeout(command.options), [&] { return FindTopLevel(className, caption).empty(); });
  EmitLine(Result(command, gone));
  return gone ? 0 : 1;
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

}  // namespace saverdrv
