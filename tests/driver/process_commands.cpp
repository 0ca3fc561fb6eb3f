// The commands on processes and files: starting a command line, waiting for
// a program's end, holding a file open, and a path's short form.
#include "commands.h"
#include "handles.h"

namespace saverdrv {
namespace {

bool ImageRunning(const std::wstring& image) {
  std::wstring wanted = image;
  for (wchar_t& c : wanted) c = static_cast<wchar_t>(towlower(c));
  for (const std::wstring& running : RunningImages()) {
    if (running == wanted) return true;
  }
  return false;
}

}  // namespace

int WaitExitCommand(const Command& command) {
  const std::wstring image = OptionOr(command.options, L"image", L"install.exe");
  const bool exited = WaitFor(Timeout(command.options), [&] { return !ImageRunning(image); });
  EmitLine(Result(command, exited));
  return exited ? 0 : 1;
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

// Starts a command line and measures its start-up: the time until the
// program shows a visible top-level window of class --class (default
// TInstallerForm), polled every millisecond. The program is then ended.
// Result: "us", microseconds by QueryPerformanceCounter.
int StartTimeCommand(const Command& command) {
  const auto line = Option(command.options, L"command-line");
  if (!line) return Fail(command, "--command-line missing");
  const std::wstring className = OptionOr(command.options, L"class", L"TInstallerForm");
  std::wstring mutableLine = *line;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER frequency{}, start{}, now{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return Fail(command, "start failed");
  }
  const os::win32::UniqueHandle processHandle(process.hProcess);
  const os::win32::UniqueHandle threadHandle(process.hThread);
  const bool shown = WaitFor(
      Timeout(command.options),
      [&] {
        for (HWND w = FindWindowW(className.c_str(), nullptr); w;
             w = FindWindowExW(nullptr, w, className.c_str(), nullptr)) {
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner == process.dwProcessId && IsWindowVisible(w)) return true;
        }
        return false;
      },
      1);
  QueryPerformanceCounter(&now);
  TerminateProcess(process.hProcess, 1);
  WaitForSingleObject(process.hProcess, 10000);
  const int64_t us = (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
  EmitLine(Result(command, shown).Add("us", us));
  return shown ? 0 : 1;
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

}  // namespace saverdrv
