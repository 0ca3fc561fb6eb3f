#include "motion.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

TEST(Bouncer, GlidesAtItsSpeedAndStaysInsideTheArea) {
  Bouncer bouncer({1000, 500}, {100, 100}, 120);
  const Point start = bouncer.Position();
  const Point next = bouncer.Advance(250);
  EXPECT_EQ(std::abs(next.x - start.x), 30);
  EXPECT_EQ(std::abs(next.y - start.y), 30);
  bool touchedLeft = false, touchedRight = false, touchedTop = false, touchedBottom = false;
  for (int i = 0; i < 5000; ++i) {
    const Point p = bouncer.Advance(37);
    ASSERT_GE(p.x, 0);
    ASSERT_LE(p.x, 900);
    ASSERT_GE(p.y, 0);
    ASSERT_LE(p.y, 400);
    touchedLeft |= p.x <= 3;
    touchedRight |= p.x >= 897;
    touchedTop |= p.y <= 3;
    touchedBottom |= p.y >= 397;
  }
  EXPECT_TRUE(touchedLeft && touchedRight && touchedTop && touchedBottom);
}

TEST(Bouncer, BouncesBackFromAnEdge) {
  Bouncer bouncer({110, 110}, {10, 10}, 1000);
  // Start phases are a third and a fifth of the room (33 and 20).
  EXPECT_EQ(bouncer.Position().x, 33);
  const Point p = bouncer.Advance(100);  // 100 pixels on: 133 folds back to 67
  EXPECT_EQ(p.x, 67);
  EXPECT_EQ(p.y, 80);
  EXPECT_EQ(bouncer.Advance(10).x, 57) << "still on the way back";
  EXPECT_EQ(bouncer.Advance(1000000).x, bouncer.Position().x);
}

TEST(Bouncer, AnItemLargerThanTheAreaStaysCentred) {
  Bouncer bouncer({100, 100}, {300, 50}, 500);
  for (int i = 0; i < 10; ++i) {
    const Point p = bouncer.Advance(50);
    EXPECT_EQ(p.x, -100);
    EXPECT_GE(p.y, 0);
    EXPECT_LE(p.y, 50);
  }
}

TEST(Bouncer, ResizingKeepsTheItemInside) {
  Bouncer bouncer({1024, 768}, {100, 100}, 200);
  bouncer.Advance(3000);
  bouncer.Resize({152, 112}, {40, 30});
  for (int i = 0; i < 200; ++i) {
    const Point p = bouncer.Advance(20);
    ASSERT_GE(p.x, 0);
    ASSERT_LE(p.x, 112);
    ASSERT_GE(p.y, 0);
    ASSERT_LE(p.y, 82);
  }
}

TEST(MouseWatch, IgnoresTheFirstReportAndSmallMoves) {
  MouseWatch watch;
  EXPECT_FALSE(watch.MovedFar({500, 400}));
  EXPECT_FALSE(watch.MovedFar({508, 392}));
  EXPECT_FALSE(watch.MovedFar({492, 408}));
  EXPECT_FALSE(watch.MovedFar({500, 400}));
  EXPECT_TRUE(watch.MovedFar({509, 400}));
  MouseWatch vertical;
  vertical.MovedFar({0, 0});
  EXPECT_TRUE(vertical.MovedFar({0, -9}));
}

}  // namespace
}  // namespace engine
