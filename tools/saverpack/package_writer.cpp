#include "package_writer.h"

#include <unistd.h>

#include <cstdio>
#include <limits>
#include <memory>

#include "data_file.h"
#include "entry_marker.h"
#include "file_io.h"
#include "pack_error.h"
#include "package/crc32.h"
#include "progress.h"
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

SlotContent LoadSlot(int slot, const SlotSource& source, const std::string& title,
                     const ManifestPlaces& places) {
  const std::string key = "slot" + std::to_string(slot);
  SlotContent content;
  if (source.name) {
    content.name = *source.name;
  } else {
    content.name = AtPlace(places.Where(key), [&] {
      return DefaultSlotName(slot, title, HasRoleName(slot) ? "" : FileNameOf(slot, source));
    });
  }
  content.type = source.type.value_or(DefaultSlotType(slot));
  content.compressed = source.compressed.value_or(false);
  // Slot 8 may name a data manifest: its records are measured now, and the
  // data file is written when the package is.
  if (slot == saver::kSlotSaverData && IsDataManifestPath(source.file)) {
    const DataManifest manifest =
        AtPlace(places.Where(key), [&] { return LoadDataManifest(source.file); });
    content.dataFile = std::make_shared<const DataContents>(LoadDataContents(manifest));
    return content;
  }
  AtPlace(places.Where(key), [&] {
    content.file = source.file;
    content.fileSize = FileSize(source.file, SlotLabel(slot) + " file");
    OpenForReading(source.file, SlotLabel(slot) + " file");  // refuses an unreadable file now
  });
  return content;
}

// The data file of a slot given as a data manifest, in an unnamed
// temporary file.
struct DataFileTemp {
  FileHandle file;
  uint64_t size = 0;
};

DataFileTemp WriteDataFileTemp(const DataContents& data, Level level, Warnings& warnings) {
  const std::unique_ptr<FILE, int (*)(FILE*)> temp(std::tmpfile(), std::fclose);
  if (!temp) throw PackError("cannot create a temporary file for the data file");
  DataFileTemp out{FileHandle(::dup(fileno(temp.get()))), 0};
  if (out.file.get() < 0) throw PackError("cannot create a temporary file for the data file");
  out.size = WriteDataStream(out.file.get(), data, level, "the data file", warnings);
  return out;
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
  e.setCompressed(sizes.compressed ? 1 : 0);
  e.setPackedSize(sizes.compressed ? static_cast<int32_t>(sizes.stored) : 0);
  e.setExtractedSize(static_cast<int32_t>(sizes.extracted));
  return e;
}

[[noreturn]] void TooLargeAt(int slot) {
  throw PackError("the installer would exceed 2147483647 bytes (reached at " + SlotLabel(slot) +
                  "; the package's offsets are signed 32-bit)");
}

SlotSizes WriteSlot(int slot, const SlotContent& content, PackageOutput& out, Level level,
                    const ManifestPlaces& places, Warnings& warnings) {
  const std::string what = SlotLabel(slot) + " file";
  std::unique_ptr<SlotReader> input;
  DataFileTemp data;
  if (content.dataFile) {
    data = WriteDataFileTemp(*content.dataFile, level, warnings);
    input = std::make_unique<SlotReader>(data.file, data.size, "slot 8 data file");
  } else if (content.file.empty()) {
    input = std::make_unique<SlotReader>(content.data, what);
  } else {
    input = std::make_unique<SlotReader>(content.file, content.fileSize, what);
  }
  try {
    const EncodedEntry entry = EncodeEntry(*input, out, content.compressed, level);
    if (entry.implodedLarger != 0) {
      const std::string key = "slot" + std::to_string(slot);
      warnings.Add(places.WhereAny({key + ".compressed", key}),
                   SlotLabel(slot) + " implodes to " + std::to_string(entry.implodedLarger) +
                       " bytes, more than its " + std::to_string(input->size()) +
                       ": stored instead (say '" + key + ".compressed = 0')");
    }
    return SlotSizes{static_cast<int64_t>(entry.stored), static_cast<int64_t>(input->size()),
                     entry.compressed};
  } catch (const PackageOutput::TooLarge&) {
    TooLargeAt(slot);
  }
}

// The CRC-32 of an entry's stored bytes as they stand in the output, read
// back in chunks.
uint32_t StoredCrc(PackageOutput& out, const saver::PackageEntry& entry) {
  std::vector<uint8_t> chunk(64 * 1024);
  saver::Crc32Stream crc;
  auto at = static_cast<uint64_t>(entry.startOffset());
  for (auto left = static_cast<uint64_t>(entry.storedLength()); left > 0;) {
    const auto piece =
        std::span(chunk).first(static_cast<size_t>(std::min<uint64_t>(left, chunk.size())));
    out.ReadAt(at, piece);
    crc.Update(piece);
    at += piece.size();
    left -= piece.size();
  }
  return crc.value();
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
  c.places = manifest.places;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (manifest.slots[slot]) {
      c.slots[slot] = LoadSlot(slot, *manifest.slots[slot], c.title, c.places);
    }
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

uint64_t SlotContent::size() const {
  if (dataFile) {
    uint64_t total = saver::kSaverDataHeaderSize;
    for (const DataRecordContent& r : dataFile->records) {
      total += saver::kSaverDataRecordSize + saver::kSaverDataChunkHeaderSize + r.size();
    }
    return total;
  }
  return file.empty() ? data.size() : fileSize;
}

uint64_t WritePackage(int fd, std::span<const uint8_t> stub, const PackageContents& contents,
                      Level level, const std::string& shown, Warnings& warnings) {
  CheckStubSize(stub.size());
  PackageOutput out(fd, static_cast<uint64_t>(kMaxFileSize), "'" + shown + "'");
  out.Append(stub);
  AppendZeros(out, PackageOffset - stub.size() + saver::kHeaderAndTableSize);
  PackageSizes sizes;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (contents.slots[slot]) {
      sizes[slot] = WriteSlot(slot, *contents.slots[slot], out, level, contents.places, warnings);
    }
  }
  saver::PackageDirectory directory = LayOutDirectory(contents, sizes);
  saver::MarkDirectory(directory, [&](int slot) { return StoredCrc(out, directory.table[slot]); });
  uint8_t raw[saver::kHeaderAndTableSize];
  saver::SerializeDirectory(directory, raw);
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
  Warnings warnings;
  const uint64_t size =
      WritePackage(fileno(file.get()), stub, contents, level, "temporary file", warnings);
  std::vector<uint8_t> image(size);
  ReadAllAt(fileno(file.get()), 0, image, "temporary file");
  return image;
}

std::vector<BuildInput> BuildInputs(const Manifest& manifest, const BuildOptions& options) {
  std::vector<BuildInput> inputs;
  if (!manifest.source.empty()) inputs.push_back({manifest.source, "manifest"});
  inputs.push_back({options.stub, "stub"});
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (!manifest.slots[slot]) continue;
    const fs::path& file = manifest.slots[slot]->file;
    inputs.push_back({file, SlotLabel(slot) + " file"});
    if (slot == saver::kSlotSaverData && IsDataManifestPath(file)) {
      // The data manifest's own inputs: as far as it can be read now (a
      // manifest that cannot be read is refused later, with its place).
      try {
        for (BuildInput& input : DataBuildInputs(LoadDataManifest(file))) {
          input.what = "slot 8 data manifest's " + input.what;
          inputs.push_back(std::move(input));
        }
      } catch (const PackError&) {
      }
    }
  }
  return inputs;
}

uint64_t BuildInstaller(const Manifest& manifest, const BuildOptions& options) {
  const fs::path target = ResolveOutput(options.output, BuildInputs(manifest, options));
  CheckStubSize(FileSize(options.stub, "stub"));
  const std::vector<uint8_t> stub = ReadWholeFile(options.stub, "stub");
  CheckStubProgram(stub, options.stub.string());
  CheckStubMarker(stub, options.stub.string());
  const PackageContents contents = LoadContents(manifest);
  CheckContents(contents);
  CheckEntrySizes(contents);
  Warnings warnings(options.warn);
  CheckSlotFiles(contents, *ReadPeHeader(stub).header, warnings);
  if (options.warningsAreErrors && !warnings.texts().empty()) {
    throw PackError(WerrorMessage(warnings));
  }
  uint64_t reads = 0;
  for (const auto& slot : contents.slots) {
    if (slot)
      reads += slot->size() * (slot->compressed ? 2 : 1) + (slot->dataFile ? slot->size() : 0);
  }
  ExpectProgress(reads);
  TempOutput temp(target, options.output.string());
  const uint64_t size =
      WritePackage(temp.fd(), stub, contents, options.level, temp.shown(), warnings);
  if (options.warningsAreErrors && !warnings.texts().empty()) {
    throw PackError(WerrorMessage(warnings));
  }
  temp.Commit();
  return size;
}

}  // namespace saverpack
