// What drawing a frame costs and how it is bounded: the frame as a list of
// drawing steps cut to the per-frame limits (swf_movie.h), the device
// points of each step with a cache that keeps them from one frame to the
// next, and the timer interval of a movie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "swf_player.h"

namespace swf {

// Per-frame limits; the defaults are the control's.
struct FrameLimits {
  size_t objects = kMaxFrameObjects;
  size_t edges = kMaxFrameEdges;
  double fillWork = kMaxFrameFillWork;
  double strokeWork = kMaxFrameStrokeWork;
};

// One fill or one stroke of a placed shape. `points` is how many of its
// points are drawn: for a fill, the outlines in order up to that many
// points in all (an outline cut short is closed by the filling); for a
// stroke, its first `points` points.
struct DrawStep {
  enum class Kind : uint8_t { kFill, kStroke };
  Kind kind = Kind::kFill;
  const Shape* shape = nullptr;
  size_t index = 0;  // into shape->fills or shape->strokes
  Matrix matrix;
  size_t points = 0;
};

struct FramePlan {
  Rgba background;
  std::vector<DrawStep> steps;  // in drawing order
  size_t objects = 0;           // placed shapes that got at least one step
  size_t edges = 0;             // fill edges drawn
  double fillWork = 0;          // see kMaxFrameFillWork
  double strokeWork = 0;        // see kMaxFrameStrokeWork
  bool trimmed = false;         // a limit left something out
};

// The steps of the frame `player` shows, drawn through `view`, cut to
// `limits`. Fills and strokes that are not drawn (see swf::Drawn) and
// outlines or strokes too short to show take no step and cost nothing.
FramePlan PlanFrame(const Player& player, const Viewport& view, const FrameLimits& limits = {});

// The pen width in pixels of a stroke drawn with `matrix` through `view`,
// at least 1.
double PenPixels(const Stroke& stroke, const Matrix& matrix, const Viewport& view);

// What one point of a stroke drawn with a pen `penPixels` wide counts
// against kMaxFrameStrokeWork.
double StrokePointWork(double penPixels);

// Milliseconds between frames of a movie playing at `rate` frames per
// second: never faster than 60 frames a second, 12 a second for a rate
// below 1 or not a number.
unsigned FrameIntervalMs(double rate);

// A point of the drawing area in whole pixels, rounded to nearest and kept
// within a range that any device context clips alike.
struct DevicePoint {
  int32_t x = 0, y = 0;
  bool operator==(const DevicePoint&) const = default;
};
DevicePoint ToDevice(const Viewport& view, int32_t originX, int32_t originY, const Matrix& m,
                     Point p);

// The device points of a step: every point, and the points of each outline
// (a fill) or the one polyline (a stroke).
struct DevicePath {
  std::vector<DevicePoint> points;
  std::vector<int32_t> counts;
};

// Device points of the steps of a frame, kept from one frame to the next:
// a step drawn again with the same shape, matrix, view and point count is
// not transformed again. What the last frame did not use is dropped at
// the end of each frame, so the cache never holds more than two frames'
// worth of points, both bounded by the limits.
class PathCache {
 public:
  const DevicePath& Get(const DrawStep& step, const Viewport& view, int32_t originX,
                        int32_t originY);
  // Drops the paths that were not used since the last call.
  void EndFrame();
  void Clear() { entries_.clear(); }

  size_t Size() const { return entries_.size(); }
  size_t Hits() const { return hits_; }
  size_t Misses() const { return misses_; }

 private:
  using Key = std::tuple<const Shape*, uint8_t, size_t, size_t, double, double, double, double,
                         double, double, double, double, double, double, int32_t, int32_t>;
  struct Entry {
    DevicePath path;
    bool used = false;
  };
  std::map<Key, Entry> entries_;
  size_t hits_ = 0, misses_ = 0;
};

// Computes a step's device points (what the cache holds).
DevicePath TransformStep(const DrawStep& step, const Viewport& view, int32_t originX,
                         int32_t originY);

// The work of filling a path's outlines (each closed from its last point to
// its first): over the pixel rows from the top to the bottom, the sum of
// the squares of the number of edges crossing each row.
double FillWork(const DevicePath& path);

}  // namespace swf
