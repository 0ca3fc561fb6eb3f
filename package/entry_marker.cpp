#include "entry_marker.h"

#include <cstring>

#include "crc32.h"

namespace saver {
namespace {

uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void Store16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

bool InMask(uint16_t slots, int slot) { return (slots >> slot & 1) != 0; }

}  // namespace

bool CanCarryMarker(const PackageEntry& entry) {
  return !entry.empty() && entry.bytes[0] <= kMaxMarkedNameLength;
}

std::optional<EntryMarker> ReadMarker(const PackageEntry& entry) {
  if (!CanCarryMarker(entry)) return std::nullopt;
  const uint8_t* m = entry.bytes.data() + kMarkerOffset;
  if (std::memcmp(m, kMarkerMagic.data(), kMarkerMagic.size()) != 0) return std::nullopt;
  if (static_cast<uint32_t>(LoadI32(m + 12)) != Crc32({m, 12})) return std::nullopt;
  return EntryMarker{static_cast<uint32_t>(LoadI32(m + 4)), Load16(m + 8), Load16(m + 10)};
}

void WriteMarker(PackageEntry& entry, const EntryMarker& marker) {
  uint8_t* m = entry.bytes.data() + kMarkerOffset;
  std::memcpy(m, kMarkerMagic.data(), kMarkerMagic.size());
  StoreI32(m + 4, static_cast<int32_t>(marker.crc));
  Store16(m + 8, marker.slots);
  Store16(m + 10, marker.reserved);
  StoreI32(m + 12, static_cast<int32_t>(Crc32({m, 12})));
}

uint32_t DirectoryCrc(const PackageDirectory& directory, uint16_t slots) {
  uint8_t raw[kHeaderAndTableSize];
  SerializeDirectory(directory, raw);
  for (int slot = 0; slot < kPackageSlots; ++slot) {
    if (InMask(slots, slot)) {
      std::memset(raw + kHeaderSize + slot * kEntrySize + kMarkerOffset, 0, kMarkerSize);
    }
  }
  return Crc32(raw);
}

void MarkDirectory(PackageDirectory& directory,
                   const std::function<uint32_t(int slot)>& storedCrc) {
  uint16_t slots = 1;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    PackageEntry& entry = directory.table[slot];
    if (!CanCarryMarker(entry)) continue;
    WriteMarker(entry, EntryMarker{storedCrc(slot)});
    slots = static_cast<uint16_t>(slots | 1u << slot);
  }
  WriteMarker(directory.table[0], EntryMarker{0, slots});
  WriteMarker(directory.table[0], EntryMarker{DirectoryCrc(directory, slots), slots});
}

std::array<EntryCheck, kPackageSlots> CheckDirectory(
    const PackageDirectory& directory,
    const std::function<std::optional<uint32_t>(int slot)>& storedCrc, bool firstOnly) {
  std::array<EntryCheck, kPackageSlots> checks{};
  const auto bad = [](EntryCheck c) { return c == EntryCheck::kDamaged || c == EntryCheck::kLost; };
  uint16_t named = 0;
  if (const auto head = ReadMarker(directory.table[0])) {
    named = head->slots;
    checks[0] = DirectoryCrc(directory, head->slots) == head->crc ? EntryCheck::kGood
                                                                  : EntryCheck::kDamaged;
    if (firstOnly && bad(checks[0])) return checks;
  }
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    const auto marker = ReadMarker(directory.table[slot]);
    if (!marker) {
      if (InMask(named, slot)) checks[slot] = EntryCheck::kLost;
    } else {
      const auto crc = storedCrc(slot);
      checks[slot] = crc && *crc == marker->crc ? EntryCheck::kGood : EntryCheck::kDamaged;
    }
    if (firstOnly && bad(checks[slot])) return checks;
  }
  return checks;
}

}  // namespace saver
