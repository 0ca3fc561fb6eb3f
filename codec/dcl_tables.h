// Fixed code tables of the implode stream format, built at compile time.
//
// Stream layout (all bit fields are read starting at the least significant
// bit of each byte; a k-bit raw value arrives least significant bit first):
//
//   byte 0   literal mode: 0 binary (8 raw bits), 1 ASCII (Huffman coded)
//   byte 1   dictionary bits d: 4, 5 or 6 (1024, 2048 or 4096 bytes)
//   items    flag 0 + literal
//            flag 1 + length code s + EXTRA[s] raw bits (length BASE[s]+bits)
//                   + distance code h + k raw bits l   (k = 2 for length 2,
//                     otherwise d; distance = (h << k) + l + 1)
//            a length of 519 ends the stream; the last byte is zero padded.
//
// The three Huffman tables are fixed and canonical: symbols ordered by (code
// length, value) get consecutive codes, and the stream carries each code's
// bits inverted, most significant bit first. Because the stream is read from
// the low bit up, the value a decoder sees in its bit buffer is the inverted
// code with its bits reversed; that value is what the `*_code` tables hold and
// what the decode tables are indexed by.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace dcl {

inline constexpr unsigned kMinDictBits = 4;
inline constexpr unsigned kMaxDictBits = 6;
inline constexpr unsigned kMaxDictSize = 1u << (kMaxDictBits + 6);  // 4096
inline constexpr unsigned kMinMatch = 2;
inline constexpr unsigned kMaxMatch = 518;
inline constexpr unsigned kEndMarker = 519;         // the length that ends a stream
inline constexpr unsigned kMaxShortDistance = 256;  // reach of a length-2 match

inline constexpr std::array<uint16_t, 16> kLenBase = {3,  2,  4,  5,  6,  7,  8,   9,
                                                      10, 12, 16, 24, 40, 72, 136, 264};
inline constexpr std::array<uint8_t, 16> kLenExtra = {0, 0, 0, 0, 0, 0, 0, 0,
                                                      1, 2, 3, 4, 5, 6, 7, 8};
inline constexpr std::array<uint8_t, 16> kLenBits = {2, 3, 3, 3, 4, 4, 4, 5,
                                                     5, 5, 5, 6, 6, 6, 7, 7};
inline constexpr std::array<uint8_t, 64> kDistBits = {
    2, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};
inline constexpr std::array<uint8_t, 256> kLitBits = {
    11, 12, 12, 12, 12, 12, 12, 12, 12, 8,  7,  12, 12, 7,  12, 12,  // 0x00
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,  // 0x10
    4,  10, 8,  12, 10, 12, 10, 8,  7,  7,  8,  9,  7,  6,  7,  8,   // 0x20
    7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8,  12, 11, 7,  9,  11,  // 0x30
    12, 6,  7,  6,  6,  5,  7,  8,  8,  6,  11, 9,  6,  7,  6,  6,   // 0x40
    7,  11, 6,  6,  6,  7,  9,  8,  9,  9,  11, 8,  11, 9,  12, 8,   // 0x50
    12, 5,  6,  6,  6,  5,  6,  6,  6,  5,  11, 7,  5,  6,  5,  5,   // 0x60
    6,  10, 5,  5,  5,  5,  8,  7,  8,  8,  10, 11, 11, 12, 12, 12,  // 0x70
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 0x80
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 0x90
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 0xA0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 0xB0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 0xC0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 0xD0
    13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,  // 0xE0
    13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 0xF0
};

// Canonical codes of a length table, as they appear in the bit buffer:
// inverted and bit reversed (see the top of this file).
template <std::size_t N>
constexpr std::array<uint16_t, N> StreamCodes(const std::array<uint8_t, N>& bits) {
  std::array<uint16_t, N> codes{};
  unsigned code = 0;
  unsigned prev_len = 0;
  bool first = true;
  for (unsigned len = 1; len <= 16; ++len) {
    for (std::size_t s = 0; s < N; ++s) {
      if (bits[s] != len) continue;
      code = first ? 0 : (code + 1) << (len - prev_len);
      first = false;
      prev_len = len;
      unsigned inverted = ~code & ((1u << len) - 1);
      unsigned reversed = 0;
      for (unsigned i = 0; i < len; ++i) reversed |= ((inverted >> (len - 1 - i)) & 1u) << i;
      codes[s] = static_cast<uint16_t>(reversed);
    }
  }
  return codes;
}

inline constexpr auto kLenCode = StreamCodes(kLenBits);
inline constexpr auto kDistCode = StreamCodes(kDistBits);
inline constexpr auto kLitCode = StreamCodes(kLitBits);

// Direct decode table for a code of at most `IndexBits` bits: indexed by the
// next IndexBits stream bits, each entry is symbol | code length << 8.
template <unsigned IndexBits, std::size_t N>
constexpr std::array<uint16_t, 1u << IndexBits> DirectDecode(const std::array<uint8_t, N>& bits,
                                                             const std::array<uint16_t, N>& codes) {
  std::array<uint16_t, 1u << IndexBits> table{};
  for (std::size_t s = 0; s < N; ++s) {
    for (unsigned i = codes[s]; i < (1u << IndexBits); i += 1u << bits[s]) {
      table[i] = static_cast<uint16_t>(s | bits[s] << 8);
    }
  }
  return table;
}

inline constexpr auto kLenDecode = DirectDecode<7>(kLenBits, kLenCode);
inline constexpr auto kDistDecode = DirectDecode<8>(kDistBits, kDistCode);

// ASCII literal decoding in two levels. The first level is indexed by the next
// 8 stream bits. An entry is either a leaf, symbol | code length << 8, or a
// link (bit 15 set): bits 0..8 give the offset of a second-level table within
// kLitDecode and bits 9..11 how many further bits index it. Leaves in the
// second level carry the full code length (8 + further bits used).
inline constexpr unsigned kLitRootBits = 8;
inline constexpr uint16_t kLitLink = 0x8000;
// Longest code under every 8-bit root prefix: it sizes that prefix's second
// level table (0 when every code under the prefix fits the root).
constexpr std::array<uint8_t, 1u << kLitRootBits> LitLongestUnderPrefix() {
  std::array<uint8_t, 1u << kLitRootBits> longest{};
  for (unsigned s = 0; s < 256; ++s) {
    unsigned prefix = kLitCode[s] & ((1u << kLitRootBits) - 1);
    if (kLitBits[s] > kLitRootBits && kLitBits[s] > longest[prefix]) longest[prefix] = kLitBits[s];
  }
  return longest;
}

constexpr unsigned LitDecodeSize() {
  unsigned size = 1u << kLitRootBits;
  for (uint8_t len : LitLongestUnderPrefix()) size += len ? 1u << (len - kLitRootBits) : 0;
  return size;
}

inline constexpr unsigned kLitDecodeSize = LitDecodeSize();

constexpr std::array<uint16_t, kLitDecodeSize> BuildLitDecode() {
  std::array<uint16_t, kLitDecodeSize> table{};
  constexpr unsigned kRoot = 1u << kLitRootBits;
  constexpr auto longest = LitLongestUnderPrefix();
  unsigned next = kRoot;
  for (unsigned prefix = 0; prefix < kRoot; ++prefix) {
    if (longest[prefix] == 0) continue;
    unsigned sub_bits = longest[prefix] - kLitRootBits;
    table[prefix] = static_cast<uint16_t>(kLitLink | sub_bits << 9 | next);
    next += 1u << sub_bits;
  }
  for (unsigned s = 0; s < 256; ++s) {
    unsigned len = kLitBits[s];
    uint16_t leaf = static_cast<uint16_t>(s | len << 8);
    if (len <= kLitRootBits) {
      for (unsigned i = kLitCode[s]; i < kRoot; i += 1u << len) table[i] = leaf;
      continue;
    }
    uint16_t link = table[kLitCode[s] & (kRoot - 1)];
    unsigned base = link & 0x1FF;
    unsigned sub_bits = (link >> 9) & 7;
    unsigned rest = kLitCode[s] >> kLitRootBits;
    for (unsigned i = rest; i < (1u << sub_bits); i += 1u << (len - kLitRootBits)) {
      table[base + i] = leaf;
    }
  }
  return table;
}

inline constexpr auto kLitDecode = BuildLitDecode();

}  // namespace dcl

namespace dcl {

// Every table above is a complete prefix code, so every decode entry is set
// (a set entry is never 0: its code length is at least 1).
template <std::size_t N>
constexpr bool AllEntriesSet(const std::array<uint16_t, N>& table) {
  for (uint16_t e : table) {
    if (e == 0) return false;
  }
  return true;
}
static_assert(AllEntriesSet(kLenDecode));
static_assert(AllEntriesSet(kDistDecode));
static_assert(AllEntriesSet(kLitDecode));

}  // namespace dcl
