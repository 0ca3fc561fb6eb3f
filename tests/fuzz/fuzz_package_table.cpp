// Fuzzes the installer's reading of its own package: the header and table
// (ReadPackageTable) and every entry extraction of the preparation and the
// install (ExtractEntry, stored and compressed), on the in-memory Windows.
// The input is the package: the bytes behind the padded program image.
//
// Checked beyond "no crash": every file the installer creates or copies to
// is named by an absolute path inside the Windows folder or the saver
// folder, and no part of that path is "." or ".." (or dots only); every
// file it deletes (the install sequence's cleanup and rollback included)
// passes the install path check or lies in its scratch folder; and the
// files another program keeps there come through unchanged.
//
// Entry checks: by the input's size modulo 3, the package is taken as it
// is, or first given valid CRC-32 markers for its own directory and bytes
// (the builder's MarkDirectory), or marked and then one byte inverted. When
// the markers then do not match (by the check's own rule), nothing may be
// written outside the scratch folder.
#include <cstdlib>
#include <optional>
#include <string>

#include "crc32.h"
#include "entry_marker.h"
#include "fInstall.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "fuzz_paths.h"
#include "install_paths.h"
#include "pk_stuff.h"

namespace {

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  return !folder.empty() && Upper(path).rfind(Upper(folder), 0) == 0;
}

// The CRC-32 of an entry's stored bytes in `file`; none when they do not
// lie inside it.
std::optional<uint32_t> StoredCrc(const fake::Bytes& file, const saver::PackageEntry& e) {
  if (!e.storedWithin(static_cast<int64_t>(file.size()))) return std::nullopt;
  return saver::Crc32({file.data() + e.startOffset(), static_cast<size_t>(e.storedLength())});
}

saver::PackageDirectory DirectoryOf(const fake::Bytes& file) {
  uint8_t raw[saver::kHeaderAndTableSize];
  std::copy_n(file.begin() + saver::PackageOffset, sizeof raw, raw);
  return saver::ParseDirectory(raw);
}

// Marks the directory (mode 1), then inverts one byte of the package
// (mode 2). Returns whether the markers then find damage.
bool MarkAndDamage(fake::Bytes& file, size_t mode) {
  if (mode == 0 || file.size() < saver::PackageOffset + saver::kHeaderAndTableSize) return false;
  saver::PackageDirectory dir = DirectoryOf(file);
  saver::MarkDirectory(dir, [&](int slot) { return StoredCrc(file, dir.table[slot]).value_or(0); });
  uint8_t raw[saver::kHeaderAndTableSize];
  saver::SerializeDirectory(dir, raw);
  std::copy(raw, raw + sizeof raw, file.begin() + saver::PackageOffset);
  if (mode == 2) {
    const size_t span = file.size() - saver::PackageOffset;
    file[saver::PackageOffset + saver::Crc32(file) % span] ^= 0x5A;
  }
  const saver::PackageDirectory after = DirectoryOf(file);
  for (saver::EntryCheck c :
       saver::CheckDirectory(after, [&](int slot) { return StoredCrc(file, after.table[slot]); })) {
    if (c == saver::EntryCheck::kDamaged || c == saver::EntryCheck::kLost) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::FakePlatform fs;
  fake::FakeView view;
  app::TInstallerForm form(fs, view);
  view.onClose = [&form] {
    if (form.FormCloseQuery()) form.FormClose();
  };
  view.onCloseQuery = [&form] { return form.FormCloseQuery(); };
  package::TCompressor::compressionWarningPending = true;

  fake::Bytes installer(saver::PackageOffset, 0);
  installer.insert(installer.end(), data, data + size);
  const bool damaged = MarkAndDamage(installer, size % 3);
  fs.AddFile(fs.modulePath, std::move(installer));
  const std::string kThesis = "C:\\Users\\Public\\Documents\\thesis.doc";
  const std::string kWinIni = "C:\\WINDOWS\\win.ini";
  fs.AddFile(kThesis, "the user's thesis");
  fs.AddFile(kWinIni, "[fonts]");
  form.FormCreate();
  if (!view.terminated) form.installBtnClick();

  for (const std::string& path : fs.removedPaths) {
    const bool allowed = saver::IsInstallPath(path, form.windowsFolder, form.saverFolder) ||
                         StartsWithFolder(path, form.scratchFolder + "\\");
    if (!allowed) std::abort();
  }
  if (!fs.HasFile(kThesis) || fs.FileText(kThesis) != "the user's thesis") std::abort();
  // A package may replace win.ini; a failed install must have put it back.
  if (!view.terminated && (!fs.HasFile(kWinIni) || fs.FileText(kWinIni) != "[fonts]")) {
    std::abort();
  }

  for (const std::string& path : fs.writeTargets) {
    if (damaged && !StartsWithFolder(path, form.scratchFolder + "\\")) std::abort();
    const bool inside =
        StartsWithFolder(path, form.windowsFolder) || StartsWithFolder(path, form.saverFolder);
    if (!inside || !fuzz::AbsoluteWithoutDotParts(path)) std::abort();
  }
  for (const std::string& path : fs.FilesUnder("C:\\")) {
    const bool inside = path.rfind("C:\\WINDOWS\\", 0) == 0 || path.rfind("C:\\USERS\\", 0) == 0;
    if (!inside || !fuzz::AbsoluteWithoutDotParts(path)) std::abort();
  }
  return 0;
}
