#include "uninstall.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "saver_paths.h"

namespace engine {
namespace {

constexpr char kWindows[] = "C:\\WINDOWS\\";
constexpr char kEngine[] = "C:\\WINDOWS\\Aqua Deep.scr";
constexpr char kEngineShort[] = "C:\\WINDOWS\\AQUADE~1.SCR";
constexpr char kFolder[] = "C:\\WINDOWS\\Aqua Deep dir\\";
constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Aqua Deep";

// An in-memory machine: what exists, what fails, and a log of every change
// and every box in order.
class FakeHost : public UninstallHost, public RemovalWaiter {
 public:
  std::set<std::string> folders, keys, files;
  std::optional<std::string> iniEntry;
  std::map<std::string, std::string> shortForms;  // long -> short
  std::set<std::string> refused;                  // things whose removal fails
  int deleteFailuresLeft = 0;                     // transient failures of RemoveFile
  bool answer = true;
  bool removerStarts = true;
  bool restartDeletes = true;
  std::vector<std::string> log;

  bool FolderExists(const std::string& folder) override { return folders.count(folder) > 0; }
  std::optional<Failure> RemoveFolder(const std::string& folder) override {
    return Remove(folders, folder, "folder");
  }
  bool KeyExists(const std::string& key) override { return keys.count(key) > 0; }
  std::optional<Failure> RemoveKey(const std::string& key) override {
    return Remove(keys, key, "key");
  }
  std::optional<std::string> ScreenSaverEntry() override { return iniEntry; }
  std::optional<Failure> RemoveScreenSaverEntry() override {
    if (refused.count("ini")) return Failure{"system.ini", "Access is denied."};
    iniEntry.reset();
    log.push_back("removed ini entry");
    return std::nullopt;
  }
  bool FileExists(const std::string& path) override { return files.count(path) > 0; }
  std::vector<std::string> PathForms(const std::string& path) override {
    std::vector<std::string> forms = {path};
    for (const auto& [longForm, shortForm] : shortForms) {
      if (SamePath(path, longForm) || SamePath(path, shortForm)) {
        forms.push_back(longForm);
        forms.push_back(shortForm);
      }
    }
    return forms;
  }
  std::optional<Failure> RemoveFile(const std::string& path) override {
    if (deleteFailuresLeft > 0) {
      --deleteFailuresLeft;
      log.push_back("delete busy " + path);
      return Failure{path, "The process cannot access the file."};
    }
    return Remove(files, path, "file");
  }
  std::optional<Failure> StartRemover(const std::string& enginePath) override {
    if (!removerStarts) return Failure{"remover", "Access is denied."};
    log.push_back("remover for " + enginePath);
    return std::nullopt;
  }
  bool DeleteAtRestart(const std::string& path) override {
    log.push_back("at restart " + path);
    return restartDeletes;
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
  void Pause() override { log.push_back("pause"); }

  void Installed() {
    folders = {kFolder};
    keys = {kKey, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"};
    files = {kEngine, "C:\\WINDOWS\\impborl.dll"};
    shortForms = {{kEngine, kEngineShort}};
    iniEntry = kEngineShort;
  }

 private:
  std::optional<Failure> Remove(std::set<std::string>& where, const std::string& item,
                                const char* kind) {
    if (refused.count(item)) return Failure{item, "Access is denied."};
    where.erase(item);
    log.push_back(std::string("removed ") + kind + " " + item);
    return std::nullopt;
  }
};

UninstallContext Context(const std::string& ownPath = kEngine) {
  return UninstallContext{"Aqua Deep", kWindows, ownPath};
}

TEST(Uninstall, RemovesFolderEntryAndKeyThenHandsTheRunningEngineToItsCopy) {
  FakeHost host;
  host.Installed();
  EXPECT_EQ(RunUninstall(host, Context(kEngineShort)), 0);
  EXPECT_EQ(host.log,
            (std::vector<std::string>{"ask Aqua Deep Screen Saver: Remove Aqua Deep Screen Saver?",
                                      std::string("removed folder ") + kFolder, "removed ini entry",
                                      std::string("removed key ") + kKey,
                                      std::string("remover for ") + kEngine}));
  EXPECT_EQ(host.keys.size(), 1u) << "another screen saver's entry stays";
  EXPECT_TRUE(host.files.count("C:\\WINDOWS\\impborl.dll"));
}

TEST(Uninstall, NothingInstalledSaysSoWithoutAskingOrTouchingTheEngine) {
  FakeHost host;
  host.files = {kEngine};
  host.iniEntry = "C:\\WINDOWS\\other.scr";
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.log, (std::vector<std::string>{
                          "inform Aqua Deep Screen Saver: Aqua Deep Screen Saver is not "
                          "installed: there is nothing to remove."}));
  EXPECT_TRUE(host.files.count(kEngine));
}

TEST(Uninstall, AnEmptyTitleNeverTouchesTheUninstallKeyItself) {
  FakeHost host;
  host.keys = {UninstallKeyPath("x").substr(0, UninstallKeyPath("x").size() - 2)};
  EXPECT_EQ(RunUninstall(host, UninstallContext{"", kWindows, "C:\\WINDOWS\\.scr"}), 0);
  EXPECT_EQ(host.keys.size(), 1u);
  ASSERT_EQ(host.log.size(), 1u);
  EXPECT_EQ(host.log[0].rfind("inform", 0), 0u);
}

TEST(Uninstall, NoChangesNothing) {
  FakeHost host;
  host.Installed();
  host.answer = false;
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.log.size(), 1u);
  EXPECT_EQ(host.iniEntry, kEngineShort);
  EXPECT_EQ(host.folders.size(), 1u);
}

TEST(Uninstall, KeepsAnotherScreenSaversEntry) {
  FakeHost host;
  host.Installed();
  host.iniEntry = "C:\\WINDOWS\\OTHER.SCR";
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.iniEntry, "C:\\WINDOWS\\OTHER.SCR");
  EXPECT_TRUE(host.folders.empty());
}

TEST(Uninstall, AnEntryNamingTheEngineAloneIsAnInstallation) {
  FakeHost host;
  host.files = {kEngine};
  host.iniEntry = " c:\\windows\\aqua deep.scr";
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.iniEntry, std::nullopt);
  EXPECT_EQ(host.log.back(), std::string("remover for ") + kEngine);
}

TEST(Uninstall, AFailureKeepsTheKeyAndTheEngineForAnotherTry) {
  FakeHost host;
  host.Installed();
  host.refused = {kFolder, "ini"};
  EXPECT_EQ(RunUninstall(host, Context()), 1);
  EXPECT_EQ(host.log.back(),
            std::string("error Aqua Deep Screen Saver: Could not remove Aqua Deep Screen Saver "
                        "completely.\r\n\r\n") +
                kFolder + ": Access is denied.\r\nsystem.ini: Access is denied.");
  EXPECT_TRUE(host.keys.count(kKey));
  EXPECT_TRUE(host.files.count(kEngine));
}

TEST(Uninstall, AnEngineThatIsNotTheRunningOneIsDeletedAtOnce) {
  FakeHost host;
  host.Installed();
  EXPECT_EQ(RunUninstall(host, Context("C:\\setup\\Aqua Deep.scr")), 0);
  EXPECT_FALSE(host.files.count(kEngine));
  EXPECT_EQ(host.log.back(),
            "inform Aqua Deep Screen Saver: Aqua Deep Screen Saver has been removed.");
}

TEST(Uninstall, WithoutItsCopyTheEngineGoesAtTheNextRestart) {
  FakeHost host;
  host.Installed();
  host.removerStarts = false;
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.log[host.log.size() - 2], std::string("at restart ") + kEngine);
  EXPECT_NE(host.log.back().find("will be deleted when Windows restarts"), std::string::npos);

  FakeHost stuck;
  stuck.Installed();
  stuck.removerStarts = false;
  stuck.restartDeletes = false;
  EXPECT_EQ(RunUninstall(stuck, Context()), 1);
  EXPECT_EQ(stuck.log.back().rfind("error", 0), 0u);
}

TEST(EngineRemoval, WaitsRetriesWhileHeldThenReportsAndSchedulesItsOwnFile) {
  FakeHost host;
  host.files = {kEngine};
  host.deleteFailuresLeft = 2;
  EXPECT_EQ(RunEngineRemoval(host, host, kEngine, "C:\\TEMP\\Aqua Deep uninstall.exe"), 0);
  EXPECT_EQ(host.log, (std::vector<std::string>{
                          "waited", std::string("delete busy ") + kEngine, "pause",
                          std::string("delete busy ") + kEngine, "pause",
                          std::string("removed file ") + kEngine,
                          "at restart C:\\TEMP\\Aqua Deep uninstall.exe",
                          "inform Aqua Deep Screen Saver: Aqua Deep Screen Saver has been "
                          "removed."}));
}

TEST(EngineRemoval, GivesUpAfterItsAttemptsAndSaysWhy) {
  FakeHost host;
  host.files = {kEngine};
  host.deleteFailuresLeft = kRemovalAttempts;
  EXPECT_EQ(RunEngineRemoval(host, host, kEngine, "C:\\TEMP\\x.exe"), 1);
  EXPECT_EQ(host.log.back(),
            std::string("error Aqua Deep Screen Saver: Could not remove Aqua Deep Screen Saver "
                        "completely.\r\n\r\n") +
                kEngine + ": The process cannot access the file.");
  EXPECT_TRUE(host.files.count(kEngine));
}

}  // namespace
}  // namespace engine
