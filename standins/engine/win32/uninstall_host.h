// The uninstall's view of a real Windows: files, folders and links, the
// registry under HKEY_LOCAL_MACHINE, system.ini, deletions at the next start,
// the uninstall's named mutex, message boxes and the remover copy.
#pragma once

#include <windows.h>

#include "engine_context.h"
#include "handles.h"
#include "uninstall.h"

namespace engine::win32 {

class Win32UninstallHost : public UninstallHost {
 public:
  explicit Win32UninstallHost(const EngineContext& context) : context_(context) {}

  Entry Kind(const std::string& path) override;
  std::optional<std::string> ReadSmallFile(const std::string& path) override;
  std::vector<std::string> FolderEntries(const std::string& folder) override;
  Removal RemoveFile(const std::string& path) override;
  std::optional<Failure> RemoveFolder(const std::string& folder) override;
  bool DeleteAtRestart(const std::string& path) override;
  void ForgetDeleteAtRestart(const std::string& path) override;
  std::vector<std::string> PathForms(const std::string& path) override;
  bool KeyExists(const std::string& key) override;
  std::optional<Failure> RemoveKey(const std::string& key) override;
  std::optional<std::string> UninstallCommand(const std::string& key) override;
  std::optional<std::string> ScreenSaverEntry() override;
  std::optional<Failure> RemoveScreenSaverEntry() override;
  bool Lock(bool wait) override;
  std::optional<Failure> StartRemover(const std::string& enginePath) override;
  bool Ask(const std::string& caption, const std::string& question) override;
  void Inform(const std::string& caption, const std::string& text) override;
  void ReportError(const std::string& caption, const std::string& text) override;

 private:
  const EngineContext& context_;
  // Held until the process ends; the system releases it then.
  os::win32::UniqueHandle lock_;
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
