// InstallSaverData on the fake: the data file's records into the saver folder.
#include "saver_data_fixture.h"
#include "step_codes.h"

namespace {

using fake::Bytes;
using fake::Pattern;
using fake::RecordSpec;
using fake::SaverDataImage;
using fake::TextBytes;
using InstallSaverDataTest = fake::SaverDataTest;

TEST_F(InstallSaverDataTest, StoredCompressedAndCopyRecordsLandByteIdentical) {
  const Bytes movie = Pattern(70000, 3), text = TextBytes("settings text");
  Put(SaverDataImage()
          .Record({"saver.scf", movie, true})
          .Record({"notes.txt", text})
          .Record({"prevmon.scf", {}, false, saver::kRecordKindCopy}));
  EXPECT_EQ(form.InstallSaverData(), 0);
  EXPECT_EQ(fs.FileData(InFolder("saver.scf")), movie);
  EXPECT_EQ(fs.FileData(InFolder("notes.txt")), text);
  EXPECT_EQ(fs.FileData(InFolder("prevmon.scf")), movie);
  EXPECT_EQ(Written().size(), 3u);
  EXPECT_FALSE(setup::SaverDataModule().open);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(view.statusTexts, std::vector<std::string>{""});
  EXPECT_EQ(view.progress, 1);
}

TEST_F(InstallSaverDataTest, RecordCountZeroOpensClosesAndWritesNothing) {
  for (int32_t count : {0, -5}) {
    Put(SaverDataImage().RecordCount(count).Record({"saver.scf", TextBytes("unread")}));
    EXPECT_EQ(form.InstallSaverData(), 0);
    EXPECT_TRUE(Written().empty());
    EXPECT_FALSE(setup::SaverDataModule().open);
    EXPECT_TRUE(setup::SaverDataModule().records[1].empty());
    EXPECT_LE(LargestDataRead(), saver::kSaverDataHeaderSize);
  }
  EXPECT_EQ(view.progress, 2);
}

TEST_F(InstallSaverDataTest, EmptyNameIsSkippedEvenWithADamagedChunk) {
  Put(SaverDataImage()
          .Record({"", TextBytes("x"), false, 0, -7})
          .Record({"", TextBytes("y"), true, 0, 0x7FFFFFF0})
          .Record({"b.txt", TextBytes("bee")}));
  EXPECT_EQ(form.InstallSaverData(), 0);
  EXPECT_EQ(fs.FileText(InFolder("b.txt")), "bee");
  EXPECT_EQ(Written().size(), 1u);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(InstallSaverDataTest, FileSizeZeroMakesNoFileAndNoError) {
  Put(SaverDataImage()
          .Record({"empty.txt", {}})
          .Record({"packed.scf", {}, true})
          .Record({"b.txt", TextBytes("bee")}));
  EXPECT_EQ(form.InstallSaverData(), 0);
  EXPECT_FALSE(fs.HasFile(InFolder("empty.txt")));
  EXPECT_FALSE(fs.HasFile(InFolder("packed.scf")));
  EXPECT_EQ(Written().size(), 1u);
}

TEST_F(InstallSaverDataTest, ExtractedNameKeepsOnlyItsLastComponent) {
  Put(SaverDataImage()
          .Record({"movies\\old\\saver.scf", TextBytes("movie")})
          .Record({"D:pattern.bmp", TextBytes("bitmap")}));
  EXPECT_EQ(form.InstallSaverData(), 0);
  EXPECT_EQ(fs.FileText(InFolder("saver.scf")), "movie");
  EXPECT_EQ(fs.FileText(InFolder("pattern.bmp")), "bitmap");
  EXPECT_EQ(Written().size(), 2u);
}

TEST_F(InstallSaverDataTest, CopyOfAFirstNameWithAPathLooksForTheWholeName) {
  fs.AddDirectory(InFolder("movies"));
  Put(SaverDataImage()
          .Record({"movies\\saver.scf", TextBytes("movie")})
          .Record({"copy.scf", {}, false, saver::kRecordKindCopy}));
  // Record 1 landed as saver.scf; the copy's source movies\saver.scf is not there.
  EXPECT_EQ(form.InstallSaverData(), app::kErrCopyFailed);
  EXPECT_EQ(fs.FileText(InFolder("saver.scf")), "movie");
  EXPECT_FALSE(fs.HasFile(InFolder("copy.scf")));
}

TEST_F(InstallSaverDataTest, CopyTargetInASubfolderKeepsItsPath) {
  fs.AddDirectory(InFolder("sub"));
  Put(SaverDataImage()
          .Record({"saver.scf", TextBytes("movie")})
          .Record({"sub\\copy.scf", {}, false, saver::kRecordKindCopy}));
  EXPECT_EQ(form.InstallSaverData(), 0);
  EXPECT_EQ(fs.FileText(InFolder("sub\\copy.scf")), "movie");
}

TEST_F(InstallSaverDataTest, FirstRecordModeThreeCopiesThePreviewAndNeverReadsRecordOne) {
  fs.AddFile(InFolder("installer.scf"), TextBytes("preview movie"));
  fs.Node(InFolder("installer.scf")).attributes = os::kAttrHidden;
  // Record 1's chunk would fail as out of bounds if it were read.
  Put(SaverDataImage()
          .FirstRecordMode(saver::kFirstRecordCopiesPreview)
          .Record({"saver.scf", TextBytes("never"), false, 0, 0x7FFFFFF0})
          .Record({"second.scf", {}, false, saver::kRecordKindCopy})
          .Record({"c.txt", TextBytes("sea")}));
  EXPECT_EQ(form.InstallSaverData(), 0);
  EXPECT_EQ(fs.FileText(InFolder("saver.scf")), "preview movie");
  EXPECT_EQ(fs.FileText(InFolder("second.scf")), "preview movie");
  EXPECT_EQ(fs.FileText(InFolder("c.txt")), "sea");
  // The first name's file gets the archive attribute beside its own.
  EXPECT_EQ(fs.GetAttributes(InFolder("saver.scf")), os::kAttrHidden | os::kAttrArchive);
  EXPECT_EQ(fs.GetAttributes(InFolder("installer.scf")), os::kAttrHidden);
}

TEST_F(InstallSaverDataTest, OtherFirstRecordModesChangeNothing) {
  Put(SaverDataImage().FirstRecordMode(2).Record({"saver.scf", TextBytes("own")}));
  EXPECT_EQ(form.InstallSaverData(), 0);
  EXPECT_EQ(fs.FileText(InFolder("saver.scf")), "own");
}

TEST_F(InstallSaverDataTest, MissingPreviewForACopiedFirstRecordFailsTheCopy) {
  Put(SaverDataImage()
          .FirstRecordMode(saver::kFirstRecordCopiesPreview)
          .Record({"saver.scf", TextBytes("x")}));
  EXPECT_EQ(form.InstallSaverData(), app::kErrCopyFailed);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(view.progress, 1);
  EXPECT_TRUE(setup::SaverDataModule().open);  // left open after a failure
}

TEST_F(InstallSaverDataTest, ExpandedSizeDifferentFromFileSizeIsDeletedWithMinus13) {
  RecordSpec packed{"saver.scf", Pattern(5000, 5), true};
  packed.fileSize = 5001;
  Put(SaverDataImage()
          .Record({"first.txt", TextBytes("kept")})
          .Record(packed)
          .Record({"after.txt", TextBytes("never")}));
  EXPECT_EQ(form.InstallSaverData(), app::kErrSizeMismatch);
  EXPECT_FALSE(fs.HasFile(InFolder("saver.scf")));
  EXPECT_EQ(fs.FileText(InFolder("first.txt")), "kept");  // earlier output stays
  EXPECT_FALSE(fs.HasFile(InFolder("after.txt")));
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_TRUE(setup::SaverDataModule().open);
  EXPECT_EQ(view.progress, 1);
}

TEST_F(InstallSaverDataTest, BombRecordStopsExpandingAtItsFileSize) {
  RecordSpec bomb{"saver.scf", Bytes(4 << 20, 0), true};
  bomb.fileSize = 1000;
  Put(SaverDataImage().Record(bomb));
  EXPECT_EQ(form.InstallSaverData(), app::kErrSizeMismatch);
  EXPECT_FALSE(fs.HasFile(InFolder("saver.scf")));
  // At most one write of the library (8192 + 518 + 8 bytes) past the limit.
  const int64_t peak = fs.peakSize["C:\\WINDOWS\\AQUA DIR\\SAVER.SCF"];
  EXPECT_GT(peak, 1000);
  EXPECT_LE(peak, 1000 + 8718);
}

TEST_F(InstallSaverDataTest, CutShortStoredChunkShowsTheReadBoxGives100AndDeletesTheFile) {
  Bytes bytes = SaverDataImage()
                    .Record({"first.txt", TextBytes("kept")})
                    .Record({"saver.scf", Pattern(3000, 7)})
                    .Build();
  bytes.resize(bytes.size() - 1);
  Put(bytes);
  EXPECT_EQ(form.InstallSaverData(), os::err::kShortRead);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lumivox Error: Problem reading screen saver "
                                                 "data file. Cannot create another system "
                                                 "semaphore"});
  EXPECT_EQ(view.boxes[0].icon, app::BoxIcon::kError);
  EXPECT_FALSE(fs.HasFile(InFolder("saver.scf")));
  EXPECT_EQ(fs.FileText(InFolder("first.txt")), "kept");
  // StepProgress after the failure's box.
  EXPECT_EQ(std::vector<std::string>(view.events.end() - 3, view.events.end()),
            (std::vector<std::string>{"box", "step", "pause"}));
}

TEST_F(InstallSaverDataTest, CutShortCompressedChunkGives100AndLeavesNoFile) {
  Bytes bytes = SaverDataImage().Record({"saver.scf", Pattern(30000, 9), true}).Build();
  bytes.resize(bytes.size() - 10);
  Put(bytes);
  EXPECT_EQ(form.InstallSaverData(), os::err::kShortRead);
  EXPECT_EQ(view.boxes.size(), 1u);
  EXPECT_TRUE(Written().empty());
}

TEST_F(InstallSaverDataTest, MissingDataFileFailsSilentlyWithItsErrorNumber) {
  form.settingsBlock.fill(0);
  saver::SaverDataHeader h;
  h.setRecordCount(1);
  std::copy(h.bytes.begin(), h.bytes.end(), form.settingsBlock.begin());
  EXPECT_EQ(form.InstallSaverData(), os::err::kFileNotFound);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_FALSE(setup::SaverDataModule().open);
  EXPECT_EQ(view.progress, 1);
}

TEST_F(InstallSaverDataTest, CompressedRecordWithoutTheCodecGivesMinus35) {
  fs.DeleteFile("C:\\WINDOWS\\impborl.dll");
  Put(SaverDataImage().Record({"saver.scf", Pattern(100, 1), true}));
  EXPECT_EQ(form.InstallSaverData(), app::kErrNoCodec);
  EXPECT_TRUE(Written().empty());
}

TEST_F(InstallSaverDataTest, RefusedCloseShowsTheCloseBoxAndFails) {
  Put(SaverDataImage().Record({"a.txt", TextBytes("a")}));
  fs.failCloseRead["C:\\WINDOWS\\AQUA DIR\\AQUA.SSD"] = os::err::kAccessDenied;
  EXPECT_EQ(form.InstallSaverData(), os::err::kAccessDenied);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Problem closing file.\n\nFile: C:\\WINDOWS\\Aqua "
                                                 "dir\\Aqua.ssd\r\nAccess is denied"});
  EXPECT_TRUE(setup::SaverDataModule().open);
  EXPECT_EQ(fs.FileText(InFolder("a.txt")), "a");
}

TEST_F(InstallSaverDataTest, OneHundredAndNineRecordsFitTheTable) {
  SaverDataImage image;
  for (int i = 1; i <= saver::kSaverDataMaxRecords; ++i) {
    // Appended piece by piece: GCC 12 warns falsely about operator+ on a
    // literal and a temporary in optimised builds.
    std::string name("f");
    name += std::to_string(i);
    name += ".txt";
    image.Record({name, TextBytes(std::to_string(i))});
  }
  Put(image);
  EXPECT_EQ(form.InstallSaverData(), 0);
  EXPECT_EQ(Written().size(), 109u);
  EXPECT_EQ(fs.FileText(InFolder("f109.txt")), "109");
}

TEST_F(InstallSaverDataTest, MoreRecordsThanTheTableHoldsAreRefusedBeforeAnyIsRead) {
  Put(SaverDataImage().RecordCount(110).Record({"a.txt", TextBytes("a")}));
  EXPECT_EQ(form.InstallSaverData(), app::kErrDataRecordCount);
  EXPECT_TRUE(Written().empty());
  EXPECT_LE(LargestDataRead(), saver::kSaverDataHeaderSize);
  EXPECT_FALSE(setup::SaverDataModule().open);
  EXPECT_EQ(view.progress, 1);
}

// --- from the Install button ---

class DataFileInstallTest : public fake::FormTest {
 protected:
  void InstallWithData(const Bytes& data) {
    Install(fake::PackageImage::Complete()
                .Switches(0, 0, 0, 0)
                .Slot(8, {"Aqua.ssd", saver::kTypeSaverData, data}));
    form.FormCreate();
    ASSERT_TRUE(view.boxes.empty());
    form.installBtnClick();
  }
  std::string Saved(const std::string& name) {
    return fs.FileText("C:\\WINDOWS\\Aqua dir\\" + name);
  }
};

TEST_F(DataFileInstallTest, RecordsAreInstalledBesideSaverDatAndTheDataFileIsRemoved) {
  const SaverDataImage image = SaverDataImage()
                                   .HeaderByte(7, 0x77)
                                   .Record({"saver.scf", TextBytes("movie movie movie"), true})
                                   .Record({"prevmon.scf", {}, false, saver::kRecordKindCopy});
  InstallWithData(image.Build());
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_EQ(Saved("saver.scf"), "movie movie movie");
  EXPECT_EQ(Saved("prevmon.scf"), "movie movie movie");
  const saver::SaverDataHeader header = image.Header();
  EXPECT_EQ(fs.FileData("C:\\WINDOWS\\Aqua dir\\saver.dat"),
            Bytes(header.bytes.begin(), header.bytes.end()));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\Aqua.ssd"));
  EXPECT_TRUE(view.closed);
}

TEST_F(DataFileInstallTest, FailingRecordRollsTheInstallBack) {
  Bytes data = SaverDataImage()
                   .Record({"a.txt", TextBytes("kept")})
                   .Record({"b.txt", TextBytes("cut short")})
                   .Build();
  data.resize(data.size() - 2);
  InstallWithData(data);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text.rfind("Lumivox Error: Problem reading screen saver data file. ", 0),
            0u);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(view.installEnabled);
  EXPECT_EQ(view.statusTexts.back(),
            "Open the Display Control Panel  and select saver to complete installation.");
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua.scr"));  // the engine is undone
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\b.txt"));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\a.txt"));  // this run's records go too
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\saver.dat"));
}

}  // namespace
