#include "swf_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "swf_test_movies.h"

namespace swf {
namespace {

using test::LoadMovie;

constexpr Rgba kRed{255, 0, 0, 255};

FrameOp Place(uint16_t depth, uint16_t character, double x = 0, bool move = false) {
  FrameOp op;
  op.kind = FrameOp::Kind::kPlace;
  op.depth = depth;
  op.move = move;
  op.hasCharacter = character != 0;
  op.character = character;
  op.hasMatrix = true;
  op.matrix.translateX = x;
  return op;
}

FrameOp MoveTo(uint16_t depth, double x) { return Place(depth, 0, x, true); }

FrameOp Remove(uint16_t depth) {
  FrameOp op;
  op.kind = FrameOp::Kind::kRemove;
  op.depth = depth;
  return op;
}

FrameOp Background(Rgba color) {
  FrameOp op;
  op.kind = FrameOp::Kind::kBackground;
  op.color = color;
  return op;
}

// Whether each Advance of `movie`, `advances` times, changed the picture.
std::vector<bool> Changes(const Movie& movie, size_t advances) {
  Player player(movie);
  std::vector<bool> changes;
  for (size_t i = 0; i < advances; ++i) {
    player.Advance();
    changes.push_back(player.Changed());
  }
  return changes;
}

TEST(SwfFrameChanges, OnlyFramesThatAlterThePictureCount) {
  const FrameOp red = Background(kRed);
  const struct {
    const char* name;
    std::vector<std::vector<FrameOp>> frames;
    std::vector<bool> changes;  // over two rounds of the frames
  } cases[] = {
      {"an empty first frame still shows", {{}, {}}, {true, false, false, false}},
      {"a move to a new place", {{Place(1, 1)}, {MoveTo(1, 20)}}, {true, true, true, true}},
      {"a move to the same place", {{Place(1, 1)}, {MoveTo(1, 0)}}, {true, false, false, false}},
      {"the same object placed again", {{Place(1, 1)}, {Place(1, 1)}}, {true, false, false, false}},
      {"another character at the depth", {{Place(1, 1)}, {Place(1, 2)}}, {true, true, true, true}},
      {"an empty depth removed", {{Place(1, 1)}, {Remove(2)}}, {true, false, false, false}},
      {"a placed object removed", {{Place(1, 1)}, {Remove(1)}}, {true, true, true, true}},
      {"placed and removed in one frame",
       {{}, {Place(3, 1), Remove(3)}},
       {true, false, false, false}},
      {"the same background again", {{red}, {red}}, {true, false, false, false}},
      {"a frame that only loops back", {{Place(1, 1)}, {}}, {true, false, false, false}},
  };
  for (const auto& c : cases) {
    Movie movie;
    movie.frames = c.frames;
    EXPECT_EQ(Changes(movie, 4), c.changes) << c.name;
  }
}

TEST(SwfFrameChanges, MoviesOfTheTestsAndTheDemo) {
  // A single frame is shown once; the demo's square moves on every frame,
  // also from the last back to the first.
  const struct {
    const char* movie;
    size_t advances;
    size_t changed;
  } cases[] = {{"curved_shape3.swf", 5, 1},
               {"actions.swf", 5, 1},
               {"two_frames.swf", 6, 6},
               {"demo.swf", 48, 48},
               {"removals.swf", 6, 6}};
  for (const auto& c : cases) {
    const Movie movie = ParseMovie(LoadMovie(c.movie));
    const std::vector<bool> changes = Changes(movie, c.advances);
    EXPECT_EQ(static_cast<size_t>(std::count(changes.begin(), changes.end(), true)), c.changed)
        << c.movie;
  }
}

TEST(SwfFrameInterval, FollowsTheMovieUpToSixtyFramesASecond) {
  const struct {
    double rate;
    unsigned ms;
  } cases[] = {{12, 83},    {1, 1000}, {24, 41},  {60, 17}, {61, 17},          {120, 17},
               {255.9, 17}, {0, 83},   {0.5, 83}, {-3, 83}, {std::nan(""), 83}};
  for (const auto& c : cases) EXPECT_EQ(FrameIntervalMs(c.rate), c.ms) << c.rate;
}

// Shapes made in code: a polygon through `points` (pixels) as one fill,
// or as one stroke with a pen `penTwips` wide.
Shape Polygon(const std::vector<Point>& pixels) {
  std::vector<Point> outline;
  for (const Point& p : pixels) outline.push_back({p.x * 20, p.y * 20});
  outline.push_back(outline.front());
  return Shape{{}, {FilledArea{kRed, {outline}}}, {}};
}

Shape Line(size_t points, uint16_t penTwips) {
  Stroke stroke{kRed, penTwips, {}};
  for (size_t i = 0; i < points; ++i) stroke.points.push_back({i * 20.0, (i % 2) * 2000.0});
  return Shape{{}, {}, {stroke}};
}

// `n` points round a circle of radius 100 px centred at (150, 150); with
// `step` > 1 each point jumps that far round, which makes a star whose
// edges cross each other.
std::vector<Point> Star(size_t n, size_t step) {
  std::vector<Point> points;
  for (size_t k = 0; k < n; ++k) {
    const double angle = 2 * std::numbers::pi * static_cast<double>(k * step % n) / n;
    points.push_back({150 + 100 * std::cos(angle), 150 + 100 * std::sin(angle)});
  }
  return points;
}

// A one-frame movie placing `shape` at depths 1 to `copies`, 300 x 300 px.
// A plan of it points into it: the movie must outlive the plan's use.
Movie MovieOf(const Shape& shape, size_t copies = 1) {
  Movie movie;
  movie.frameSize = Rect{0, 6000, 0, 6000};
  movie.shapes[1] = shape;
  movie.frames.emplace_back();
  for (size_t depth = 1; depth <= copies; ++depth) {
    movie.frames[0].push_back(Place(static_cast<uint16_t>(depth), 1));
  }
  return movie;
}

FramePlan PlanOf(const Movie& movie, const FrameLimits& limits = {}) {
  Player player(movie);
  player.Advance();
  return PlanFrame(player, FitMovie(movie.frameSize, 300, 300, 0), limits);
}

TEST(SwfFramePlan, MoviesOfTheTestsAndTheDemoAreNeverCut) {
  for (const char* name :
       {"two_frames.swf", "removals.swf", "shared_edge.swf", "curved_shape3.swf", "demo.swf"}) {
    const Movie movie = ParseMovie(LoadMovie(name));
    Player player(movie);
    for (size_t frame = 0; frame < movie.frames.size(); ++frame) {
      player.Advance();
      const FramePlan plan = PlanFrame(player, FitMovie(movie.frameSize, 1024, 768, 0));
      EXPECT_FALSE(plan.trimmed) << name << " frame " << frame;
      EXPECT_EQ(plan.objects, player.Items().size()) << name;
    }
  }
}

TEST(SwfFramePlan, PlacedObjectsPastTheLimitAreLeftOut) {
  const Shape square = Polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  const struct {
    size_t copies, limit, drawn;
  } cases[] = {{5, 10, 5},
               {10, 10, 10},
               {11, 10, 10},
               {kMaxFrameObjects * 4, kMaxFrameObjects, kMaxFrameObjects}};
  for (const auto& c : cases) {
    FrameLimits limits;
    limits.objects = c.limit;
    const FramePlan plan = PlanOf(MovieOf(square, c.copies), limits);
    EXPECT_EQ(plan.steps.size(), c.drawn) << c.copies;
    EXPECT_EQ(plan.objects, c.drawn);
    EXPECT_EQ(plan.trimmed, c.copies > c.limit);
  }
}

TEST(SwfFramePlan, EdgesPastTheLimitAreCut) {
  const Movie circle = MovieOf(Polygon(Star(1000, 1)));
  FrameLimits limits;
  limits.edges = 300;
  const FramePlan plan = PlanOf(circle, limits);
  ASSERT_EQ(plan.steps.size(), 1u);
  EXPECT_EQ(plan.steps[0].points, 300u);
  EXPECT_EQ(plan.edges, 300u);
  EXPECT_TRUE(plan.trimmed);
  // The cut outline is one of 300 points, closed by the filling.
  const DevicePath path = TransformStep(plan.steps[0], {1, 1, 0, 0}, 0, 0);
  EXPECT_EQ(path.counts, std::vector<int32_t>{300});
  // Within the default limit the whole circle (1001 points) is drawn.
  EXPECT_EQ(PlanOf(circle).steps[0].points, 1001u);
}

TEST(SwfFramePlan, FillWorkSeparatesSelfCrossingShapesFromPlainOnes) {
  // Of equally many edges, the circle costs a few crossings per row and is
  // drawn whole; the star's rows are crossed by hundreds of edges each and
  // it is cut to what fits the work limit.
  const Movie circleMovie = MovieOf(Polygon(Star(2001, 1)));
  const Movie starMovie = MovieOf(Polygon(Star(2001, 1000)));
  const FramePlan circle = PlanOf(circleMovie);
  const FramePlan star = PlanOf(starMovie);
  ASSERT_EQ(circle.steps.size(), 1u);
  EXPECT_FALSE(circle.trimmed);
  EXPECT_EQ(circle.steps[0].points, 2002u);
  ASSERT_EQ(star.steps.size(), 1u);
  EXPECT_TRUE(star.trimmed);
  EXPECT_LT(star.steps[0].points, 2002u / 4);
  EXPECT_LE(star.fillWork, kMaxFrameFillWork);
  // What is drawn is the most that fits: one more point would not.
  DrawStep more = star.steps[0];
  ++more.points;
  EXPECT_GT(FillWork(TransformStep(more, FitMovie(Rect{0, 6000, 0, 6000}, 300, 300, 0), 0, 0)),
            kMaxFrameFillWork);
}

TEST(SwfFramePlan, FillWorkCountsCrossingsPerRow) {
  const struct {
    const char* name;
    std::vector<DevicePoint> points;
    std::vector<int32_t> counts;
    double work;
  } cases[] = {
      // Two edges cross each of 10 rows: 10 * 2^2.
      {"rectangle", {{0, 0}, {5, 0}, {5, 10}, {0, 10}}, {4}, 40},
      {"flat", {{0, 0}, {5, 0}, {9, 0}}, {3}, 0},
      // A bow tie: its two slanted edges cross and the two vertical ones.
      {"bow tie", {{0, 0}, {10, 10}, {10, 0}, {0, 10}}, {4}, 10 * 16},
      // Two rectangles one above the other and one beside: their rows add
      // up where they overlap (4 edges on rows 5 to 9).
      {"two rectangles",
       {{0, 0}, {5, 0}, {5, 10}, {0, 10}, {8, 5}, {9, 5}, {9, 15}, {8, 15}},
       {4, 4},
       5 * 4 + 5 * 16 + 5 * 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FillWork(DevicePath{c.points, c.counts}), c.work) << c.name;
  }
}

TEST(SwfFramePlan, WidePensLeaveFewerPointsOfAStroke) {
  // Pen width in twips; the view draws 1:1 (300 px stage in 300 px).
  const struct {
    uint16_t pen;
    bool trimmed;
  } cases[] = {{0, false}, {20, false}, {20 * 20, false}, {20 * 40, true}, {0xFFFF, true}};
  for (const auto& c : cases) {
    const FramePlan plan = PlanOf(MovieOf(Line(1000, c.pen)));
    const double weight = StrokePointWork(std::max(1.0, c.pen / 20.0));
    const size_t expected = c.trimmed ? static_cast<size_t>(kMaxFrameStrokeWork / weight) : 1000;
    ASSERT_EQ(plan.steps.size(), 1u) << c.pen;
    EXPECT_EQ(plan.steps[0].points, expected) << c.pen;
    EXPECT_EQ(plan.trimmed, c.trimmed) << c.pen;
    EXPECT_LE(plan.strokeWork, kMaxFrameStrokeWork);
  }
  EXPECT_EQ(StrokePointWork(1), 1.25 + 1.0 / 128 / 128);
  EXPECT_EQ(StrokePointWork(256), 1 + 64 + 4);
}

TEST(SwfFramePlan, WhatIsNotDrawnCostsNothing) {
  Shape shape = Polygon({{0, 0}, {10, 0}, {10, 10}});
  shape.fills[0].color.a = 100;                                   // see-through
  shape.fills.push_back(FilledArea{kRed, {{{0, 0}, {20, 20}}}});  // two points
  shape.strokes.push_back(Stroke{kRed, 20, {{0, 0}}});            // one point
  const FramePlan plan = PlanOf(MovieOf(shape, 3));
  EXPECT_TRUE(plan.steps.empty());
  EXPECT_EQ(plan.objects, 0u);
  EXPECT_EQ(plan.edges, 0u);
  EXPECT_FALSE(plan.trimmed);
}

TEST(SwfPathCache, KeepsWhatStaysAndDropsWhatWentAway) {
  const Movie movie = MovieOf(Polygon(Star(50, 1)), 2);
  Player player(movie);
  player.Advance();
  const Viewport view = FitMovie(movie.frameSize, 300, 300, 0);
  FramePlan plan = PlanFrame(player, view);
  ASSERT_EQ(plan.steps.size(), 2u);
  plan.steps[1].matrix.translateX = 400;
  PathCache cache;
  for (const DrawStep& step : plan.steps) {
    EXPECT_EQ(cache.Get(step, view, 5, 7).points, TransformStep(step, view, 5, 7).points);
  }
  cache.EndFrame();
  EXPECT_EQ(cache.Misses(), 2u);
  EXPECT_EQ(cache.Size(), 2u);
  // The next frame: the first object stays, the second moves.
  plan.steps[1].matrix.translateX = 800;
  for (const DrawStep& step : plan.steps) {
    EXPECT_EQ(cache.Get(step, view, 5, 7).points, TransformStep(step, view, 5, 7).points);
  }
  EXPECT_EQ(cache.Hits(), 1u);
  EXPECT_EQ(cache.Misses(), 3u);
  cache.EndFrame();
  EXPECT_EQ(cache.Size(), 2u);  // the old place of the second is gone
  // Another origin or view is another path.
  cache.Get(plan.steps[0], view, 6, 7);
  cache.Get(plan.steps[0], FitMovie(movie.frameSize, 600, 600, 0), 5, 7);
  EXPECT_EQ(cache.Misses(), 5u);
  cache.EndFrame();
  EXPECT_EQ(cache.Size(), 2u);
}

TEST(SwfDevicePoints, RoundToNearestAndStayInRange) {
  const Viewport view{0.05, 0.05, 0.5, 0};  // 1 px per 20 twips, half a pixel right
  const Matrix m;
  EXPECT_EQ(ToDevice(view, 10, 20, m, {20, 20}), (DevicePoint{12, 21}));  // 11.5 rounds up
  EXPECT_EQ(ToDevice(view, 0, 0, m, {-50, 9}), (DevicePoint{-2, 0}));
  Matrix huge;
  huge.scaleX = huge.scaleY = 30000;
  const DevicePoint far = ToDevice(view, 0, 0, huge, {1e9, -1e9});
  EXPECT_EQ(far, (DevicePoint{1 << 24, -(1 << 24)}));
}

}  // namespace
}  // namespace swf
