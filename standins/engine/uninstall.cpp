#include "uninstall.h"

#include <algorithm>

#include "saver_paths.h"

namespace engine {
namespace {

struct Installed {
  std::string folder;
  std::string key;
  std::string enginePath;
  bool hasFolder = false;
  bool hasKey = false;
  bool namedInIni = false;
};

// The SCRNSAVE.EXE entry counts when it names the installed engine or the
// running one, in either the long or the short form.
bool IniNamesEngine(UninstallHost& host, const UninstallContext& context,
                    const std::string& enginePath) {
  const std::optional<std::string> entry = host.ScreenSaverEntry();
  if (!entry || entry->empty()) return false;
  std::vector<std::string> forms = host.PathForms(enginePath);
  for (std::string& form : host.PathForms(context.ownPath)) forms.push_back(std::move(form));
  for (std::string& form : host.PathForms(*entry)) {
    if (NamesEngine(form, forms)) return true;
  }
  return NamesEngine(*entry, forms);
}

Installed Survey(UninstallHost& host, const UninstallContext& context) {
  Installed found;
  found.folder = SaverFolder(context.windowsFolder, context.title);
  found.key = UninstallKeyPath(context.title);
  found.enginePath = InstalledEnginePath(context.windowsFolder, context.title);
  found.hasFolder = host.FolderExists(found.folder);
  found.hasKey = !found.key.empty() && host.KeyExists(found.key);
  found.namedInIni = IniNamesEngine(host, context, found.enginePath);
  return found;
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

// The engine's file goes last; the running engine leaves it to its copy,
// which then reports.
int RemoveEngineFile(UninstallHost& host, const UninstallContext& context,
                     const std::string& enginePath) {
  const std::string caption = UninstallCaption(context.title);
  if (!host.FileExists(enginePath)) {
    host.Inform(caption, RemovedText(context.title));
    return 0;
  }
  if (!IsRunningEngine(host, enginePath, context.ownPath)) {
    if (auto failure = host.RemoveFile(enginePath)) return Fail(host, context.title, {*failure});
    host.Inform(caption, RemovedText(context.title));
    return 0;
  }
  const std::optional<Failure> notStarted = host.StartRemover(enginePath);
  if (!notStarted) return 0;
  if (!host.DeleteAtRestart(enginePath)) return Fail(host, context.title, {*notStarted});
  host.Inform(caption, RemovedAtRestartText(context.title, enginePath));
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

std::string RemovedAtRestartText(const std::string& title, const std::string& enginePath) {
  return RemovedText(title) + "\r\n\r\nIts program file " + enginePath +
         " will be deleted when Windows restarts.";
}

std::string FailureText(const std::string& title, const std::vector<Failure>& failures) {
  std::string text = "Could not remove " + title + " Screen Saver completely.\r\n";
  for (const Failure& failure : failures) text += "\r\n" + failure.what + ": " + failure.why;
  return text;
}

int RunUninstall(UninstallHost& host, const UninstallContext& context) {
  const std::string caption = UninstallCaption(context.title);
  const Installed found = Survey(host, context);
  if (context.title.empty() || !(found.hasFolder || found.hasKey || found.namedInIni)) {
    host.Inform(caption, NothingInstalledText(context.title));
    return 0;
  }
  if (!host.Ask(caption, UninstallQuestion(context.title))) return 0;
  std::vector<Failure> failures;
  if (found.hasFolder) {
    if (auto failure = host.RemoveFolder(found.folder)) failures.push_back(*failure);
  }
  if (found.namedInIni) {
    if (auto failure = host.RemoveScreenSaverEntry()) failures.push_back(*failure);
  }
  if (!failures.empty()) return Fail(host, context.title, failures);
  if (found.hasKey) {
    if (auto failure = host.RemoveKey(found.key)) return Fail(host, context.title, {*failure});
  }
  return RemoveEngineFile(host, context, found.enginePath);
}

int RunEngineRemoval(UninstallHost& host, RemovalWaiter& waiter, const std::string& enginePath,
                     const std::string& ownPath) {
  waiter.WaitForUninstaller();
  const std::string title = TitleFromEnginePath(enginePath);
  std::optional<Failure> failure;
  for (int attempt = 0; attempt < kRemovalAttempts && host.FileExists(enginePath); ++attempt) {
    if (attempt > 0) waiter.Pause();
    failure = host.RemoveFile(enginePath);
  }
  host.DeleteAtRestart(ownPath);
  if (host.FileExists(enginePath)) {
    return Fail(host, title, {failure.value_or(Failure{enginePath, "still there"})});
  }
  host.Inform(UninstallCaption(title), RemovedText(title));
  return 0;
}

}  // namespace engine
