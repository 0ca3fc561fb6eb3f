// Fuzzes the installer's reading of the saver data file: OpenSaverDataFile,
// the record table and every record's extraction (stored, compressed, copy)
// through InstallSaverData, on the in-memory Windows. The input is the data
// file; its first 1240 bytes are also the settings block, as the install
// sequence reads them.
//
// Checked beyond "no crash": every file written stays inside the saver
// folder (no part of its path is ".." or the like), and no record buffer (no read beyond the
// fixed-size blocks) is larger than the file.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "dataFunctions_shared.h"
#include "fInstall.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "fuzz_paths.h"
#include "pk_stuff.h"

namespace {

constexpr const char* kSaverFolder = "C:\\WINDOWS\\Aqua dir\\";
constexpr const char* kSaverFolderKey = "C:\\WINDOWS\\AQUA DIR\\";
constexpr const char* kDataFileKey = "C:\\WINDOWS\\AQUA DIR\\AQUA.SSD";
constexpr const char* kCodecKey = "C:\\WINDOWS\\IMPBORL.DLL";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::FakePlatform fs;
  fake::FakeView view;
  app::TInstallerForm form(fs, view);
  package::TCompressor::compressionWarningPending = true;
  setup::ResetSaverDataModule();

  form.saverFolder = kSaverFolder;
  form.dataFilePath = std::string(kSaverFolder) + "Aqua.ssd";
  fs.AddFile(form.dataFilePath, fake::Bytes(data, data + size));
  fs.AddFile(std::string(kSaverFolder) + "installer.scf", std::string("preview movie"));
  fs.AddFile(kCodecKey, std::string("MZ codec"));
  std::memcpy(form.settingsBlock.data(), data, std::min(size, form.settingsBlock.size()));

  form.InstallSaverData();
  setup::ResetSaverDataModule();

  // Fixed-size blocks (header, record, chunk header) are read whole; every
  // other read fills a record's buffer and must fit in the file.
  const int64_t largestBlock = saver::kSaverDataHeaderSize;
  if (fs.largestRead[kDataFileKey] > std::max<int64_t>(static_cast<int64_t>(size), largestBlock)) {
    std::abort();
  }
  for (const std::string& path : fs.FilesUnder("C:")) {
    const bool inside = path.rfind(kSaverFolderKey, 0) == 0 || path == kCodecKey;
    if (!inside || !fuzz::AbsoluteWithoutDotParts(path) || path.find(':', 2) != std::string::npos)
      std::abort();
  }
  return 0;
}
