// The engine's window: full screen for "/s", a child of the given window
// for "/p". Runs its own message loop and returns the exit code.
#pragma once

#include <windows.h>

#include "engine_context.h"

namespace engine::win32 {

// Class name of the window, for whoever looks for a running screen saver.
inline constexpr char kSaverWindowClass[] = "SaverEngineWindow";

// Full screen on the primary display, topmost, cursor hidden; ends on a key,
// a mouse button or a mouse movement beyond MouseWatch's threshold.
int RunFullScreen(const EngineContext& context);

// Fills `parent`'s client area; ends when `parent` (and so this window)
// goes away. Exit code 1 when `parent` is no window.
int RunPreview(const EngineContext& context, HWND parent);

}  // namespace engine::win32
