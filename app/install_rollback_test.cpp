// A failed install leaves the machine as it was. Every step of the install
// sequence that can fail is made to fail, on machines that already hold
// other things the install must not destroy; the whole machine (files with
// their bytes, folders, registry, system.ini) is compared before and after.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "dataFunctions_shared.h"
#include "fInstall.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "install_paths.h"
#include "package_image.h"
#include "saver_data_image.h"
#include "step_codes.h"

namespace {

using fake::Bytes;
using fake::FakePlatform;
using fake::PackageImage;
using fake::SaverDataImage;
using fake::TextBytes;

constexpr char kWindows[] = "C:\\WINDOWS\\";
constexpr char kFolder[] = "C:\\WINDOWS\\Aqua dir\\";
constexpr char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string W(const std::string& name) { return kWindows + name; }
std::string S(const std::string& name) { return kFolder + name; }

// The package under test: a read-me, the engine, a file replacing win.ini
// in the Windows folder, a data file with a stored and an imploded record,
// a support library in the Windows folder and one in the saver folder.
PackageImage Package(const std::string& title, const std::string& version) {
  const Bytes data = SaverDataImage()
                         .Record({"a.txt", TextBytes("record a " + version)})
                         .Record({"b.scf", TextBytes("movie b movie b " + version), true})
                         .Build();
  return PackageImage::Complete(title)
      .Switches(0, 0, 1, 0)
      .Slot(5, {"ReadMe.txt", saver::kTypeSaverFolder, TextBytes("read me " + version)})
      .Slot(6, {title + ".scr", saver::kTypeWindowsFolder, TextBytes("MZ engine " + version), true})
      .Slot(7, {"win.ini", saver::kTypeWindowsFolder, TextBytes("[fonts] " + version)})
      .Slot(8, {title + ".ssd", saver::kTypeSaverData, data})
      .Slot(9, {"saver1.dat", saver::kTypeWindowsLibrary, TextBytes("MZ library " + version)})
      .Slot(10, {"saver2.dll", saver::kTypeSaverFolder, TextBytes("MZ two " + version), true});
}

struct Machine {
  Machine() {
    int32_t error = 0;
    fs.OpenMachineKey(kUninstall, true, error);  // as on every Windows
    fs.AddFile(W("win.ini"), "[fonts]\r\nthe user's win.ini\r\n");
    fs.WriteIniString("system.ini", "boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\OTHER.SCR");
    setup::ResetSaverDataModule();
  }
  // Installs `title` version 1 for real, as an earlier run of its installer.
  void InstallEarlier(const std::string& title) {
    fake::FakeView earlierView;
    app::TInstallerForm earlier(fs, earlierView);
    fs.AddFile(fs.modulePath, Package(title, "v1").Build());
    earlier.FormCreate();
    earlier.installBtnClick();
    ASSERT_TRUE(earlierView.terminated);
    earlier.FormClose();
    setup::ResetSaverDataModule();
  }
  void Prepare() {
    fs.AddFile(fs.modulePath, Package("Aqua", "v2").Build());
    form.FormCreate();
  }

  FakePlatform fs;
  fake::FakeView view;
  app::TInstallerForm form{fs, view};
};

struct Setting {
  const char* name;
  std::function<void(Machine&)> make;
};

const Setting kMachines[] = {
    {"nothing installed", [](Machine&) {}},
    {"an earlier installation of the title", [](Machine& m) { m.InstallEarlier("Aqua"); }},
    {"an earlier installation as AQUA", [](Machine& m) { m.InstallEarlier("AQUA"); }},
    {"another saver's library in the Windows folder",
     [](Machine& m) {
       m.fs.AddFile(W("saver1.dll"), "MZ Alpha's library");
       m.fs.AddValue(std::string(kUninstall) + "Alpha", "UninstallString",
                     "C:\\WINDOWS\\Alpha.scr /u");
     }},
    {"another program's uninstall entry named Aqua",
     [](Machine& m) {
       const std::string key = std::string(kUninstall) + "Aqua";
       m.fs.AddValue(key, "DisplayName", "Aqua Media Player");
       m.fs.AddValue(key, "UninstallString", "C:\\Program Files\\Aqua\\unins000.exe");
       m.fs.AddValue(key + "\\Settings", "Skin", "blue");
     }},
};

struct Failure {
  const char* step;
  std::function<void(FakePlatform&)> inject;
};

const Failure kFailures[] = {
    {"slot 5", [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\AQUA DIR\\README.TXT"] = 112; }},
    {"slot 6", [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\AQUA.SCR"] = 112; }},
    {"slot 7", [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\WIN.INI"] = 112; }},
    {"slot 8", [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\AQUA DIR\\AQUA.SSD"] = 112; }},
    {"slot 9", [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\SAVER1.DLL"] = 112; }},
    {"slot 10", [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\AQUA DIR\\SAVER2.DLL"] = 112; }},
    {"record 1", [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\AQUA DIR\\A.TXT"] = 112; }},
    {"record 2", [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\AQUA DIR\\B.SCF"] = 112; }},
    {"ReadSaverDataHeader",
     [](FakePlatform& fs) { fs.failRead["C:\\WINDOWS\\AQUA DIR\\AQUA.SSD"] = 30; }},
    {"WriteSaverSettings",
     [](FakePlatform& fs) { fs.failCreate["C:\\WINDOWS\\AQUA DIR\\SAVER.DAT"] = 112; }},
    {"RegisterScreenSaver", [](FakePlatform& fs) { fs.failIniWrites = 5; }},
    {"a running saver holds the engine",
     [](FakePlatform& fs) {
       if (!fs.HasFile(W("Aqua.scr"))) fs.AddFile(W("Aqua.scr"), "MZ a running engine");
       fs.Node(W("Aqua.scr")).busy = true;
     }},
};

// Everything but saver.ini, which the preparation writes and the sequence
// deletes in every case.
std::map<std::string, std::string> Without(std::map<std::string, std::string> state,
                                           const std::string& key) {
  state.erase(key);
  return state;
}

// The registry's keys and values of a snapshot.
std::map<std::string, std::string> Registry(const std::map<std::string, std::string>& state) {
  std::map<std::string, std::string> keys;
  for (const auto& [name, value] : state) {
    if (name.rfind("key ", 0) == 0 || name.rfind("value ", 0) == 0) keys[name] = value;
  }
  return keys;
}

TEST(InstallRollbackTest, EveryFailureOnEveryMachineLeavesItAsItWas) {
  for (const Setting& setting : kMachines) {
    for (const Failure& failure : kFailures) {
      SCOPED_TRACE(std::string(setting.name) + ", failing " + failure.step);
      auto m = std::make_unique<Machine>();
      setting.make(*m);
      m->Prepare();
      ASSERT_TRUE(m->view.boxes.empty());
      failure.inject(m->fs);
      const auto before = Without(m->fs.Snapshot(), "file C:\\WINDOWS\\AQUA DIR\\SAVER.INI");
      m->fs.removedPaths.clear();
      EXPECT_NE(m->form.RunInstall(), app::kOk);
      EXPECT_EQ(m->fs.Snapshot(), before);
      for (const std::string& removed : m->fs.removedPaths) {
        EXPECT_TRUE(saver::IsInstallPath(removed, kWindows, kFolder) ||
                    saver::SameName(removed, m->form.JournalPath()))
            << removed;
      }
    }
  }
}

// The uninstall entry is the last step: when it alone fails, the
// screensaver stays installed, but the entry is as it was before.
TEST(InstallRollbackTest, FailedUninstallEntryKeepsTheInstallAndTheRegistryAsItWas) {
  for (const Setting& setting : kMachines) {
    SCOPED_TRACE(setting.name);
    auto m = std::make_unique<Machine>();
    setting.make(*m);
    m->Prepare();
    m->fs.failValueWrites = 5;
    const auto before = Registry(m->fs.Snapshot());
    EXPECT_NE(m->form.RunInstall(), app::kOk);
    EXPECT_EQ(Registry(m->fs.Snapshot()), before);
    EXPECT_EQ(m->fs.FileText(W("Aqua.scr")), "MZ engine v2");
    EXPECT_EQ(m->fs.FileText(W("saver1.dll")), "MZ library v2");
  }
}

// Another program's entry of the same name is neither written nor deleted;
// the install itself completes, and the box names the key.
TEST(InstallRollbackTest, ForeignUninstallEntryIsLeftAloneAndNamed) {
  Machine m;
  kMachines[4].make(m);
  m.Prepare();
  const auto before = m.fs.Snapshot();
  EXPECT_EQ(m.form.RunInstall(), app::kErrForeignUninstallKey);
  const std::string key = std::string(kUninstall) + "Aqua";
  EXPECT_EQ(m.fs.Value(key, "UninstallString"), "C:\\Program Files\\Aqua\\unins000.exe");
  EXPECT_EQ(m.fs.Value(key, "DisplayName"), "Aqua Media Player");
  EXPECT_EQ(m.fs.Value(key + "\\Settings", "Skin"), "blue");
  EXPECT_EQ(m.fs.FileText(W("Aqua.scr")), "MZ engine v2");
  ASSERT_EQ(m.view.boxes.size(), 1u);
  EXPECT_NE(m.view.boxes[0].text.find("belongs to another program"), std::string::npos);
  EXPECT_NE(m.view.boxes[0].text.find("HKEY_LOCAL_MACHINE\\" + key), std::string::npos);
}

// An update over an earlier installation of the same title, under either
// form of its command and in another letter case, rewrites its entry.
TEST(InstallRollbackTest, OwnEarlierEntryIsUpdatedInEitherCommandForm) {
  for (const char* command : {"C:\\WINDOWS\\Aqua.scr /u", "\"c:\\windows\\AQUA.SCR\" /U"}) {
    Machine m;
    m.fs.AddValue(std::string(kUninstall) + "Aqua", "UninstallString", command);
    m.Prepare();
    EXPECT_EQ(m.form.RunInstall(), app::kOk) << command;
    EXPECT_EQ(m.fs.Value(std::string(kUninstall) + "Aqua", "UninstallString"),
              "C:\\WINDOWS\\Aqua.scr /u");
  }
}

// Files and keys, without the scratch folder (working copies, the journal)
// and saver.ini, which every run writes anew.
std::map<std::string, std::string> Lasting(std::map<std::string, std::string> state) {
  std::erase_if(state, [](const auto& entry) {
    return entry.first.rfind("file C:\\WINDOWS\\TEMP\\", 0) == 0 ||
           entry.first == "file C:\\WINDOWS\\AQUA DIR\\SAVER.INI";
  });
  return state;
}

// A run killed during any pause of the sequence leaves its journal and
// backups; the next run of the same installer puts back what the killed one
// changed before it writes anything itself.
TEST(InstallRollbackTest, RunKilledDuringAPauseIsUndoneByTheNextRun) {
  struct Killed {};
  bool killed = true;
  for (int pause = 1; killed; ++pause) {
    SCOPED_TRACE("killed in pause " + std::to_string(pause));
    auto m = std::make_unique<Machine>();
    m->InstallEarlier("Aqua");
    m->Prepare();
    const auto before = Lasting(m->fs.Snapshot());
    int pauses = 0;
    killed = false;
    // Only pauses inside the sequence count: once it has returned, the
    // install is complete and there is nothing to undo.
    m->view.onPause = [&] {
      if (++pauses == pause && m->form.journal) {
        killed = true;
        throw Killed{};
      }
    };
    try {
      m->form.installBtnClick();
    } catch (const Killed&) {
    }
    if (!killed) break;
    setup::ResetSaverDataModule();
    fake::FakeView nextView;
    app::TInstallerForm next(m->fs, nextView);
    next.PrepareWorkingFolders();
    ASSERT_EQ(next.MakeWorkingCopy(), app::kOk);
    ASSERT_EQ(next.ReadPackageTable(), app::kOk);
    next.PrepareSaverFolder();
    m->fs.removedPaths.clear();
    next.RecoverInterruptedInstall();
    EXPECT_EQ(Lasting(m->fs.Snapshot()), before);
    EXPECT_FALSE(m->fs.HasFile(next.JournalPath()));
    for (const std::string& removed : m->fs.removedPaths) {
      EXPECT_TRUE(saver::IsInstallPath(removed, kWindows, kFolder) ||
                  saver::SameName(removed, next.JournalPath()))
          << removed;
    }
  }
}

// A successful update replaces the earlier files and leaves no backup and no
// journal behind.
TEST(InstallRollbackTest, SuccessfulUpdateLeavesNoBackupOrJournal) {
  Machine m;
  m.InstallEarlier("Aqua");
  m.Prepare();
  ASSERT_EQ(m.form.RunInstall(), app::kOk);
  EXPECT_EQ(m.fs.FileText(W("Aqua.scr")), "MZ engine v2");
  EXPECT_EQ(m.fs.FileText(S("a.txt")), "record a v2");
  for (const std::string& path : m.fs.FilesUnder(kWindows)) {
    EXPECT_EQ(path.find("~IB"), std::string::npos) << path;
    EXPECT_EQ(path.find(".JNL"), std::string::npos) << path;
  }
}

}  // namespace
