// The commands on message boxes (#32770 dialogs): waiting for one, reading
// its text and buttons, and pressing a button.
#include "commands.h"

namespace saverdrv {
namespace {

constexpr wchar_t kBoxClass[] = L"#32770";

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

// The first visible box with the caption and, with --text-start, the first
// whose text starts so (two boxes of one caption can be up at once).
HWND WaitBox(const Options& options) {
  const auto textStart = Option(options, L"text-start");
  if (!textStart) return WaitTopLevel(kBoxClass, Option(options, L"caption"), Timeout(options));
  HWND found = nullptr;
  WaitFor(Timeout(options), [&] {
    for (HWND box : FindTopLevel(kBoxClass, Option(options, L"caption"))) {
      if (BoxText(box).rfind(*textStart, 0) == 0) {
        found = box;
        return true;
      }
    }
    return false;
  });
  return found;
}

JsonObject BoxResult(const Command& command, HWND box) {
  JsonObject result = Result(command, true);
  AddWindowFields(result, box);
  result.Add("text", BoxText(box)).AddRaw("buttons", ButtonsJson(box));
  return result;
}

}  // namespace

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

}  // namespace saverdrv
