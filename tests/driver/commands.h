// What the driver's commands share: the parsed command line, reading its
// options, the JSON every reply starts with, and finding the windows the
// commands act on. Each *_commands.cpp file holds a group of handlers; a
// handler prints its JSON lines and returns the exit code (0 when the
// command's condition held, 1 when it did not).
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "json_line.h"
#include "window_query.h"

namespace saverdrv {

inline constexpr wchar_t kInstallerClass[] = L"TInstallerForm";

using Options = std::map<std::wstring, std::wstring>;

struct Command {
  std::wstring name;
  Options options;
};

std::optional<std::wstring> Option(const Options& options, const wchar_t* key);
std::wstring OptionOr(const Options& options, const wchar_t* key, const wchar_t* fallback);
long NumberOr(const Options& options, const wchar_t* key, long fallback);
// --timeout in milliseconds (default 10000).
DWORD Timeout(const Options& options);

// {"cmd":NAME,"ok":OK}, for the handler to add its fields to.
JsonObject Result(const Command& command, bool ok);
// Prints {"cmd":NAME,"ok":false,"error":ERROR}; returns exit code 1.
int Fail(const Command& command, const char* error);

std::string ControlJson(HWND control, HWND top);
JsonObject& AddWindowFields(JsonObject& json, HWND window);
std::string ControlsJson(HWND top);

// The first visible top-level window of `className` (and `caption` when
// given), waited for up to `timeoutMs`; null when none showed up.
HWND WaitTopLevel(const std::wstring& className, const std::optional<std::wstring>& caption,
                  DWORD timeoutMs);
// The window of --class (default the installer's) and --title.
HWND WaitInstaller(const Options& options);
// The control named by --id, --text or --ctl-class.
ControlQuery QueryFrom(const Options& options);

// Windows: window_commands.cpp.
int FindWindowCommand(const Command& command);
int WindowInfoCommand(const Command& command);
int ClickCommand(const Command& command);
int CloseCommand(const Command& command);
int ResizeCommand(const Command& command);
int WaitGoneCommand(const Command& command);
int ListCommand(const Command& command);
int KeyCommand(const Command& command);
int FocusCommand(const Command& command);
int MouseMoveCommand(const Command& command);

// Message boxes: box_commands.cpp.
int WaitBoxCommand(const Command& command);
int PressBoxCommand(const Command& command);

// Processes and files: process_commands.cpp.
int WaitExitCommand(const Command& command);
int HoldFileCommand(const Command& command);
int RunCommand(const Command& command);
int StartTimeCommand(const Command& command);
int ShortPathCommand(const Command& command);

}  // namespace saverdrv
