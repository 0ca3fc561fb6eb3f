// Any bytes as a movie file: the reader either refuses them with
// swf::FormatError or gives a model that the player plays, plans within
// the per-frame limits and samples without leaving its memory. The work a
// frame would cost to draw is checked against the limits, so an input that
// gets past them stops the fuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "swf_bits.h"
#include "swf_frame.h"

namespace {

void CheckBounded(const swf::FramePlan& plan) {
  const bool within = plan.objects <= swf::kMaxFrameObjects && plan.edges <= swf::kMaxFrameEdges &&
                      plan.fillWork <= swf::kMaxFrameFillWork &&
                      plan.strokeWork <= swf::kMaxFrameStrokeWork;
  if (!within) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  swf::Movie movie;
  try {
    movie = swf::ParseMovie(std::span<const uint8_t>(data, size));
  } catch (const swf::FormatError&) {
    return 0;
  }
  swf::Player player(movie);
  const swf::Viewport view = swf::FitMovie(movie.frameSize, 64, 48, 0);
  swf::PathCache cache;
  for (size_t frame = 0; frame <= movie.frames.size() && frame < 16; ++frame) {
    player.Advance();
    const swf::FramePlan plan = swf::PlanFrame(player, view);
    CheckBounded(plan);
    for (const swf::DrawStep& step : plan.steps) {
      const swf::DevicePath& path = cache.Get(step, view, 0, 0);
      if (path.points.size() > step.points) std::abort();
    }
    cache.EndFrame();
    swf::ColorAt(player, {static_cast<double>(movie.frameSize.xMin), 0});
  }
  return 0;
}
