// What the builder refuses because the installer could not use it: names,
// the decompression library's slot, destinations, sizes and the stub.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pack_error.h"
#include "package_writer.h"
#include "test_support.h"

namespace saverpack {
namespace {

using ::testing::HasSubstr;
using namespace saverpack::testing;

void ExpectCheckRefuses(const PackageContents& c, const std::string& what) {
  try {
    CheckContents(c);
    ADD_FAILURE() << "accepted; expected refusal mentioning: " << what;
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr(what));
  }
}

TEST(ReservedDeviceNames, AreFoundInAnyCaseWithOrWithoutExtension) {
  for (const char* name : {"CON", "con", "Prn", "aux.txt", "NUL.tar.gz", "COM1", "com9.bmp", "LPT1",
                           "lpt9.log", "AUX ", "PRN .log", "COM\xB9", "lpt\xB2.x"}) {
    EXPECT_TRUE(saver::IsReservedDeviceName(name)) << name;
  }
  for (const char* name : {"", ".", "..", "CONSOLE", "COM10", "COM0", "LPT", "xcon", "NUL_",
                           "con-x.txt", "COMA", " CON", "saver.con", "\xB9"}) {
    EXPECT_FALSE(saver::IsReservedDeviceName(name)) << name;
  }
}

TEST(NameChecks, ReservedNamesDotsAndTrailingDotsOrBlanks) {
  const std::pair<std::string, std::string> bad[] = {
      {"nul.txt", "slot 7 name 'nul.txt' is a reserved device name in Windows"},
      {"COM3", "is a reserved device name"},
      {".", "slot 7 name '.' names a folder, not a file"},
      {"..", "names a folder"},
      {"pattern.", "slot 7 name 'pattern.' ends in '.'"},
      {"pattern ", "ends in ' '"},
      {"\x01x", "contains control character 1"},
  };
  for (const auto& [name, what] : bad) {
    PackageContents c = TypicalContents();
    c.slots[7]->name = name;
    ExpectCheckRefuses(c, what);
  }
}

TEST(NameChecks, ReservedTitle) {
  for (const char* title : {"CON", "aux.x", "Lpt1"}) {
    PackageContents c = TypicalContents();
    c.title = title;
    ExpectCheckRefuses(c, "title '" + std::string(title) + "' is a reserved device name");
  }
}

TEST(NameChecks, MessagesShowWindows1252NamesAsUtf8) {
  PackageContents c = TypicalContents();
  c.slots[7]->name = "\xC4rger.";
  ExpectCheckRefuses(c, "slot 7 name 'Ärger.' ends in '.'");
}

TEST(CodecSlot, MustBeAStoredTypeThreeImpborlDat) {
  PackageContents c = TypicalContents();
  c.slots[1]->compressed = true;
  ExpectCheckRefuses(c, "slot 1 must be stored, not compressed");
  c = TypicalContents();
  c.slots[1]->type = 2;
  ExpectCheckRefuses(c, "slot 1 must have entry type 3, not 2");
  c = TypicalContents();
  c.slots[1]->name = "IMPBORL.DAT";
  ExpectCheckRefuses(c, "slot 1 must be named 'impborl.dat', not 'IMPBORL.DAT'");
}

TEST(Destinations, TwoSlotsMayNotLandOnOneFile) {
  PackageContents c = TypicalContents();
  c.slots[7]->name = "SAVER1.dll";
  ExpectCheckRefuses(c,
                     "slots 7 and 9 would both be installed to the saver folder as 'SAVER1.DLL'");
  // Type 3 lands with ".dll" in the Windows folder, where type 2 lands as named.
  c = TypicalContents();
  c.slots[2]->name = "Aqua.exe";
  c.slots[6]->name = "aqua.dll";
  ExpectCheckRefuses(c,
                     "slots 2 and 6 would both be installed to the Windows folder as 'AQUA.DLL'");
  // Windows-1252 letters fold too.
  c = TypicalContents();
  c.slots[7]->name = "\xE9t\xE9.bmp";
  c.slots[10]->name = "\xC9T\xC9.BMP";
  ExpectCheckRefuses(c, "slots 7 and 10 would both be installed to the saver folder as 'ÉTÉ.BMP'");
}

TEST(Destinations, FollowTheInstallersRenaming) {
  // A bitmap preview is extracted with the extension ".BMP".
  PackageContents c = TypicalContents();
  c.previewKind = saver::kPreviewBitmap;
  c.slots[3]->name = "pattern.scf";
  ExpectCheckRefuses(c,
                     "slots 3 and 7 would both be installed to the saver folder as 'PATTERN.BMP'");
  c.previewKind = saver::kPreviewFlash;
  EXPECT_NO_THROW(CheckContents(c));
  // "flashax.exe" keeps its name only when spelled exactly so.
  c = TypicalContents();
  c.slots[2]->name = "FLASHAX.EXE";
  c.slots[6]->name = "flashax.dll";
  ExpectCheckRefuses(c, "slots 2 and 6");
  c.slots[2]->name = "flashax.exe";
  EXPECT_NO_THROW(CheckContents(c));
  // The same name in the Windows folder and in the saver folder is fine.
  c = TypicalContents();
  c.slots[7]->name = "Aqua.scr";
  EXPECT_NO_THROW(CheckContents(c));
}

SlotContent FileSlot(uint64_t size, bool compressed) {
  SlotContent s = Slot("big.bin", 5, compressed, {});
  s.file = "big.bin";
  s.fileSize = size;
  return s;
}

TEST(EntrySizes, AreCheckedBeforeReading) {
  constexpr uint64_t kMax = 2147483647;
  PackageContents c = TypicalContents();
  c.slots[7] = FileSlot(kMax + 1, true);
  try {
    CheckEntrySizes(c);
    ADD_FAILURE() << "2 GiB entry accepted";
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(),
                HasSubstr("slot 7 file 'big.bin' has 2147483648 bytes; an entry holds "
                          "at most 2147483647 (the package's offsets are signed 32-bit)"));
  }
  c.slots[7] = FileSlot(kMax, true);
  EXPECT_NO_THROW(CheckEntrySizes(c)) << "compressed: its stored size is found while writing";
  c.slots[7] = FileSlot(kMax / 2, false);
  c.slots[8] = FileSlot(kMax / 2, false);
  EXPECT_THROW(CheckEntrySizes(c), PackError) << "stored slots and the stub pass the limit";
  c.slots[8] = FileSlot(kMax / 2 - 600000, false);
  EXPECT_NO_THROW(CheckEntrySizes(c));
}

void ExpectStubRefused(const std::vector<uint8_t>& stub, const std::string& what) {
  try {
    CheckStubProgram(stub, "s.exe");
    ADD_FAILURE() << "stub accepted; expected: " << what;
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr("the stub 's.exe' is not a Windows program: " + what));
  }
}

TEST(StubProgram, I386AndX64ProgramsAreAccepted) {
  EXPECT_NO_THROW(CheckStubProgram(PeStub(1000), "s.exe"));
  EXPECT_NO_THROW(CheckStubProgram(PeStub(90, 0x8664, 0x020B, 0x0022), "s.exe"));
}

TEST(StubProgram, OtherFilesAreRefused) {
  ExpectStubRefused(NoiseBytes(1000, 1), "it does not start with MZ");
  ExpectStubRefused({'M', 'Z'}, "it does not start with MZ");
  auto stub = PeStub(90);
  stub.pop_back();  // ends inside the PE header
  ExpectStubRefused(stub, "it has no PE header");
  stub = PeStub(1000);
  stub[0x3C] = 0xF0;
  stub[0x3D] = 0x03;  // PE header at 1008, past the end
  ExpectStubRefused(stub, "it has no PE header");
  stub = PeStub(1000);
  stub[0x42] = 'X';
  ExpectStubRefused(stub, "it has no PE header");
  ExpectStubRefused(PeStub(1000, 0x014C, 0x020B), "machine 0x014C with optional header 0x020B");
  ExpectStubRefused(PeStub(1000, 0x8664, 0x010B), "machine 0x8664 with optional header 0x010B");
  ExpectStubRefused(PeStub(1000, 0x01C4, 0x010B), "machine 0x01C4");
  ExpectStubRefused(PeStub(1000, 0x014C, 0x010B, 0x2102), "it is a DLL");
  ExpectStubRefused(PeStub(1000, 0x014C, 0x010B, 0x0100), "it is not marked executable");
}

}  // namespace
}  // namespace saverpack
