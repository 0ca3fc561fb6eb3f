// CRC-32 with the reflected polynomial 0xEDB88320 (the CRC of ZIP, PNG and
// Ethernet), slicing by eight: eight bytes are folded per step through eight
// 256-entry tables built at compile time (8 KB). One implementation for the
// installer's entry checks, the builder, and the `_crc32` export of
// impborl.dll (codec/crc32.cpp).
//
// Crc32Update runs the register without the customary inversions, as
// `_crc32` does: start from kCrc32Start and complement the end value.
// Crc32 and Crc32Stream do both, so Crc32("123456789") is 0xCBF43926.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace saver {

constexpr uint32_t kCrc32Start = 0xFFFFFFFFu;

namespace crc32_detail {

using Tables = std::array<std::array<uint32_t, 256>, 8>;

// t[0] is the byte-at-a-time table; t[k][n] is the register after n and k
// zero bytes.
constexpr Tables BuildTables() {
  Tables t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  for (uint32_t n = 0; n < 256; ++n) {
    for (size_t k = 1; k < t.size(); ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
  }
  return t;
}

inline constexpr Tables kTables = BuildTables();

inline uint32_t Load32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace crc32_detail

// Advances the register `crc` over `size` bytes; no inversion.
inline uint32_t Crc32Update(uint32_t crc, const uint8_t* p, size_t size) {
  const auto& t = crc32_detail::kTables;
  for (; size >= 8; size -= 8, p += 8) {
    const uint32_t lo = crc ^ crc32_detail::Load32(p);
    const uint32_t hi = crc32_detail::Load32(p + 4);
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
  }
  for (; size > 0; --size) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

// The CRC-32 of a run of bytes given in pieces.
class Crc32Stream {
 public:
  void Update(std::span<const uint8_t> bytes) {
    crc_ = Crc32Update(crc_, bytes.data(), bytes.size());
  }
  uint32_t value() const { return ~crc_; }

 private:
  uint32_t crc_ = kCrc32Start;
};

inline uint32_t Crc32(std::span<const uint8_t> bytes) {
  return ~Crc32Update(kCrc32Start, bytes.data(), bytes.size());
}

}  // namespace saver
