// An in-memory machine for the uninstall's unit tests: a folder tree with
// files, folders and links (a link's inner paths lead to its target, as on
// Windows, so that a test sees whatever is done through a link), busy and
// refused files, the registry's uninstall entries, system.ini, the lock, and
// a log of every change and every box in order.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "saver_paths.h"
#include "uninstall.h"

namespace engine::testing {

class FakeHost : public UninstallHost, public RemovalWaiter {
 public:
  struct Node {
    Entry kind = Entry::kFile;
    std::string path;    // as created
    std::string bytes;   // a file's content
    std::string target;  // a link's target folder
  };

  std::map<std::string, Node> tree;  // by folded path
  std::set<std::string> busy, refused;
  std::map<std::string, std::string> keys;  // key -> UninstallString
  std::optional<std::string> iniEntry;
  std::map<std::string, std::string> shortForms;  // long -> short
  std::set<std::string> pendingAtRestart;
  bool linksRemovable = true;  // Windows removes a folder link; Wine 8 cannot
  bool answer = true;
  bool lockedElsewhere = false;
  bool removerStarts = true;
  bool restartDeletes = true;
  int busyAttemptsLeft = -1;  // RemoveFile of a busy file succeeds after this many
  std::vector<std::string> log;

  void AddFolder(const std::string& path) { Put(path, Node{Entry::kFolder, Trim(path), {}, {}}); }
  void AddFile(const std::string& path, const std::string& bytes = "x") {
    Put(path, Node{Entry::kFile, Trim(path), bytes, {}});
  }
  void AddLink(const std::string& path, const std::string& target) {
    Put(path, Node{Entry::kLink, Trim(path), {}, Trim(target)});
  }
  bool Has(const std::string& path) const { return tree.count(Key(path)) > 0; }
  std::vector<std::string> PathsUnder(const std::string& folder) const {
    std::vector<std::string> out;
    const std::string prefix = Key(folder) + "\\";
    for (const auto& [key, node] : tree) {
      if (key.rfind(prefix, 0) == 0) out.push_back(node.path);
    }
    return out;
  }

  Entry Kind(const std::string& path) override {
    const auto it = tree.find(Key(Resolve(path)));
    return it == tree.end() ? Entry::kMissing : it->second.kind;
  }
  std::optional<std::string> ReadSmallFile(const std::string& path) override {
    const auto it = tree.find(Key(Resolve(path)));
    if (it == tree.end() || it->second.kind != Entry::kFile) return std::nullopt;
    return it->second.bytes;
  }
  std::vector<std::string> FolderEntries(const std::string& folder) override {
    std::vector<std::string> names;
    const std::string prefix = Key(Resolve(folder)) + "\\";
    for (const auto& [key, node] : tree) {
      if (key.rfind(prefix, 0) != 0 || key.find('\\', prefix.size()) != std::string::npos) {
        continue;
      }
      std::string name = node.path.substr(prefix.size());
      names.push_back(node.kind == Entry::kFolder ? name + "\\" : name);
    }
    return names;
  }
  Removal RemoveFile(const std::string& path) override {
    const std::string key = Key(Resolve(path));
    if (refused.count(key)) return Removal{Removal::kFailed, {Trim(path), "Access is denied."}};
    if (busy.count(key) && busyAttemptsLeft != 0) {
      if (busyAttemptsLeft > 0) --busyAttemptsLeft;
      log.push_back("busy " + Trim(path));
      return Removal{Removal::kBusy, {Trim(path), "The file is in use."}};
    }
    const auto it = tree.find(key);
    if (it != tree.end() && it->second.kind == Entry::kFolder) {
      return Removal{Removal::kFailed, {Trim(path), "Access is denied."}};
    }
    if (it != tree.end()) {
      tree.erase(it);
      log.push_back("removed " + Trim(path));
    }
    return Removal{};
  }
  std::optional<Failure> RemoveFolder(const std::string& folder) override {
    const std::string key = Key(Resolve(folder));
    const auto it = tree.find(key);
    if (it == tree.end()) return Failure{Trim(folder), "The path was not found."};
    if (it->second.kind == Entry::kLink && !linksRemovable) {
      return Failure{Trim(folder), "The directory is not empty."};
    }
    if (it->second.kind == Entry::kFolder && !FolderEntries(folder).empty()) {
      return Failure{Trim(folder), "The directory is not empty."};
    }
    tree.erase(it);
    log.push_back("removed folder " + Trim(folder));
    return std::nullopt;
  }
  bool DeleteAtRestart(const std::string& path) override {
    log.push_back("at restart " + Trim(path));
    if (restartDeletes) pendingAtRestart.insert(Key(path));
    return restartDeletes;
  }
  void ForgetDeleteAtRestart(const std::string& path) override {
    if (pendingAtRestart.erase(Key(path))) log.push_back("forgot " + Trim(path));
  }
  std::vector<std::string> PathForms(const std::string& path) override {
    std::vector<std::string> forms = {path};
    for (const auto& [longForm, shortForm] : shortForms) {
      if (!Has(longForm)) continue;  // the system knows the forms of existing files only
      if (SamePath(path, longForm) || SamePath(path, shortForm)) {
        forms.push_back(longForm);
        forms.push_back(shortForm);
      }
    }
    return forms;
  }
  bool KeyExists(const std::string& key) override { return keys.count(key) > 0; }
  std::optional<Failure> RemoveKey(const std::string& key) override {
    if (refused.count(key)) return Failure{key, "Access is denied."};
    keys.erase(key);
    log.push_back("removed key " + key);
    return std::nullopt;
  }
  std::optional<std::string> UninstallCommand(const std::string& key) override {
    const auto it = keys.find(key);
    if (it == keys.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> ScreenSaverEntry() override { return iniEntry; }
  std::optional<Failure> RemoveScreenSaverEntry() override {
    if (refused.count("ini")) return Failure{"system.ini", "Access is denied."};
    iniEntry.reset();
    log.push_back("removed ini entry");
    return std::nullopt;
  }
  bool Lock(bool wait) override {
    log.push_back(wait ? "lock, waiting" : "lock");
    return !lockedElsewhere;
  }
  std::optional<Failure> StartRemover(const std::string& enginePath) override {
    if (!removerStarts) return Failure{"remover", "Access is denied."};
    log.push_back("remover for " + enginePath);
    return std::nullopt;
  }
  bool Ask(const std::string& caption, const std::string& question) override {
    log.push_back("ask " + caption + ": " + question);
    return answer;
  }
  void Inform(const std::string& caption, const std::string& text) override {
    log.push_back("inform " + caption + ": " + text);
  }
  void ReportError(const std::string& caption, const std::string& text) override {
    log.push_back("error " + caption + ": " + text);
  }
  void WaitForUninstaller() override { log.push_back("waited"); }
  void Pause() override {}

  static std::string Trim(const std::string& path) { return WithoutTrailingSeparator(path); }
  static std::string Key(const std::string& path) {
    std::string key = Trim(path);
    for (char& c : key) {
      c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
  }

 private:
  void Put(const std::string& path, Node node) { tree[Key(path)] = std::move(node); }

  // The path with every link before its last component replaced by the
  // link's target: what Windows reaches through the path.
  std::string Resolve(const std::string& path) const {
    std::string resolved = Trim(path);
    for (size_t sep = resolved.find('\\'); sep != std::string::npos;
         sep = resolved.find('\\', sep + 1)) {
      const auto it = tree.find(Key(resolved.substr(0, sep)));
      if (it != tree.end() && it->second.kind == Entry::kLink) {
        resolved = it->second.target + resolved.substr(sep);
        sep = it->second.target.size();
      }
    }
    return resolved;
  }
};

}  // namespace engine::testing
