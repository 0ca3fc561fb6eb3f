#include "progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace saverpack {
namespace {

using Clock = std::chrono::steady_clock;

// Inputs below this show no line: they are read in a moment.
constexpr uint64_t kShownFrom = 4u << 20;
constexpr auto kInterval = std::chrono::milliseconds(200);

struct Meter {
  bool active = false;
  bool shown = false;
  uint64_t total = 0;
  uint64_t done = 0;
  Clock::time_point start;
  Clock::time_point last;
};

Meter gMeter;

void Draw() {
  const double seconds = std::chrono::duration<double>(Clock::now() - gMeter.start).count();
  const double mb = static_cast<double>(gMeter.done) / (1 << 20);
  const unsigned percent = static_cast<unsigned>(
      gMeter.total ? std::min<uint64_t>(100, gMeter.done * 100 / gMeter.total) : 100);
  std::fprintf(stderr, "\rsaverpack: %3u%%  %.1f MB read, %.1f MB/s ", percent, mb,
               seconds > 0 ? mb / seconds : 0.0);
  std::fflush(stderr);
  gMeter.shown = true;
}

}  // namespace

void ExpectProgress(uint64_t total) {
  gMeter.total = total;
  gMeter.done = 0;
  gMeter.start = gMeter.last = Clock::now();
}

void ReportProgress(uint64_t bytes) {
  if (!gMeter.active) return;
  gMeter.done += bytes;
  if (gMeter.total < kShownFrom) return;
  const Clock::time_point now = Clock::now();
  if (now - gMeter.last < kInterval) return;
  gMeter.last = now;
  Draw();
}

ProgressLine::ProgressLine(bool quiet) {
  gMeter = Meter{};
  gMeter.active = !quiet && ::isatty(STDERR_FILENO) == 1;
}

ProgressLine::~ProgressLine() {
  if (gMeter.shown) {
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
  }
  gMeter = Meter{};
}

}  // namespace saverpack
