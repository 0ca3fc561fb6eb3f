#include "package_image.h"

#include <algorithm>
#include <array>

#include "crc32.h"
#include "dcl.h"
#include "entry_marker.h"
#include "test_support.h"

namespace fake {

Bytes Implode(const Bytes& data) { return dcl::testing::Implode(data, DCL_BINARY, 4096).data; }

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

PackageImage& PackageImage::Switches(uint8_t preview, uint8_t licence, uint8_t readMe,
                                     uint8_t display) {
  header_.setSwitches(preview, licence, readMe, display);
  return *this;
}

PackageImage& PackageImage::Title(const std::string& title) {
  header_.setTitle(title);
  return *this;
}

PackageImage& PackageImage::Slot(int slot, EntrySpec spec) {
  slots_[slot] = std::move(spec);
  return *this;
}

Bytes SaverDataFile() {
  Bytes data = TextBytes("saver data file");
  data.resize(saver::kSaverDataHeaderSize + 16, 0x5A);
  // No records: recordCount (offset 212) and firstRecordMode (1204) are 0.
  std::fill_n(data.begin() + 212, 4, 0);
  std::fill_n(data.begin() + 1204, 4, 0);
  return data;
}

PackageImage PackageImage::Complete(const std::string& title) {
  PackageImage p;
  p.Title(title);
  p.Slot(1, {"impborl.dat", saver::kTypeWindowsLibrary, TextBytes("MZ codec library")});
  p.Slot(3, {"installer.scf", saver::kTypeSaverFolder, TextBytes("preview movie")});
  p.Slot(6,
         {title + ".scr", saver::kTypeWindowsFolder, TextBytes("MZ engine engine engine"), true});
  p.Slot(7, {"extra.dat", saver::kTypeSaverFolder, TextBytes("extra")});
  p.Slot(8, {title + ".ssd", saver::kTypeSaverData, SaverDataFile()});
  p.Slot(9, {"saver1.dll", saver::kTypeSaverFolder, TextBytes("MZ support one"), true});
  p.Slot(10, {"saver2.dll", saver::kTypeSaverFolder, TextBytes("MZ support two"), true});
  return p;
}

saver::PackageDirectory PackageImage::Directory() const {
  saver::PackageDirectory dir;
  dir.header = header_;
  saver::PackageEntry& image = dir.table[0];
  image.setName("install.exe");
  image.setEndOffset(saver::PackageOffset - 1);
  image.setEntryType(saver::kTypeInstallerImage);
  image.setExtractedSize(saver::PackageOffset);
  int32_t position = saver::PackageOffset + saver::kHeaderAndTableSize;
  std::array<uint32_t, saver::kPackageSlots> crcs{};
  for (int slot = 1; slot < saver::kPackageSlots; ++slot) {
    saver::PackageEntry& e = dir.table[slot];
    auto it = slots_.find(slot);
    if (it == slots_.end()) {
      e.setStartOffset(position);
      e.setEndOffset(position);
      e.setEntryType(saver::kTypeSaverFolder);
      e.setCompressed(1);
      continue;
    }
    const EntrySpec& spec = it->second;
    const Bytes stored = spec.compressed ? Implode(spec.data) : spec.data;
    e.setName(spec.name);
    e.setEntryType(spec.type);
    e.setCompressed(spec.compressed ? 1 : 0);
    e.setStartOffset(position);
    e.setEndOffset(position + static_cast<int32_t>(stored.size()) - 1);
    e.setPackedSize(spec.compressed ? static_cast<int32_t>(stored.size()) : 0);
    e.setExtractedSize(static_cast<int32_t>(spec.data.size()));
    position += static_cast<int32_t>(stored.size());
    crcs[slot] = saver::Crc32(stored);
  }
  if (marked_) saver::MarkDirectory(dir, [&](int slot) { return crcs[slot]; });
  return dir;
}

Bytes PackageImage::Build() const {
  Bytes out(saver::PackageOffset, 0);
  out[0] = 'M';
  out[1] = 'Z';
  uint8_t raw[saver::kHeaderAndTableSize];
  saver::SerializeDirectory(Directory(), raw);
  out.insert(out.end(), raw, raw + sizeof raw);
  for (const auto& [slot, spec] : slots_) {
    const Bytes stored = spec.compressed ? Implode(spec.data) : spec.data;
    out.insert(out.end(), stored.begin(), stored.end());
  }
  return out;
}

}  // namespace fake
