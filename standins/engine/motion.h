// What moves on the screen and what ends the full-screen run.
#pragma once

#include <cstdint>

namespace engine {

struct Extent {
  int width = 0;
  int height = 0;
};

struct Point {
  int x = 0;
  int y = 0;
};

// An item (picture or text) gliding across an area and bouncing off its
// edges at `speed` pixels per second along each axis. An item wider or
// higher than the area stays centred along that axis.
class Bouncer {
 public:
  Bouncer(Extent area, Extent item, uint32_t speed);

  void Resize(Extent area, Extent item);
  // Moves on by `elapsedMs` milliseconds and returns the item's top left.
  Point Advance(uint32_t elapsedMs);
  Point Position() const;

 private:
  // One axis as a phase along a round trip: [0, room] forward, (room,
  // 2 * room) on the way back.
  struct Axis {
    double phase = 0;
    int room = 0;  // area minus item; negative when the item is larger
    void SetRoom(int newRoom);
    void Step(double distance);
    double Position() const;
  };

  Axis x_;
  Axis y_;
  double speed_;
};

// Mouse movement that ends a full-screen run: the first report only sets
// the origin (a window appearing under the cursor gets one), and moves of
// up to `threshold` pixels from there are ignored.
class MouseWatch {
 public:
  explicit MouseWatch(int threshold = kDefaultThreshold) : threshold_(threshold) {}

  // True once the cursor is further than the threshold from the origin.
  bool MovedFar(Point cursor);

  static constexpr int kDefaultThreshold = 8;

 private:
  int threshold_;
  bool hasOrigin_ = false;
  Point origin_;
};

}  // namespace engine
