// Interoperability with two independent implementations of the format:
// StormLib (Debian libstorm-dev: raw implode and explode) and libdynamite
// (explode only, binary mode only). Streams made by either side must expand
// to the original on the other, over real files found on this machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dcl.h"
#include "oracles.h"
#include "test_support.h"

namespace dcl::testing {
namespace {

// StormLib's work structures hold pointers, so on 64-bit hosts they outgrow
// the classic 32-bit sizes; give them room.
constexpr size_t kStormWork = 65536;

Bytes StormImplode(const Bytes& in, unsigned type, unsigned dsize) {
  Stream s;
  s.input = &in;
  std::vector<char> work(kStormWork);
  unsigned code = implode(Stream::Read, Stream::Write, work.data(), &s, &type, &dsize);
  EXPECT_EQ(code, 0u);
  return s.output;
}

CodecResult StormExplode(const Bytes& in) {
  Stream s;
  s.input = &in;
  std::vector<char> work(kStormWork);
  CodecResult r;
  r.code = explode(Stream::Read, Stream::Write, work.data(), &s);
  r.data = std::move(s.output);
  return r;
}

struct DynamiteIo {
  const Bytes* in;
  size_t pos = 0;
  Bytes out;
};

size_t DynamiteRead(void* buf, size_t size, void* cookie) {
  auto* io = static_cast<DynamiteIo*>(cookie);
  size_t n = std::min(size, io->in->size() - io->pos);
  std::memcpy(buf, io->in->data() + io->pos, n);
  io->pos += n;
  return n;
}

size_t DynamiteWrite(void* buf, size_t size, void* cookie) {
  auto* io = static_cast<DynamiteIo*>(cookie);
  auto* p = static_cast<const uint8_t*>(buf);
  io->out.insert(io->out.end(), p, p + size);
  return size;
}

CodecResult DynamiteExplode(const Bytes& in) {
  DynamiteIo io{&in, 0, {}};
  CodecResult r;
  r.code = dynamite_explode(DynamiteRead, DynamiteWrite, &io);
  r.data = std::move(io.out);
  return r;
}

struct Sample {
  std::string name;
  Bytes data;
};

// Real PE files and text from this machine, and a generated bitmap.
std::vector<Sample> Corpus() {
  std::vector<Sample> corpus;
  auto files = FindPeFiles(4, 30000, 400000);
  auto texts = FindTextFiles();
  files.insert(files.end(), texts.begin(), texts.end());
  for (const auto& path : files) {
    if (auto data = ReadFile(path)) corpus.push_back({path.string(), std::move(*data)});
  }
  if (corpus.empty()) return corpus;  // the bitmap alone is not a real-file corpus
  corpus.push_back({"generated.bmp", MakeBitmap(160, 120)});
  return corpus;
}

const std::vector<Sample>& SharedCorpus() {
  static const std::vector<Sample> corpus = Corpus();
  return corpus;
}

const unsigned kDictSizes[] = {1024, 2048, 4096};

TEST(Oracle, ReferenceVectorAgreesEverywhere) {
  const Bytes golden = {0x00, 0x04, 0x82, 0x24, 0x25, 0x8f, 0x80, 0x7f};
  const Bytes text = FromString("AIAIAIAIAIAIA");
  EXPECT_EQ(StormExplode(golden).data, text);
  auto dyn = DynamiteExplode(golden);
  EXPECT_EQ(dyn.code, DYNAMITE_SUCCESS);
  EXPECT_EQ(dyn.data, text);
  EXPECT_EQ(Explode(golden).data, text);
}

TEST(Oracle, StormLibImplodeOurExplode) {
  const auto& corpus = SharedCorpus();
  if (corpus.empty()) GTEST_SKIP() << "no corpus files on this machine";
  for (const auto& sample : corpus) {
    for (unsigned type : {DCL_BINARY, DCL_ASCII}) {
      for (unsigned dsize : kDictSizes) {
        Bytes packed = StormImplode(sample.data, type, dsize);
        auto ours = Explode(packed);
        ASSERT_EQ(ours.code, DCL_OK) << sample.name << " type " << type << " dict " << dsize;
        EXPECT_EQ(ours.data, sample.data) << sample.name << " type " << type << " dict " << dsize;
      }
    }
  }
}

TEST(Oracle, OurImplodeStormLibExplode) {
  const auto& corpus = SharedCorpus();
  if (corpus.empty()) GTEST_SKIP() << "no corpus files on this machine";
  for (const auto& sample : corpus) {
    for (int level : {DCL_LEVEL_DEFAULT, DCL_LEVEL_BEST}) {
      for (unsigned type : {DCL_BINARY, DCL_ASCII}) {
        for (unsigned dsize : kDictSizes) {
          auto packed = Implode(sample.data, type, dsize, level);
          ASSERT_EQ(packed.code, DCL_OK);
          auto theirs = StormExplode(packed.data);
          EXPECT_EQ(theirs.data, sample.data)
              << sample.name << " level " << level << " type " << type << " dict " << dsize;
        }
      }
    }
  }
}

TEST(Oracle, OurImplodeDynamiteExplode) {
  const auto& corpus = SharedCorpus();
  if (corpus.empty()) GTEST_SKIP() << "no corpus files on this machine";
  for (const auto& sample : corpus) {
    for (int level : {DCL_LEVEL_DEFAULT, DCL_LEVEL_BEST}) {
      for (unsigned dsize : kDictSizes) {
        auto packed = Implode(sample.data, DCL_BINARY, dsize, level);
        ASSERT_EQ(packed.code, DCL_OK);
        auto theirs = DynamiteExplode(packed.data);
        EXPECT_EQ(theirs.code, DYNAMITE_SUCCESS) << sample.name;
        EXPECT_EQ(theirs.data, sample.data)
            << sample.name << " level " << level << " dict " << dsize;
      }
    }
  }
}

TEST(Oracle, StormLibImplodeDynamiteAndOursAgree) {
  // Both decoders read the same foreign stream byte for byte alike, also when
  // the input arrives one byte per read call.
  const auto& corpus = SharedCorpus();
  if (corpus.empty()) GTEST_SKIP() << "no corpus files on this machine";
  const Sample& sample = corpus.front();
  Bytes packed = StormImplode(sample.data, DCL_BINARY, 4096);
  auto dyn = DynamiteExplode(packed);
  EXPECT_EQ(dyn.data, sample.data);
  auto ours = Explode(packed, 1);
  ASSERT_EQ(ours.code, DCL_OK);
  EXPECT_EQ(ours.data, sample.data);
}

}  // namespace
}  // namespace dcl::testing
