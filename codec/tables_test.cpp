// The fixed code tables: canonical construction, completeness, and that the
// decode tables invert the encode tables.
#include <gtest/gtest.h>

#include "dcl_tables.h"

namespace dcl {
namespace {

template <size_t N>
double KraftSum(const std::array<uint8_t, N>& bits) {
  double sum = 0;
  for (uint8_t b : bits) sum += 1.0 / (1u << b);
  return sum;
}

TEST(Tables, EveryCodeTableIsComplete) {
  EXPECT_DOUBLE_EQ(KraftSum(kLenBits), 1.0);
  EXPECT_DOUBLE_EQ(KraftSum(kDistBits), 1.0);
  EXPECT_DOUBLE_EQ(KraftSum(kLitBits), 1.0);
}

TEST(Tables, FirstShortestCodeIsAllOnes) {
  // Length symbol 0 has the 2-bit code 00, sent inverted: 11.
  EXPECT_EQ(kLenCode[0], 0b11);
  EXPECT_EQ(kDistCode[0], 0b11);
  // The space is the only 4-bit literal: code 0000, sent as 1111.
  EXPECT_EQ(kLitCode[' '], 0b1111);
  // Length symbol 15 is the last 7-bit code: 1111111 -> sent as all zeros.
  EXPECT_EQ(kLenCode[15], 0);
}

TEST(Tables, LengthSymbolsCoverTwoTo519) {
  unsigned covered = 0;
  for (unsigned s = 0; s < 16; ++s) covered += 1u << kLenExtra[s];
  EXPECT_EQ(covered, kEndMarker - kMinMatch + 1);
  EXPECT_EQ(kLenBase[15] + (1u << kLenExtra[15]) - 1, kEndMarker);
}

TEST(Tables, DecodeTablesInvertCodes) {
  for (unsigned s = 0; s < 16; ++s) {
    EXPECT_EQ(kLenDecode[kLenCode[s]], s | kLenBits[s] << 8);
    EXPECT_EQ(kLenDecode[kLenCode[s] | ((0x7Fu << kLenBits[s]) & 0x7Fu)], s | kLenBits[s] << 8);
  }
  for (unsigned s = 0; s < 64; ++s) {
    EXPECT_EQ(kDistDecode[kDistCode[s]], s | kDistBits[s] << 8);
  }
  for (unsigned s = 0; s < 256; ++s) {
    unsigned code = kLitCode[s];
    unsigned e = kLitDecode[code & 0xFF];
    if (e & kLitLink) {
      unsigned sub_bits = (e >> 9) & 7;
      e = kLitDecode[(e & 0x1FF) + ((code >> 8) & ((1u << sub_bits) - 1))];
    }
    EXPECT_EQ(e, s | kLitBits[s] << 8) << "literal " << s;
  }
}

}  // namespace
}  // namespace dcl
