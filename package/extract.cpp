// The working copy, the package table and the extraction of entries.
#include <new>
#include <vector>

#include "fInstall.h"
#include "install_paths.h"
#include "pk_stuff.h"
#include "step_codes.h"
#include "string_ids.h"

namespace app {
namespace {

constexpr int32_t kDeleteAttempts = 5000;

// The extension of a path: from its last '.' unless a separator follows.
std::string Extension(const std::string& path) {
  const auto dot = path.find_last_of(".\\:");
  if (dot == std::string::npos || path[dot] != '.') return "";
  return path.substr(dot);
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// The code of a file that cannot be replaced: a screensaver has its own.
int32_t BusyCode(const std::string& path) {
  return Lower(Extension(path)) == ".scr" ? kErrSaverBusy : kErrFileBusy;
}

// `name` with its extension replaced by `extension` (added when it has none).
std::string ChangeExtension(const std::string& name, const std::string& extension) {
  return name.substr(0, name.size() - Extension(name).size()) + extension;
}

// The stored bytes of an entry: -40 when its offsets are negative or
// reversed, -30 when they run past the end of the working copy (a download
// cut short), else 0.
int32_t CheckStoredRange(const saver::PackageEntry& entry, int64_t workingCopySize) {
  if (entry.startOffset() < 0 || entry.storedLength() < 0) return kErrInvalidEntry;
  if (!entry.storedWithin(workingCopySize)) return kErrShortTransfer;
  return kOk;
}

// An entry that may be extracted: -40 when it has no destination (its type
// has none, or its folder is not known yet), its name would leave its
// folder or names a device, slot 1 is anything but the decompression library
// (type 3), or its offsets are negative or reversed; -30 when its stored
// bytes run past the end of the working copy. Nothing is deleted, allocated
// or written for a refused entry.
int32_t CheckEntry(int32_t slot, const saver::PackageEntry& entry, const std::string& destination,
                   int64_t workingCopySize) {
  if (destination.empty() || !saver::StaysInFolder(entry.name()) ||
      saver::IsReservedDeviceName(entry.name())) {
    return kErrInvalidEntry;
  }
  if (slot == saver::kSlotCodecLibrary && entry.entryType() != saver::kTypeWindowsLibrary) {
    return kErrInvalidEntry;
  }
  return CheckStoredRange(entry, workingCopySize);
}

}  // namespace

int32_t TInstallerForm::MakeWorkingCopy() {
  int32_t result = kOk;
  try {
    result = DeleteExisting(workingCopy, false, kDeleteAttempts);
    if (result == kOk && !platform_.CopyOwnFile(workingCopy)) {
      result = platform_.LastError();
      if (result == kOk) result = os::err::kWriteFault;
    }
  } catch (const os::IoError& e) {
    result = e.code();
  }
  if (result != kOk) ShowInstallError(kErrWorkingCopyDisplay, workingCopy);
  return result;
}

// After the table is read, the whole package is checked before anything is
// written: the extents of its entries, then the CRC-32 of every entry that
// carries a marker. Each failure is reported once, by the check or by slot 1's own
// extraction (naming its destination); the preparation's final box follows.
int32_t TInstallerForm::ReadPackageTable() {
  int32_t result = kOk;
  try {
    auto stream = platform_.OpenRead(workingCopy);
    stream->Seek(saver::PackageOffset);
    uint8_t raw[saver::kHeaderAndTableSize];
    if (stream->Read(raw, sizeof raw) != sizeof raw) {
      result = kErrPackageTable;
      ShowInstallError(result, workingCopy);
      return result;
    }
    package = saver::ParseDirectory(raw);
    result = CheckPackage(stream->Size());
    if (result == kOk) result = CheckEntryMarkers(*stream);
    if (result == kOk) {
      result = ExtractEntry(*stream, saver::kSlotCodecLibrary, false, false, nullptr);
    }
  } catch (const os::IoError& e) {
    result = e.code();
    ShowInstallError(result, installerPath);
  }
  return result;
}

// The title must not be a device name (it names the engine and the saver
// folder), and every slot that can be extracted (1 to 10) must have its
// stored bytes inside the working copy: a download cut short fails here with
// -30, naming the working copy, instead of half-way through the install.
int32_t TInstallerForm::CheckPackage(int64_t workingCopySize) {
  const std::string title = package.header.title();
  if (saver::IsReservedDeviceName(title)) {
    ShowInstallError(kErrInvalidEntry, title);
    return kErrInvalidEntry;
  }
  for (int slot = saver::kSlotCodecLibrary; slot < saver::kPackageSlots; ++slot) {
    const saver::PackageEntry& entry = package.table[slot];
    if (entry.empty()) continue;
    const int32_t result = CheckStoredRange(entry, workingCopySize);
    if (result == kErrInvalidEntry) ShowInstallError(result, entry.name());
    if (result == kErrShortTransfer) ShowInstallError(result, workingCopy);
    if (result != kOk) return result;
  }
  return kOk;
}

std::string TInstallerForm::DestinationPath(const saver::PackageEntry& entry) const {
  const std::string name = entry.name();
  const std::string& folder = DestinationFolder(entry.entryType());
  if (saver::PathInFolder(folder, name).empty()) return "";
  if (entry.entryType() == saver::kTypeWindowsLibrary && name != "flashax.exe") {
    return saver::PathInFolder(folder, ChangeExtension(name, ".dll"));
  }
  return saver::PathInFolder(folder, name);
}

// The folder of an entry type; empty for a type without one. The saver
// folder is empty too until PrepareSaverFolder has set it.
const std::string& TInstallerForm::DestinationFolder(int32_t entryType) const {
  static const std::string none;
  switch (entryType) {
    case saver::kTypeSaverFolder1:
    case saver::kTypeSaverData:
    case saver::kTypeSaverFolder:
    case saver::kTypeInstallerImage:
      return saverFolder;
    case saver::kTypeWindowsFolder:
    case saver::kTypeWindowsLibrary:
      return windowsFolder;
    default:
      return none;
  }
}

int32_t TInstallerForm::ExtractEntry(os::ReadStream& stream, int32_t slot, bool showStatus,
                                     bool recordFile, setup::SettingsFile* settingsFile) {
  int32_t result = kOk;
  std::string destination;
  bool outputComplete = false;
  try {
    if (showStatus) ShowStatus(Text(kStrStatusExtracting));
    if (slot < 0 || slot >= saver::kPackageSlots) return kErrInvalidEntry;
    const saver::PackageEntry entry = package.table[slot];
    if (entry.empty()) {
      result = kErrEmptySlot;
    } else {
      destination = DestinationPath(entry);
      result = CheckEntry(slot, entry, destination, stream.Size());
      // A refused name is only shown, as it would have stood in its folder.
      if (destination.empty()) destination = DestinationFolder(entry.entryType()) + entry.name();
    }
    if (result == kOk) {
      stream.Seek(entry.startOffset());
      if (showStatus) StepProgress();
      // During the install sequence an existing file is kept in a backup
      // first; a file that then cannot be deleted stays as it is, and so
      // does not need one.
      if (journal) result = journal->BeforeWrite(destination);
      if (result == kErrFileBusy) result = BusyFile(destination);
      if (result == kOk) {
        result = Extension(destination) == ".dll"
                     ? DeleteExistingOnce(destination, false)
                     : DeleteExisting(destination, true, kDeleteAttempts);
        if (result != kOk && journal) journal->Discard(destination);
      }
      if (result == kOk) result = WriteEntry(stream, entry, destination, outputComplete);
    }
    if (result == kErrFileBusy) {
      result = kOk;  // the busy file stays as it is and counts as extracted
    } else if (result != kOk && result != kErrSaverBusy) {
      ShowInstallError(result, destination);
    }
  } catch (const os::IoError& e) {
    result = e.code();
    ShowInstallError(result, destination);
  }
  if (recordFile && result == kOk) {
    try {
      RecordFile(settingsFile, destination);
    } catch (const os::IoError& e) {
      result = e.code();
      ShowInstallError(result, "saver.ini");
    }
  }
  if (result != kOk && outputComplete) DeleteExistingOnce(destination, false);
  return result;
}

// The writing part of ExtractEntry: one stored or compressed entry into its
// destination. `outputComplete` is set once the file is whole.
int32_t TInstallerForm::WriteEntry(os::ReadStream& stream, const saver::PackageEntry& entry,
                                   const std::string& destination, bool& outputComplete) {
  const int64_t length = entry.storedLength();
  std::vector<uint8_t> buffer;
  try {
    buffer.resize(static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  const auto count = static_cast<uint32_t>(length);
  if (entry.compressed()) {
    package::TCompressor compressor(platform_, view_);
    if (!compressor.loaded) return kErrNoCodec;
    if (stream.Read(buffer.data(), count) != count) return kErrShortTransfer;
    compressor.ExplodeToFile(destination, buffer.data(), static_cast<int32_t>(count),
                             entry.extractedSize());
  } else {
    if (stream.Read(buffer.data(), count) != count) return kErrShortTransfer;
    auto file = platform_.CreateFile(destination);
    const uint32_t written = file->Write(buffer.data(), count);
    file->Close();
    if (written != count) return kErrShortTransfer;
    outputComplete = true;
    return kOk;
  }
  const os::FindResult found = platform_.FindFile(destination);
  if (!found.found) return kErrFileMissing;
  if (found.size != entry.extractedSize()) return kErrSizeMismatch;
  outputComplete = true;
  return kOk;
}

// A file that cannot be read for its backup is busy: the result and box of
// the delete that would have failed on it.
int32_t TInstallerForm::BusyFile(const std::string& path) {
  if (Extension(path) == ".dll") return kErrFileBusy;
  const int32_t code = BusyCode(path);
  ShowInstallError(code, path);
  return code;
}

int32_t TInstallerForm::DeleteExisting(const std::string& path, bool report, int32_t attempts) {
  int32_t result = kErrNoAttempts;
  for (; attempts > 0 && result != kOk; --attempts) {
    try {
      if (!platform_.FileExists(path) || platform_.DeleteFile(path)) {
        result = kOk;
      } else {
        platform_.SetAttributes(path, os::kAttrNormal);
        if (platform_.DeleteFile(path)) {
          result = kOk;
        } else {
          result = BusyCode(path);
        }
      }
    } catch (const os::IoError& e) {
      result = e.code();
    }
  }
  if (result != kOk && report) ShowInstallError(result, path);
  return result;
}

int32_t TInstallerForm::DeleteExistingOnce(const std::string& path, bool report) {
  int32_t result = kOk;
  try {
    if (platform_.FileExists(path) && !platform_.DeleteFile(path)) {
      platform_.SetAttributes(path, os::kAttrNormal);
      if (!platform_.DeleteFile(path)) result = kErrFileBusy;
    }
  } catch (const os::IoError& e) {
    result = e.code();
  }
  if (result != kOk && report) ShowInstallError(result, path);
  return result;
}

int32_t TInstallerForm::ExtractSlotStep(int32_t slot) {
  saver::PackageEntry& entry = package.table[slot];
  if (entry.empty()) return kErrEmptySlot;
  if (slot == saver::kSlotPreview && previewKind == saver::kPreviewBitmap) {
    std::string name = ChangeExtension(entry.name(), ".BMP");
    if (name.size() > 255) name = ChangeExtension(entry.name().substr(0, 251), ".BMP");
    entry.setName(name);
  }
  int32_t result = kOk;
  try {
    auto stream = platform_.OpenRead(workingCopy);
    result = ExtractEntry(*stream, slot, false, true, settings.get());
  } catch (const os::IoError& e) {
    result = e.code();
    ShowInstallError(result, saverFolder);
  }
  return result;
}

int32_t TInstallerForm::ExtractFlashInstaller() {
  return ExtractSlotStep(saver::kSlotFlashInstaller);
}
int32_t TInstallerForm::ExtractPreview() { return ExtractSlotStep(saver::kSlotPreview); }
int32_t TInstallerForm::ExtractLicence() { return ExtractSlotStep(saver::kSlotLicence); }
int32_t TInstallerForm::ExtractReadMe() { return ExtractSlotStep(saver::kSlotReadMe); }

}  // namespace app
