#include "swf_player.h"

#include <algorithm>
#include <cmath>

namespace swf {

std::vector<FsCommand> Player::Advance() {
  std::vector<FsCommand> raised;
  // The first frame shows a picture, even an empty one; later frames only
  // when they change it.
  changed_ = frame_ < 0 && !movie_.frames.empty();
  if (movie_.frames.empty()) return raised;
  // A movie of one frame shows it and stays: there is nothing to loop.
  if (movie_.frames.size() == 1 && frame_ == 0) return raised;
  before_.clear();
  const Rgba background = background_;
  ++frame_;
  if (frame_ >= static_cast<long>(movie_.frames.size())) {
    frame_ = 0;
    for (const auto& [depth, item] : displayList_) before_.emplace(depth, item);
    displayList_.clear();
  }
  for (const FrameOp& op : movie_.frames[frame_]) {
    switch (op.kind) {
      case FrameOp::Kind::kPlace:
        Touch(op.depth);
        Place(op);
        break;
      case FrameOp::Kind::kRemove:
        Touch(op.depth);
        displayList_.erase(op.depth);
        break;
      case FrameOp::Kind::kBackground:
        background_ = op.color;
        break;
      case FrameOp::Kind::kFsCommand:
        raised.push_back(FsCommand{op.command, op.args});
        break;
    }
  }
  if (!(background_ == background)) changed_ = true;
  for (const auto& [depth, was] : before_) {
    const auto now = displayList_.find(depth);
    const bool held = now != displayList_.end();
    if (held != was.has_value() || (held && !(now->second == *was))) changed_ = true;
  }
  return raised;
}

void Player::Touch(uint16_t depth) {
  if (before_.contains(depth)) return;
  const auto it = displayList_.find(depth);
  before_.emplace(depth,
                  it == displayList_.end() ? std::nullopt : std::optional<DisplayItem>(it->second));
}

// Without "move" a character is placed anew at its depth (replacing what
// was there); with "move" the object at the depth is changed: a new
// character, a new matrix, or both. A move at an empty depth with a
// character places it; without one it does nothing.
void Player::Place(const FrameOp& op) {
  auto it = displayList_.find(op.depth);
  if (!op.move || it == displayList_.end()) {
    if (!op.hasCharacter) return;
    displayList_[op.depth] = DisplayItem{op.character, op.hasMatrix ? op.matrix : Matrix{}};
    return;
  }
  if (op.hasCharacter) it->second.character = op.character;
  if (op.hasMatrix) it->second.matrix = op.matrix;
}

std::vector<DrawItem> Player::Items(size_t placed) const {
  std::vector<DrawItem> items;
  for (const auto& [depth, item] : displayList_) {
    if (placed-- == 0) break;
    const auto shape = movie_.shapes.find(item.character);
    if (shape != movie_.shapes.end()) items.push_back(DrawItem{&shape->second, item.matrix});
  }
  return items;
}

Viewport FitMovie(const Rect& stage, int width, int height, int scaleMode) {
  const double stageW = static_cast<double>(stage.xMax) - stage.xMin;
  const double stageH = static_cast<double>(stage.yMax) - stage.yMin;
  Viewport view;
  if (stageW <= 0 || stageH <= 0) {
    view.scaleX = view.scaleY = 1.0 / 20;
    view.offsetX = -stage.xMin / 20.0;
    view.offsetY = -stage.yMin / 20.0;
    return view;
  }
  const double fitX = width / stageW, fitY = height / stageH;
  switch (scaleMode) {
    case 1:
      view.scaleX = view.scaleY = std::max(fitX, fitY);
      break;
    case 2:
      view.scaleX = fitX;
      view.scaleY = fitY;
      break;
    case 3:
      view.scaleX = view.scaleY = 1.0 / 20;
      break;
    default:
      view.scaleX = view.scaleY = std::min(fitX, fitY);
      break;
  }
  view.offsetX = (width - stageW * view.scaleX) / 2 - stage.xMin * view.scaleX;
  view.offsetY = (height - stageH * view.scaleY) / 2 - stage.yMin * view.scaleY;
  return view;
}

namespace {

bool InsideEvenOdd(const std::vector<std::vector<Point>>& outlines, const Matrix& m, Point p) {
  bool inside = false;
  for (const auto& outline : outlines) {
    for (size_t i = 0, n = outline.size(); i < n; ++i) {
      const Point a = Apply(m, outline[i]);
      const Point b = Apply(m, outline[(i + 1) % n]);
      if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) {
        inside = !inside;
      }
    }
  }
  return inside;
}

double DistanceToSegment(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool OnStroke(const Stroke& stroke, const Matrix& m, Point p) {
  const double scale = std::sqrt(std::fabs(m.scaleX * m.scaleY - m.skew0 * m.skew1));
  const double halfWidth = std::max(stroke.width * scale, 20.0) / 2;
  for (size_t i = 0; i + 1 < stroke.points.size(); ++i) {
    if (DistanceToSegment(p, Apply(m, stroke.points[i]), Apply(m, stroke.points[i + 1])) <=
        halfWidth) {
      return true;
    }
  }
  return false;
}

}  // namespace

Rgba ColorAt(const Player& player, Point stage) {
  Rgba color = player.Background();
  for (const DrawItem& item : player.Items()) {
    for (const FilledArea& fill : item.shape->fills) {
      if (Drawn(fill.color) && InsideEvenOdd(fill.outlines, item.matrix, stage)) color = fill.color;
    }
    for (const Stroke& stroke : item.shape->strokes) {
      if (Drawn(stroke.color) && OnStroke(stroke, item.matrix, stage)) color = stroke.color;
    }
  }
  return color;
}

}  // namespace swf
