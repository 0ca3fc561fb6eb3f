// The entry marker: its bytes, what is not one, each field damaged, and the
// check of a directory.
#include "entry_marker.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "crc32.h"

namespace {

using saver::CheckDirectory;
using saver::EntryCheck;
using saver::EntryMarker;
using saver::PackageDirectory;
using saver::PackageEntry;

PackageEntry Named(const std::string& name) {
  PackageEntry e;
  e.setName(name);
  return e;
}

TEST(EntryMarker, BytesAreTheDocumentedLayout) {
  PackageEntry e = Named("saver1.dll");
  saver::WriteMarker(e, EntryMarker{0xA1B2C3D4u, 0x0403});
  const uint8_t* m = e.bytes.data() + 240;
  const uint8_t expected[12] = {0x89, 'C', 'R', 'C', 0xD4, 0xC3, 0xB2, 0xA1, 0x03, 0x04, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(m, m + 12), std::vector<uint8_t>(expected, expected + 12));
  const uint32_t self = saver::Crc32({m, 12});
  EXPECT_EQ(saver::LoadI32(m + 12), static_cast<int32_t>(self));
  EXPECT_EQ(e.name(), "saver1.dll") << "the name stays";
  for (size_t i = 11; i < 240; ++i) EXPECT_EQ(e.bytes[i], 0) << "byte " << i;
  const auto read = saver::ReadMarker(e);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->crc, 0xA1B2C3D4u);
  EXPECT_EQ(read->slots, 0x0403);
}

TEST(EntryMarker, NameLengthLimitIs239) {
  for (size_t length : {1u, 100u, 238u, 239u}) {
    PackageEntry e = Named(std::string(length, 'n'));
    ASSERT_TRUE(saver::CanCarryMarker(e)) << length;
    saver::WriteMarker(e, EntryMarker{42});
    EXPECT_EQ(e.name(), std::string(length, 'n'));
    EXPECT_EQ(saver::ReadMarker(e)->crc, 42u);
  }
  for (size_t length : {240u, 250u, 255u}) {
    EXPECT_FALSE(saver::CanCarryMarker(Named(std::string(length, 'n')))) << length;
  }
  EXPECT_FALSE(saver::CanCarryMarker(PackageEntry{})) << "an empty slot";
}

// A long name's own bytes fill the marker's place: even when they spell a
// valid marker, the name is a name.
TEST(EntryMarker, LongNameIsNeverReadAsAMarker) {
  PackageEntry source = Named("x");
  saver::WriteMarker(source, EntryMarker{7});
  std::string name(255, 'n');
  for (size_t i = 0; i < 16; ++i) name[239 + i] = static_cast<char>(source.bytes[240 + i]);
  EXPECT_FALSE(saver::ReadMarker(Named(name)));
}

TEST(EntryMarker, RandomTailsAreNotMarkers) {
  std::mt19937 rng(11);
  for (int round = 0; round < 20000; ++round) {
    PackageEntry e = Named("tail.bin");
    for (size_t i = 9; i < 256; ++i) e.bytes[i] = static_cast<uint8_t>(rng());
    if (round % 2 == 0)
      std::copy(saver::kMarkerMagic.begin(), saver::kMarkerMagic.end(), &e.bytes[240]);
    ASSERT_FALSE(saver::ReadMarker(e)) << "round " << round;
  }
  PackageEntry zeros = Named("zeros.bin");
  EXPECT_FALSE(saver::ReadMarker(zeros)) << "an all-zero tail, as other writers leave it";
}

// Any one of the 128 bits changed makes the 16 bytes no marker.
TEST(EntryMarker, EveryDamagedBitUnmakesIt) {
  PackageEntry good = Named("Aqua.scr");
  saver::WriteMarker(good, EntryMarker{0x01020304u, 0x7FF});
  for (size_t byte = 240; byte < 256; ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      PackageEntry damaged = good;
      damaged.bytes[byte] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_FALSE(saver::ReadMarker(damaged)) << "byte " << byte << " bit " << bit;
    }
  }
}

// --- the check of a directory ---

PackageDirectory Directory() {
  PackageDirectory d;
  d.header.setTitle("Aqua");
  d.table[0] = Named("install.exe");
  for (int slot : {1, 3, 6}) d.table[slot] = Named("slot" + std::to_string(slot));
  d.table[8] = Named(std::string(250, 'L'));  // too long to carry a marker
  return d;
}

uint32_t CrcOfSlot(int slot) { return 0x1000u + static_cast<uint32_t>(slot); }

std::optional<uint32_t> StoredCrc(int slot) { return CrcOfSlot(slot); }

PackageDirectory Marked() {
  PackageDirectory d = Directory();
  saver::MarkDirectory(d, CrcOfSlot);
  return d;
}

TEST(EntryMarker, MarkDirectoryMarksTheSlotsThatCanCarryOne) {
  const PackageDirectory d = Marked();
  const auto head = saver::ReadMarker(d.table[0]);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->slots, 1 | 1 << 1 | 1 << 3 | 1 << 6);
  EXPECT_EQ(head->crc, saver::DirectoryCrc(d, head->slots));
  for (int slot : {1, 3, 6}) EXPECT_EQ(saver::ReadMarker(d.table[slot])->crc, CrcOfSlot(slot));
  for (int slot : {2, 8}) EXPECT_FALSE(saver::ReadMarker(d.table[slot])) << slot;
  EXPECT_EQ(d.table[8].name(), std::string(250, 'L'));
  const auto checks = CheckDirectory(d, StoredCrc);
  for (int slot = 0; slot < saver::kPackageSlots; ++slot) {
    const bool marked = slot == 0 || slot == 1 || slot == 3 || slot == 6;
    EXPECT_EQ(checks[slot], marked ? EntryCheck::kGood : EntryCheck::kUnmarked) << slot;
  }
}

TEST(EntryMarker, UnmarkedDirectoryReadsNoEntry) {
  int asked = 0;
  const auto checks = CheckDirectory(Directory(), [&](int) -> std::optional<uint32_t> {
    ++asked;
    return 0;
  });
  EXPECT_EQ(asked, 0);
  for (EntryCheck c : checks) EXPECT_EQ(c, EntryCheck::kUnmarked);
}

struct DirectoryDamage {
  const char* what;
  void (*damage)(PackageDirectory&);
  int slot;
  EntryCheck found;
};

const DirectoryDamage kDamages[] = {
    {"a title byte", [](PackageDirectory& d) { d.header.bytes[5] ^= 1; }, 0, EntryCheck::kDamaged},
    {"a switch", [](PackageDirectory& d) { d.header.bytes[2] = 1; }, 0, EntryCheck::kDamaged},
    {"slot 6's start offset",
     [](PackageDirectory& d) { d.table[6].setStartOffset(d.table[6].startOffset() + 1); }, 0,
     EntryCheck::kDamaged},
    {"the long name of slot 8", [](PackageDirectory& d) { d.table[8].bytes[245] ^= 4; }, 0,
     EntryCheck::kDamaged},
    {"slot 3's marker", [](PackageDirectory& d) { d.table[3].bytes[250] ^= 1; }, 3,
     EntryCheck::kLost},
    {"slot 3's name", [](PackageDirectory& d) { d.table[3].bytes[2] ^= 1; }, 0,
     EntryCheck::kDamaged},
};

TEST(EntryMarker, DamagedDirectoryIsFound) {
  for (const DirectoryDamage& d : kDamages) {
    PackageDirectory dir = Marked();
    d.damage(dir);
    const auto checks = CheckDirectory(dir, StoredCrc);
    EXPECT_EQ(checks[d.slot], d.found) << d.what;
    const auto first = CheckDirectory(dir, StoredCrc, true);
    int bad = 0;
    for (EntryCheck c : first) bad += c == EntryCheck::kDamaged || c == EntryCheck::kLost;
    EXPECT_EQ(bad, 1) << d.what << ": the first stops the check";
  }
}

TEST(EntryMarker, StoredBytesThatDifferOrCannotBeReadAreDamaged) {
  const PackageDirectory d = Marked();
  const auto checks = CheckDirectory(d, [](int slot) -> std::optional<uint32_t> {
    if (slot == 3) return CrcOfSlot(3) ^ 0x80u;
    if (slot == 6) return std::nullopt;
    return CrcOfSlot(slot);
  });
  EXPECT_EQ(checks[0], EntryCheck::kGood);
  EXPECT_EQ(checks[1], EntryCheck::kGood);
  EXPECT_EQ(checks[3], EntryCheck::kDamaged);
  EXPECT_EQ(checks[6], EntryCheck::kDamaged);
}

// Slot 0's marker lost: the other markers are still checked one by one.
TEST(EntryMarker, WithoutSlotZerosMarkerTheEntriesAreStillChecked) {
  PackageDirectory d = Marked();
  d.table[0].bytes[240] = 0;
  const auto checks = CheckDirectory(
      d, [](int slot) -> std::optional<uint32_t> { return slot == 6 ? 0u : CrcOfSlot(slot); });
  EXPECT_EQ(checks[0], EntryCheck::kUnmarked);
  EXPECT_EQ(checks[1], EntryCheck::kGood);
  EXPECT_EQ(checks[6], EntryCheck::kDamaged);
}

}  // namespace
