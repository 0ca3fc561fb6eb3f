// The engine's "/u": what it removes, in which order, and what it tells the
// user. The Win32 side supplies the system through UninstallHost; the unit
// tests supply an in-memory one.
//
// Order: the files the installation put into the saver folder (the list the
// installer left there, installed_files.h), the saver folder once empty, the
// engine, the system.ini entry when it names this engine, and the uninstall
// entry last, only when everything before it is gone. Files in the saver
// folder that the list does not name are kept and named. Nothing is ever
// followed through a link: a linked saver folder is unlinked (or kept when
// the system cannot unlink it), never entered.
//
// A file that is in use is deleted when Windows next starts (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT); the uninstall entry then stays, so that the
// uninstall can be run again. A running program cannot delete its own file:
// when the engine to remove is the running one, a copy of it in the
// temporary folder ("/remove-engine") waits for this process to end, removes
// the engine, the system.ini entry and the uninstall entry, reports, and has
// itself deleted at the next start of Windows.
//
// One uninstall of a title runs at a time: a second one says so and ends.
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

// What a path is, seen without following a link.
enum class Entry { kMissing, kFile, kFolder, kLink };

// The result of deleting one file.
struct Removal {
  enum Outcome { kRemoved, kBusy, kFailed } outcome = kRemoved;
  Failure failure;
};

class UninstallHost {
 public:
  virtual ~UninstallHost() = default;

  // Files and folders; paths are absolute, folders may end in a backslash.
  virtual Entry Kind(const std::string& path) = 0;
  // The bytes of a small file; nothing when it cannot be read.
  virtual std::optional<std::string> ReadSmallFile(const std::string& path) = 0;
  // The names in a folder (not "." and ".."); folders end in a backslash.
  virtual std::vector<std::string> FolderEntries(const std::string& folder) = 0;
  // Deletes a file (Kind gave kFile).
  virtual Removal RemoveFile(const std::string& path) = 0;
  // Removes an empty folder, or a linked folder as the link.
  virtual std::optional<Failure> RemoveFolder(const std::string& folder) = 0;
  virtual bool DeleteAtRestart(const std::string& path) = 0;
  // Takes back a deletion at restart of a file that is gone now, so that it
  // cannot hit a file of the same name installed later.
  virtual void ForgetDeleteAtRestart(const std::string& path) = 0;
  // The path as given plus its long and short forms, as far as they exist.
  virtual std::vector<std::string> PathForms(const std::string& path) = 0;

  virtual bool KeyExists(const std::string& key) = 0;                    // under HKLM
  virtual std::optional<Failure> RemoveKey(const std::string& key) = 0;  // with subkeys
  virtual std::optional<std::string> UninstallCommand(const std::string& key) = 0;
  virtual std::optional<std::string> ScreenSaverEntry() = 0;  // system.ini [boot] SCRNSAVE.EXE
  // Removes the entry and tells running programs that no screen saver is active.
  virtual std::optional<Failure> RemoveScreenSaverEntry() = 0;

  // The one uninstall of this title: false when another one holds it (after
  // waiting for it, when asked to).
  virtual bool Lock(bool wait) = 0;
  // Starts the copy that removes `enginePath` once this process has ended.
  virtual std::optional<Failure> StartRemover(const std::string& enginePath) = 0;

  virtual bool Ask(const std::string& caption, const std::string& question) = 0;
  virtual void Inform(const std::string& caption, const std::string& text) = 0;
  virtual void ReportError(const std::string& caption, const std::string& text) = 0;
};

struct UninstallContext {
  std::string title;
  std::string windowsFolder;
  std::string ownPath;  // the running engine's file
};

// What became of the saver folder.
struct FolderOutcome {
  std::vector<std::string> kept;       // what stays, as KeptEntries names it
  std::vector<std::string> atRestart;  // paths deleted at the next start
  std::vector<Failure> failures;
  // Every file of the list is gone (or goes at the next start).
  bool Complete() const { return failures.empty() && atRestart.empty(); }
};

// Whether `folder` is a plain folder holding a list of installed files (a
// file of that name without the list's marker is none).
bool HoldsInstalledList(UninstallHost& host, const std::string& folder);
// Removes the listed files of `folder`, the list, and the folder once empty.
FolderOutcome RemoveSaverFiles(UninstallHost& host, const std::string& folder);
// What stays in `folder` besides a list, as full paths (a linked or
// misplaced folder as itself).
std::vector<std::string> KeptEntries(UninstallHost& host, const std::string& folder);

// The texts the user sees.
std::string UninstallCaption(const std::string& title);
std::string UninstallQuestion(const std::string& title);
std::string RemovedText(const std::string& title);
std::string NothingInstalledText(const std::string& title);
std::string AlreadyRunningText(const std::string& title);
std::string KeptText(const std::vector<std::string>& kept);
std::string AtRestartText(const std::string& title, const std::vector<std::string>& paths);
std::string FailureText(const std::string& title, const std::vector<Failure>& failures);

// "/u". Returns the exit code: 0 done, declined or nothing to do; 1 when
// something could not be removed (the user was told what).
int RunUninstall(UninstallHost& host, const UninstallContext& context);

// "/remove-engine": the copy's part, after the uninstalling engine ended.
class RemovalWaiter {
 public:
  virtual ~RemovalWaiter() = default;
  virtual void WaitForUninstaller() = 0;
  virtual void Pause() = 0;  // between attempts
};

// Whether `enginePath` is an installed engine this switch may remove: the
// .scr file of a title directly in the Windows folder, no link, named by
// that title's uninstall entry, and whose saver folder no longer holds the
// installation's files.
bool MayRemoveEngine(UninstallHost& host, const std::string& windowsFolder,
                     const std::string& enginePath);

// Deletes `enginePath` (retrying while it is still held, then at the next
// start), the system.ini entry and the uninstall entry, reports, and has the
// copy itself (`ownPath`) deleted at the next start. Returns 2 and touches
// nothing when MayRemoveEngine refuses the path.
int RunEngineRemoval(UninstallHost& host, RemovalWaiter& waiter, const std::string& windowsFolder,
                     const std::string& enginePath, const std::string& ownPath);

constexpr int kRemovalAttempts = 50;
constexpr int kRefused = 2;

}  // namespace engine
