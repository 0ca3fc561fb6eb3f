// The removal plan for the saver folder on a fake folder tree: which files
// go, in which order, what is kept, and that no link is followed.
#include <gtest/gtest.h>

#include "fake_uninstall_host.h"
#include "installed_files.h"

namespace engine {
namespace {

using testing::FakeHost;
using Names = std::vector<std::string>;

constexpr char kFolder[] = "C:\\WINDOWS\\Aqua dir\\";
constexpr char kFolderPath[] = "C:\\WINDOWS\\Aqua dir";
constexpr char kList[] = "C:\\WINDOWS\\Aqua dir\\installed files.lst";

std::string In(const std::string& name) { return kFolder + name; }

class SaverFilesTest : public ::testing::Test {
 protected:
  // An installation: the listed files, a Windows folder file beside it, and
  // a target folder elsewhere that links may point at.
  void Install(const Names& listed, const Names& unlisted = {}) {
    host.AddFolder("C:\\WINDOWS");
    host.AddFile("C:\\WINDOWS\\win.ini");
    host.AddFolder(kFolder);
    for (const std::string& name : listed) {
      if (name.find('\\') != std::string::npos) host.AddFolder(In(name.substr(0, name.find('\\'))));
      host.AddFile(In(name));
    }
    for (const std::string& name : unlisted) host.AddFile(In(name));
    host.AddFile(kList, saver::FormatInstalledList(listed));
    host.AddFolder("D:\\thesis");
    host.AddFile("D:\\thesis\\thesis.doc");
    host.AddFile("D:\\thesis\\saver.dat");
    host.AddFolder("D:\\thesis\\chapters");
  }

  FakeHost host;
};

TEST_F(SaverFilesTest, RemovesTheListedFilesThenTheListThenTheEmptyFolder) {
  Install({"saver.dat", "installer.BMP", "movies\\intro.scf"});
  const FolderOutcome outcome = RemoveSaverFiles(host, kFolder);
  EXPECT_TRUE(outcome.Complete());
  EXPECT_EQ(outcome.kept, Names{In("movies\\")}) << "a folder the list does not name stays";
  EXPECT_EQ(host.log,
            (Names{"removed " + In("saver.dat"), "removed " + In("installer.BMP"),
                   "removed " + In("movies\\intro.scf"), "removed " + std::string(kList)}));

  FakeHost flat;
  host = flat;
  Install({"saver.dat", "saver1.dll"});
  EXPECT_TRUE(RemoveSaverFiles(host, kFolder).kept.empty());
  EXPECT_EQ(host.log.back(), "removed folder " + WithoutTrailingSeparator(kFolder));
  EXPECT_FALSE(host.Has(kFolder));
  EXPECT_TRUE(host.Has("C:\\WINDOWS\\win.ini"));
}

TEST_F(SaverFilesTest, FilesTheInstallerDidNotListAreKeptAndNamed) {
  Install({"saver.dat"}, {"mine.doc", "Notes.txt"});
  const FolderOutcome outcome = RemoveSaverFiles(host, kFolder);
  EXPECT_TRUE(outcome.Complete());
  EXPECT_EQ(outcome.kept, (Names{In("mine.doc"), In("Notes.txt")}));
  EXPECT_TRUE(host.Has(In("mine.doc")));
  EXPECT_TRUE(host.Has(kFolder));
  EXPECT_FALSE(host.Has(kList)) << "the installation's files are gone";
}

TEST_F(SaverFilesTest, WithoutAListNothingIsRemovedAndAllIsNamed) {
  Install({"saver.dat"});
  host.tree.erase(FakeHost::Key(kList));
  const FolderOutcome outcome = RemoveSaverFiles(host, kFolder);
  EXPECT_EQ(outcome.kept, Names{In("saver.dat")});
  EXPECT_TRUE(host.log.empty());

  host.AddFile(kList, "saver.dat\r\n");  // no marker: no list, a file like others
  EXPECT_EQ(RemoveSaverFiles(host, kFolder).kept,
            (Names{In("installed files.lst"), In("saver.dat")}));
  EXPECT_TRUE(host.Has(In("saver.dat")));
  EXPECT_TRUE(host.Has(kList));
  EXPECT_FALSE(HoldsInstalledList(host, kFolder));
}

TEST_F(SaverFilesTest, AHostileListReachesNothingOutsideTheFolder) {
  Install({"saver.dat"});
  host.AddFile(kList,
               "[installed files 1]\r\n..\\win.ini\r\nC:\\WINDOWS\\win.ini\r\n"
               "\\WINDOWS\\win.ini\r\nsaver.dat\r\n");
  RemoveSaverFiles(host, kFolder);
  EXPECT_TRUE(host.Has("C:\\WINDOWS\\win.ini"));
  EXPECT_FALSE(host.Has(In("saver.dat")));
}

TEST_F(SaverFilesTest, ALinkedSaverFolderIsUnlinkedNeverEntered) {
  for (const bool removable : {true, false}) {
    FakeHost fresh;
    host = fresh;
    host.linksRemovable = removable;
    host.AddFolder("C:\\WINDOWS");
    host.AddFolder("D:\\thesis");
    host.AddFile("D:\\thesis\\thesis.doc");
    host.AddFile("D:\\thesis\\saver.dat");
    host.AddFile("D:\\thesis\\installed files.lst", saver::FormatInstalledList({"saver.dat"}));
    host.AddLink(kFolder, "D:\\thesis");
    const FolderOutcome outcome = RemoveSaverFiles(host, kFolder);
    EXPECT_TRUE(outcome.Complete());
    EXPECT_EQ(host.PathsUnder("D:\\thesis").size(), 3u) << "the target's files all stay";
    EXPECT_EQ(host.Has(kFolder), !removable);
    EXPECT_EQ(outcome.kept,
              removable ? Names{} : Names{std::string(kFolderPath) + " (a link, not followed)"});
    EXPECT_EQ(KeptEntries(host, kFolder), outcome.kept);
  }
}

TEST_F(SaverFilesTest, ALinkInsideTheFolderIsNeverFollowed) {
  Install({"saver.dat", "movies\\intro.scf", "chapters"});
  host.tree.erase(FakeHost::Key(In("movies\\intro.scf")));
  host.tree.erase(FakeHost::Key(In("movies")));
  host.AddLink(In("movies"), "D:\\thesis");  // D:\thesis has no intro.scf, but:
  host.AddFile("D:\\thesis\\intro.scf");
  host.tree.erase(FakeHost::Key(In("chapters")));
  host.AddLink(In("chapters"), "D:\\thesis\\chapters");
  const FolderOutcome outcome = RemoveSaverFiles(host, kFolder);
  EXPECT_TRUE(host.Has("D:\\thesis\\intro.scf")) << "not reached through the link";
  EXPECT_EQ(host.PathsUnder("D:\\thesis").size(), 4u);
  EXPECT_FALSE(host.Has(In("saver.dat")));
  // A listed name that is a link stays as it is.
  EXPECT_TRUE(host.Has(In("chapters")));
  EXPECT_TRUE(host.Has("D:\\thesis\\chapters"));
  EXPECT_EQ(outcome.kept, (Names{In("chapters"), In("movies")}));
}

TEST_F(SaverFilesTest, ABusyFileGoesAtTheNextStartWithTheListAndTheFolder) {
  Install({"saver.dat", "saver1.dll"});
  host.busy.insert(FakeHost::Key(In("saver1.dll")));
  const FolderOutcome outcome = RemoveSaverFiles(host, kFolder);
  EXPECT_FALSE(outcome.Complete());
  EXPECT_TRUE(outcome.failures.empty());
  EXPECT_TRUE(outcome.kept.empty());
  EXPECT_EQ(outcome.atRestart, (Names{In("saver1.dll"), kList, kFolderPath}));
  EXPECT_TRUE(host.Has(kList)) << "a later run still finds the list";

  // The later run, with the file free: the pending deletion is taken back.
  host.busy.clear();
  host.log.clear();
  EXPECT_TRUE(RemoveSaverFiles(host, kFolder).Complete());
  EXPECT_FALSE(host.Has(kFolder));
  EXPECT_EQ(host.log, (Names{"removed " + In("saver1.dll"), "forgot " + In("saver1.dll"),
                             "removed " + std::string(kList), "forgot " + std::string(kList),
                             "removed folder " + WithoutTrailingSeparator(kFolder)}));
}

TEST_F(SaverFilesTest, AFileThatCannotBeRemovedKeepsTheListAndTheFolder) {
  Install({"saver.dat", "saver1.dll"});
  host.refused.insert(FakeHost::Key(In("saver1.dll")));
  const FolderOutcome outcome = RemoveSaverFiles(host, kFolder);
  ASSERT_EQ(outcome.failures.size(), 1u);
  EXPECT_EQ(outcome.failures[0].what, In("saver1.dll"));
  EXPECT_TRUE(host.Has(kList));
  EXPECT_TRUE(host.Has(kFolder));
  EXPECT_FALSE(host.Has(In("saver.dat")));
}

TEST_F(SaverFilesTest, AFileInPlaceOfTheFolderIsKept) {
  host.AddFolder("C:\\WINDOWS");
  host.AddFile(kFolderPath);
  const FolderOutcome outcome = RemoveSaverFiles(host, kFolder);
  EXPECT_EQ(outcome.kept, Names{kFolderPath});
  EXPECT_TRUE(host.Has(kFolderPath));
  EXPECT_TRUE(RemoveSaverFiles(host, "C:\\WINDOWS\\Other dir\\").kept.empty());
}

}  // namespace
}  // namespace engine
