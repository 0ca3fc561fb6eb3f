// Explode: the reference vector, every way a stream can be malformed, the
// work-area contract and callback behaviour.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "dcl.h"
#include "dcl_tables.h"
#include "test_support.h"

namespace dcl::testing {
namespace {

const Bytes kGolden = {0x00, 0x04, 0x82, 0x24, 0x25, 0x8f, 0x80, 0x7f};
const std::string kGoldenText = "AIAIAIAIAIAIA";

// Builds streams bit by bit (first bit in the low bit of each byte).
class StreamBuilder {
 public:
  StreamBuilder(uint8_t mode, uint8_t dict_bits) : bytes_{mode, dict_bits} {}

  StreamBuilder& Bits(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << (used_ % 8));
      ++used_;
    }
    return *this;
  }
  StreamBuilder& Literal(uint8_t b) { return Bits(0, 1).Bits(b, 8); }
  StreamBuilder& Length(unsigned len) {
    unsigned s = 0;
    while (len < kLenBase[s] || len >= kLenBase[s] + (1u << kLenExtra[s])) ++s;
    return Bits(1, 1).Bits(kLenCode[s], kLenBits[s]).Bits(len - kLenBase[s], kLenExtra[s]);
  }
  StreamBuilder& Match(unsigned len, unsigned dist) {
    unsigned low = len == 2 ? 2 : bytes_[1];
    unsigned h = (dist - 1) >> low;
    return Length(len).Bits(kDistCode[h], kDistBits[h]).Bits((dist - 1) & ((1u << low) - 1), low);
  }
  StreamBuilder& End() { return Length(kEndMarker); }
  Bytes Get() const { return bytes_; }

 private:
  Bytes bytes_;
  unsigned used_ = 0;
};

TEST(ExplodeGolden, DecodesReferenceVector) {
  auto r = Explode(kGolden);
  EXPECT_EQ(r.code, DCL_OK);
  EXPECT_EQ(r.data, FromString(kGoldenText));
}

TEST(ExplodeGolden, BuilderReproducesReferenceVector) {
  // Literal 'A', literal 'I', a match of 11 at distance 2, the end marker.
  EXPECT_EQ(StreamBuilder(0, 4).Literal('A').Literal('I').Match(11, 2).End().Get(), kGolden);
}

TEST(ExplodeGolden, OneByteReadsGiveSameResult) {
  auto r = Explode(kGolden, 1);
  EXPECT_EQ(r.code, DCL_OK);
  EXPECT_EQ(r.data, FromString(kGoldenText));
}

TEST(ExplodeGolden, TrailingBytesAfterEndMarkerAreIgnored) {
  Bytes in = kGolden;
  in.insert(in.end(), {0xFF, 0x00, 0x12});
  auto r = Explode(in);
  EXPECT_EQ(r.code, DCL_OK);
  EXPECT_EQ(r.data, FromString(kGoldenText));
}

TEST(ExplodeRejects, EmptyAndOneByteInput) {
  EXPECT_EQ(Explode({}).code, DCL_BAD_DATA);
  EXPECT_EQ(Explode({0x00}).code, DCL_BAD_DATA);
}

TEST(ExplodeRejects, BadModeByte) {
  for (uint8_t mode : {2, 3, 0x80, 0xFF}) {
    Bytes in = kGolden;
    in[0] = mode;
    EXPECT_EQ(Explode(in).code, DCL_BAD_DATA) << "mode " << int{mode};
  }
}

TEST(ExplodeRejects, BadDictionaryByte) {
  for (uint8_t bits : {0, 1, 3, 7, 8, 0xFF}) {
    Bytes in = kGolden;
    in[1] = bits;
    EXPECT_EQ(Explode(in).code, DCL_BAD_DATA) << "dict bits " << int{bits};
  }
}

TEST(ExplodeRejects, HeaderWithoutItems) {
  for (uint8_t mode : {0, 1}) {
    for (uint8_t bits : {4, 5, 6}) EXPECT_EQ(Explode({mode, bits}).code, DCL_BAD_DATA);
  }
}

TEST(ExplodeRejects, EveryTruncationOfReferenceVector) {
  for (size_t n = 2; n < kGolden.size(); ++n) {
    Bytes in(kGolden.begin(), kGolden.begin() + static_cast<long>(n));
    auto r = Explode(in);
    EXPECT_EQ(r.code, DCL_BAD_DATA) << "length " << n;
    // Whatever was decoded before the cut has been written out.
    ASSERT_LE(r.data.size(), kGoldenText.size());
    EXPECT_EQ(std::string(r.data.begin(), r.data.end()), kGoldenText.substr(0, r.data.size()));
  }
}

TEST(ExplodeRejects, ZeroPaddingInsteadOfEndMarker) {
  // Zero bits decode as literals of byte 0; the stream runs out mid literal.
  EXPECT_EQ(Explode({0x00, 0x06, 0x00, 0x00, 0x00}).code, DCL_BAD_DATA);
  EXPECT_EQ(Explode(StreamBuilder(0, 6).Literal('x').Get()).code, DCL_BAD_DATA);
}

TEST(ExplodeRejects, DistanceBeforeFirstOutputByte) {
  EXPECT_EQ(Explode(StreamBuilder(0, 4).Match(3, 1).End().Get()).code, DCL_BAD_DATA);
  EXPECT_EQ(Explode(StreamBuilder(0, 4).Literal('a').Match(2, 2).End().Get()).code, DCL_BAD_DATA);
  EXPECT_EQ(Explode(StreamBuilder(0, 6).Literal('a').Literal('b').Match(5, 3).End().Get()).code,
            DCL_BAD_DATA);
  // Exactly reaching the first byte is fine.
  auto ok = Explode(StreamBuilder(0, 6).Literal('a').Literal('b').Match(5, 2).End().Get());
  EXPECT_EQ(ok.code, DCL_OK);
  EXPECT_EQ(ok.data, FromString("abababa"));
}

TEST(ExplodeRejects, DistanceBeyondOutputAfterManyBytes) {
  StreamBuilder b(0, 6);
  for (int i = 0; i < 100; ++i) b.Literal(static_cast<uint8_t>(i));
  EXPECT_EQ(Explode(StreamBuilder(b).Match(10, 100).End().Get()).code, DCL_OK);
  EXPECT_EQ(Explode(StreamBuilder(b).Match(10, 101).End().Get()).code, DCL_BAD_DATA);
  EXPECT_EQ(Explode(StreamBuilder(b).Match(10, 4096).End().Get()).code, DCL_BAD_DATA);
}

TEST(ExplodeRejects, StreamEndingInsideCodes) {
  // ASCII literal 0x80 has a 13-bit code: cut it after 8 of its bits.
  StreamBuilder ascii(1, 6);
  ascii.Bits(0, 1).Bits(kLitCode[0x80], 8);
  EXPECT_EQ(Explode(ascii.Get()).code, DCL_BAD_DATA);
  // A length code cut before its extra bits, and a distance cut before its low bits.
  EXPECT_EQ(Explode(StreamBuilder(0, 6).Literal('a').Bits(1, 1).Bits(kLenCode[15], 7).Get()).code,
            DCL_BAD_DATA);
  EXPECT_EQ(Explode(StreamBuilder(0, 6).Literal('a').Length(3).Bits(kDistCode[0], 2).Get()).code,
            DCL_BAD_DATA);
}

TEST(ExplodeRejects, GarbageNeverCrashesAndStaysBounded) {
  // A fixed pseudo-random sweep; each result is one of the defined codes and
  // the output stays within what the input bits could describe.
  uint32_t seed = 1;
  for (int round = 0; round < 2000; ++round) {
    Bytes in(2 + round % 64);
    for (auto& b : in) {
      seed = seed * 1664525u + 1013904223u;
      b = static_cast<uint8_t>(seed >> 24);
    }
    in[0] = static_cast<uint8_t>(round & 1);
    in[1] = static_cast<uint8_t>(4 + round % 3);
    auto r = Explode(in);
    EXPECT_TRUE(r.code == DCL_OK || r.code == DCL_BAD_DATA);
    EXPECT_LE(r.data.size(), (in.size() - 2) * 8 / 4 * kMaxMatch);
  }
}

TEST(ExplodeContract, LongRunsBeyondWindowChunks) {
  // 'z' then 200 maximal copies at distance 1: 103,601 bytes.
  StreamBuilder b(0, 6);
  b.Literal('z');
  for (int i = 0; i < 200; ++i) b.Match(kMaxMatch, 1);
  auto r = Explode(b.End().Get());
  ASSERT_EQ(r.code, DCL_OK);
  EXPECT_EQ(r.data, Bytes(1 + 200 * kMaxMatch, 'z'));
}

TEST(ExplodeContract, FarDistancesAcrossFlushes) {
  // 4096 distinct-ish literals, then copies from exactly 4096 back, repeatedly.
  StreamBuilder b(0, 6);
  Bytes expect;
  for (int i = 0; i < 4096; ++i) {
    uint8_t v = static_cast<uint8_t>((i * 7) ^ (i >> 8));
    b.Literal(v);
    expect.push_back(v);
  }
  for (int i = 0; i < 40; ++i) {
    b.Match(300, 4096);
    for (int k = 0; k < 300; ++k) expect.push_back(expect[expect.size() - 4096]);
  }
  auto r = Explode(b.End().Get(), 7);
  ASSERT_EQ(r.code, DCL_OK);
  EXPECT_EQ(r.data, expect);
}

TEST(ExplodeContract, ShortPeriodsRepeatThePattern) {
  for (unsigned dist = 1; dist <= 12; ++dist) {
    StreamBuilder b(0, 6);
    Bytes expect;
    for (unsigned i = 0; i < dist; ++i) {
      b.Literal(static_cast<uint8_t>('a' + i));
      expect.push_back(static_cast<uint8_t>('a' + i));
    }
    for (unsigned len : {2u, 3u, 7u, 8u, 9u, 17u, 518u}) {
      if (len == 2 && dist > 256) continue;
      b.Match(len, dist);
      for (unsigned k = 0; k < len; ++k) expect.push_back(expect[expect.size() - dist]);
    }
    auto r = Explode(b.End().Get());
    ASSERT_EQ(r.code, DCL_OK) << "dist " << dist;
    EXPECT_EQ(r.data, expect) << "dist " << dist;
  }
}

TEST(ExplodeContract, UnalignedWorkAreaAndGuardBytesUntouched) {
  constexpr size_t kGuard = 64;
  std::vector<char> buf(DCL_EXPLODE_WORK_SIZE + 2 * kGuard + 1, '\x5A');
  for (size_t offset : {kGuard, kGuard + 1}) {
    std::fill(buf.begin(), buf.end(), '\x5A');
    Stream s;
    s.input = &kGolden;
    EXPECT_EQ(dcl_explode(Stream::Read, Stream::Write, buf.data() + offset, &s), DCL_OK);
    EXPECT_EQ(s.output, FromString(kGoldenText));
    for (size_t i = 0; i < offset; ++i) ASSERT_EQ(buf[i], '\x5A');
    for (size_t i = offset + DCL_EXPLODE_WORK_SIZE; i < buf.size(); ++i) ASSERT_EQ(buf[i], '\x5A');
  }
}

TEST(ExplodeContract, ParamIsPassedThroughToBothCallbacks) {
  struct Probe {
    Stream stream;
    int marker = 42;
  } probe;
  probe.stream.input = &kGolden;
  std::vector<char> work(DCL_EXPLODE_WORK_SIZE);
  auto read = [](char* buf, unsigned* size, void* param) -> unsigned {
    EXPECT_EQ(static_cast<Probe*>(param)->marker, 42);
    return Stream::Read(buf, size, &static_cast<Probe*>(param)->stream);
  };
  auto write = [](char* buf, unsigned* size, void* param) {
    EXPECT_EQ(static_cast<Probe*>(param)->marker, 42);
    Stream::Write(buf, size, &static_cast<Probe*>(param)->stream);
  };
  EXPECT_EQ(dcl_explode(read, write, work.data(), &probe), DCL_OK);
  EXPECT_EQ(probe.stream.output, FromString(kGoldenText));
}

TEST(ExplodeContract, WriteCallbackCanAbort) {
  std::vector<char> work(DCL_EXPLODE_WORK_SIZE);
  Stream s;
  s.input = &kGolden;
  auto write = [](char*, unsigned* size, void*) { *size = 0; };
  EXPECT_EQ(dcl_explode(Stream::Read, write, work.data(), &s), DCL_ABORTED);
}

TEST(ExplodeContract, ReadCallbackClaimingTooMuchAborts) {
  std::vector<char> work(DCL_EXPLODE_WORK_SIZE);
  Stream s;
  auto read = [](char*, unsigned* size, void*) -> unsigned { return *size + 1; };
  EXPECT_EQ(dcl_explode(read, Stream::Write, work.data(), &s), DCL_ABORTED);
}

}  // namespace
}  // namespace dcl::testing
