// Side-by-side codec benchmark. Corpus: about 16 MB of 32-bit PE files from
// this machine, concatenated, and the licence texts for ASCII mode. Each
// measurement is the best of several runs. Prints a markdown table.
//
// Usage: codec_bench [corpus_megabytes] [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dcl.h"
#include "oracles.h"
#include "test_support.h"

namespace {

using dcl::testing::Bytes;

// Input and output over preallocated memory, so that every codec pays the
// same callback cost.
struct Io {
  const Bytes* in;
  size_t pos;
  uint8_t* out;
  size_t out_len;
  size_t out_cap;
};

unsigned ReadCb(char* buf, unsigned* size, void* param) {
  auto* io = static_cast<Io*>(param);
  size_t n = std::min<size_t>(*size, io->in->size() - io->pos);
  std::memcpy(buf, io->in->data() + io->pos, n);
  io->pos += n;
  return static_cast<unsigned>(n);
}

void WriteCb(char* buf, unsigned* size, void* param) {
  auto* io = static_cast<Io*>(param);
  size_t n = std::min<size_t>(*size, io->out_cap - io->out_len);
  std::memcpy(io->out + io->out_len, buf, n);
  io->out_len += n;
}

size_t DynRead(void* buf, size_t size, void* cookie) {
  unsigned s = static_cast<unsigned>(std::min<size_t>(size, 1u << 20));
  return ReadCb(static_cast<char*>(buf), &s, cookie);
}

size_t DynWrite(void* buf, size_t size, void* cookie) {
  unsigned s = static_cast<unsigned>(size);
  WriteCb(static_cast<char*>(buf), &s, cookie);
  return size;
}

enum class Codec { kOurs, kOursBest, kStorm, kDynamite, kMemcpy };

// Runs one codec over `in` into `out`; returns the output length.
size_t RunOnce(Codec codec, bool compress, const Bytes& in, Bytes& out, unsigned type) {
  Io io{&in, 0, out.data(), 0, out.size()};
  static std::vector<char> work(1 << 20);
  unsigned dsize = 4096;
  switch (codec) {
    case Codec::kOurs:
      if (compress) {
        dcl_implode(ReadCb, WriteCb, work.data(), &io, &type, &dsize);
      } else {
        dcl_explode(ReadCb, WriteCb, work.data(), &io);
      }
      break;
    case Codec::kOursBest:
      dcl_implode_level(ReadCb, WriteCb, work.data(), &io, &type, &dsize, DCL_LEVEL_BEST);
      break;
    case Codec::kStorm:
      if (compress) {
        implode(ReadCb, WriteCb, work.data(), &io, &type, &dsize);
      } else {
        explode(ReadCb, WriteCb, work.data(), &io);
      }
      break;
    case Codec::kDynamite:
      dynamite_explode(DynRead, DynWrite, &io);
      break;
    case Codec::kMemcpy:
      std::memcpy(out.data(), in.data(), in.size());
      io.out_len = in.size();
      break;
  }
  return io.out_len;
}

struct Timing {
  double seconds;
  size_t out_len;
};

Timing Measure(Codec codec, bool compress, const Bytes& in, Bytes& out, unsigned type, int runs) {
  Timing best{1e30, 0};
  for (int r = 0; r < runs; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    size_t n = RunOnce(codec, compress, in, out, type);
    auto t1 = std::chrono::steady_clock::now();
    best.seconds = std::min(best.seconds, std::chrono::duration<double>(t1 - t0).count());
    best.out_len = n;
  }
  return best;
}

Bytes Compress(Codec codec, const Bytes& in, unsigned type) {
  Bytes out(in.size() * 2 + 1024);
  out.resize(RunOnce(codec, true, in, out, type));
  return out;
}

Bytes LoadTextCorpus() {
  Bytes all;
  for (const auto& p : dcl::testing::FindTextFiles()) {
    if (auto data = dcl::testing::ReadFile(p)) all.insert(all.end(), data->begin(), data->end());
  }
  return all;
}

double Mbps(size_t bytes, double seconds) { return bytes / seconds / 1e6; }

void PrintExplode(const Bytes& corpus, int runs) {
  Bytes packed = Compress(Codec::kStorm, corpus, DCL_BINARY);
  Bytes out(corpus.size() + 4096);
  std::printf(
      "\n### Explode: StormLib's binary/4096 stream of the PE corpus (%zu -> %zu bytes)\n\n",
      packed.size(), corpus.size());
  std::printf("| decoder | MB/s of output | x StormLib | output correct |\n|---|---:|---:|---|\n");
  struct Row {
    const char* name;
    Codec codec;
  };
  const Row rows[] = {{"StormLib", Codec::kStorm},
                      {"ours", Codec::kOurs},
                      {"libdynamite", Codec::kDynamite},
                      {"memcpy", Codec::kMemcpy}};
  double storm_mbps = 0;
  for (const auto& row : rows) {
    const Bytes& in = row.codec == Codec::kMemcpy ? corpus : packed;
    int n = row.codec == Codec::kDynamite ? std::max(1, runs / 3) : runs;
    Timing t = Measure(row.codec, false, in, out, 0, n);
    bool ok =
        t.out_len == corpus.size() && std::memcmp(out.data(), corpus.data(), corpus.size()) == 0;
    double mbps = Mbps(corpus.size(), t.seconds);
    if (row.codec == Codec::kStorm) storm_mbps = mbps;
    std::printf("| %s | %.1f | %.2f | %s |\n", row.name, mbps, mbps / storm_mbps,
                ok ? "yes" : "NO");
  }
}

void PrintImplode(const char* title, const Bytes& corpus, unsigned type, int runs) {
  std::printf("\n### Implode: %s, %s mode, 4096 dictionary (%zu bytes in)\n\n", title,
              type == DCL_ASCII ? "ASCII" : "binary", corpus.size());
  std::printf(
      "| encoder | MB/s of input | x StormLib speed | compressed bytes | vs StormLib size | "
      "round trip |\n|---|---:|---:|---:|---:|---|\n");
  struct Row {
    const char* name;
    Codec codec;
  };
  const Row rows[] = {{"StormLib", Codec::kStorm},
                      {"ours (default)", Codec::kOurs},
                      {"ours (best)", Codec::kOursBest}};
  Bytes out(corpus.size() * 2 + 1024);
  Bytes back(corpus.size() + 4096);
  double storm_mbps = 0;
  size_t storm_size = 0;
  for (const auto& row : rows) {
    int n = row.codec == Codec::kOursBest ? std::max(1, runs / 3) : runs;
    Timing t = Measure(row.codec, true, corpus, out, type, n);
    Bytes packed(out.begin(), out.begin() + static_cast<long>(t.out_len));
    size_t back_len = RunOnce(Codec::kOurs, false, packed, back, type);
    bool ok =
        back_len == corpus.size() && std::memcmp(back.data(), corpus.data(), corpus.size()) == 0;
    double mbps = Mbps(corpus.size(), t.seconds);
    if (row.codec == Codec::kStorm) {
      storm_mbps = mbps;
      storm_size = t.out_len;
    }
    double size_change = 100.0 * (static_cast<double>(t.out_len) / storm_size - 1.0);
    std::printf("| %s | %.1f | %.2f | %zu | %+.2f%% | %s |\n", row.name, mbps, mbps / storm_mbps,
                t.out_len, size_change, ok ? "yes" : "NO");
  }
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 16;
  int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  Bytes pe = dcl::testing::LoadPeCorpus(megabytes);
  Bytes text = LoadTextCorpus();
  if (pe.empty()) {
    std::fprintf(stderr, "codec_bench: no 32-bit PE files found for the corpus\n");
    return 1;
  }
  std::printf("Corpus: %zu bytes of concatenated 32-bit PE files; %zu bytes of licence text.\n",
              pe.size(), text.size());
  PrintExplode(pe, runs);
  PrintImplode("PE corpus", pe, DCL_BINARY, runs);
  if (!text.empty()) PrintImplode("licence texts", text, DCL_ASCII, runs);
  return 0;
}
