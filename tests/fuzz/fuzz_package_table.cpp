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
#include <cstdlib>
#include <string>

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
