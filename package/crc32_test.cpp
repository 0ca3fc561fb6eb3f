// The one CRC-32: golden vectors, slicing against the bitwise definition,
// and the `_crc32` export of the decompression library agreeing with it.
#include "crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dcl.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// The definition, one bit at a time.
uint32_t BitwiseCrc(const std::vector<uint8_t>& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

std::vector<uint8_t> Random(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(size);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

struct Golden {
  std::vector<uint8_t> data;
  uint32_t crc;
};

TEST(PackageCrc32, GoldenVectors) {
  const Golden cases[] = {
      {{}, 0x00000000u},
      {Bytes("a"), 0xE8B7BE43u},
      {Bytes("abc"), 0x352441C2u},
      {Bytes("123456789"), 0xCBF43926u},
      {Bytes("The quick brown fox jumps over the lazy dog"), 0x414FA339u},
      {std::vector<uint8_t>(32, 0x00), 0x190A55ADu},
      {std::vector<uint8_t>(32, 0xFF), 0xFF6CAB0Bu},
      {Bytes("message digest"), 0x20159D7Fu},
  };
  for (const Golden& g : cases) {
    EXPECT_EQ(saver::Crc32(g.data), g.crc) << g.data.size() << " bytes";
    EXPECT_EQ(BitwiseCrc(g.data), g.crc) << "the vector itself, " << g.data.size() << " bytes";
  }
}

// Every length around the eight-byte steps and every start alignment.
TEST(PackageCrc32, SlicingAgreesWithTheBitwiseDefinition) {
  const std::vector<uint8_t> data = Random(300, 7);
  for (size_t offset = 0; offset < 9; ++offset) {
    for (size_t size = 0; offset + size <= data.size(); size += (size < 40 ? 1 : 37)) {
      const std::vector<uint8_t> piece(data.begin() + offset, data.begin() + offset + size);
      ASSERT_EQ(saver::Crc32(piece), BitwiseCrc(piece)) << "offset " << offset << " size " << size;
    }
  }
}

TEST(PackageCrc32, StreamOfPiecesEqualsTheWhole) {
  const std::vector<uint8_t> data = Random(100000, 3);
  const uint32_t whole = saver::Crc32(data);
  for (size_t piece : {1u, 7u, 8u, 4096u, 65536u, 99999u}) {
    saver::Crc32Stream crc;
    for (size_t at = 0; at < data.size(); at += piece) {
      crc.Update(std::span(data).subspan(at, std::min(piece, data.size() - at)));
    }
    EXPECT_EQ(crc.value(), whole) << "pieces of " << piece;
  }
}

// impborl.dll's `_crc32` runs the register without inversions; from
// 0xFFFFFFFF and complemented it is the same CRC, in any pieces.
TEST(PackageCrc32, LibraryExportAgreesWithTheInstallersCrc) {
  for (size_t size : {0u, 1u, 9u, 64u, 1000u, 65537u}) {
    std::vector<uint8_t> data = Random(size, static_cast<unsigned>(size));
    unsigned long reg = 0xFFFFFFFFul;
    for (size_t at = 0; at < size; at += 1000) {
      unsigned n = static_cast<unsigned>(std::min<size_t>(1000, size - at));
      reg = dcl_crc32(reinterpret_cast<char*>(data.data() + at), &n, &reg);
    }
    EXPECT_EQ(~reg & 0xFFFFFFFFul, saver::Crc32(data)) << size << " bytes";
    EXPECT_EQ(
        saver::Crc32Update(0x12345678u, data.data(), data.size()),
        [&] {
          unsigned n = static_cast<unsigned>(size);
          unsigned long start = 0x12345678ul;
          return static_cast<uint32_t>(dcl_crc32(reinterpret_cast<char*>(data.data()), &n, &start));
        }())
        << "any start value, " << size << " bytes";
  }
}

}  // namespace
