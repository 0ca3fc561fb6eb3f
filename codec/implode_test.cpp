// Implode: argument checks, and round trips through explode in all six
// mode/dictionary combinations at both levels, over edge inputs and real files.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "dcl.h"
#include "test_support.h"

namespace dcl::testing {
namespace {

Bytes Pseudorandom(size_t n, uint32_t seed) {
  Bytes b(n);
  for (auto& v : b) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<uint8_t>(seed >> 24);
  }
  return b;
}

Bytes Text(size_t n) {
  const std::string words[] = {"the ",    "screen ", "saver ",  "installs ", "quickly, ",
                               "and\r\n", "window ", "folder ", "data ",     "file. "};
  std::string s;
  uint32_t seed = 7;
  while (s.size() < n) {
    seed = seed * 1664525u + 1013904223u;
    s += words[(seed >> 16) % 10];
  }
  s.resize(n);
  return FromString(s);
}

// Edge inputs, by name.
std::vector<std::pair<std::string, Bytes>> EdgeInputs() {
  Bytes all256(256);
  std::iota(all256.begin(), all256.end(), 0);
  Bytes all256_twice = all256;
  all256_twice.insert(all256_twice.end(), all256.rbegin(), all256.rend());
  Bytes mixed = Text(3000);
  Bytes noise = Pseudorandom(5000, 3);
  mixed.insert(mixed.end(), noise.begin(), noise.end());
  Bytes run_then_text(2000, 0);
  Bytes t = Text(500);
  run_then_text.insert(run_then_text.end(), t.begin(), t.end());
  return {
      {"empty", {}},
      {"one_byte", {0x41}},
      {"two_bytes", {0x00, 0x00}},
      {"three_equal", Bytes(3, 0xFF)},
      {"run_519", Bytes(519, 'a')},
      {"run_5000", Bytes(5000, 0)},
      {"run_100000", Bytes(100000, 0x90)},
      {"all_256_values", all256},
      {"all_256_and_reverse", all256_twice},
      {"period_3",
       [] {
         Bytes b;
         for (int i = 0; i < 3000; ++i) b.push_back("xyz"[i % 3]);
         return b;
       }()},
      {"random_20000", Pseudorandom(20000, 11)},
      {"text_30000", Text(30000)},
      {"text_then_noise", mixed},
      {"run_then_text", run_then_text},
      {"bitmap", MakeBitmap(64, 48)},
  };
}

using Combo = std::tuple<unsigned, unsigned, int>;  // type, dictionary, level

class RoundTrip : public ::testing::TestWithParam<Combo> {};

TEST_P(RoundTrip, EdgeInputs) {
  auto [type, dsize, level] = GetParam();
  for (const auto& [name, input] : EdgeInputs()) {
    auto packed = Implode(input, type, dsize, level);
    ASSERT_EQ(packed.code, DCL_OK) << name;
    ASSERT_GE(packed.data.size(), 4u) << name;
    EXPECT_EQ(packed.data[0], type) << name;
    EXPECT_EQ(1u << (packed.data[1] + 6), dsize) << name;
    auto back = Explode(packed.data);
    ASSERT_EQ(back.code, DCL_OK) << name;
    EXPECT_EQ(back.data, input) << name;
  }
}

TEST_P(RoundTrip, OneByteCallbacksBothWays) {
  auto [type, dsize, level] = GetParam();
  Bytes input = Text(9000);
  Bytes tail(700, 'q');
  input.insert(input.end(), tail.begin(), tail.end());
  auto packed = Implode(input, type, dsize, level, 1);
  ASSERT_EQ(packed.code, DCL_OK);
  EXPECT_EQ(packed.data, Implode(input, type, dsize, level).data);
  auto back = Explode(packed.data, 1);
  ASSERT_EQ(back.code, DCL_OK);
  EXPECT_EQ(back.data, input);
}

TEST_P(RoundTrip, LongerThanSeveralDictionaries) {
  auto [type, dsize, level] = GetParam();
  // Repeats at distances just inside and just outside the dictionary.
  Bytes block = Pseudorandom(dsize - 10, 5);
  Bytes input;
  for (int i = 0; i < 6; ++i) input.insert(input.end(), block.begin(), block.end());
  Bytes far = Pseudorandom(dsize + 10, 6);
  for (int i = 0; i < 3; ++i) input.insert(input.end(), far.begin(), far.end());
  auto packed = Implode(input, type, dsize, level);
  ASSERT_EQ(packed.code, DCL_OK);
  auto back = Explode(packed.data);
  ASSERT_EQ(back.code, DCL_OK);
  EXPECT_EQ(back.data, input);
  // The in-dictionary repeats must have been found: far less than the input.
  EXPECT_LT(packed.data.size(), input.size() * 3 / 4);
}

TEST_P(RoundTrip, RealFiles) {
  auto [type, dsize, level] = GetParam();
  auto files = FindPeFiles(2, 20000, 200000);
  auto texts = FindTextFiles();
  files.insert(files.end(), texts.begin(), texts.end());
  if (files.empty()) GTEST_SKIP() << "no PE or text files on this machine";
  for (const auto& path : files) {
    auto data = ReadFile(path);
    ASSERT_TRUE(data) << path;
    auto packed = Implode(*data, type, dsize, level);
    ASSERT_EQ(packed.code, DCL_OK) << path;
    auto back = Explode(packed.data);
    ASSERT_EQ(back.code, DCL_OK) << path;
    EXPECT_EQ(back.data, *data) << path;
  }
}

std::string ComboName(const ::testing::TestParamInfo<Combo>& param_info) {
  const auto& [type, dsize, level] = param_info.param;
  return std::string(type == DCL_ASCII ? "ascii" : "binary") + "_" + std::to_string(dsize) +
         (level == DCL_LEVEL_BEST ? "_best" : "");
}

INSTANTIATE_TEST_SUITE_P(AllModes, RoundTrip,
                         ::testing::Combine(::testing::Values(DCL_BINARY, DCL_ASCII),
                                            ::testing::Values(1024u, 2048u, 4096u),
                                            ::testing::Values(DCL_LEVEL_DEFAULT, DCL_LEVEL_BEST)),
                         ComboName);

TEST(ImplodeArguments, InvalidDictionarySizeAndMode) {
  Bytes in = FromString("hello");
  EXPECT_EQ(Implode(in, DCL_BINARY, 0).code, DCL_INVALID_DICTSIZE);
  EXPECT_EQ(Implode(in, DCL_BINARY, 512).code, DCL_INVALID_DICTSIZE);
  EXPECT_EQ(Implode(in, DCL_BINARY, 8192).code, DCL_INVALID_DICTSIZE);
  EXPECT_EQ(Implode(in, DCL_BINARY, 4095).code, DCL_INVALID_DICTSIZE);
  EXPECT_EQ(Implode(in, 2, 4096).code, DCL_INVALID_MODE);
  EXPECT_EQ(Implode(in, 0xFFFFFFFFu, 1024).code, DCL_INVALID_MODE);
  // The dictionary is checked first; nothing is written for a refused call.
  auto both = Implode(in, 2, 100);
  EXPECT_EQ(both.code, DCL_INVALID_DICTSIZE);
  EXPECT_TRUE(both.data.empty());
  EXPECT_EQ(Implode(in, 2, 4096, DCL_LEVEL_BEST).code, DCL_INVALID_MODE);
}

TEST(ImplodeOutput, EmptyInputIsHeaderAndEndMarker) {
  // Flag 1, length code 0000000 (symbol 15), 8 extra bits 11111111.
  auto r = Implode({}, DCL_BINARY, 4096);
  ASSERT_EQ(r.code, DCL_OK);
  EXPECT_EQ(r.data, (Bytes{0x00, 0x06, 0x01, 0xFF}));
}

TEST(ImplodeOutput, SizeBoundForIncompressibleData) {
  // At worst 9 bits per byte in binary mode plus header and end marker.
  Bytes noise = Pseudorandom(50000, 9);
  for (int level : {DCL_LEVEL_DEFAULT, DCL_LEVEL_BEST}) {
    auto r = Implode(noise, DCL_BINARY, 4096, level);
    ASSERT_EQ(r.code, DCL_OK);
    EXPECT_LE(r.data.size(), 2 + (noise.size() * 9 + 16 + 7) / 8);
  }
}

TEST(ImplodeOutput, BestLevelIsNeverLargerOnSamples) {
  for (const auto& [name, input] : EdgeInputs()) {
    for (unsigned type : {DCL_BINARY, DCL_ASCII}) {
      auto def = Implode(input, type, 4096, DCL_LEVEL_DEFAULT);
      auto best = Implode(input, type, 4096, DCL_LEVEL_BEST);
      EXPECT_LE(best.data.size(), def.data.size()) << name << " type " << type;
    }
  }
}

TEST(ImplodeContract, WorkSizes) {
  EXPECT_EQ(dcl_implode_work_size(DCL_LEVEL_DEFAULT), unsigned{DCL_IMPLODE_WORK_SIZE});
  EXPECT_GT(dcl_implode_work_size(DCL_LEVEL_BEST), unsigned{DCL_IMPLODE_WORK_SIZE});
}

TEST(ImplodeContract, UnalignedWorkAreaAndGuardBytesUntouched) {
  constexpr size_t kGuard = 64;
  Bytes input = Text(20000);
  for (size_t offset : {kGuard, kGuard + 1, kGuard + 3}) {
    std::vector<char> buf(DCL_IMPLODE_WORK_SIZE + 2 * kGuard + 3, '\x5A');
    Stream s;
    s.input = &input;
    unsigned type = DCL_ASCII;
    unsigned dsize = 2048;
    ASSERT_EQ(dcl_implode(Stream::Read, Stream::Write, buf.data() + offset, &s, &type, &dsize),
              DCL_OK);
    for (size_t i = 0; i < offset; ++i) ASSERT_EQ(buf[i], '\x5A');
    for (size_t i = offset + DCL_IMPLODE_WORK_SIZE; i < buf.size(); ++i) ASSERT_EQ(buf[i], '\x5A');
    EXPECT_EQ(Explode(s.output).data, input);
    EXPECT_EQ(type, unsigned{DCL_ASCII});
    EXPECT_EQ(dsize, 2048u);
  }
}

TEST(ImplodeContract, WriteCallbackCanAbort) {
  Bytes input = Pseudorandom(10000, 1);
  Stream s;
  s.input = &input;
  std::vector<char> work(DCL_IMPLODE_WORK_SIZE);
  unsigned type = DCL_BINARY;
  unsigned dsize = 4096;
  auto write = [](char*, unsigned* size, void*) { *size = 0; };
  EXPECT_EQ(dcl_implode(Stream::Read, write, work.data(), &s, &type, &dsize), DCL_ABORTED);
}

TEST(ImplodeContract, ReadCallbackClaimingTooMuchAborts) {
  std::vector<char> work(DCL_IMPLODE_WORK_SIZE);
  Stream s;
  unsigned type = DCL_BINARY;
  unsigned dsize = 4096;
  auto read = [](char*, unsigned* size, void*) -> unsigned { return *size + 1; };
  EXPECT_EQ(dcl_implode(read, Stream::Write, work.data(), &s, &type, &dsize), DCL_ABORTED);
}

}  // namespace
}  // namespace dcl::testing
