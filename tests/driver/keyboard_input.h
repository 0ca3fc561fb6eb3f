// Real key presses into another program's window, and reading which of its
// controls has the keyboard focus.
#pragma once

#include <windows.h>

#include <string>

namespace saverdrv {

// Brings `window` to the foreground and types one key chord given as
// "[ctrl+][alt+][shift+]KEY", KEY being tab, enter, space, escape, a letter
// or a digit, through SendInput, as the keyboard would. False for a chord
// it cannot parse or when the system takes no input.
bool PressKeyChord(HWND window, const std::wstring& chord);

// The control of `window`'s thread that has the keyboard focus; null when
// none has.
HWND FocusedControl(HWND window);

}  // namespace saverdrv
