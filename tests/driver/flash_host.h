// The driver's Flash commands: host the Shockwave Flash control in a window
// of the driver, as the installer does, and report what it does.
//
//   flash-host --movie PATH [--seconds N] [--width W] [--height H]
//              [--stop-after MS]
//     A visible top-level window "saverdrv flash host" whose client area is
//     an AtlAxWin child of W x H (default 320 x 240) at (0, 0), hosting the
//     control by class id. Writes ScaleMode 0, SetVariable Align=AlClient,
//     WMode Opaque, Menu false, then Movie and Play, connects an event sink,
//     and runs for N seconds (default 5); with --stop-after it calls
//     StopPlay after MS milliseconds. Prints {"event":"created",
//     "version":V,"hwnd":H,...}, one {"event":"fscommand","command":C,
//     "args":A} per event, and {"event":"closed"} after releasing the
//     control.
//   flash-probe
//     Creates the control without a window, asks FlashVersion, releases
//     it: {"ok":true,"version":V} or {"ok":false,"hresult":HR,"step":S}.
#pragma once

#include <map>
#include <string>

namespace saverdrv {

using FlashOptions = std::map<std::wstring, std::wstring>;

int RunFlashHost(const FlashOptions& options);
int RunFlashProbe();

}  // namespace saverdrv
