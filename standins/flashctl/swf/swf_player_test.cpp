#include "swf_player.h"

#include <gtest/gtest.h>

#include "swf_test_movies.h"

namespace swf {
namespace {

using test::LoadMovie;

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 255, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};

// A point of the stage given in pixels.
Point Px(double x, double y) { return {x * 20, y * 20}; }

TEST(SwfPlayer, PlacesMovesAndLoops) {
  const Movie movie = ParseMovie(LoadMovie("two_frames.swf"));
  Player player(movie);
  EXPECT_EQ(player.FrameIndex(), -1);
  EXPECT_EQ(ColorAt(player, Px(5, 5)), Player::kDefaultBackground);

  EXPECT_TRUE(player.Advance().empty());
  EXPECT_EQ(player.FrameIndex(), 0);
  // The 100 x 50 rectangle placed at (10, 20) on a green stage.
  EXPECT_EQ(ColorAt(player, Px(60, 45)), kRed);
  EXPECT_EQ(ColorAt(player, Px(5, 45)), kGreen);
  EXPECT_EQ(ColorAt(player, Px(60, 75)), kGreen);

  // Frame 2 moves it to (200, 150) and raises its command.
  EXPECT_EQ(player.Advance(), (std::vector<FsCommand>{{"ping", "pong"}}));
  EXPECT_EQ(ColorAt(player, Px(60, 45)), kGreen);
  EXPECT_EQ(ColorAt(player, Px(250, 175)), kRed);
  ASSERT_EQ(player.DisplayList().size(), 1u);

  // Back to the first frame: placed anew where the first frame puts it;
  // the background set by the movie stays.
  EXPECT_TRUE(player.Advance().empty());
  EXPECT_EQ(player.FrameIndex(), 0);
  EXPECT_EQ(ColorAt(player, Px(60, 45)), kRed);
  EXPECT_EQ(ColorAt(player, Px(250, 175)), kGreen);
}

TEST(SwfPlayer, MoveReplacesTheCharacterAndRemoveEmptiesTheDepth) {
  const Movie movie = ParseMovie(LoadMovie("removals.swf"));
  Player player(movie);
  player.Advance();
  EXPECT_EQ(ColorAt(player, Px(160, 110)), kBlue);
  EXPECT_EQ(ColorAt(player, Px(50, 25)), kRed);
  // Depth 2 gets character 1 and keeps its place.
  player.Advance();
  EXPECT_EQ(player.DisplayList().at(2).character, 1);
  EXPECT_EQ(ColorAt(player, Px(240, 140)), kRed);
  // RemoveObject and RemoveObject2.
  player.Advance();
  EXPECT_TRUE(player.DisplayList().empty());
  EXPECT_EQ(ColorAt(player, Px(50, 25)), Player::kDefaultBackground);
}

TEST(SwfPlayer, FillsAndStrokesOfACurvedShape) {
  const Movie movie = ParseMovie(LoadMovie("curved_shape3.swf"));
  Player player(movie);
  player.Advance();
  EXPECT_EQ(ColorAt(player, Px(50, 50)), kBlue);
  EXPECT_EQ(ColorAt(player, Px(50, 80)), kBlue);
  EXPECT_EQ(ColorAt(player, Px(50, 90)), (Rgba{0, 128, 0, 255}));      // on the 2 px line
  EXPECT_EQ(ColorAt(player, Px(90, 90)), Player::kDefaultBackground);  // outside the circle
  EXPECT_EQ(ColorAt(player, Px(15, 15)), Player::kDefaultBackground);
}

TEST(SwfPlayer, SharedEdgesAndNewStyleArrays) {
  // Red and blue squares share one edge (blue as fill0 on it); new style
  // arrays then make style 1 green.
  const Movie movie = ParseMovie(LoadMovie("shared_edge.swf"));
  const Shape& shape = movie.shapes.at(3);
  ASSERT_EQ(shape.fills.size(), 3u);
  for (const FilledArea& fill : shape.fills) {
    ASSERT_EQ(fill.outlines.size(), 1u);
    EXPECT_EQ(fill.outlines[0].front(), fill.outlines[0].back());
  }
  Player player(movie);
  player.Advance();
  EXPECT_EQ(ColorAt(player, Px(25, 25)), kRed);
  EXPECT_EQ(ColorAt(player, Px(75, 25)), kBlue);
  EXPECT_EQ(ColorAt(player, Px(20, 80)), kGreen);
  EXPECT_EQ(ColorAt(player, Px(75, 80)), Player::kDefaultBackground);
}

TEST(SwfPlayer, SingleFrameRunsItsActionsOnce) {
  const Movie movie = ParseMovie(LoadMovie("actions.swf"));
  Player player(movie);
  EXPECT_EQ(player.Advance().size(), 2u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(player.Advance().empty());
    EXPECT_EQ(player.FrameIndex(), 0);
  }
}

TEST(SwfPlayer, MovieWithoutFramesShowsItsBackgroundOnly) {
  Movie movie;
  Player player(movie);
  EXPECT_TRUE(player.Advance().empty());
  EXPECT_EQ(player.FrameIndex(), -1);
  EXPECT_TRUE(player.Items().empty());
}

TEST(SwfPlayer, PlacedCharacterThatIsNoShapeIsNotDrawn) {
  Movie movie;
  FrameOp place;
  place.kind = FrameOp::Kind::kPlace;
  place.hasCharacter = true;
  place.character = 99;
  place.depth = 1;
  movie.frames.push_back({place});
  Player player(movie);
  player.Advance();
  EXPECT_EQ(player.DisplayList().size(), 1u);
  EXPECT_TRUE(player.Items().empty());
}

TEST(SwfViewport, ScaleModes) {
  const Rect stage{0, 320 * 20, 0, 240 * 20};
  // Show all (0, and any unknown mode): the whole stage, aspect kept,
  // centred in the wider area.
  for (int mode : {0, 7, -1}) {
    const Viewport all = FitMovie(stage, 640, 240, mode);
    EXPECT_EQ(all.ToPixels(Px(0, 0)), (Point{160, 0})) << mode;
    EXPECT_EQ(all.ToPixels(Px(320, 240)), (Point{480, 240})) << mode;
  }
  // No border: fills the area, cropping top and bottom.
  const Viewport crop = FitMovie(stage, 640, 240, 1);
  EXPECT_EQ(crop.ToPixels(Px(0, 120)), (Point{0, 120}));
  EXPECT_EQ(crop.ToPixels(Px(320, 240)), (Point{640, 360}));
  // Exact fit stretches; no scale is 1:1, centred.
  EXPECT_EQ(FitMovie(stage, 640, 240, 2).ToPixels(Px(320, 240)), (Point{640, 240}));
  EXPECT_EQ(FitMovie(stage, 640, 240, 3).ToPixels(Px(0, 0)), (Point{160, 0}));
  // A stage without area is drawn 1:1 from its corner.
  const Viewport flat = FitMovie(Rect{100, 100, 40, 400}, 50, 50, 0);
  EXPECT_EQ(flat.ToPixels(Point{100, 40}), (Point{0, 0}));
}

}  // namespace
}  // namespace swf
