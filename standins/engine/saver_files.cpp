// The saver folder's part of the uninstall: exactly the files the installer
// listed, never through a link.
#include <algorithm>

#include "installed_files.h"
#include "saver_paths.h"
#include "uninstall.h"

namespace engine {
namespace {

// The folders a listed name lies in must be plain folders: a link among them
// would lead outside the saver folder.
bool ReachableWithoutLinks(UninstallHost& host, const std::string& folder,
                           const std::string& name) {
  for (size_t sep = name.find_first_of("\\/"); sep != std::string::npos;
       sep = name.find_first_of("\\/", sep + 1)) {
    if (host.Kind(folder + name.substr(0, sep)) != Entry::kFolder) return false;
  }
  return true;
}

// The top-level entry of a path in the folder ("...\movies\" for
// "...\movies\intro.scf"), as KeptEntries names it.
std::string TopLevel(const std::string& base, const std::string& path) {
  const size_t sep = path.find_first_of("\\/", base.size());
  return sep == std::string::npos ? path : path.substr(0, sep) + "\\";
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&name](const std::string& n) { return saver::SameFileName(n, name); });
}

// The list's names; nothing when the folder holds no list (a file of that
// name without the marker is none, and stays like any other file).
std::optional<std::vector<std::string>> ListedNames(UninstallHost& host,
                                                    const std::string& folder) {
  const std::string listPath = folder + std::string(saver::kInstalledListName);
  if (host.Kind(WithoutTrailingSeparator(folder)) != Entry::kFolder ||
      host.Kind(listPath) != Entry::kFile) {
    return std::nullopt;
  }
  const std::optional<std::string> bytes = host.ReadSmallFile(listPath);
  if (!bytes) return std::nullopt;
  return saver::ParseInstalledList(*bytes);
}

// Deletes one file; a busy one goes at the next start.
void RemoveOne(UninstallHost& host, const std::string& path, FolderOutcome& outcome) {
  const Removal removal = host.RemoveFile(path);
  if (removal.outcome == Removal::kRemoved) {
    host.ForgetDeleteAtRestart(path);
  } else if (removal.outcome == Removal::kBusy && host.DeleteAtRestart(path)) {
    outcome.atRestart.push_back(path);
  } else {
    outcome.failures.push_back(removal.failure);
  }
}

// A linked saver folder is not the installation's: it goes as a link when
// the system can remove the link alone, and is kept otherwise.
void RemoveLinkedFolder(UninstallHost& host, const std::string& folder, FolderOutcome& outcome) {
  const std::string link = WithoutTrailingSeparator(folder);
  if (host.RemoveFolder(link) && host.Kind(link) == Entry::kLink) {
    outcome.kept.push_back(link + " (a link, not followed)");
  }
}

}  // namespace

bool HoldsInstalledList(UninstallHost& host, const std::string& folder) {
  return ListedNames(host, WithTrailingSeparator(folder)).has_value();
}

std::vector<std::string> KeptEntries(UninstallHost& host, const std::string& folder) {
  const std::string base = WithTrailingSeparator(folder);
  switch (host.Kind(WithoutTrailingSeparator(base))) {
    case Entry::kMissing:
      return {};
    case Entry::kFolder:
      break;
    case Entry::kLink:
      return {WithoutTrailingSeparator(base) + " (a link, not followed)"};
    case Entry::kFile:
      return {WithoutTrailingSeparator(base)};
  }
  const bool list = HoldsInstalledList(host, base);
  std::vector<std::string> kept;
  for (const std::string& name : host.FolderEntries(base)) {
    if (!list || !saver::SameFileName(name, saver::kInstalledListName)) kept.push_back(base + name);
  }
  return kept;
}

FolderOutcome RemoveSaverFiles(UninstallHost& host, const std::string& folder) {
  FolderOutcome outcome;
  const std::string base = WithTrailingSeparator(folder);
  const Entry kind = host.Kind(WithoutTrailingSeparator(base));
  if (kind == Entry::kMissing) return outcome;
  if (kind == Entry::kLink) {
    RemoveLinkedFolder(host, base, outcome);
    return outcome;
  }
  if (kind == Entry::kFile) {
    outcome.kept.push_back(WithoutTrailingSeparator(base));
    return outcome;
  }
  const std::string listPath = base + std::string(saver::kInstalledListName);
  const std::optional<std::vector<std::string>> listed = ListedNames(host, base);
  for (const std::string& name : listed.value_or(std::vector<std::string>{})) {
    if (!ReachableWithoutLinks(host, base, name)) continue;
    const std::string path = base + name;
    // A folder or a link under a listed name is not a file the installer
    // wrote: it stays, and is named.
    if (host.Kind(path) == Entry::kFile) RemoveOne(host, path, outcome);
  }
  if (listed) {
    // The list stays while a listed file stays, so that a later run finds it.
    if (outcome.Complete()) {
      RemoveOne(host, listPath, outcome);
    } else if (outcome.failures.empty() && host.DeleteAtRestart(listPath)) {
      outcome.atRestart.push_back(listPath);
    }
  }
  std::vector<std::string> scheduled;
  for (const std::string& path : outcome.atRestart) {
    scheduled.push_back(TopLevel(base, path));
  }
  for (const std::string& name : KeptEntries(host, base)) {
    if (!Contains(scheduled, name)) outcome.kept.push_back(name);
  }
  if (!outcome.kept.empty() || !outcome.failures.empty()) return outcome;
  if (!outcome.atRestart.empty()) {
    // Deleted after its files, when it is empty then.
    if (host.DeleteAtRestart(WithoutTrailingSeparator(base))) {
      outcome.atRestart.push_back(WithoutTrailingSeparator(base));
    }
    return outcome;
  }
  if (auto failure = host.RemoveFolder(base)) {
    if (host.Kind(WithoutTrailingSeparator(base)) != Entry::kMissing) {
      outcome.failures.push_back(*failure);
    }
  }
  return outcome;
}

}  // namespace engine
