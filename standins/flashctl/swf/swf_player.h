// Plays a parsed movie frame by frame: keeps the display list (what is
// placed at which depth), the background colour, and reports the
// FSCommands that the frame's actions raise. After the last frame it starts
// again at the first with an empty display list (the background stays); a
// movie of a single frame shows it once and stays on it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "swf_movie.h"

namespace swf {

struct DisplayItem {
  uint16_t character = 0;
  Matrix matrix;
  bool operator==(const DisplayItem&) const = default;
};

struct FsCommand {
  std::string command;
  std::string args;
  bool operator==(const FsCommand&) const = default;
};

// One thing to draw: a shape and where it goes, in depth order.
struct DrawItem {
  const Shape* shape = nullptr;
  Matrix matrix;
};

// Colours whose alpha is below half are not drawn; the rest are drawn
// opaque (the control draws without blending).
inline bool Drawn(const Rgba& color) { return color.a >= 128; }

class Player {
 public:
  static constexpr Rgba kDefaultBackground{255, 255, 255, 255};

  // `movie` must outlive the player.
  explicit Player(const Movie& movie) : movie_(movie) {}

  // Shows the next frame (the first one on the first call) and returns the
  // FSCommands raised by its actions, in file order.
  std::vector<FsCommand> Advance();

  // Whether the last Advance changed the picture: the background colour, or
  // what is placed at any depth and where. A frame that places again what
  // was there, moves nothing or removes an empty depth leaves it unchanged,
  // and so does looping back to a first frame that rebuilds the same list.
  bool Changed() const { return changed_; }

  // Index of the frame shown, -1 before the first Advance.
  long FrameIndex() const { return frame_; }
  Rgba Background() const { return background_; }
  const std::map<uint16_t, DisplayItem>& DisplayList() const { return displayList_; }
  // The placed characters that are shapes of the dictionary, by depth,
  // from the first `placed` objects of the display list.
  std::vector<DrawItem> Items(size_t placed = SIZE_MAX) const;

 private:
  void Place(const FrameOp& op);
  // Remembers what `depth` held before the frame first touched it.
  void Touch(uint16_t depth);

  const Movie& movie_;
  long frame_ = -1;
  bool changed_ = false;
  // The depths the frame touched, each with what it held before the frame.
  std::map<uint16_t, std::optional<DisplayItem>> before_;
  Rgba background_ = kDefaultBackground;
  std::map<uint16_t, DisplayItem> displayList_;
};

// Maps the movie's stage (twips) onto a drawing area of `width` x `height`
// pixels: pixel = twips * scale + offset.
struct Viewport {
  double scaleX = 0, scaleY = 0, offsetX = 0, offsetY = 0;
  Point ToPixels(Point twips) const {
    return {twips.x * scaleX + offsetX, twips.y * scaleY + offsetY};
  }
};

// Scale modes of the control: 0 shows the whole stage with its aspect kept,
// centred (the default); 1 fills the area with the aspect kept, cropping;
// 2 stretches the stage to the area; 3 draws at 1:1, centred. Other values
// count as 0. A stage without area is drawn at 1:1 from the top left.
Viewport FitMovie(const Rect& stage, int width, int height, int scaleMode);

// The colour a point of the stage (twips) shows in the current frame: the
// background, overdrawn in depth order by each shape's fills (even-odd) and
// strokes. The drawing code follows the same rules; tests use this to check
// frames without rasterising.
Rgba ColorAt(const Player& player, Point stage);

}  // namespace swf
