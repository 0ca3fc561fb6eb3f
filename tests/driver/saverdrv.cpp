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
#include <optional>
#include <string>

#include "commands.h"
#include "fake_saver.h"
#include "fake_window.h"
#include "flash_host.h"

namespace saverdrv {
namespace {

int FakeWindow(const Command& command) {
  return RunFakeWindow(OptionOr(command.options, L"title", L"Display Properties"),
                       NumberOr(command.options, L"seconds", 30));
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
    {L"start-time", StartTimeCommand},
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
      "  wait-box [--caption C] [--text-start T]  wait for a visible #32770 box\n"
      "  press-box [--caption C] [--text-start T] [--button ID] [--key enter|escape]\n"
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
