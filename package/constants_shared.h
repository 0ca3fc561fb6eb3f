// Constants shared by the installer, the package builder and the tests.
#pragma once

#include <cstdint>

namespace saver {

// The installer's program image is padded to exactly this length; the package
// header starts right behind it.
constexpr int32_t PackageOffset = 0x87000;  // 552,960

// Text the installer's program carries on purpose, as a resource (RCDATA
// "SAVERSTUB", written by app/win32/gen_resources.cmake from this line), so
// that the package builder can tell it from any other program. The number
// is PackageOffset: a builder refuses a stub that expects its package
// elsewhere.
inline constexpr char kStubMarker[] = "saverpack installer stub, package at 552960";
inline constexpr char kStubMarkerPrefix[] = "saverpack installer stub, package at ";

constexpr int kPackageSlots = 11;
constexpr int kHeaderSize = 68;
constexpr int kEntrySize = 280;
constexpr int kTableSize = kPackageSlots * kEntrySize;         // 3080
constexpr int kHeaderAndTableSize = kHeaderSize + kTableSize;  // 3148
constexpr int kTitleSize = 64;
constexpr int kNameFieldSize = 256;

// The saver data file's header block, also the engine's saver.dat.
constexpr int kSaverDataHeaderSize = 1240;

// Slot roles (index into the package table).
enum Slot : int {
  kSlotInstaller = 0,
  kSlotCodecLibrary = 1,
  kSlotFlashInstaller = 2,
  kSlotPreview = 3,
  kSlotLicence = 4,
  kSlotReadMe = 5,
  kSlotEngine = 6,
  kSlotExtra = 7,
  kSlotSaverData = 8,
  kSlotSupport1 = 9,
  kSlotSupport2 = 10,
};

// Destination classes of `PackageEntry::entryType`.
enum EntryType : int32_t {
  kTypeSaverFolder1 = 1,
  kTypeWindowsFolder = 2,
  kTypeWindowsLibrary = 3,
  kTypeSaverData = 4,
  kTypeSaverFolder = 5,
  kTypeInstallerImage = 6,
};

// Values of `PackageHeader::previewKind`.
constexpr uint8_t kPreviewBitmap = 1;
constexpr uint8_t kPreviewFlash = 2;
constexpr uint8_t kPreviewFlashAlt = 3;
constexpr uint8_t kPreviewSilent = 4;

// Conventional names of the package's parts. The installer takes every name
// from the table; these lists serve the package builder.
inline constexpr const char* kSupportLibraryNames[] = {"saver1.dll", "saver2.dll"};
inline constexpr const char* kFurtherNames[] = {"saver.scf",   "prevmon.scf",   "setwnd.scf",
                                                "pattern.bmp", "installer.ico", "saver.ico"};
inline constexpr const char* kInstallerFileNames[] = {"installer.scf", "License.txt", "ReadMe.txt"};

}  // namespace saver
