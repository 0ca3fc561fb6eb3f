#include "swf_records.h"

namespace swf {

Point Apply(const Matrix& m, Point p) {
  return {m.scaleX * p.x + m.skew1 * p.y + m.translateX,
          m.skew0 * p.x + m.scaleY * p.y + m.translateY};
}

Rect ReadRect(Reader& in) {
  const unsigned bits = in.Bits(5);
  Rect rect;
  rect.xMin = in.SignedBits(bits);
  rect.xMax = in.SignedBits(bits);
  rect.yMin = in.SignedBits(bits);
  rect.yMax = in.SignedBits(bits);
  in.Align();
  return rect;
}

namespace {

double Fixed16(int32_t raw) { return raw / 65536.0; }

}  // namespace

Matrix ReadMatrix(Reader& in) {
  Matrix m;
  if (in.Flag()) {
    const unsigned bits = in.Bits(5);
    m.scaleX = Fixed16(in.SignedBits(bits));
    m.scaleY = Fixed16(in.SignedBits(bits));
  }
  if (in.Flag()) {
    const unsigned bits = in.Bits(5);
    m.skew0 = Fixed16(in.SignedBits(bits));
    m.skew1 = Fixed16(in.SignedBits(bits));
  }
  const unsigned bits = in.Bits(5);
  m.translateX = in.SignedBits(bits);
  m.translateY = in.SignedBits(bits);
  in.Align();
  return m;
}

Rgba ReadRgb(Reader& in) {
  Rgba c;
  c.r = in.U8();
  c.g = in.U8();
  c.b = in.U8();
  return c;
}

Rgba ReadRgba(Reader& in) {
  Rgba c = ReadRgb(in);
  c.a = in.U8();
  return c;
}

}  // namespace swf
