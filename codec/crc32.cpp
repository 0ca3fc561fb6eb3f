// CRC-32 with the reflected polynomial 0xEDB88320, without the customary
// initial and final inversion: the caller starts from 0xFFFFFFFF and
// complements the final value. Four bytes are folded per step with four
// tables (slicing by four).
#include <array>
#include <cstdint>

#include "dcl.h"

namespace dcl {
namespace {

using CrcTables = std::array<std::array<uint32_t, 256>, 4>;

constexpr CrcTables BuildCrcTables() {
  CrcTables t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  for (uint32_t n = 0; n < 256; ++n) {
    for (int k = 1; k < 4; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
  }
  return t;
}

constexpr CrcTables kCrc = BuildCrcTables();

uint32_t Crc32(const uint8_t* p, unsigned n, uint32_t crc) {
  for (; n >= 4; n -= 4, p += 4) {
    crc ^= uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    crc = kCrc[3][crc & 0xFF] ^ kCrc[2][(crc >> 8) & 0xFF] ^ kCrc[1][(crc >> 16) & 0xFF] ^
          kCrc[0][crc >> 24];
  }
  for (; n > 0; --n) crc = kCrc[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace
}  // namespace dcl

extern "C" unsigned long dcl_crc32(char* buf, unsigned* size, unsigned long* crc) {
  return dcl::Crc32(reinterpret_cast<const uint8_t*>(buf), *size, static_cast<uint32_t>(*crc));
}
