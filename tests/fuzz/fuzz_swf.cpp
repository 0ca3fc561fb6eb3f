// Any bytes as a movie file: the reader either refuses them with
// swf::FormatError or gives a model that the player plays and samples
// without leaving its memory.
#include <cstddef>
#include <cstdint>
#include <span>

#include "swf_bits.h"
#include "swf_player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  swf::Movie movie;
  try {
    movie = swf::ParseMovie(std::span<const uint8_t>(data, size));
  } catch (const swf::FormatError&) {
    return 0;
  }
  swf::Player player(movie);
  const swf::Viewport view = swf::FitMovie(movie.frameSize, 64, 48, 0);
  for (size_t frame = 0; frame <= movie.frames.size() && frame < 16; ++frame) {
    player.Advance();
    for (const swf::DrawItem& item : player.Items()) {
      for (const auto& fill : item.shape->fills) {
        for (const auto& outline : fill.outlines) {
          for (const swf::Point& p : outline) view.ToPixels(swf::Apply(item.matrix, p));
        }
      }
    }
    swf::ColorAt(player, {static_cast<double>(movie.frameSize.xMin), 0});
  }
  return 0;
}
