#include "gdi_draw.h"

#include <cmath>
#include <utility>
#include <vector>

namespace flashctl {
namespace {

COLORREF ToColorRef(const swf::Rgba& c) { return RGB(c.r, c.g, c.b); }

void Fill(HDC dc, const RECT& area, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &area, brush);
  DeleteObject(brush);
}

}  // namespace

Canvas::Canvas(HDC like, int width, int height) : width_(width), height_(height) {
  HDC screen = like ? nullptr : GetDC(nullptr);
  dc_ = CreateCompatibleDC(like ? like : screen);
  bitmap_ = CreateCompatibleBitmap(like ? like : screen, width, height);
  if (screen) ReleaseDC(nullptr, screen);
  old_ = SelectObject(dc_, bitmap_);
}

Canvas::~Canvas() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

FrameDrawing::FrameDrawing(swf::FramePlan plan, const swf::Viewport& view, const RECT& area,
                           swf::PathCache* cache)
    : plan_(std::move(plan)), view_(view), area_(area), cache_(cache) {}

bool FrameDrawing::Continue(HDC dc, const std::function<bool()>& yield) {
  if (!started_) {
    Fill(dc, area_, ToColorRef(plan_.background));
    started_ = true;
  }
  if (next_ < plan_.steps.size()) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area_.left, area_.top, area_.right, area_.bottom);
    SetPolyFillMode(dc, ALTERNATE);
    do {
      DrawStep(dc, plan_.steps[next_++]);
    } while (next_ < plan_.steps.size() && !(yield && yield()));
    RestoreDC(dc, saved);
  }
  if (Done() && cache_) cache_->EndFrame();
  return Done();
}

void FrameDrawing::DrawStep(HDC dc, const swf::DrawStep& step) {
  swf::DevicePath computed;
  const swf::DevicePath& path =
      cache_ ? cache_->Get(step, view_, area_.left, area_.top)
             : (computed = swf::TransformStep(step, view_, area_.left, area_.top));
  if (path.counts.empty()) return;
  points_.resize(path.points.size());
  for (size_t i = 0; i < path.points.size(); ++i) {
    points_[i] = POINT{path.points[i].x, path.points[i].y};
  }
  if (step.kind == swf::DrawStep::Kind::kFill) {
    const swf::FilledArea& fill = step.shape->fills[step.index];
    SelectObject(dc, GetStockObject(NULL_PEN));
    HBRUSH brush = CreateSolidBrush(ToColorRef(fill.color));
    HGDIOBJ old = SelectObject(dc, brush);
    static_assert(sizeof(INT) == sizeof(int32_t));
    PolyPolygon(dc, points_.data(), reinterpret_cast<const INT*>(path.counts.data()),
                static_cast<int>(path.counts.size()));
    SelectObject(dc, old);
    DeleteObject(brush);
    return;
  }
  const swf::Stroke& stroke = step.shape->strokes[step.index];
  const int width = static_cast<int>(std::lround(swf::PenPixels(stroke, step.matrix, view_)));
  HPEN pen = CreatePen(PS_SOLID, width, ToColorRef(stroke.color));
  HGDIOBJ old = SelectObject(dc, pen);
  Polyline(dc, points_.data(), static_cast<int>(points_.size()));
  SelectObject(dc, old);
  DeleteObject(pen);
}

swf::Viewport FrameView(const RECT& area, const swf::Movie& movie, int scaleMode) {
  return swf::FitMovie(movie.frameSize, area.right - area.left, area.bottom - area.top, scaleMode);
}

void DrawFrame(HDC dc, const RECT& area, const swf::Movie& movie, const swf::Player& player,
               int scaleMode) {
  const swf::Viewport view = FrameView(area, movie, scaleMode);
  FrameDrawing drawing(swf::PlanFrame(player, view), view, area, nullptr);
  drawing.Continue(dc, nullptr);
}

void DrawPlaceholder(HDC dc, const RECT& area) {
  Fill(dc, area, RGB(192, 192, 192));
  HBRUSH frame = CreateSolidBrush(RGB(128, 128, 128));
  RECT inner = area;
  InflateRect(&inner, -4, -4);
  FrameRect(dc, &inner, frame);
  DeleteObject(frame);
}

void DrawEmpty(HDC dc, const RECT& area) { Fill(dc, area, RGB(255, 255, 255)); }

}  // namespace flashctl
