#include "uninstall.h"

#include <algorithm>

#include "engine_args.h"
#include "installed_files.h"
#include "saver_paths.h"

namespace engine {
namespace {

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

// The SCRNSAVE.EXE entry counts when it names the installed engine or the
// running one, in either the long or the short form.
bool IniNamesEngine(UninstallHost& host, const std::string& enginePath,
                    const std::string& ownPath) {
  const std::optional<std::string> entry = host.ScreenSaverEntry();
  if (!entry || entry->empty()) return false;
  std::vector<std::string> forms = host.PathForms(enginePath);
  if (!ownPath.empty()) {
    for (std::string& form : host.PathForms(ownPath)) forms.push_back(std::move(form));
  }
  for (std::string& form : host.PathForms(*entry)) {
    if (NamesEngine(form, forms)) return true;
  }
  return NamesEngine(*entry, forms);
}

bool IsRunningEngine(UninstallHost& host, const std::string& enginePath,
                     const std::string& ownPath) {
  const std::vector<std::string> own = host.PathForms(ownPath);
  const std::vector<std::string> engine = host.PathForms(enginePath);
  return std::any_of(engine.begin(), engine.end(),
                     [&own](const std::string& form) { return NamesEngine(form, own); });
}

int Fail(UninstallHost& host, const std::string& title, const std::vector<Failure>& failures) {
  host.ReportError(UninstallCaption(title), FailureText(title, failures));
  return 1;
}

// Whether the saver folder still holds the installation's files. A linked
// folder never does: what lies behind it is not the installation's.
bool InstalledFilesRemain(UninstallHost& host, const std::string& folder) {
  return HoldsInstalledList(host, folder);
}

// The part after the saver folder: the engine's file, the system.ini entry,
// and the uninstall entry when nothing of the installation is left. Run by
// the uninstall itself, or by the copy when the engine is the running one.
int FinishUninstall(UninstallHost& host, const std::string& title, const std::string& windowsFolder,
                    const std::string& enginePath, const std::string& ownPath,
                    std::vector<std::string> atRestart, RemovalWaiter* waiter) {
  const std::string folder = SaverFolder(windowsFolder, title);
  // Asked while the engine is there: the short form in system.ini can only
  // be matched with an existing file.
  const bool namedInIni = IniNamesEngine(host, enginePath, ownPath);
  Removal removal;
  for (int attempt = 0; host.Kind(enginePath) != Entry::kMissing; ++attempt) {
    if (attempt > 0 && waiter) waiter->Pause();
    removal = host.RemoveFile(enginePath);
    if (removal.outcome != Removal::kBusy || !waiter || attempt + 1 >= kRemovalAttempts) break;
  }
  const bool engineStays = host.Kind(enginePath) != Entry::kMissing;
  if (!engineStays) host.ForgetDeleteAtRestart(enginePath);
  if (engineStays && removal.outcome == Removal::kBusy && host.DeleteAtRestart(enginePath)) {
    atRestart.push_back(enginePath);
  } else if (engineStays) {
    return Fail(host, title, {removal.failure});
  }
  if (namedInIni) {
    if (auto failure = host.RemoveScreenSaverEntry()) return Fail(host, title, {*failure});
  }
  const std::string caption = UninstallCaption(title);
  if (!atRestart.empty() || InstalledFilesRemain(host, folder)) {
    host.Inform(caption, AtRestartText(title, atRestart));
    return 0;
  }
  const std::string key = UninstallKeyPath(title);
  if (!key.empty() && host.KeyExists(key)) {
    if (auto failure = host.RemoveKey(key)) return Fail(host, title, {*failure});
  }
  const std::vector<std::string> kept = KeptEntries(host, folder);
  host.Inform(caption, RemovedText(title) + (kept.empty() ? "" : KeptText(kept)));
  return 0;
}

}  // namespace

std::string UninstallCaption(const std::string& title) { return title + " Screen Saver"; }

std::string UninstallQuestion(const std::string& title) {
  return "Remove " + title + " Screen Saver?";
}

std::string RemovedText(const std::string& title) {
  return title + " Screen Saver has been removed.";
}

std::string NothingInstalledText(const std::string& title) {
  return title + " Screen Saver is not installed: there is nothing to remove.";
}

std::string AlreadyRunningText(const std::string& title) {
  return "An uninstall of " + title + " Screen Saver is already running.";
}

std::string KeptText(const std::vector<std::string>& kept) {
  return "\r\n\r\nWhat was not installed with it stays.\r\nkept: " + Joined(kept, ", ");
}

std::string AtRestartText(const std::string& title, const std::vector<std::string>& paths) {
  return title + " Screen Saver has been removed except for files in use. They will be " +
         "deleted when Windows restarts:\r\n\r\n" + Joined(paths, "\r\n") +
         "\r\n\r\nRun the uninstall again after the restart to remove its entry.";
}

std::string FailureText(const std::string& title, const std::vector<Failure>& failures) {
  std::string text = "Could not remove " + title + " Screen Saver completely.\r\n";
  for (const Failure& failure : failures) text += "\r\n" + failure.what + ": " + failure.why;
  return text;
}

int RunUninstall(UninstallHost& host, const UninstallContext& context) {
  const std::string& title = context.title;
  const std::string caption = UninstallCaption(title);
  if (title.empty()) {
    host.Inform(caption, NothingInstalledText(title));
    return 0;
  }
  if (!host.Lock(false)) {
    host.Inform(caption, AlreadyRunningText(title));
    return 0;
  }
  const std::string folder = SaverFolder(context.windowsFolder, title);
  const std::string key = UninstallKeyPath(title);
  const std::string enginePath = InstalledEnginePath(context.windowsFolder, title);
  const bool installed = host.Kind(WithoutTrailingSeparator(folder)) != Entry::kMissing ||
                         host.KeyExists(key) || IniNamesEngine(host, enginePath, context.ownPath);
  if (!installed) {
    host.Inform(caption, NothingInstalledText(title));
    return 0;
  }
  if (!host.Ask(caption, UninstallQuestion(title))) return 0;
  FolderOutcome outcome = RemoveSaverFiles(host, folder);
  if (!outcome.failures.empty()) return Fail(host, title, outcome.failures);
  if (!outcome.atRestart.empty() || host.Kind(enginePath) == Entry::kMissing ||
      !IsRunningEngine(host, enginePath, context.ownPath)) {
    return FinishUninstall(host, title, context.windowsFolder, enginePath, context.ownPath,
                           std::move(outcome.atRestart), nullptr);
  }
  // The running engine: its copy finishes once this process has ended.
  if (!host.StartRemover(enginePath)) return 0;
  return FinishUninstall(host, title, context.windowsFolder, enginePath, context.ownPath, {},
                         nullptr);
}

bool MayRemoveEngine(UninstallHost& host, const std::string& windowsFolder,
                     const std::string& enginePath) {
  const std::string title = TitleFromEnginePath(enginePath);
  if (title.empty() || UninstallKeyPath(title).empty()) return false;
  const std::string installed = InstalledEnginePath(windowsFolder, title);
  // Compared byte for byte after the title was cut from the path: a path
  // with "..", '/' or another folder cannot give back the same text.
  if (!SamePath(enginePath, installed) || enginePath.size() != installed.size()) return false;
  if (!saver::IsListableName(BaseName(enginePath))) return false;
  if (host.Kind(enginePath) != Entry::kFile) return false;
  const std::optional<std::string> command = host.UninstallCommand(UninstallKeyPath(title));
  if (!command || !SamePath(ProgramOfCommand(*command), installed)) return false;
  return !InstalledFilesRemain(host, SaverFolder(windowsFolder, title));
}

int RunEngineRemoval(UninstallHost& host, RemovalWaiter& waiter, const std::string& windowsFolder,
                     const std::string& enginePath, const std::string& ownPath) {
  if (!MayRemoveEngine(host, windowsFolder, enginePath)) return kRefused;
  waiter.WaitForUninstaller();
  if (!host.Lock(true) || !MayRemoveEngine(host, windowsFolder, enginePath)) return kRefused;
  host.DeleteAtRestart(ownPath);
  return FinishUninstall(host, TitleFromEnginePath(enginePath), windowsFolder, enginePath, "", {},
                         &waiter);
}

}  // namespace engine
