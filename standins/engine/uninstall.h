// The engine's "/u": what it removes, in which order, and what it tells the
// user. The Win32 side supplies the system through UninstallHost; the unit
// tests supply an in-memory one.
//
// Order: the saver folder and the system.ini entry first, then the uninstall
// entry, then the engine's file. A failure stops before the uninstall entry
// and the engine, so the user can close what holds a file and run the
// uninstall command again. A running program cannot delete its own file:
// when the engine to remove is the running one, a copy of it in the temporary
// folder waits for this process to end, deletes the engine, reports, and has
// itself deleted when Windows next starts (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace engine {

// What the operations report when they fail: the thing and the system's text.
struct Failure {
  std::string what;
  std::string why;
};

class UninstallHost {
 public:
  virtual ~UninstallHost() = default;

  virtual bool FolderExists(const std::string& folder) = 0;
  virtual std::optional<Failure> RemoveFolder(const std::string& folder) = 0;  // with contents
  virtual bool KeyExists(const std::string& key) = 0;                          // under HKLM
  virtual std::optional<Failure> RemoveKey(const std::string& key) = 0;        // with subkeys
  virtual std::optional<std::string> ScreenSaverEntry() = 0;  // system.ini [boot] SCRNSAVE.EXE
  // Removes the entry and tells running programs that no screen saver is active.
  virtual std::optional<Failure> RemoveScreenSaverEntry() = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // The path as given plus its long and short forms, as far as they exist.
  virtual std::vector<std::string> PathForms(const std::string& path) = 0;
  virtual std::optional<Failure> RemoveFile(const std::string& path) = 0;
  // Starts the copy that deletes `enginePath` once this process has ended.
  virtual std::optional<Failure> StartRemover(const std::string& enginePath) = 0;
  virtual bool DeleteAtRestart(const std::string& path) = 0;

  virtual bool Ask(const std::string& caption, const std::string& question) = 0;
  virtual void Inform(const std::string& caption, const std::string& text) = 0;
  virtual void ReportError(const std::string& caption, const std::string& text) = 0;
};

struct UninstallContext {
  std::string title;
  std::string windowsFolder;
  std::string ownPath;  // the running engine's file
};

// The texts the user sees.
std::string UninstallCaption(const std::string& title);
std::string UninstallQuestion(const std::string& title);
std::string RemovedText(const std::string& title);
std::string NothingInstalledText(const std::string& title);
std::string RemovedAtRestartText(const std::string& title, const std::string& enginePath);
std::string FailureText(const std::string& title, const std::vector<Failure>& failures);

// "/u". Returns the exit code: 0 done, declined or nothing to do; 1 when
// something could not be removed (the user was told what).
int RunUninstall(UninstallHost& host, const UninstallContext& context);

// "/remove-engine": the copy's part, after the uninstalling engine ended.
// Deletes `enginePath`, retrying while it is still held, reports, and has
// the copy itself (`ownPath`) deleted at the next start of Windows.
class RemovalWaiter {
 public:
  virtual ~RemovalWaiter() = default;
  virtual void WaitForUninstaller() = 0;
  virtual void Pause() = 0;  // between attempts
};
int RunEngineRemoval(UninstallHost& host, RemovalWaiter& waiter, const std::string& enginePath,
                     const std::string& ownPath);

constexpr int kRemovalAttempts = 50;

}  // namespace engine
