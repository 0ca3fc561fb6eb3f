#include "keyboard_input.h"

#include <cwctype>
#include <vector>

namespace saverdrv {
namespace {

struct Chord {
  std::vector<WORD> modifiers;
  WORD key = 0;
};

WORD KeyCode(const std::wstring& name) {
  if (name == L"tab") return VK_TAB;
  if (name == L"enter") return VK_RETURN;
  if (name == L"space") return VK_SPACE;
  if (name == L"escape") return VK_ESCAPE;
  if (name.size() == 1 && std::iswalnum(name[0])) {
    return static_cast<WORD>(std::towupper(name[0]));
  }
  return 0;
}

bool ParseChord(const std::wstring& text, Chord& chord) {
  size_t start = 0;
  for (;;) {
    const size_t plus = text.find(L'+', start);
    const std::wstring part = text.substr(start, plus - start);
    if (plus == std::wstring::npos) {
      chord.key = KeyCode(part);
      return chord.key != 0;
    }
    if (part == L"ctrl") {
      chord.modifiers.push_back(VK_CONTROL);
    } else if (part == L"alt") {
      chord.modifiers.push_back(VK_MENU);
    } else if (part == L"shift") {
      chord.modifiers.push_back(VK_SHIFT);
    } else {
      return false;
    }
    start = plus + 1;
  }
}

INPUT KeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// Gives the installer's thread the foreground, sharing input state with it
// for the moment of the call as the system allows a foreground change only
// from the thread that has the input.
void MakeForeground(HWND window) {
  const DWORD target = GetWindowThreadProcessId(window, nullptr);
  const DWORD own = GetCurrentThreadId();
  const bool attached = AttachThreadInput(own, target, TRUE) != FALSE;
  SetForegroundWindow(window);
  if (attached) AttachThreadInput(own, target, FALSE);
}

}  // namespace

bool PressKeyChord(HWND window, const std::wstring& chord) {
  Chord parsed;
  if (!ParseChord(chord, parsed)) return false;
  MakeForeground(window);
  std::vector<INPUT> inputs;
  for (WORD modifier : parsed.modifiers) inputs.push_back(KeyInput(modifier, false));
  inputs.push_back(KeyInput(parsed.key, false));
  inputs.push_back(KeyInput(parsed.key, true));
  for (auto it = parsed.modifiers.rbegin(); it != parsed.modifiers.rend(); ++it) {
    inputs.push_back(KeyInput(*it, true));
  }
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return sent == inputs.size();
}

HWND FocusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

}  // namespace saverdrv
