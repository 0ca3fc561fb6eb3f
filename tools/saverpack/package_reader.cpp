#include "package_reader.h"

#include <cstdio>
#include <fstream>

#include "entry_marker.h"
#include "file_io.h"
#include "implode_bytes.h"
#include "pack_error.h"
#include "text_encoding.h"

namespace saverpack {
namespace {

using saver::kPackageSlots;
using saver::PackageEntry;

[[noreturn]] void NotAPackage(const std::string& why) { throw PackError("not a package: " + why); }

std::string SlotLabel(int slot) { return "slot " + std::to_string(slot); }

void CheckEntry(int slot, const PackageEntry& e, uint64_t fileSize) {
  const int32_t type = e.entryType();
  if (type < saver::kTypeSaverFolder1 || type > saver::kTypeInstallerImage) {
    NotAPackage(SlotLabel(slot) + " has entry type " + std::to_string(type));
  }
  if (e.startOffset() < 0 || e.storedLength() < 0) {
    NotAPackage(SlotLabel(slot) + " has offsets " + std::to_string(e.startOffset()) + ".." +
                std::to_string(e.endOffset()));
  }
  if (e.storedLength() > 0 && static_cast<uint64_t>(e.endOffset()) + 1 > fileSize) {
    NotAPackage(SlotLabel(slot) + " ends at " + std::to_string(e.endOffset()) +
                ", outside the file of " + std::to_string(fileSize) + " bytes");
  }
  if (e.extractedSize() < 0) NotAPackage(SlotLabel(slot) + " has a negative extracted size");
  if (!e.compressed() && e.extractedSize() != e.storedLength()) {
    NotAPackage(SlotLabel(slot) + " is stored but its extracted size " +
                std::to_string(e.extractedSize()) + " differs from its stored length " +
                std::to_string(e.storedLength()));
  }
}

std::string Ratio(const PackageEntry& e) {
  if (!e.compressed() || e.extractedSize() == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                100.0 * static_cast<double>(e.storedLength()) / e.extractedSize());
  return text;
}

// A name shown as UTF-8 and padded to `width` characters.
std::string Padded(const std::string& name, size_t width) {
  std::string shown = Windows1252ForDisplay(name);
  size_t chars = 0;
  for (char c : shown) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (chars < width) shown.append(width - chars, ' ');
  return shown;
}

// The CRC-32 the slot's marker holds, or "-" for a slot without one.
std::string Check(const PackageEntry& e) {
  const auto marker = saver::ReadMarker(e);
  if (!marker) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(marker->crc));
  return text;
}

std::string Row(int slot, const PackageEntry& e) {
  char line[1024];
  if (e.empty()) {
    std::snprintf(line, sizeof line, "%4d  %-24s %4d %10d %10d %10s %10s %5s %7s %8s\n", slot,
                  "(empty)", e.entryType(), e.startOffset(), e.endOffset(), "-", "-", "-", "-",
                  "-");
    return line;
  }
  std::snprintf(line, sizeof line, "%4d  %s %4d %10d %10d %10lld %10d %5s %7s %8s\n", slot,
                Padded(e.name(), 24).c_str(), e.entryType(), e.startOffset(), e.endOffset(),
                static_cast<long long>(e.storedLength()), e.extractedSize(),
                e.compressed() ? "yes" : "no", Ratio(e).c_str(), Check(e).c_str());
  return line;
}

}  // namespace

PackageInfo ParsePackage(std::span<const uint8_t> headerAndTable, uint64_t fileSize) {
  constexpr uint64_t kMinSize = uint64_t{saver::PackageOffset} + saver::kHeaderAndTableSize;
  if (fileSize < kMinSize || headerAndTable.size() != saver::kHeaderAndTableSize) {
    NotAPackage("the file has " + std::to_string(fileSize) + " bytes, fewer than " +
                std::to_string(kMinSize));
  }
  uint8_t raw[saver::kHeaderAndTableSize];
  std::copy(headerAndTable.begin(), headerAndTable.end(), raw);
  PackageInfo info{saver::ParseDirectory(raw), fileSize};
  for (int slot = 0; slot < kPackageSlots; ++slot) {
    if (!info.directory.table[slot].empty()) CheckEntry(slot, info.directory.table[slot], fileSize);
  }
  return info;
}

PackageInfo ReadPackage(const std::filesystem::path& installer) {
  const uintmax_t size = FileSize(installer, "installer");
  if (size < uint64_t{saver::PackageOffset} + saver::kHeaderAndTableSize) {
    return ParsePackage({}, size);
  }
  const auto raw = ReadFileRange(installer, saver::PackageOffset, saver::kHeaderAndTableSize);
  return ParsePackage(raw, size);
}

std::vector<uint8_t> ReadStoredBytes(const std::filesystem::path& installer,
                                     const PackageEntry& entry) {
  if (entry.empty()) return {};
  return ReadFileRange(installer, static_cast<uint64_t>(entry.startOffset()),
                       static_cast<uint64_t>(entry.storedLength()));
}

std::vector<uint8_t> ExtractEntryBytes(const std::filesystem::path& installer,
                                       const PackageEntry& entry) {
  std::vector<uint8_t> stored = ReadStoredBytes(installer, entry);
  if (!entry.compressed() || entry.empty()) return stored;
  std::vector<uint8_t> data = ExplodeBytes(stored);
  if (data.size() != static_cast<size_t>(entry.extractedSize())) {
    throw PackError("entry '" + entry.name() + "' expands to " + std::to_string(data.size()) +
                    " bytes instead of " + std::to_string(entry.extractedSize()));
  }
  return data;
}

std::string FormatListing(const PackageInfo& info) {
  const saver::PackageHeader& h = info.directory.header;
  std::string out = "title: " + Windows1252ForDisplay(h.title()) + "\n";
  out += "preview_kind = " + std::to_string(h.previewKind()) +
         ", show_licence = " + std::to_string(h.showLicence()) +
         ", show_readme = " + std::to_string(h.showReadMe()) +
         ", open_display_properties = " + std::to_string(h.openDisplayProperties()) + "\n";
  out += "file size: " + std::to_string(info.fileSize) + " bytes\n";
  char head[256];
  std::snprintf(head, sizeof head, "%4s  %-24s %4s %10s %10s %10s %10s %5s %7s %8s\n", "slot",
                "name", "type", "start", "end", "stored", "extracted", "comp", "ratio", "crc32");
  out += head;
  for (int slot = 0; slot < kPackageSlots; ++slot) out += Row(slot, info.directory.table[slot]);
  out += saver::ReadMarker(info.directory.table[0])
             ? "crc32: the CRC-32 of the stored bytes; slot 0's covers the header and table\n"
             : "crc32: no entry checks (a package of another writer)\n";
  return out;
}

}  // namespace saverpack
