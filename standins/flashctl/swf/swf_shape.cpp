// DefineShape, DefineShape2 and DefineShape3 into the player's shape model.
//
// SHAPEWITHSTYLE: FILLSTYLEARRAY, LINESTYLEARRAY, NumFillBits UB[4],
// NumLineBits UB[4], then SHAPERECORDs up to an end record:
//   TypeFlag UB[1] = 0 (style change): StateNewStyles, StateLineStyle,
//     StateFillStyle1, StateFillStyle0, StateMoveTo UB[1] each (all zero:
//     end of shape); [MoveBits UB[5], MoveDeltaX, MoveDeltaY SB[MoveBits]]
//     [FillStyle0 UB[NumFillBits]] [FillStyle1 UB[NumFillBits]]
//     [LineStyle UB[NumLineBits]] [new FILLSTYLEARRAY, LINESTYLEARRAY,
//     NumFillBits UB[4], NumLineBits UB[4]] (the last only in versions 2, 3)
//   TypeFlag UB[1] = 1 (edge): StraightFlag UB[1], NumBits UB[4] (+2);
//     straight: GeneralLineFlag UB[1], then DeltaX and DeltaY, or
//     VertLineFlag UB[1] and one of them, as SB[NumBits+2];
//     curved: ControlDeltaX, ControlDeltaY, AnchorDeltaX, AnchorDeltaY.
// FILLSTYLEARRAY: count UI8 (0xFF: UI16 follows, versions 2 and 3), then
//   FILLSTYLE: type UI8; 0x00 solid colour (RGB, RGBA in version 3);
//   0x10/0x12/0x13 gradient: MATRIX, count byte (low 4 bits), records of
//   ratio UI8 + colour; 0x40-0x43 bitmap: id UI16, MATRIX.
// LINESTYLEARRAY: count as above, then Width UI16 + colour.
//
// Fill styles other than solid are drawn in one colour: a gradient in the
// mean of its colours, a bitmap in grey.
#include <map>
#include <utility>

#include "swf_records.h"

namespace swf {
namespace {

constexpr int kCurveSegments = 8;

struct LineStyle {
  uint16_t width = 0;
  Rgba color;
};

struct Edge {
  std::vector<Point> points;  // from the start point to the end point
};

class ShapeBuilder {
 public:
  explicit ShapeBuilder(int version) : version_(version) {}

  void ReadStyles(Reader& in);
  void ReadRecords(Reader& in);
  Shape Finish(const Rect& bounds);

 private:
  Rgba ReadColor(Reader& in) { return version_ >= 3 ? ReadRgba(in) : ReadRgb(in); }
  size_t ReadCount(Reader& in);
  Rgba ReadFillStyle(Reader& in);
  bool ReadStyleChange(Reader& in);
  void ReadEdge(Reader& in);
  void AddEdge(std::vector<Point> points);
  size_t StyleIndex(uint32_t local, size_t base, size_t count) const;

  int version_;
  std::vector<Rgba> fills_;       // every fill style of the shape, in order
  std::vector<LineStyle> lines_;  // likewise for line styles
  size_t fillBase_ = 0, lineBase_ = 0;
  unsigned fillBits_ = 0, lineBits_ = 0;
  Point pen_;
  size_t fill0_ = 0, fill1_ = 0, line_ = 0;  // 1-based into fills_/lines_, 0 none
  std::map<size_t, std::vector<Edge>> fillEdges_;
  std::vector<Stroke> strokes_;
  size_t strokeOf_ = 0;  // line style of strokes_.back(), 0 when it ended
  size_t points_ = 0;
};

size_t ShapeBuilder::ReadCount(Reader& in) {
  size_t count = in.U8();
  if (count == 0xFF && version_ >= 2) count = in.U16();
  return count;
}

Rgba ShapeBuilder::ReadFillStyle(Reader& in) {
  const uint8_t type = in.U8();
  if (type == 0x00) return ReadColor(in);
  if (type == 0x10 || type == 0x12 || type == 0x13) {
    ReadMatrix(in);
    const unsigned count = in.U8() & 0x0F;
    unsigned r = 0, g = 0, b = 0, a = 0;
    for (unsigned i = 0; i < count; ++i) {
      in.U8();  // ratio
      const Rgba c = ReadColor(in);
      r += c.r, g += c.g, b += c.b, a += c.a;
    }
    if (type == 0x13) in.U16();  // focal point
    if (count == 0) return Rgba{128, 128, 128, 255};
    return Rgba{static_cast<uint8_t>(r / count), static_cast<uint8_t>(g / count),
                static_cast<uint8_t>(b / count), static_cast<uint8_t>(a / count)};
  }
  if (type >= 0x40 && type <= 0x43) {
    in.U16();
    ReadMatrix(in);
    return Rgba{128, 128, 128, 255};
  }
  throw FormatError("unknown fill style type");
}

void ShapeBuilder::ReadStyles(Reader& in) {
  fillBase_ = fills_.size();
  lineBase_ = lines_.size();
  for (size_t i = ReadCount(in); i > 0; --i) fills_.push_back(ReadFillStyle(in));
  for (size_t i = ReadCount(in); i > 0; --i) {
    LineStyle style;
    style.width = in.U16();
    style.color = ReadColor(in);
    lines_.push_back(style);
  }
  fillBits_ = in.Bits(4);
  lineBits_ = in.Bits(4);
}

// A style number of the records, relative to the style arrays in force,
// as a 1-based index into all styles; 0 for none or out of range.
size_t ShapeBuilder::StyleIndex(uint32_t local, size_t base, size_t count) const {
  if (local == 0 || base + local > count) return 0;
  return base + local;
}

bool ShapeBuilder::ReadStyleChange(Reader& in) {
  const bool newStyles = in.Flag();
  const bool lineStyle = in.Flag();
  const bool fillStyle1 = in.Flag();
  const bool fillStyle0 = in.Flag();
  const bool moveTo = in.Flag();
  if (!newStyles && !lineStyle && !fillStyle1 && !fillStyle0 && !moveTo) return false;
  if (moveTo) {
    const unsigned bits = in.Bits(5);
    pen_.x = in.SignedBits(bits);
    pen_.y = in.SignedBits(bits);
    strokeOf_ = 0;
  }
  if (fillStyle0) fill0_ = StyleIndex(in.Bits(fillBits_), fillBase_, fills_.size());
  if (fillStyle1) fill1_ = StyleIndex(in.Bits(fillBits_), fillBase_, fills_.size());
  if (lineStyle) {
    line_ = StyleIndex(in.Bits(lineBits_), lineBase_, lines_.size());
    strokeOf_ = 0;
  }
  if (newStyles && version_ >= 2) {
    ReadStyles(in);
    fill0_ = fill1_ = line_ = strokeOf_ = 0;
  }
  return true;
}

void ShapeBuilder::ReadEdge(Reader& in) {
  const bool straight = in.Flag();
  const unsigned bits = in.Bits(4) + 2;
  std::vector<Point> points{pen_};
  if (straight) {
    Point to = pen_;
    if (in.Flag()) {
      to.x += in.SignedBits(bits);
      to.y += in.SignedBits(bits);
    } else if (in.Flag()) {
      to.y += in.SignedBits(bits);
    } else {
      to.x += in.SignedBits(bits);
    }
    points.push_back(to);
  } else {
    const Point control{pen_.x + in.SignedBits(bits), pen_.y + in.SignedBits(bits)};
    const Point to{control.x + in.SignedBits(bits), control.y + in.SignedBits(bits)};
    for (int i = 1; i <= kCurveSegments; ++i) {
      const double t = static_cast<double>(i) / kCurveSegments, u = 1 - t;
      points.push_back({u * u * pen_.x + 2 * u * t * control.x + t * t * to.x,
                        u * u * pen_.y + 2 * u * t * control.y + t * t * to.y});
    }
    points.back() = to;
  }
  AddEdge(std::move(points));
}

void ShapeBuilder::AddEdge(std::vector<Point> points) {
  points_ += points.size() * 2;
  if (points_ > kMaxShapePoints) throw FormatError("shape too complex");
  pen_ = points.back();
  if (line_ != 0) {
    if (strokeOf_ != line_ || strokes_.empty() || !(strokes_.back().points.back() == points[0])) {
      const LineStyle& style = lines_[line_ - 1];
      strokes_.push_back(Stroke{style.color, style.width, {points[0]}});
      strokeOf_ = line_;
    }
    auto& stroke = strokes_.back().points;
    stroke.insert(stroke.end(), points.begin() + 1, points.end());
  }
  // The area on the left (fill0) is traced backwards so that every fill's
  // edges run the same way round and join up end to start.
  if (fill1_ != 0) fillEdges_[fill1_].push_back(Edge{points});
  if (fill0_ != 0 && fill0_ != fill1_) {
    fillEdges_[fill0_].push_back(Edge{std::vector<Point>(points.rbegin(), points.rend())});
  }
}

void ShapeBuilder::ReadRecords(Reader& in) {
  for (;;) {
    if (in.Flag()) {
      ReadEdge(in);
    } else if (!ReadStyleChange(in)) {
      return;
    }
  }
}

// Joins a fill's edges into outlines: each outline follows edges end to
// start until it comes back round or no edge continues it; an outline that
// does not close is closed by the even-odd filling anyway.
std::vector<std::vector<Point>> JoinEdges(const std::vector<Edge>& edges) {
  // Edges by start point; an index once used is dropped when met again, so
  // each is looked at a bounded number of times however many share a point.
  std::map<std::pair<double, double>, std::vector<size_t>> byStart;
  for (size_t i = edges.size(); i > 0; --i) {
    const Point start = edges[i - 1].points.front();
    byStart[{start.x, start.y}].push_back(i - 1);
  }
  std::vector<bool> used(edges.size(), false);
  std::vector<std::vector<Point>> outlines;
  for (size_t first = 0; first < edges.size(); ++first) {
    if (used[first]) continue;
    std::vector<Point> outline;
    for (size_t current = first;;) {
      used[current] = true;
      const auto& pts = edges[current].points;
      outline.insert(outline.end(), pts.begin() + (outline.empty() ? 0 : 1), pts.end());
      const Point end = pts.back();
      if (end == outline.front()) break;
      auto found = byStart.find({end.x, end.y});
      if (found == byStart.end()) break;
      auto& candidates = found->second;
      while (!candidates.empty() && used[candidates.back()]) candidates.pop_back();
      if (candidates.empty()) break;
      current = candidates.back();
    }
    outlines.push_back(std::move(outline));
  }
  return outlines;
}

Shape ShapeBuilder::Finish(const Rect& bounds) {
  Shape shape;
  shape.bounds = bounds;
  for (const auto& [style, edges] : fillEdges_) {
    shape.fills.push_back(FilledArea{fills_[style - 1], JoinEdges(edges)});
  }
  shape.strokes = std::move(strokes_);
  return shape;
}

}  // namespace

Shape ReadShape(Reader& in, int shapeVersion) {
  const Rect bounds = ReadRect(in);
  ShapeBuilder builder(shapeVersion);
  // A shape damaged part-way keeps the outlines read before the damage.
  try {
    builder.ReadStyles(in);
    builder.ReadRecords(in);
  } catch (const FormatError&) {
  }
  return builder.Finish(bounds);
}

}  // namespace swf
