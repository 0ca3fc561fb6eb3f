// A form with a saver folder, a data file and the codec library on the fake,
// for the tests of the data-file module and InstallSaverData.
#pragma once

#include <cstring>

#include "dataFunctions_shared.h"
#include "form_fixture.h"
#include "saver_data_image.h"

namespace fake {

class SaverDataTest : public FormTest {
 protected:
  static constexpr const char* kFolder = "C:\\WINDOWS\\Aqua dir\\";

  SaverDataTest() {
    setup::ResetSaverDataModule();
    form.saverFolder = kFolder;
    form.dataFilePath = std::string(kFolder) + "Aqua.ssd";
    fs.AddDirectory(kFolder);
    fs.AddFile("C:\\WINDOWS\\impborl.dll", TextBytes("MZ codec"));
    fs.errorTexts[100] = "Cannot create another system semaphore.\r\n";
  }
  ~SaverDataTest() override { setup::ResetSaverDataModule(); }

  // Puts the data file into the saver folder and its header into the
  // settings block, as ReadSaverDataHeader leaves them.
  void Put(const SaverDataImage& image) { Put(image.Build()); }
  void Put(const Bytes& bytes) {
    dataFile = bytes;
    fs.AddFile(form.dataFilePath, bytes);
    form.settingsBlock.fill(0);
    std::memcpy(form.settingsBlock.data(), bytes.data(),
                std::min(bytes.size(), form.settingsBlock.size()));
  }

  std::string InFolder(const std::string& name) const { return std::string(kFolder) + name; }
  // Files in the saver folder other than the data file.
  std::vector<std::string> Written() const {
    std::vector<std::string> out;
    for (const auto& f : fs.FilesUnder("C:")) {
      if (f != "C:\\WINDOWS\\AQUA DIR\\AQUA.SSD" && f != "C:\\WINDOWS\\IMPBORL.DLL" &&
          f != "C:\\WINDOWS\\AQUA DIR\\INSTALLER.SCF") {
        out.push_back(f);
      }
    }
    return out;
  }
  int64_t LargestDataRead() { return fs.largestRead["C:\\WINDOWS\\AQUA DIR\\AQUA.SSD"]; }

  Bytes dataFile;
};

inline Bytes Pattern(size_t size, unsigned seed) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>((i * seed / 7) ^ (i >> 5));
  return b;
}

}  // namespace fake
