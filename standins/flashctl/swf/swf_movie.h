// The model of a movie as the player needs it: the header, the shapes of
// its dictionary, and for every frame the display-list changes and actions
// that the frame's tags ask for. Coordinates are in twips (1/20 pixel), as
// in the file.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace swf {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};

struct Rect {
  int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

// x' = scaleX*x + skew1*y + translateX;  y' = skew0*x + scaleY*y + translateY
struct Matrix {
  double scaleX = 1, skew0 = 0, skew1 = 0, scaleY = 1;
  double translateX = 0, translateY = 0;
  bool operator==(const Matrix&) const = default;
};

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

Point Apply(const Matrix& m, Point p);

// A shape after parsing: curves are already flattened into straight
// segments, fills are closed outlines filled by the even-odd rule, strokes
// are open polylines.
struct FilledArea {
  Rgba color;
  std::vector<std::vector<Point>> outlines;
};
struct Stroke {
  Rgba color;
  uint16_t width = 0;  // twips; 0 is a hairline
  std::vector<Point> points;
};
struct Shape {
  Rect bounds;
  std::vector<FilledArea> fills;
  std::vector<Stroke> strokes;
};

// One display-list change or action of a frame, in file order.
struct FrameOp {
  enum class Kind { kPlace, kRemove, kBackground, kFsCommand };
  Kind kind = Kind::kPlace;
  uint16_t depth = 0;
  // kPlace: what PlaceObject/PlaceObject2 carried.
  bool move = false;
  bool hasCharacter = false;
  uint16_t character = 0;
  bool hasMatrix = false;
  Matrix matrix;
  // kBackground
  Rgba color;
  // kFsCommand: the text after "FSCommand:" and the target string
  std::string command;
  std::string args;
};

struct Movie {
  uint8_t version = 0;
  bool compressed = false;
  Rect frameSize;
  double frameRate = 0;  // frames per second as stored (8.8 fixed point)
  uint16_t frameCount = 0;
  std::map<uint16_t, Shape> shapes;
  std::vector<std::vector<FrameOp>> frames;
};

// Limits that keep a hostile file's cost bounded.
inline constexpr size_t kMaxMovieBytes = 32u << 20;  // uncompressed file length
inline constexpr size_t kMaxShapePoints = 1u << 20;  // per shape, after flattening
inline constexpr size_t kMaxMoviePoints = 1u << 22;  // all shapes together
inline constexpr size_t kMaxFrames = 1u << 16;
inline constexpr size_t kMaxFrameOps = 1u << 20;  // all frames together

// Limits on the work of drawing one frame, which keep a frame of any movie
// to about 20 ms of drawing under Wine on a small machine (see the Flash
// benchmark in the README). Past a limit the frame shows what fits, in
// depth order, and leaves the rest out: the objects above the last one
// that fits, the edges of a fill past the limit (its outlines are cut
// there and closed by the filling), the points of a stroke past the limit.
inline constexpr size_t kMaxFrameObjects = 192;  // placed objects looked at
inline constexpr size_t kMaxFrameEdges = 4096;   // edges of filled outlines
// Filling costs, for every pixel row from a fill's top to its bottom, about
// the square of the number of its edges that cross the row: a self-crossing
// star of 2,000 edges costs seconds, a circle of as many edges nothing.
inline constexpr double kMaxFrameFillWork = 1 << 21;
// Strokes cost by their points, each weighted by its pen: a point of a pen
// w pixels wide counts 1 + w / 4 + (w / 128)^2.
inline constexpr double kMaxFrameStrokeWork = 8192;

// Parses a whole movie file ("FWS" or "CWS"). Throws FormatError when the
// header cannot be read; damage after the header ends the tag list early
// and keeps what was read before it.
Movie ParseMovie(std::span<const uint8_t> file);

}  // namespace swf
