// CRC-32 throughput: the installer's slicing-by-8 (package/crc32.h) against
// a byte-at-a-time table and zlib's crc32, on one buffer, best of N runs;
// then the entry check of an installer file as the installer runs it:
// every marked entry read in 64 KB pieces and checked.
//
//   crc_bench [MB] [RUNS] [INSTALLER]      (default 64 MB, best of 5)
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "package/crc32.h"
#include "package/entry_marker.h"

#ifdef SAVER_BENCH_ZLIB
#include <zlib.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

uint32_t Bytewise(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  const auto& t = saver::crc32_detail::kTables[0];
  for (size_t i = 0; i < n; ++i) crc = t[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

// Best time of `runs` in seconds; `result` keeps the work from being dropped.
double Best(int runs, const std::function<uint32_t()>& work, uint32_t& result) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    result = work();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

// The installer's check of a file, with the standard library's files in
// place of the platform's: header and table, then each marked entry in
// 64 KB pieces. Returns false on a mismatch.
bool CheckFile(const char* path, size_t& checkedBytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  uint8_t raw[saver::kHeaderAndTableSize];
  bool ok = std::fseek(file, saver::PackageOffset, SEEK_SET) == 0 &&
            std::fread(raw, 1, sizeof raw, file) == sizeof raw;
  std::vector<uint8_t> chunk(64 * 1024);
  checkedBytes = 0;
  if (ok) {
    const auto dir = saver::ParseDirectory(raw);
    const auto checks = saver::CheckDirectory(dir, [&](int slot) -> std::optional<uint32_t> {
      const saver::PackageEntry& e = dir.table[slot];
      std::fseek(file, e.startOffset(), SEEK_SET);
      saver::Crc32Stream crc;
      for (int64_t left = e.storedLength(); left > 0;) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(left, 64 * 1024));
        if (std::fread(chunk.data(), 1, want, file) != want) return std::nullopt;
        crc.Update({chunk.data(), want});
        left -= static_cast<int64_t>(want);
        checkedBytes += want;
      }
      return crc.value();
    });
    for (saver::EntryCheck c : checks) {
      ok = ok && c != saver::EntryCheck::kDamaged && c != saver::EntryCheck::kLost;
    }
  }
  std::fclose(file);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  std::vector<uint8_t> data(mb << 20);
  std::mt19937 rng(1);
  for (auto& b : data) b = static_cast<uint8_t>(rng());

  uint32_t ours = 0, bytewise = 0;
  const double tOurs = Best(
      runs, [&] { return saver::Crc32(data); }, ours);
  const double tByte = Best(
      runs, [&] { return Bytewise(data.data(), data.size()); }, bytewise);
  if (ours != bytewise) {
    std::fprintf(stderr, "crc_bench: the CRCs differ: %08X %08X\n", ours, bytewise);
    return 1;
  }
  const double mbs = static_cast<double>(data.size()) / (1 << 20);
  std::printf("| CRC-32 of %zu MB, best of %d | MB/s |\n|---|---|\n", mb, runs);
  std::printf("| slicing by 8 (package/crc32.h, installer, builder, impborl.dll) | %.0f |\n",
              mbs / tOurs);
  std::printf("| byte at a time (one table) | %.0f |\n", mbs / tByte);
#ifdef SAVER_BENCH_ZLIB
  uint32_t zlib = 0;
  const double tZlib = Best(
      runs,
      [&] { return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))); },
      zlib);
  if (zlib != ours) {
    std::fprintf(stderr, "crc_bench: zlib's CRC differs: %08X %08X\n", ours, zlib);
    return 1;
  }
  std::printf("| zlib crc32 | %.0f |\n", mbs / tZlib);
#endif

  if (argc > 3) {
    size_t bytes = 0;
    uint32_t ok = 0;
    const double t = Best(
        runs, [&] { return CheckFile(argv[3], bytes) ? 1u : 0u; }, ok);
    if (!ok) {
      std::fprintf(stderr, "crc_bench: %s does not pass its entry check\n", argv[3]);
      return 1;
    }
    std::printf("\nEntry check of %s: %zu bytes of entries in %.2f ms (file in the page cache)\n",
                argv[3], bytes, t * 1000);
  }
  return 0;
}
