// The list of installed files that a successful install leaves in the saver
// folder for the engine's uninstall.
#include <algorithm>

#include "form_fixture.h"
#include "installed_files.h"
#include "saver_data_image.h"

namespace {

using fake::PackageImage;
using fake::TextBytes;
using Names = std::vector<std::string>;

constexpr char kFolder[] = "C:\\WINDOWS\\Aqua dir\\";
constexpr char kList[] = "C:\\WINDOWS\\Aqua dir\\installed files.lst";

class InstalledListTest : public fake::FormTest {
 protected:
  void RunInstall(PackageImage image) {
    Install(image);
    form.FormCreate();
    ASSERT_TRUE(view.boxes.empty()) << view.boxes.front().text;
    form.installBtnClick();
  }
  Names Listed() {
    if (!fs.HasFile(kList)) return {};
    return saver::ParseInstalledList(fs.FileText(kList)).value_or(Names{"no marker"});
  }
  // The saver folder's files other than the list, as names in the folder.
  Names InFolder() {
    Names names;
    for (const std::string& path : fs.FilesUnder(kFolder)) {
      const std::string name = path.substr(std::string(kFolder).size());
      if (!saver::SameFileName(name, saver::kInstalledListName)) names.push_back(name);
    }
    return names;
  }
  static Names Sorted(Names names) {
    for (std::string& name : names) {
      std::transform(name.begin(), name.end(), name.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      });
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(InstalledListTest, NamesEveryFileTheInstallLeftInTheSaverFolder) {
  const fake::Bytes data = fake::SaverDataImage()
                               .Record({"movie.scf", TextBytes("FWS movie")})
                               .Record({"copy.scf", {}, false, 3})
                               .Record({"empty.scf", {}})
                               .Build();
  RunInstall(PackageImage::Complete()
                 .Switches(1, 1, 1, 0)
                 .Slot(4, {"License.txt", saver::kTypeSaverFolder, TextBytes("licence")})
                 .Slot(5, {"ReadMe.txt", saver::kTypeSaverFolder, TextBytes("read me")})
                 .Slot(8, {"Aqua.ssd", saver::kTypeSaverData, data}));
  ASSERT_TRUE(view.terminated) << "the install succeeded";
  const Names listed = Listed();
  EXPECT_EQ(Sorted(listed), Sorted(InFolder()));
  EXPECT_EQ(Sorted(listed),
            (Names{"copy.scf", "extra.dat", "installer.bmp", "license.txt", "movie.scf",
                   "readme.txt", "saver.dat", "saver1.dll", "saver2.dll"}));
  EXPECT_EQ(fs.FileText(kList).rfind("[installed files 1]\r\n", 0), 0u);
}

TEST_F(InstalledListTest, AnUpdateKeepsTheEarlierFilesThatAreStillThere) {
  fs.AddDirectory(kFolder);
  fs.AddFile(std::string(kFolder) + "old.scf", "old movie");
  fs.AddFile(std::string(kFolder) + "mine.doc", "the user's");
  fs.AddFile(kList, std::string("[installed files 1]\r\nold.scf\r\ngone.scf\r\nSAVER.DAT\r\n"));
  RunInstall(PackageImage::Complete().Switches(0, 0, 0, 0));
  ASSERT_TRUE(view.terminated);
  const Names listed = Listed();
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "old.scf"), 1);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "gone.scf"), 0);
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "mine.doc"), 0) << "the user's file";
  EXPECT_EQ(std::count_if(listed.begin(), listed.end(),
                          [](const std::string& n) { return saver::SameFileName(n, "saver.dat"); }),
            1);
  EXPECT_EQ(Sorted(listed), Sorted([&] {
              Names names = InFolder();
              names.erase(std::find_if(names.begin(), names.end(), [](const std::string& n) {
                return saver::SameFileName(n, "mine.doc");
              }));
              return names;
            }()));
}

TEST_F(InstalledListTest, AFailedInstallWritesNoList) {
  RunInstall(PackageImage::Complete()
                 .Switches(0, 0, 0, 0)
                 .Slot(8, {"Aqua.ssd", saver::kTypeSaverData, TextBytes("short")}));
  EXPECT_FALSE(view.terminated);
  EXPECT_FALSE(fs.HasFile(kList));
}

TEST_F(InstalledListTest, AListThatCannotBeWrittenFailsTheInstallAndRollsBack) {
  std::string key = kList;
  std::transform(key.begin(), key.end(), key.begin(), [](char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  });
  fs.failCreate[key] = 5;
  RunInstall(PackageImage::Complete().Switches(0, 0, 0, 0));
  EXPECT_FALSE(view.terminated);
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua.scr"));
  EXPECT_FALSE(fs.HasKey("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Aqua"));
  ASSERT_FALSE(view.boxes.empty());
  EXPECT_NE(view.boxes.back().text.find(kList), std::string::npos) << view.boxes.back().text;
}

}  // namespace
