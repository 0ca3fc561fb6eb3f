#include "gdi_draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace flashctl {
namespace {

COLORREF ToColorRef(const swf::Rgba& c) { return RGB(c.r, c.g, c.b); }

void Fill(HDC dc, const RECT& area, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &area, brush);
  DeleteObject(brush);
}

// Far enough outside any window to clip the same, near enough for GDI's
// coordinate range whatever a movie's matrices hold.
constexpr double kCoordinateLimit = 1 << 24;
constexpr double kMaxPenWidth = 4096;

LONG Device(double origin, double value) {
  return static_cast<LONG>(
      std::lround(std::clamp(origin + value, -kCoordinateLimit, kCoordinateLimit)));
}

POINT ToDevice(const swf::Viewport& view, const RECT& area, const swf::Matrix& m, swf::Point p) {
  const swf::Point px = view.ToPixels(swf::Apply(m, p));
  return POINT{Device(area.left, px.x), Device(area.top, px.y)};
}

void DrawFills(HDC dc, const RECT& area, const swf::Viewport& view, const swf::DrawItem& item) {
  SelectObject(dc, GetStockObject(NULL_PEN));
  SetPolyFillMode(dc, ALTERNATE);
  for (const swf::FilledArea& fill : item.shape->fills) {
    if (!swf::Drawn(fill.color)) continue;
    std::vector<POINT> points;
    std::vector<INT> counts;
    for (const auto& outline : fill.outlines) {
      if (outline.size() < 3) continue;
      for (const swf::Point& p : outline) points.push_back(ToDevice(view, area, item.matrix, p));
      counts.push_back(static_cast<INT>(outline.size()));
    }
    if (counts.empty()) continue;
    HBRUSH brush = CreateSolidBrush(ToColorRef(fill.color));
    HGDIOBJ old = SelectObject(dc, brush);
    PolyPolygon(dc, points.data(), counts.data(), static_cast<int>(counts.size()));
    SelectObject(dc, old);
    DeleteObject(brush);
  }
}

void DrawStrokes(HDC dc, const RECT& area, const swf::Viewport& view, const swf::DrawItem& item) {
  const swf::Matrix& m = item.matrix;
  const double scale = std::sqrt(std::fabs(m.scaleX * m.scaleY - m.skew0 * m.skew1)) *
                       std::sqrt(std::fabs(view.scaleX * view.scaleY));
  for (const swf::Stroke& stroke : item.shape->strokes) {
    if (!swf::Drawn(stroke.color) || stroke.points.size() < 2) continue;
    const int width =
        static_cast<int>(std::lround(std::clamp(stroke.width * scale, 1.0, kMaxPenWidth)));
    HPEN pen = CreatePen(PS_SOLID, width, ToColorRef(stroke.color));
    HGDIOBJ old = SelectObject(dc, pen);
    std::vector<POINT> points;
    for (const swf::Point& p : stroke.points) points.push_back(ToDevice(view, area, m, p));
    Polyline(dc, points.data(), static_cast<int>(points.size()));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

}  // namespace

void DrawFrame(HDC dc, const RECT& area, const swf::Movie& movie, const swf::Player& player,
               int scaleMode) {
  Fill(dc, area, ToColorRef(player.Background()));
  const swf::Viewport view =
      swf::FitMovie(movie.frameSize, area.right - area.left, area.bottom - area.top, scaleMode);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  for (const swf::DrawItem& item : player.Items()) {
    DrawFills(dc, area, view, item);
    DrawStrokes(dc, area, view, item);
  }
  RestoreDC(dc, saved);
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
