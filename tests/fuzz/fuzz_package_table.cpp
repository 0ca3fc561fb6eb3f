// Fuzzes the installer's reading of its own package: the header and table
// (ReadPackageTable) and every entry extraction of the preparation and the
// install (ExtractEntry, stored and compressed), on the in-memory Windows.
// The input is the package: the bytes behind the padded program image.
//
// Checked beyond "no crash": every file the installer writes stays inside
// the Windows folder.
#include <cstdlib>

#include "fInstall.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "pk_stuff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::FakePlatform fs;
  fake::FakeView view;
  app::TInstallerForm form(fs, view);
  view.onClose = [&form] {
    if (form.FormCloseQuery()) form.FormClose();
  };
  package::TCompressor::compressionWarningPending = true;

  fake::Bytes installer(saver::PackageOffset, 0);
  installer.insert(installer.end(), data, data + size);
  fs.AddFile(fs.modulePath, std::move(installer));
  form.FormCreate();
  if (!view.terminated) form.ExtractPackageFiles(form.workingCopy);

  for (const std::string& path : fs.FilesUnder("C:\\")) {
    const bool inside = path.rfind("C:\\WINDOWS\\", 0) == 0 || path.rfind("C:\\USERS\\", 0) == 0;
    if (!inside || path.find("..") != std::string::npos) std::abort();
  }
  return 0;
}
