#include "uninstall.h"

#include <gtest/gtest.h>

#include "fake_uninstall_host.h"
#include "installed_files.h"
#include "saver_paths.h"

namespace engine {
namespace {

using testing::FakeHost;
using Names = std::vector<std::string>;

constexpr char kWindows[] = "C:\\WINDOWS\\";
constexpr char kEngine[] = "C:\\WINDOWS\\Aqua Deep.scr";
constexpr char kEngineShort[] = "C:\\WINDOWS\\AQUADE~1.SCR";
constexpr char kFolder[] = "C:\\WINDOWS\\Aqua Deep dir\\";
constexpr char kList[] = "C:\\WINDOWS\\Aqua Deep dir\\installed files.lst";
constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Aqua Deep";
constexpr char kCaption[] = "Aqua Deep Screen Saver";
constexpr char kRemover[] = "C:\\TEMP\\Aqua Deep uninstall.exe";

std::string In(const std::string& name) { return kFolder + name; }

// What a finished install leaves: engine, saver folder with its list,
// uninstall entry, SCRNSAVE.EXE in the short form, the shared codec library
// and another screen saver's entry.
void Installed(FakeHost& host) {
  host.AddFolder("C:\\WINDOWS");
  host.AddFile(kEngine, "MZ engine");
  host.AddFile("C:\\WINDOWS\\impborl.dll");
  host.AddFolder(kFolder);
  host.AddFile(In("saver.dat"));
  host.AddFile(In("saver1.dll"));
  host.AddFile(kList, saver::FormatInstalledList({"saver.dat", "saver1.dll"}));
  host.keys[kKey] = std::string(kEngine) + " /u";
  host.keys["Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"] = "x";
  host.shortForms = {{kEngine, kEngineShort}};
  host.iniEntry = kEngineShort;
}

UninstallContext Context(const std::string& ownPath = kEngine) {
  return UninstallContext{"Aqua Deep", kWindows, ownPath};
}

std::string Inform(const std::string& text) {
  return std::string("inform ") + kCaption + ": " + text;
}

TEST(Uninstall, RemovesTheFolderThenHandsTheRunningEngineToItsCopy) {
  FakeHost host;
  Installed(host);
  EXPECT_EQ(RunUninstall(host, Context(kEngineShort)), 0);
  EXPECT_EQ(host.log, (Names{"lock", "ask Aqua Deep Screen Saver: Remove Aqua Deep Screen Saver?",
                             "removed " + In("saver.dat"), "removed " + In("saver1.dll"),
                             std::string("removed ") + kList,
                             "removed folder " + WithoutTrailingSeparator(kFolder),
                             std::string("remover for ") + kEngine}));
  EXPECT_TRUE(host.keys.count(kKey)) << "the entry goes after the engine";
  EXPECT_EQ(host.iniEntry, kEngineShort);

  // The copy: the engine, the system.ini entry, the uninstall entry, in order.
  host.log.clear();
  EXPECT_EQ(RunEngineRemoval(host, host, kWindows, kEngine, kRemover), 0);
  EXPECT_EQ(host.log, (Names{"waited", "lock, waiting", std::string("at restart ") + kRemover,
                             std::string("removed ") + kEngine, "removed ini entry",
                             std::string("removed key ") + kKey,
                             Inform("Aqua Deep Screen Saver has been removed.")}));
  EXPECT_EQ(host.keys.size(), 1u) << "another screen saver's entry stays";
  EXPECT_TRUE(host.Has("C:\\WINDOWS\\impborl.dll"));
}

TEST(Uninstall, AnEngineThatIsNotTheRunningOneGoesAtOnceWithEverythingElse) {
  FakeHost host;
  Installed(host);
  EXPECT_EQ(RunUninstall(host, Context("C:\\setup\\Aqua Deep.scr")), 0);
  const Names tail(host.log.end() - 4, host.log.end());
  EXPECT_EQ(tail, (Names{std::string("removed ") + kEngine, "removed ini entry",
                         std::string("removed key ") + kKey,
                         Inform("Aqua Deep Screen Saver has been removed.")}));
}

TEST(Uninstall, NothingInstalledSaysSoWithoutAskingOrTouchingTheEngine) {
  FakeHost host;
  host.AddFile(kEngine);
  host.iniEntry = "C:\\WINDOWS\\other.scr";
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.log.back(),
            Inform("Aqua Deep Screen Saver is not installed: there is nothing to remove."));
  EXPECT_EQ(host.log.size(), 2u);
  EXPECT_TRUE(host.Has(kEngine));
}

TEST(Uninstall, AnEmptyTitleNeverTouchesTheUninstallKeyItself) {
  FakeHost host;
  host.keys["Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"] = "";
  EXPECT_EQ(RunUninstall(host, UninstallContext{"", kWindows, "C:\\WINDOWS\\.scr"}), 0);
  EXPECT_EQ(host.keys.size(), 1u);
  ASSERT_EQ(host.log.size(), 1u);
  EXPECT_EQ(host.log[0].rfind("inform", 0), 0u);
}

TEST(Uninstall, NoChangesNothing) {
  FakeHost host;
  Installed(host);
  host.answer = false;
  const auto before = host.tree;
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.log.size(), 2u);
  EXPECT_EQ(host.tree.size(), before.size());
  EXPECT_EQ(host.iniEntry, kEngineShort);
}

TEST(Uninstall, ASecondUninstallAtOnceSaysOneIsRunningAndTouchesNothing) {
  FakeHost host;
  Installed(host);
  host.lockedElsewhere = true;
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.log, (Names{"lock", Inform("An uninstall of Aqua Deep Screen Saver is already "
                                            "running.")}));
  EXPECT_TRUE(host.Has(In("saver.dat")));
}

TEST(Uninstall, AUsersFileIsKeptAndNamedAndTheEntryStillGoes) {
  FakeHost host;
  Installed(host);
  host.AddFile(In("mine.doc"));
  EXPECT_EQ(RunUninstall(host, Context("C:\\setup\\Aqua Deep.scr")), 0);
  EXPECT_EQ(host.log.back(), Inform("Aqua Deep Screen Saver has been removed.\r\n\r\nWhat was "
                                    "not installed with it stays.\r\nkept: " +
                                    In("mine.doc")));
  EXPECT_FALSE(host.keys.count(kKey));
  EXPECT_TRUE(host.Has(In("mine.doc")));
}

TEST(Uninstall, KeepsAnotherScreenSaversEntry) {
  FakeHost host;
  Installed(host);
  host.iniEntry = "C:\\WINDOWS\\OTHER.SCR";
  EXPECT_EQ(RunUninstall(host, Context("C:\\setup\\x.scr")), 0);
  EXPECT_EQ(host.iniEntry, "C:\\WINDOWS\\OTHER.SCR");
  EXPECT_FALSE(host.Has(kFolder));
}

TEST(Uninstall, AFailureInTheFolderKeepsEngineEntryAndKeyForAnotherTry) {
  FakeHost host;
  Installed(host);
  host.refused.insert(FakeHost::Key(In("saver1.dll")));
  EXPECT_EQ(RunUninstall(host, Context()), 1);
  EXPECT_EQ(host.log.back(),
            std::string("error Aqua Deep Screen Saver: Could not remove Aqua Deep Screen Saver "
                        "completely.\r\n\r\n") +
                In("saver1.dll") + ": Access is denied.");
  EXPECT_TRUE(host.keys.count(kKey));
  EXPECT_TRUE(host.Has(kEngine));
  EXPECT_EQ(host.iniEntry, kEngineShort);
}

// The screen saver runs while it is uninstalled: the engine is in use, so
// it goes at the next start and the entry stays; a later run, once the
// saver has ended, removes the engine, takes back the pending deletion and
// removes the entry.
TEST(Uninstall, AnEngineInUseGoesAtRestartAndALaterRunFinishes) {
  FakeHost host;
  Installed(host);
  host.busy.insert(FakeHost::Key(kEngine));
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  host.log.clear();
  EXPECT_EQ(RunEngineRemoval(host, host, kWindows, kEngine, kRemover), 0);
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), std::string("busy ") + kEngine),
            kRemovalAttempts);
  EXPECT_EQ(host.log.back(),
            Inform("Aqua Deep Screen Saver has been removed except for files in use. They will "
                   "be deleted when Windows restarts:\r\n\r\n" +
                   std::string(kEngine) +
                   "\r\n\r\nRun the uninstall again after the restart to remove its entry."));
  EXPECT_TRUE(host.keys.count(kKey));
  EXPECT_FALSE(host.iniEntry) << "no screen saver that is being deleted";
  EXPECT_TRUE(host.pendingAtRestart.count(FakeHost::Key(kEngine)));

  host.busy.clear();
  host.log.clear();
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.log.back(), std::string("remover for ") + kEngine);
  EXPECT_EQ(RunEngineRemoval(host, host, kWindows, kEngine, kRemover), 0);
  EXPECT_FALSE(host.Has(kEngine));
  EXPECT_FALSE(host.pendingAtRestart.count(FakeHost::Key(kEngine)));
  EXPECT_FALSE(host.keys.count(kKey));
  EXPECT_EQ(host.log.back(), Inform("Aqua Deep Screen Saver has been removed."));
}

TEST(Uninstall, ABusySaverFileSchedulesEverythingAndKeepsTheEntry) {
  FakeHost host;
  Installed(host);
  host.busy.insert(FakeHost::Key(In("saver1.dll")));
  host.busy.insert(FakeHost::Key(kEngine));  // the running engine
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_TRUE(host.pendingAtRestart.count(FakeHost::Key(kEngine)));
  EXPECT_TRUE(host.pendingAtRestart.count(FakeHost::Key(kFolder)));
  EXPECT_TRUE(host.keys.count(kKey));
  EXPECT_EQ(std::count_if(host.log.begin(), host.log.end(),
                          [](const std::string& l) { return l.rfind("remover", 0) == 0; }),
            0);
  EXPECT_NE(host.log.back().find(In("saver1.dll") + "\r\n"), std::string::npos);
}

TEST(Uninstall, WithoutItsCopyTheRunningEngineGoesAtTheNextStart) {
  FakeHost host;
  Installed(host);
  host.removerStarts = false;
  host.busy.insert(FakeHost::Key(kEngine));
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_TRUE(host.pendingAtRestart.count(FakeHost::Key(kEngine)));
  EXPECT_TRUE(host.keys.count(kKey));

  FakeHost stuck;
  Installed(stuck);
  stuck.removerStarts = false;
  stuck.restartDeletes = false;
  stuck.busy.insert(FakeHost::Key(kEngine));
  EXPECT_EQ(RunUninstall(stuck, Context()), 1);
  EXPECT_EQ(stuck.log.back().rfind("error", 0), 0u);
}

// A linked saver folder with a list of its own behind it: nothing behind the
// link is touched, the link is named, and the rest of the uninstall runs.
TEST(Uninstall, ALinkedSaverFolderIsNamedAndTheRestGoes) {
  FakeHost host;
  Installed(host);
  for (const std::string& path : host.PathsUnder(kFolder)) host.tree.erase(FakeHost::Key(path));
  host.tree.erase(FakeHost::Key(kFolder));
  host.AddFolder("D:\\work");
  host.AddFile("D:\\work\\thesis.doc");
  host.AddFile("D:\\work\\installed files.lst", saver::FormatInstalledList({"thesis.doc"}));
  host.AddLink(kFolder, "D:\\work");
  host.linksRemovable = false;
  EXPECT_EQ(RunUninstall(host, Context()), 0);
  EXPECT_EQ(host.log.back(), std::string("remover for ") + kEngine);
  EXPECT_EQ(RunEngineRemoval(host, host, kWindows, kEngine, kRemover), 0);
  EXPECT_EQ(host.PathsUnder("D:\\work").size(), 2u);
  EXPECT_FALSE(host.Has(kEngine));
  EXPECT_FALSE(host.keys.count(kKey));
  EXPECT_EQ(host.log.back(),
            Inform("Aqua Deep Screen Saver has been removed.\r\n\r\nWhat was not installed "
                   "with it stays.\r\nkept: C:\\WINDOWS\\Aqua Deep dir (a link, not followed)"));
}

TEST(EngineRemoval, ActsOnlyOnThisTitlesInstalledEngine) {
  FakeHost host;
  Installed(host);
  host.tree.erase(FakeHost::Key(kList));
  host.AddFile("C:\\Users\\Public\\thesis.doc");
  host.AddFile("C:\\WINDOWS\\Other.scr");
  host.AddFolder("C:\\WINDOWS\\sub");
  host.AddFile("C:\\WINDOWS\\sub\\Aqua Deep.scr");
  host.keys["Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\thesis"] =
      "C:\\Users\\Public\\thesis.doc /u";
  for (const char* path :
       {"C:\\Users\\Public\\thesis.doc", "C:\\WINDOWS\\Other.scr",
        "C:\\WINDOWS\\sub\\Aqua Deep.scr", "C:\\WINDOWS\\sub\\..\\Aqua Deep.scr",
        "C:\\WINDOWS\\\\Aqua Deep.scr", "C:\\WINDOWS\\win.ini", "C:\\WINDOWS\\Aqua Deep dir",
        "C:\\WINDOWS\\AQUADE~1.SCR", "\\\\?\\C:\\WINDOWS\\Aqua Deep.scr",
        "C:\\WINDOWS\\Aqua Deep.scr:stream", ".scr", ""}) {
    EXPECT_FALSE(MayRemoveEngine(host, kWindows, path)) << path;
    EXPECT_EQ(RunEngineRemoval(host, host, kWindows, path, kRemover), kRefused) << path;
  }
  EXPECT_EQ(host.pendingAtRestart.size(), 0u) << "a refused copy schedules nothing";
  EXPECT_EQ(std::count_if(host.log.begin(), host.log.end(),
                          [](const std::string& l) { return l.rfind("removed", 0) == 0; }),
            0);
  EXPECT_TRUE(MayRemoveEngine(host, kWindows, kEngine));
  EXPECT_TRUE(MayRemoveEngine(host, "C:\\windows", "c:\\windows\\Aqua Deep.scr"));

  host.keys[kKey] = "C:\\WINDOWS\\Other.scr /u";
  EXPECT_FALSE(MayRemoveEngine(host, kWindows, kEngine)) << "the entry names another program";
  host.keys[kKey] = std::string("\"") + kEngine + "\" /u";
  EXPECT_TRUE(MayRemoveEngine(host, kWindows, kEngine));
  host.AddFile(kList, saver::FormatInstalledList({}));
  EXPECT_FALSE(MayRemoveEngine(host, kWindows, kEngine)) << "the installation's files are there";
  host.tree.erase(FakeHost::Key(kList));
  host.tree.erase(FakeHost::Key(kEngine));
  host.AddLink(kEngine, "D:\\thesis.doc");
  EXPECT_FALSE(MayRemoveEngine(host, kWindows, kEngine)) << "a link";
  host.keys.erase(kKey);
  host.tree.erase(FakeHost::Key(kEngine));
  host.AddFile(kEngine);
  EXPECT_FALSE(MayRemoveEngine(host, kWindows, kEngine)) << "no uninstall entry";
}

}  // namespace
}  // namespace engine
