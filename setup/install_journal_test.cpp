// The install journal on the fake: rollback, commit, and the recovery of a
// journal that a killed run left, including one written by someone else.
#include "install_journal.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "install_paths.h"
#include "step_codes.h"

namespace {

constexpr char kWindows[] = "C:\\WINDOWS\\";
constexpr char kFolder[] = "C:\\WINDOWS\\Aqua dir\\";
constexpr char kJournal[] = "C:\\WINDOWS\\TEMP\\LMX temp\\Aqua dir.jnl";

class InstallJournalTest : public ::testing::Test {
 protected:
  InstallJournalTest() {
    fs.AddDirectory("C:\\WINDOWS\\TEMP\\LMX temp");
    fs.AddDirectory(kFolder);
    fs.AddFile("C:\\WINDOWS\\Aqua.scr", "MZ engine v1");
    fs.AddFile("C:\\WINDOWS\\Aqua dir\\saver.dat", "settings v1");
    fs.AddFile("C:\\Users\\Public\\Documents\\thesis.doc", "the user's thesis");
    fs.WriteIniString("system.ini", "boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\OTHER.SCR");
  }
  setup::PathCheck Check() const {
    return [](const std::string& path) { return saver::IsInstallPath(path, kWindows, kFolder); };
  }
  // What an install does between its journal calls.
  void Change(setup::InstallJournal& journal) {
    ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\Aqua.scr"), app::kOk);
    fs.AddFile("C:\\WINDOWS\\Aqua.scr", "MZ engine v2");
    ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\Aqua dir\\saver.dat"), app::kOk);
    fs.AddFile("C:\\WINDOWS\\Aqua dir\\saver.dat", "settings v2");
    ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\saver1.dll"), app::kOk);
    fs.AddFile("C:\\WINDOWS\\saver1.dll", "MZ new library");
    ASSERT_EQ(journal.BeforeScreenSaverEntry(), app::kOk);
    fs.WriteIniString("system.ini", "boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\AQUA.SCR");
  }

  fake::FakePlatform fs;
};

TEST_F(InstallJournalTest, RollbackRestoresReplacedFilesAndDeletesCreatedOnes) {
  const auto before = fs.Snapshot();
  setup::InstallJournal journal(fs, kJournal, Check());
  Change(journal);
  EXPECT_TRUE(journal.Recorded("c:\\windows\\AQUA.SCR"));
  journal.Rollback();
  EXPECT_EQ(fs.Snapshot(), before);
}

TEST_F(InstallJournalTest, CommitKeepsTheNewFilesAndDeletesEveryBackup) {
  setup::InstallJournal journal(fs, kJournal, Check());
  Change(journal);
  journal.Commit();
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\Aqua.scr"), "MZ engine v2");
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\saver1.dll"), "MZ new library");
  EXPECT_EQ(fs.FilesUnder("C:\\WINDOWS\\TEMP").size(), 0u);
  for (const std::string& path : fs.FilesUnder(kWindows)) {
    EXPECT_EQ(path.find("~IB"), std::string::npos) << path;
  }
}

// A run killed half-way leaves its journal and backups; the next run of an
// installer for the same saver folder rolls it back before anything else.
TEST_F(InstallJournalTest, KilledRunIsRolledBackByTheNextRun) {
  const auto before = fs.Snapshot();
  {
    setup::InstallJournal killed(fs, kJournal, Check());
    Change(killed);
  }
  EXPECT_TRUE(fs.HasFile(kJournal));
  setup::InstallJournal::Recover(fs, kJournal, Check());
  EXPECT_EQ(fs.Snapshot(), before);
  setup::InstallJournal::Recover(fs, kJournal, Check());  // nothing left: nothing happens
  EXPECT_EQ(fs.Snapshot(), before);
}

// The run appends each entry to the open journal file as it is made, so
// that a kill between any two steps leaves every entry so far on disk; a
// discarded entry rewrites the file without it.
TEST_F(InstallJournalTest, EachEntryIsInTheFileAsSoonAsItIsMade) {
  const std::string marker = "install journal 1\r\n";
  const std::string engine = "B|C:\\WINDOWS\\Aqua.scr|C:\\WINDOWS\\~ib1.tmp\r\n";
  const std::string library = "C|C:\\WINDOWS\\saver1.dll\r\n";
  const std::string entry = "S|1|C:\\WINDOWS\\OTHER.SCR\r\n";
  setup::InstallJournal journal(fs, kJournal, Check());
  ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\Aqua.scr"), app::kOk);
  EXPECT_EQ(fs.FileText(kJournal), marker + engine);
  ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\saver1.dll"), app::kOk);
  EXPECT_EQ(fs.FileText(kJournal), marker + engine + library);
  ASSERT_EQ(journal.BeforeScreenSaverEntry(), app::kOk);
  EXPECT_EQ(fs.FileText(kJournal), marker + engine + library + entry);
  journal.Discard("C:\\WINDOWS\\saver1.dll");
  EXPECT_EQ(fs.FileText(kJournal), marker + engine + entry);
  ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\saver2.dll"), app::kOk);
  EXPECT_EQ(fs.FileText(kJournal), marker + engine + entry + "C|C:\\WINDOWS\\saver2.dll\r\n");
  journal.Rollback();
  EXPECT_FALSE(fs.HasFile(kJournal));
}

// A journal write that fails refuses the step and records nothing.
TEST_F(InstallJournalTest, FailedJournalWriteRecordsNothing) {
  setup::InstallJournal journal(fs, kJournal, Check());
  ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\Aqua.scr"), app::kOk);
  fs.shortWrite["C:\\WINDOWS\\TEMP\\LMX TEMP\\AQUA DIR.JNL"] = 3;
  EXPECT_EQ(journal.BeforeWrite("C:\\WINDOWS\\saver1.dll"), os::err::kShortWrite);
  EXPECT_FALSE(journal.Recorded("C:\\WINDOWS\\saver1.dll"));
  EXPECT_TRUE(journal.Recorded("C:\\WINDOWS\\Aqua.scr"));
}

// Killed after the journal entry was saved but before its backup was made:
// the file is still the old one, and recovery leaves it so.
TEST_F(InstallJournalTest, EntryWithoutItsBackupIsPassedOver) {
  fs.failCopyTo["C:\\WINDOWS\\~IB1.TMP"] = 112;
  setup::InstallJournal journal(fs, kJournal, Check());
  EXPECT_EQ(journal.BeforeWrite("C:\\WINDOWS\\Aqua.scr"), 112);
  EXPECT_FALSE(journal.Recorded("C:\\WINDOWS\\Aqua.scr"));
  fs.AddFile(kJournal, "install journal 1\r\nB|C:\\WINDOWS\\Aqua.scr|C:\\WINDOWS\\~ib1.tmp\r\n");
  setup::InstallJournal::Recover(fs, kJournal, Check());
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\Aqua.scr"), "MZ engine v1");
  EXPECT_FALSE(fs.HasFile(kJournal));
}

// A file held open elsewhere cannot be put back now: it stays in the journal,
// and a later recovery finishes the job.
TEST_F(InstallJournalTest, BusyFileIsRestoredByALaterRecovery) {
  const auto before = fs.Snapshot();
  setup::InstallJournal journal(fs, kJournal, Check());
  Change(journal);
  fs.Node("C:\\WINDOWS\\Aqua.scr").busy = true;
  journal.Rollback();
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\Aqua.scr"), "MZ engine v2");
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\saver1.dll"));
  EXPECT_TRUE(fs.HasFile(kJournal));
  fs.Node("C:\\WINDOWS\\Aqua.scr").busy = false;
  setup::InstallJournal::Recover(fs, kJournal, Check());
  EXPECT_EQ(fs.Snapshot(), before);
}

// A journal file is input like any other: lines that name paths outside the
// Windows and saver folders, step out, name devices or backups that are not
// backups are dropped without touching anything.
TEST_F(InstallJournalTest, HostileJournalTouchesNothingOutsideTheInstallFolders) {
  fs.AddFile("C:\\WINDOWS\\win.ini", "[fonts]");
  fs.AddFile("C:\\WINDOWS\\Aqua dir\\notes.txt", "the user's notes");
  const std::string lines[] = {
      "C|C:\\Users\\Public\\Documents\\thesis.doc",
      "C|C:\\WINDOWS\\Aqua dir\\..\\..\\Users\\Public\\Documents\\thesis.doc",
      "C|C:\\WINDOWS\\..\\Users\\Public\\Documents\\thesis.doc",
      "C|C:\\WINDOWS\\Aqua dir\\nul",
      "C|C:\\WINDOWS\\TEMP\\LMX temp\\Aqua dir.jnl",
      "B|C:\\WINDOWS\\win.ini|C:\\Users\\Public\\Documents\\thesis.doc",
      "B|C:\\WINDOWS\\win.ini|C:\\WINDOWS\\Aqua dir\\notes.txt",
      "B|C:\\WINDOWS\\win.ini|C:\\WINDOWS\\Aqua dir\\~ib1.tmp",
      "D|C:\\WINDOWS\\Aqua dir\\notes.txt",
      "D|C:\\Users\\Public\\Documents\\thesis.doc",
      "S|2|C:\\WINDOWS\\EVIL.SCR",
      "X|C:\\WINDOWS\\Aqua.scr",
  };
  std::string text = "install journal 1\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  fs.AddFile(kJournal, text);
  auto before = fs.Snapshot();
  setup::InstallJournal::Recover(fs, kJournal, Check());
  auto after = fs.Snapshot();
  before.erase("file C:\\WINDOWS\\TEMP\\LMX TEMP\\AQUA DIR.JNL");
  EXPECT_EQ(after, before);
}

TEST_F(InstallJournalTest, FileWithoutTheMarkerIsNotAJournal) {
  fs.AddFile(kJournal, "C|C:\\WINDOWS\\Aqua.scr\r\n");
  setup::InstallJournal::Recover(fs, kJournal, Check());
  EXPECT_TRUE(fs.HasFile("C:\\WINDOWS\\Aqua.scr"));
  EXPECT_TRUE(fs.HasFile(kJournal));
}

TEST_F(InstallJournalTest, RefusedPathIsNeitherRecordedNorTouched) {
  setup::InstallJournal journal(fs, kJournal, Check());
  EXPECT_EQ(journal.BeforeWrite("C:\\Users\\Public\\Documents\\thesis.doc"), app::kErrInvalidEntry);
  EXPECT_EQ(journal.BeforeWrite("C:\\WINDOWS\\Aqua dir\\..\\..\\x"), app::kErrInvalidEntry);
  journal.Rollback();
  EXPECT_EQ(fs.FileText("C:\\Users\\Public\\Documents\\thesis.doc"), "the user's thesis");
  EXPECT_FALSE(fs.HasFile(kJournal));
}

// Backups never take a name that is in use, by a file or by another backup.
TEST_F(InstallJournalTest, BackupNamesAvoidExistingFiles) {
  fs.AddFile("C:\\WINDOWS\\~ib1.tmp", "someone's file");
  fs.AddFile("C:\\WINDOWS\\saver1.dll", "MZ library v1");
  setup::InstallJournal journal(fs, kJournal, Check());
  ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\Aqua.scr"), app::kOk);
  ASSERT_EQ(journal.BeforeWrite("C:\\WINDOWS\\saver1.dll"), app::kOk);
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\~ib1.tmp"), "someone's file");
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\~ib2.tmp"), "MZ engine v1");
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\~ib3.tmp"), "MZ library v1");
  journal.Commit();
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\~ib1.tmp"), "someone's file");
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\~ib2.tmp"));
}

// The installer's own open files follow Windows' sharing rules in the fake.
TEST(FakeSharingTest, OpenFilesCannotBeDeletedReplacedOrRenamed) {
  fake::FakePlatform fs;
  fs.AddFile("C:\\WINDOWS\\data.ssd", "data");
  {
    auto reader = fs.OpenRead("C:\\WINDOWS\\data.ssd");
    EXPECT_NO_THROW(fs.OpenRead("C:\\WINDOWS\\data.ssd"));
    EXPECT_FALSE(fs.DeleteFile("C:\\WINDOWS\\data.ssd"));
    EXPECT_EQ(fs.LastError(), 32);
    EXPECT_FALSE(fs.MoveFile("C:\\WINDOWS\\data.ssd", "C:\\WINDOWS\\x.ssd"));
    EXPECT_THROW(fs.CreateFile("C:\\WINDOWS\\data.ssd"), os::IoError);
    EXPECT_TRUE(fs.CopyFile("C:\\WINDOWS\\data.ssd", "C:\\WINDOWS\\copy.ssd"));
  }
  {
    auto writer = fs.CreateFile("C:\\WINDOWS\\new.ssd");
    EXPECT_THROW(fs.OpenRead("C:\\WINDOWS\\new.ssd"), os::IoError);
    EXPECT_FALSE(fs.DeleteFile("C:\\WINDOWS\\new.ssd"));
  }
  EXPECT_TRUE(fs.DeleteFile("C:\\WINDOWS\\data.ssd"));
  EXPECT_TRUE(fs.MoveFile("C:\\WINDOWS\\new.ssd", "C:\\WINDOWS\\renamed.ssd"));
  EXPECT_FALSE(fs.MoveFile("C:\\WINDOWS\\copy.ssd", "C:\\WINDOWS\\renamed.ssd"));
  EXPECT_EQ(fs.LastError(), 183);
}

TEST(InstallPathsTest, OnlyNamesInTheWindowsOrSaverFolderPass) {
  const struct {
    const char* path;
    bool allowed;
  } cases[] = {
      {"C:\\WINDOWS\\Aqua.scr", true},
      {"c:\\windows\\AQUA DIR\\saver.dat", true},
      {"C:\\WINDOWS\\Aqua dir\\sub\\movie.scf", true},
      {"C:\\WINDOWS\\system32\\drivers\\etc\\hosts", false},
      {"C:\\WINDOWS\\..\\Users\\thesis.doc", false},
      {"C:\\WINDOWS\\Aqua dir\\..\\..\\Users\\thesis.doc", false},
      {"C:\\WINDOWS\\Aqua dir\\sub\\..\\..\\win.ini", false},
      {"C:\\WINDOWS\\Aqua dir\\com1.txt", false},
      {"C:\\WINDOWS\\NUL", false},
      {"C:\\WINDOWS\\Aqua dir\\a:stream", false},
      {"C:\\WINDOWS\\", false},
      {"C:\\WINDOWS\\Aqua dir\\", false},
      {"C:\\WINDOWSX\\a.txt", false},
      {"D:\\WINDOWS\\a.txt", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(saver::IsInstallPath(c.path, kWindows, kFolder), c.allowed) << c.path;
  }
  EXPECT_EQ(saver::PathInFolder(kWindows, "Aqua.scr"), "C:\\WINDOWS\\Aqua.scr");
  for (const char* name : {"..\\win.ini", "a\\b", "..", ". .", "CON", "lpt1.log", "c:x"}) {
    EXPECT_EQ(saver::PathInFolder(kWindows, name), "") << name;
  }
  EXPECT_EQ(saver::PathInFolder("WINDOWS\\", "a.txt"), "");
  EXPECT_TRUE(saver::SameName("Caf\xe9 dir", "CAF\xc9 DIR"));
  EXPECT_FALSE(saver::SameName("a", "b"));
}

}  // namespace
