// engine.scr: the screen saver engine that packages install. Windows starts
// it with the usual screen saver switches; the uninstall entry starts it
// with "/u" (see engine_args.h for every switch).
#include <windows.h>

#include "engine_args.h"
#include "engine_context.h"
#include "saver_window.h"
#include "scene.h"
#include "summary.h"
#include "uninstall_host.h"

namespace engine::win32 {
namespace {

constexpr int kUsageError = 2;

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ShowSettings(const EngineContext& context, HWND owner) {
  // A control is created only to learn whether a movie the settings name can
  // play.
  const bool movies =
      KindOfPicture(context.settings.picture) == SceneKind::kMovie && CanPlayMovies();
  const SceneChoice scene =
      ChooseScene(context.saverFolder, context.settings.picture, movies, FileExists);
  const std::string text = SettingsSummary(context.title, context.settings, scene);
  MessageBoxA(owner, text.c_str(), UninstallCaption(context.title).c_str(),
              MB_OK | MB_ICONINFORMATION);
  return 0;
}

int RemoveEngine(const EngineContext& context, const Command& command) {
  Win32UninstallHost host(context);
  ProcessWaiter waiter(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(command.process)));
  return RunEngineRemoval(host, waiter, context.windowsFolder, command.path, context.ownPath);
}

// The program's own path in the forms Windows may start it by, so that the
// command line's program name is recognised whole, blanks and all.
Command ReadCommandLine(const EngineContext& context) {
  Win32UninstallHost host(context);
  return ParseCommandLine(GetCommandLineA(), host.PathForms(context.ownPath));
}

int Run() {
  const EngineContext context = LoadContext();
  const Command command = ReadCommandLine(context);
  switch (command.mode) {
    case Mode::kSaver:
      return RunFullScreen(context);
    case Mode::kPreview:
      return RunPreview(context, WindowFrom(command.window));
    case Mode::kConfigure:
      return ShowSettings(context, WindowFrom(command.window));
    case Mode::kPassword:
      return 0;
    case Mode::kUninstall: {
      Win32UninstallHost host(context);
      return RunUninstall(host,
                          UninstallContext{context.title, context.windowsFolder, context.ownPath});
    }
    case Mode::kRemoveEngine:
      return RemoveEngine(context, command);
    case Mode::kInvalid:
      break;
  }
  return kUsageError;
}

}  // namespace
}  // namespace engine::win32

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return engine::win32::Run(); }
