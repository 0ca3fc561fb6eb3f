// Flash drawing benchmark, run under Wine: plays each movie named on the
// command line as the control does (frames advanced at the movie's rate,
// a frame drawn only when it changes the picture, within the per-frame
// limits) into a 32-bit bitmap of the given size, and prints one markdown
// table row per movie: load time, frames played and drawn, frames drawn
// per second of playing, mean and worst milliseconds per drawn frame.
//
// usage: flash_bench.exe [--unlimited] [--seconds S] [--size WxH] MOVIE.swf...
//   --unlimited   no per-frame limits: what every frame would cost without them
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "gdi_draw.h"
#include "swf_bits.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Options {
  bool unlimited = false;
  double seconds = 5;
  int width = 640, height = 480;
  std::vector<std::string> movies;
};

// A 32-bit top-down DIB section selected into a memory DC.
class Canvas {
 public:
  Canvas(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Run(const Options& options, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
  const Clock::time_point loadStart = Clock::now();
  swf::Movie movie;
  try {
    movie = swf::ParseMovie(bytes);
  } catch (const swf::FormatError& error) {
    std::printf("| %s | unreadable: %s |\n", BaseName(path).c_str(), error.what());
    return;
  }
  const double loadMs = Ms(Clock::now() - loadStart);
  swf::FrameLimits limits;
  if (options.unlimited) {
    limits.objects = limits.edges = std::numeric_limits<size_t>::max();
    limits.fillWork = limits.strokeWork = std::numeric_limits<double>::infinity();
  }
  const RECT area{0, 0, options.width, options.height};
  const swf::Viewport view = flashctl::FrameView(area, movie, 0);
  const double interval = swf::FrameIntervalMs(movie.frameRate) / 1000.0;
  const long played = std::max(1L, std::lround(options.seconds / interval));
  Canvas canvas(options.width, options.height);
  swf::PathCache cache;
  swf::Player player(movie);
  long drawn = 0;
  double totalMs = 0, worstMs = 0, planMs = 0;
  bool trimmed = false;
  for (long frame = 0; frame < played; ++frame) {
    player.Advance();
    if (!player.Changed()) continue;
    const Clock::time_point start = Clock::now();
    swf::FramePlan plan = swf::PlanFrame(player, view, limits);
    planMs += Ms(Clock::now() - start);
    flashctl::FrameDrawing drawing(std::move(plan), view, area, &cache);
    drawing.Continue(canvas.Dc(), nullptr);
    GdiFlush();
    const double ms = Ms(Clock::now() - start);
    trimmed = trimmed || drawing.Plan().trimmed;
    ++drawn;
    totalMs += ms;
    worstMs = std::max(worstMs, ms);
  }
  const double playedSeconds = static_cast<double>(played) * interval;
  std::printf("| %s | %zu KB | %.1f | %ld | %ld | %.2f | %.2f | %.2f | %.2f | %s |\n",
              BaseName(path).c_str(), bytes.size() / 1024, loadMs, played, drawn,
              static_cast<double>(drawn) / playedSeconds, drawn ? totalMs / drawn : 0.0,
              drawn ? planMs / drawn : 0.0, worstMs, trimmed ? "yes" : "no");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--unlimited") == 0) {
      options.unlimited = true;
    } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      options.seconds = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &options.width, &options.height) != 2) return 2;
    } else {
      options.movies.emplace_back(argv[i]);
    }
  }
  if (options.movies.empty() || options.width <= 0 || options.height <= 0) {
    std::fprintf(stderr,
                 "usage: flash_bench [--unlimited] [--seconds S] [--size WxH] MOVIE.swf...\n");
    return 2;
  }
  std::printf(
      "| Movie | Size | Load ms | Frames played | Frames drawn | Drawn per s | ms per "
      "frame | of it planning | Worst ms | Cut by limits |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---|\n");
  for (const std::string& movie : options.movies) Run(options, movie);
  return 0;
}
