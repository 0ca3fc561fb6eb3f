// A stand-in screen saver for previews: started as "saverdrv.exe /p <hwnd>"
// (the way a Display control panel starts the current screen saver) it puts
// a child window of class "SaverDrvFakeSaver" into that window and ends when
// the window goes away. Since whoever starts it owns its output, it reports
// in "fake-saver.log" beside its own file, one JSON line per event:
// {"event":"preview","parent":N} once its child window is up, then
// {"event":"ended","by":"parent gone"|"destroyed"|"timeout"}.
#pragma once

#include <windows.h>

namespace saverdrv {

int RunFakeSaver(HWND parent);

}  // namespace saverdrv
