// Entry checks: a marker in the bytes of a slot's name field that the
// package format leaves free.
//
// A slot's 256-byte name field holds the length n in byte 0 and the name in
// bytes 1..n; readers ignore bytes n+1..255. A marker takes the field's last
// 16 bytes (PackageEntry offsets 240..255), so only a filled slot whose name
// ends before them carries one: n <= 239 (kMaxMarkedNameLength). Longer
// names get no marker and their slots are not checked.
//
// Marker (integers little-endian, offsets from PackageEntry + 240):
//   +0   4  magic   the bytes 0x89 'C' 'R' 'C'
//   +4   4  crc     slots 1..10: CRC-32 of the entry's stored bytes,
//                   startOffset..endOffset (0 for an empty file);
//                   slot 0: CRC-32 of the 3148 bytes of header and table in
//                   which the 16 marker bytes of every slot named in `slots`
//                   are taken as zeros (slot 0's stored bytes are the program
//                   image, which signing changes, so it is not covered)
//   +8   2  slots   slot 0: bit i set = slot i carries a marker (bit 0 is
//                   set); 0 in the other slots
//   +10  2  reserved, written as 0
//   +12  4  self    CRC-32 of bytes +0..+11
//
// 16 bytes of a name tail are taken for a marker only when the magic and the
// self check both match: a random tail passes both with odds of 2^-64, and a
// marker with any field damaged is no marker. Packages without markers are
// read exactly as before: nothing of their entries is read to check them.
// (CRC-32: package/crc32.h.)
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "dataStructures_shared.h"

namespace saver {

constexpr size_t kMarkerOffset = 240;
constexpr size_t kMarkerSize = 16;
constexpr size_t kMaxMarkedNameLength = kMarkerOffset - 1;
constexpr std::array<uint8_t, 4> kMarkerMagic = {0x89, 'C', 'R', 'C'};

struct EntryMarker {
  uint32_t crc = 0;
  uint16_t slots = 0;  // slot 0 only
  uint16_t reserved = 0;
};

// A filled slot whose name leaves room for a marker.
bool CanCarryMarker(const PackageEntry& entry);

// The marker the slot carries; none for a tail that is not one.
std::optional<EntryMarker> ReadMarker(const PackageEntry& entry);

// Writes the marker into the name field's last 16 bytes. The slot must be
// able to carry one (CanCarryMarker).
void WriteMarker(PackageEntry& entry, const EntryMarker& marker);

// The CRC-32 that slot 0's marker holds: header and table with the marker
// bytes of the slots in `slots` (bit i = slot i) taken as zeros.
uint32_t DirectoryCrc(const PackageDirectory& directory, uint16_t slots);

// Marks a directory: every slot that can carry a marker gets the CRC that
// `storedCrc(slot)` gives for it (slots 1..10), then slot 0 the directory's.
void MarkDirectory(PackageDirectory& directory, const std::function<uint32_t(int slot)>& storedCrc);

// What the check found for one slot.
enum class EntryCheck : uint8_t {
  kUnmarked,  // no marker, not checked
  kGood,      // the marker's CRC matches
  kDamaged,   // the marker's CRC does not match
  kLost,      // slot 0's marker names the slot, but it carries no marker
};

// Checks every slot: slot 0 first (the directory and the slots its marker
// names), then slots 1..10. `storedCrc(slot)` is asked only for a marked
// slot 1..10 and gives the CRC-32 of its stored bytes, or nothing when they
// cannot be read whole. With `firstOnly`, the check stops at the first slot
// that is not good or unmarked (the rest stay kUnmarked).
std::array<EntryCheck, kPackageSlots> CheckDirectory(
    const PackageDirectory& directory,
    const std::function<std::optional<uint32_t>(int slot)>& storedCrc, bool firstOnly = false);

}  // namespace saver
