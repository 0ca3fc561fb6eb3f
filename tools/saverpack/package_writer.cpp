#include "package_writer.h"

#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "data_file.h"
#include "file_io.h"
#include "pack_error.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;
using saver::kPackageSlots;
using saver::PackageOffset;

constexpr uintmax_t kMaxNameLength = 255;
constexpr int64_t kMaxFileSize = std::numeric_limits<int32_t>::max();
constexpr int64_t kDataStart = int64_t{PackageOffset} + saver::kHeaderAndTableSize;

std::string SlotLabel(int slot) { return "slot " + std::to_string(slot); }

// Characters that cannot stand in a Windows file name or would lead out of
// the destination folder.
std::string Describe(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20) return "control character " + std::to_string(u);
  return std::string("'") + c + "'";
}

void CheckTitle(const std::string& title) {
  if (title.empty()) throw PackError("the package title is missing or empty");
  if (title.size() > static_cast<size_t>(saver::kTitleSize)) {
    throw PackError("title is " + std::to_string(title.size()) + " bytes long; at most " +
                    std::to_string(saver::kTitleSize) + " are allowed");
  }
  for (char c : title) {
    if (saver::IsForbiddenNameChar(c)) throw PackError("title contains " + Describe(c));
  }
}

void CheckName(int slot, const std::string& name) {
  const std::string where = SlotLabel(slot) + " name '" + name + "'";
  if (name.empty()) throw PackError(SlotLabel(slot) + " has an empty name");
  if (name.size() > kMaxNameLength) {
    throw PackError(SlotLabel(slot) + " name is " + std::to_string(name.size()) +
                    " bytes long; at most 255 are allowed");
  }
  for (char c : name) {
    if (saver::IsForbiddenNameChar(c)) throw PackError(where + " contains " + Describe(c));
  }
  if (!saver::StaysInFolder(name)) throw PackError(where + " contains '..'");
}

void RequireSlot(const PackageContents& c, int slot, const std::string& why) {
  if (!c.slots[slot]) throw PackError(SlotLabel(slot) + " is missing: " + why);
}

void CheckRequiredSlots(const PackageContents& c) {
  RequireSlot(c, saver::kSlotCodecLibrary, "the decompression library is always needed");
  if (c.previewKind != saver::kPreviewSilent) {
    RequireSlot(c, saver::kSlotPreview, "a preview is needed unless preview_kind is 4");
  }
  if (c.showLicence != 0) RequireSlot(c, saver::kSlotLicence, "show_licence is set");
  if (c.showReadMe != 0) RequireSlot(c, saver::kSlotReadMe, "show_readme is set");
  for (int slot = saver::kSlotEngine; slot < kPackageSlots; ++slot) {
    RequireSlot(c, slot, "slots 6 to 10 must all be filled");
  }
}

SlotContent LoadSlot(int slot, const SlotSource& source, const std::string& title) {
  SlotContent content;
  content.name = source.name.value_or(DefaultSlotName(slot, title, source.file));
  content.type = source.type.value_or(DefaultSlotType(slot));
  content.compressed = source.compressed.value_or(false);
  // Slot 8 may name a data manifest: the data file is built from it.
  content.data =
      slot == saver::kSlotSaverData && IsDataManifestPath(source.file)
          ? BuildDataFileImage(LoadDataContents(LoadDataManifest(source.file)), Level::kDefault)
          : ReadWholeFile(source.file, SlotLabel(slot) + " file");
  return content;
}

std::vector<uint8_t> EncodeSlot(int slot, const SlotContent& content, Level level) {
  if (!content.compressed) return content.data;
  std::vector<uint8_t> packed = ImplodeBytes(content.data, level);
  if (ExplodeBytes(packed) != content.data) {
    throw PackError(SlotLabel(slot) + ": the imploded data does not expand back to the file");
  }
  return packed;
}

// Slot 0: the padded program image, stored.
saver::PackageEntry StubEntry() {
  saver::PackageEntry e;
  e.setName("install.exe");
  e.setStartOffset(0);
  e.setEndOffset(PackageOffset - 1);
  e.setEntryType(saver::kTypeInstallerImage);
  e.setCompressed(0);
  e.setPackedSize(0);
  e.setExtractedSize(PackageOffset);
  return e;
}

saver::PackageEntry EmptyEntry(int64_t position) {
  saver::PackageEntry e;
  e.setStartOffset(static_cast<int32_t>(position));
  e.setEndOffset(static_cast<int32_t>(position));
  e.setEntryType(saver::kTypeSaverFolder);
  e.setCompressed(1);
  return e;
}

saver::PackageEntry FilledEntry(int slot, const SlotContent& content, const SlotSizes& sizes,
                                int64_t start) {
  if (sizes.extracted > kMaxFileSize) {
    throw PackError(SlotLabel(slot) + " is too large: " + std::to_string(sizes.extracted) +
                    " bytes (at most 2147483647)");
  }
  saver::PackageEntry e;
  e.setName(content.name);
  e.setStartOffset(static_cast<int32_t>(start));
  e.setEndOffset(static_cast<int32_t>(start + sizes.stored - 1));
  e.setEntryType(content.type);
  e.setCompressed(content.compressed ? 1 : 0);
  e.setPackedSize(content.compressed ? static_cast<int32_t>(sizes.stored) : 0);
  e.setExtractedSize(static_cast<int32_t>(sizes.extracted));
  return e;
}

// Removes the file on destruction unless it was renamed into place.
class TempFile {
 public:
  explicit TempFile(const fs::path& target) : path_(NameBeside(target)) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (!committed_) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }
  const fs::path& path() const { return path_; }
  void CommitAs(const fs::path& target) {
    std::error_code ec;
    fs::rename(path_, target, ec);
    if (ec) throw PackError("cannot write '" + target.string() + "': " + ec.message());
    committed_ = true;
  }

 private:
  static fs::path NameBeside(const fs::path& target) {
    std::random_device random;
    std::ostringstream name;
    name << '.' << target.filename().string() << ".tmp" << std::hex << random() << random();
    return target.parent_path() / name.str();
  }
  fs::path path_;
  bool committed_ = false;
};

PackageSizes SizesOf(const PackageContents& contents, const StoredData& stored) {
  PackageSizes sizes;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (!contents.slots[slot]) continue;
    sizes[slot] = SlotSizes{static_cast<int64_t>(stored[slot].size()),
                            static_cast<int64_t>(contents.slots[slot]->data.size())};
  }
  return sizes;
}

}  // namespace

std::string DefaultSlotName(int slot, const std::string& title, const fs::path& file) {
  switch (slot) {
    case saver::kSlotCodecLibrary:
      return "impborl.dat";
    case saver::kSlotFlashInstaller:
      return "flashax.exe";
    case saver::kSlotEngine:
      return title + ".scr";
    case saver::kSlotSaverData:
      return title + ".ssd";
    default:
      return file.filename().string();
  }
}

int32_t DefaultSlotType(int slot) {
  switch (slot) {
    case saver::kSlotCodecLibrary:
    case saver::kSlotFlashInstaller:
      return saver::kTypeWindowsLibrary;
    case saver::kSlotEngine:
      return saver::kTypeWindowsFolder;
    case saver::kSlotSaverData:
      return saver::kTypeSaverData;
    default:
      return saver::kTypeSaverFolder;
  }
}

PackageContents LoadContents(const Manifest& manifest) {
  PackageContents c;
  c.title = manifest.title.value_or("");
  c.previewKind = manifest.previewKind;
  c.showLicence = manifest.showLicence;
  c.showReadMe = manifest.showReadMe;
  c.openDisplayProperties = manifest.openDisplayProperties;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (manifest.slots[slot]) c.slots[slot] = LoadSlot(slot, *manifest.slots[slot], c.title);
  }
  return c;
}

void CheckContents(const PackageContents& contents) {
  CheckTitle(contents.title);
  CheckRequiredSlots(contents);
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (!contents.slots[slot]) continue;
    CheckName(slot, contents.slots[slot]->name);
    const int32_t type = contents.slots[slot]->type;
    if (type < saver::kTypeSaverFolder1 || type > saver::kTypeInstallerImage) {
      throw PackError(SlotLabel(slot) + " has entry type " + std::to_string(type) +
                      "; types run from 1 to 6");
    }
  }
}

void CheckStubSize(uintmax_t size) {
  if (size > static_cast<uintmax_t>(PackageOffset)) {
    throw PackError("the stub is " + std::to_string(size) + " bytes; at most " +
                    std::to_string(PackageOffset) + " fit before the package");
  }
}

StoredData EncodeSlots(const PackageContents& contents, Level level) {
  StoredData stored;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (contents.slots[slot]) stored[slot] = EncodeSlot(slot, *contents.slots[slot], level);
  }
  return stored;
}

saver::PackageDirectory LayOutDirectory(const PackageContents& contents,
                                        const PackageSizes& sizes) {
  saver::PackageDirectory d;
  d.header.setSwitches(contents.previewKind, contents.showLicence, contents.showReadMe,
                       contents.openDisplayProperties);
  d.header.setTitle(contents.title);
  d.table[0] = StubEntry();
  int64_t cursor = kDataStart;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (!contents.slots[slot]) {
      d.table[slot] = EmptyEntry(cursor);
      continue;
    }
    d.table[slot] = FilledEntry(slot, *contents.slots[slot], *sizes[slot], cursor);
    cursor += sizes[slot]->stored;
    if (cursor > kMaxFileSize) {
      throw PackError("the installer would exceed 2147483647 bytes (reached at " + SlotLabel(slot) +
                      ")");
    }
  }
  return d;
}

void WriteInstaller(std::ostream& out, std::span<const uint8_t> stub,
                    const saver::PackageDirectory& directory, const StoredData& stored) {
  CheckStubSize(stub.size());
  out.write(reinterpret_cast<const char*>(stub.data()), static_cast<std::streamsize>(stub.size()));
  const std::vector<char> padding(PackageOffset - stub.size(), 0);
  out.write(padding.data(), static_cast<std::streamsize>(padding.size()));
  uint8_t raw[saver::kHeaderAndTableSize];
  saver::SerializeDirectory(directory, raw);
  out.write(reinterpret_cast<const char*>(raw), sizeof raw);
  for (const auto& data : stored) {
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
  }
}

std::vector<uint8_t> BuildInstallerImage(std::span<const uint8_t> stub,
                                         const PackageContents& contents, Level level) {
  CheckStubSize(stub.size());
  CheckContents(contents);
  const StoredData stored = EncodeSlots(contents, level);
  const saver::PackageDirectory directory = LayOutDirectory(contents, SizesOf(contents, stored));
  std::ostringstream out;
  WriteInstaller(out, stub, directory, stored);
  const std::string bytes = std::move(out).str();
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

uint64_t BuildInstaller(const Manifest& manifest, const BuildOptions& options) {
  CheckStubSize(FileSize(options.stub, "stub"));
  const std::vector<uint8_t> stub = ReadWholeFile(options.stub, "stub");
  const PackageContents contents = LoadContents(manifest);
  CheckContents(contents);
  const StoredData stored = EncodeSlots(contents, options.level);
  const saver::PackageDirectory directory = LayOutDirectory(contents, SizesOf(contents, stored));

  TempFile temp(options.output);
  {
    std::ofstream out(temp.path(), std::ios::binary | std::ios::trunc);
    if (!out) throw PackError("cannot create '" + temp.path().string() + "'");
    WriteInstaller(out, stub, directory, stored);
    out.close();
    if (!out) throw PackError("cannot write '" + temp.path().string() + "'");
  }
  temp.CommitAs(options.output);
  return FileSize(options.output, "installer");
}

}  // namespace saverpack
