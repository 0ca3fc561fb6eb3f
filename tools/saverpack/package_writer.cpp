#include "package_writer.h"

#include <cstdio>
#include <limits>
#include <memory>

#include "data_file.h"
#include "file_io.h"
#include "pack_error.h"
#include "slot_stream.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;
using saver::kPackageSlots;
using saver::PackageOffset;

constexpr int64_t kMaxFileSize = std::numeric_limits<int32_t>::max();
constexpr int64_t kDataStart = int64_t{PackageOffset} + saver::kHeaderAndTableSize;

std::string SlotLabel(int slot) { return "slot " + std::to_string(slot); }

bool HasRoleName(int slot) {
  return slot == saver::kSlotCodecLibrary || slot == saver::kSlotFlashInstaller ||
         slot == saver::kSlotEngine || slot == saver::kSlotSaverData;
}

// The file's own name in Windows-1252, for a slot whose name defaults to it.
std::string FileNameOf(int slot, const SlotSource& source) {
  if (source.fileName) return *source.fileName;
  if (!source.fileNameProblem.empty()) {
    throw PackError(source.fileNameProblem + " (set 'slot" + std::to_string(slot) + ".name')");
  }
  const auto name = Utf8ToWindows1252(source.file.filename().string());
  if (!name) {
    throw PackError(SlotLabel(slot) + " file name '" + source.file.filename().string() +
                    "' has characters that Windows-1252 lacks (set 'slot" + std::to_string(slot) +
                    ".name')");
  }
  return *name;
}

SlotContent LoadSlot(int slot, const SlotSource& source, const std::string& title) {
  SlotContent content;
  if (source.name) {
    content.name = *source.name;
  } else {
    content.name = DefaultSlotName(slot, title, HasRoleName(slot) ? "" : FileNameOf(slot, source));
  }
  content.type = source.type.value_or(DefaultSlotType(slot));
  content.compressed = source.compressed.value_or(false);
  // Slot 8 may name a data manifest: the data file is built from it in memory.
  if (slot == saver::kSlotSaverData && IsDataManifestPath(source.file)) {
    content.data =
        BuildDataFileImage(LoadDataContents(LoadDataManifest(source.file)), Level::kDefault);
    return content;
  }
  content.file = source.file;
  content.fileSize = FileSize(source.file, SlotLabel(slot) + " file");
  OpenForReading(source.file, SlotLabel(slot) + " file");  // refuses an unreadable file now
  return content;
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

[[noreturn]] void TooLargeAt(int slot) {
  throw PackError("the installer would exceed 2147483647 bytes (reached at " + SlotLabel(slot) +
                  "; the package's offsets are signed 32-bit)");
}

std::unique_ptr<SlotReader> ReaderFor(int slot, const SlotContent& content) {
  const std::string what = SlotLabel(slot) + " file";
  if (content.file.empty()) return std::make_unique<SlotReader>(content.data, what);
  return std::make_unique<SlotReader>(content.file, content.fileSize, what);
}

SlotSizes WriteSlot(int slot, const SlotContent& content, PackageOutput& out, Level level) {
  const std::unique_ptr<SlotReader> input = ReaderFor(slot, content);
  const uint64_t start = out.size();
  try {
    if (!content.compressed) {
      return SlotSizes{static_cast<int64_t>(StoreSlot(*input, out)),
                       static_cast<int64_t>(input->size())};
    }
    const uint64_t stored = ImplodeSlot(*input, out, level);
    VerifyImploded(out, start, stored, *input);
    return SlotSizes{static_cast<int64_t>(stored), static_cast<int64_t>(input->size())};
  } catch (const PackageOutput::TooLarge&) {
    TooLargeAt(slot);
  }
}

void AppendZeros(PackageOutput& out, uint64_t count) {
  const std::vector<uint8_t> zeros(4096, 0);
  while (count > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, zeros.size()));
    out.Append(std::span(zeros).first(n));
    count -= n;
  }
}

}  // namespace

std::string DefaultSlotName(int slot, const std::string& title, const std::string& fileName) {
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
      return fileName;
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
    if (cursor > kMaxFileSize) TooLargeAt(slot);
  }
  return d;
}

uint64_t WritePackage(int fd, std::span<const uint8_t> stub, const PackageContents& contents,
                      Level level, const std::string& shown) {
  CheckStubSize(stub.size());
  PackageOutput out(fd, static_cast<uint64_t>(kMaxFileSize), "'" + shown + "'");
  out.Append(stub);
  AppendZeros(out, PackageOffset - stub.size() + saver::kHeaderAndTableSize);
  PackageSizes sizes;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (contents.slots[slot]) sizes[slot] = WriteSlot(slot, *contents.slots[slot], out, level);
  }
  uint8_t raw[saver::kHeaderAndTableSize];
  saver::SerializeDirectory(LayOutDirectory(contents, sizes), raw);
  out.WriteAt(PackageOffset, raw);
  return out.size();
}

std::vector<uint8_t> BuildInstallerImage(std::span<const uint8_t> stub,
                                         const PackageContents& contents, Level level) {
  CheckStubSize(stub.size());
  CheckContents(contents);
  CheckEntrySizes(contents);
  const std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), std::fclose);
  if (!file) throw PackError("cannot create a temporary file");
  const uint64_t size = WritePackage(fileno(file.get()), stub, contents, level, "temporary file");
  std::vector<uint8_t> image(size);
  ReadAllAt(fileno(file.get()), 0, image, "temporary file");
  return image;
}

std::vector<BuildInput> BuildInputs(const Manifest& manifest, const BuildOptions& options) {
  std::vector<BuildInput> inputs;
  if (!manifest.source.empty()) inputs.push_back({manifest.source, "manifest"});
  inputs.push_back({options.stub, "stub"});
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (manifest.slots[slot])
      inputs.push_back({manifest.slots[slot]->file, SlotLabel(slot) + " file"});
  }
  return inputs;
}

uint64_t BuildInstaller(const Manifest& manifest, const BuildOptions& options) {
  const fs::path target = ResolveOutput(options.output, BuildInputs(manifest, options));
  CheckStubSize(FileSize(options.stub, "stub"));
  const std::vector<uint8_t> stub = ReadWholeFile(options.stub, "stub");
  CheckStubProgram(stub, options.stub.string());
  const PackageContents contents = LoadContents(manifest);
  CheckContents(contents);
  CheckEntrySizes(contents);
  TempOutput temp(target, options.output.string());
  const uint64_t size = WritePackage(temp.fd(), stub, contents, options.level, temp.shown());
  temp.Commit();
  return size;
}

}  // namespace saverpack
