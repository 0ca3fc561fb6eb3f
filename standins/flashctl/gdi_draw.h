// GDI drawing of a movie frame into any device context, whole or a few
// steps at a time.
#pragma once

#include <windows.h>

#include <functional>

#include "swf_frame.h"

namespace flashctl {

// A bitmap of `width` x `height` like the screen's (or like `like`'s),
// selected into its own memory device context.
class Canvas {
 public:
  Canvas(HDC like, int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  int width_, height_;
};

// One frame being drawn: the background first, then the plan's steps in
// order. Each Continue call draws until the frame is complete or `yield`
// asks to stop between two steps, so that a frame can be drawn across
// several turns of a message loop.
class FrameDrawing {
 public:
  // `cache`, when given, keeps device points from one frame to the next;
  // it must outlive the drawing.
  FrameDrawing(swf::FramePlan plan, const swf::Viewport& view, const RECT& area,
               swf::PathCache* cache);

  // True when the frame is complete.
  bool Continue(HDC dc, const std::function<bool()>& yield);
  bool Done() const { return started_ && next_ >= plan_.steps.size(); }
  const swf::FramePlan& Plan() const { return plan_; }

 private:
  void DrawStep(HDC dc, const swf::DrawStep& step);

  swf::FramePlan plan_;
  swf::Viewport view_;
  RECT area_;
  swf::PathCache* cache_;
  size_t next_ = 0;
  bool started_ = false;
  std::vector<POINT> points_;  // reused between steps
};

// The plan of the frame `player` shows, scaled into `area` by `scaleMode`
// (see swf::FitMovie), with the view it is drawn through.
swf::Viewport FrameView(const RECT& area, const swf::Movie& movie, int scaleMode);

// The whole frame at once, the parts of the area outside the stage in the
// background colour too.
void DrawFrame(HDC dc, const RECT& area, const swf::Movie& movie, const swf::Player& player,
               int scaleMode);

// What a control shows for a movie it cannot read: light grey with a
// darker frame, the same whatever the file held.
void DrawPlaceholder(HDC dc, const RECT& area);

// A control with no movie yet: plain white.
void DrawEmpty(HDC dc, const RECT& area);

}  // namespace flashctl
