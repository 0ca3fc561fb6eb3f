// The uninstall's view of a real Windows: files, folders, the registry
// under HKEY_LOCAL_MACHINE, system.ini, message boxes and the remover copy.
#pragma once

#include <windows.h>

#include "engine_context.h"
#include "uninstall.h"

namespace engine::win32 {

class Win32UninstallHost : public UninstallHost {
 public:
  explicit Win32UninstallHost(const EngineContext& context) : context_(context) {}

  bool FolderExists(const std::string& folder) override;
  std::optional<Failure> RemoveFolder(const std::string& folder) override;
  bool KeyExists(const std::string& key) override;
  std::optional<Failure> RemoveKey(const std::string& key) override;
  std::optional<std::string> ScreenSaverEntry() override;
  std::optional<Failure> RemoveScreenSaverEntry() override;
  bool FileExists(const std::string& path) override;
  std::vector<std::string> PathForms(const std::string& path) override;
  std::optional<Failure> RemoveFile(const std::string& path) override;
  std::optional<Failure> StartRemover(const std::string& enginePath) override;
  bool DeleteAtRestart(const std::string& path) override;
  bool Ask(const std::string& caption, const std::string& question) override;
  void Inform(const std::string& caption, const std::string& text) override;
  void ReportError(const std::string& caption, const std::string& text) override;

 private:
  const EngineContext& context_;
};

// The remover's wait: for the process whose inherited handle it was given.
class ProcessWaiter : public RemovalWaiter {
 public:
  explicit ProcessWaiter(HANDLE process) : process_(process) {}
  void WaitForUninstaller() override;
  void Pause() override;

 private:
  HANDLE process_;
};

}  // namespace engine::win32
