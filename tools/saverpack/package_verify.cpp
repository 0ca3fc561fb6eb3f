#include "package_verify.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "file_io.h"
#include "package/crc32.h"
#include "text_encoding.h"

namespace saverpack {
namespace {

using saver::EntryCheck;

constexpr size_t kChunk = 64 * 1024;

std::string Describe(int slot, const saver::PackageEntry& entry, EntryCheck check) {
  switch (check) {
    case EntryCheck::kGood:
      return slot == 0 ? "good (header and table)" : "good";
    case EntryCheck::kDamaged:
      return slot == 0 ? "DAMAGED: the header or table differs from its CRC-32"
                       : "DAMAGED: the stored bytes differ from their CRC-32";
    case EntryCheck::kLost:
      return "DAMAGED: slot 0 names a check this slot no longer carries";
    case EntryCheck::kUnmarked:
      break;
  }
  if (entry.empty()) return "-";
  if (!saver::CanCarryMarker(entry)) return "no check (name longer than 239 bytes)";
  return "no check";
}

}  // namespace

bool MarkerVerdict::AnyDamage() const {
  return std::any_of(checks.begin(), checks.end(), [](EntryCheck c) {
    return c == EntryCheck::kDamaged || c == EntryCheck::kLost;
  });
}

bool MarkerVerdict::AnyMarker() const {
  return std::any_of(checks.begin(), checks.end(),
                     [](EntryCheck c) { return c != EntryCheck::kUnmarked; });
}

MarkerVerdict VerifyMarkers(const std::filesystem::path& installer) {
  MarkerVerdict verdict{ReadPackage(installer)};
  const FileHandle file = OpenForReading(installer, "installer");
  std::vector<uint8_t> chunk(kChunk);
  const auto storedCrc = [&](int slot) -> std::optional<uint32_t> {
    const saver::PackageEntry& entry = verdict.info.directory.table[slot];
    saver::Crc32Stream crc;
    auto at = static_cast<uint64_t>(entry.startOffset());
    for (auto left = static_cast<uint64_t>(entry.storedLength()); left > 0;) {
      const auto piece = std::span(chunk).first(std::min<uint64_t>(left, kChunk));
      ReadAllAt(file.get(), at, piece, "installer");
      crc.Update(piece);
      at += piece.size();
      left -= piece.size();
    }
    return crc.value();
  };
  verdict.checks = saver::CheckDirectory(verdict.info.directory, storedCrc);
  return verdict;
}

std::string FormatVerdict(const MarkerVerdict& verdict) {
  std::string out;
  for (int slot = 0; slot < saver::kPackageSlots; ++slot) {
    const saver::PackageEntry& entry = verdict.info.directory.table[slot];
    std::string name = entry.empty() ? "(empty)" : Windows1252ForDisplay(entry.name());
    char head[16];
    std::snprintf(head, sizeof head, "%4d  ", slot);
    out += head + name + ": " + Describe(slot, entry, verdict.checks[slot]) + "\n";
  }
  if (!verdict.AnyMarker()) out += "no entry carries a check (a package of another writer)\n";
  return out;
}

}  // namespace saverpack
