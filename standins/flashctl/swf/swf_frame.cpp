#include "swf_frame.h"

#include <algorithm>
#include <cmath>

namespace swf {
namespace {

// Far enough outside any window to clip the same, near enough for GDI's
// coordinate range whatever a movie's matrices hold.
constexpr double kCoordinateLimit = 1 << 24;
constexpr double kMaxPenPixels = 4096;
constexpr double kDefaultRate = 12;
constexpr double kMaxRate = 60;

int32_t Device(double origin, double value) {
  return static_cast<int32_t>(
      std::lround(std::clamp(origin + value, -kCoordinateLimit, kCoordinateLimit)));
}

// Points of a fill that are drawn: outlines of fewer than three points are
// left out.
size_t FillPoints(const FilledArea& fill) {
  size_t points = 0;
  for (const auto& outline : fill.outlines) {
    if (outline.size() >= 3) points += outline.size();
  }
  return points;
}

}  // namespace

double PenPixels(const Stroke& stroke, const Matrix& m, const Viewport& view) {
  const double scale = std::sqrt(std::fabs(m.scaleX * m.scaleY - m.skew0 * m.skew1)) *
                       std::sqrt(std::fabs(view.scaleX * view.scaleY));
  const double width = stroke.width * scale;
  return std::isnan(width) ? 1.0 : std::clamp(width, 1.0, kMaxPenPixels);
}

double StrokePointWork(double penPixels) {
  const double quadratic = penPixels / 128;
  return 1 + penPixels / 4 + quadratic * quadratic;
}

namespace {

// The largest number of a fill's first points, at most `most`, whose
// filling costs no more than `room`; 0 when not even a triangle fits.
size_t FillPointsWithin(DrawStep step, const Viewport& view, size_t most, double room,
                        double& work) {
  step.points = most;
  work = FillWork(TransformStep(step, view, 0, 0));
  if (work <= room) return most;
  size_t good = 0, bad = most;
  double goodWork = 0;
  while (bad - good > 1) {
    step.points = good + (bad - good) / 2;
    const double w = FillWork(TransformStep(step, view, 0, 0));
    if (w <= room) {
      good = step.points;
      goodWork = w;
    } else {
      bad = step.points;
    }
  }
  work = goodWork;
  return good < 3 ? 0 : good;
}

}  // namespace

FramePlan PlanFrame(const Player& player, const Viewport& view, const FrameLimits& limits) {
  FramePlan plan;
  plan.background = player.Background();
  // Objects that are no shape count against the limit too: they cost a
  // look-up each.
  if (player.DisplayList().size() > limits.objects) plan.trimmed = true;
  for (const DrawItem& item : player.Items(limits.objects)) {
    bool drawn = false;
    for (size_t i = 0; i < item.shape->fills.size(); ++i) {
      const FilledArea& fill = item.shape->fills[i];
      const size_t points = FillPoints(fill);
      if (!Drawn(fill.color) || points == 0) continue;
      DrawStep step{DrawStep::Kind::kFill, item.shape, i, item.matrix, 0};
      double work = 0;
      step.points = FillPointsWithin(step, view, std::min(points, limits.edges - plan.edges),
                                     limits.fillWork - plan.fillWork, work);
      if (step.points < points) plan.trimmed = true;
      if (step.points < 3) continue;
      plan.steps.push_back(step);
      plan.edges += step.points;
      plan.fillWork += work;
      drawn = true;
    }
    for (size_t i = 0; i < item.shape->strokes.size(); ++i) {
      const Stroke& stroke = item.shape->strokes[i];
      if (!Drawn(stroke.color) || stroke.points.size() < 2) continue;
      const double weight = StrokePointWork(PenPixels(stroke, item.matrix, view));
      const double room = std::max(0.0, limits.strokeWork - plan.strokeWork);
      const size_t fits = static_cast<size_t>(
          std::min(static_cast<double>(stroke.points.size()), std::floor(room / weight)));
      if (fits < stroke.points.size()) plan.trimmed = true;
      if (fits < 2) continue;
      plan.steps.push_back(DrawStep{DrawStep::Kind::kStroke, item.shape, i, item.matrix, fits});
      plan.strokeWork += static_cast<double>(fits) * weight;
      drawn = true;
    }
    plan.objects += drawn ? 1 : 0;
  }
  return plan;
}

double FillWork(const DevicePath& path) {
  // Where the count of crossing edges changes, by row: +1 where an edge
  // starts, -1 below its end (horizontal edges cross no row).
  std::vector<std::pair<int32_t, int>> changes;
  size_t first = 0;
  for (const int32_t count : path.counts) {
    for (int32_t i = 0; i < count; ++i) {
      const int32_t a = path.points[first + i].y;
      const int32_t b = path.points[first + (i + 1) % count].y;
      if (a == b) continue;
      changes.emplace_back(std::min(a, b), 1);
      changes.emplace_back(std::max(a, b), -1);
    }
    first += static_cast<size_t>(count);
  }
  std::sort(changes.begin(), changes.end());
  double work = 0, crossing = 0;
  for (size_t i = 0; i < changes.size(); ++i) {
    if (i > 0) work += crossing * crossing * (changes[i].first - changes[i - 1].first);
    crossing += changes[i].second;
  }
  return work;
}

unsigned FrameIntervalMs(double rate) {
  if (!(rate >= 1)) rate = kDefaultRate;
  const double fastest = std::ceil(1000 / kMaxRate);
  return static_cast<unsigned>(std::max(std::floor(1000 / rate), fastest));
}

DevicePoint ToDevice(const Viewport& view, int32_t originX, int32_t originY, const Matrix& m,
                     Point p) {
  const Point px = view.ToPixels(Apply(m, p));
  return DevicePoint{Device(originX, px.x), Device(originY, px.y)};
}

DevicePath TransformStep(const DrawStep& step, const Viewport& view, int32_t originX,
                         int32_t originY) {
  DevicePath path;
  path.points.reserve(step.points);
  const auto add = [&](const std::vector<Point>& points, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      path.points.push_back(ToDevice(view, originX, originY, step.matrix, points[i]));
    }
    path.counts.push_back(static_cast<int32_t>(count));
  };
  if (step.kind == DrawStep::Kind::kStroke) {
    add(step.shape->strokes[step.index].points, step.points);
    return path;
  }
  size_t left = step.points;
  for (const auto& outline : step.shape->fills[step.index].outlines) {
    if (outline.size() < 3) continue;
    const size_t count = std::min(left, outline.size());
    if (count >= 3) add(outline, count);
    left -= count;
    if (left < 3) break;
  }
  return path;
}

const DevicePath& PathCache::Get(const DrawStep& step, const Viewport& view, int32_t originX,
                                 int32_t originY) {
  const Matrix& m = step.matrix;
  const Key key{step.shape,   static_cast<uint8_t>(step.kind),
                step.index,   step.points,
                m.scaleX,     m.skew0,
                m.skew1,      m.scaleY,
                m.translateX, m.translateY,
                view.scaleX,  view.scaleY,
                view.offsetX, view.offsetY,
                originX,      originY};
  auto it = entries_.find(key);
  if (it != entries_.end()) {
    ++hits_;
  } else {
    ++misses_;
    it = entries_.emplace(key, Entry{TransformStep(step, view, originX, originY), false}).first;
  }
  it->second.used = true;
  return it->second.path;
}

void PathCache::EndFrame() {
  std::erase_if(entries_, [](const auto& entry) { return !entry.second.used; });
  for (auto& [key, entry] : entries_) entry.used = false;
}

}  // namespace swf
