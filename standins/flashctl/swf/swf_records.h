// Readers of the small records that several tags share.
#pragma once

#include "swf_bits.h"
#include "swf_movie.h"

namespace swf {

// RECT: Nbits UB[5], then Xmin, Xmax, Ymin, Ymax as SB[Nbits].
Rect ReadRect(Reader& in);

// MATRIX: HasScale UB[1] [NScaleBits UB[5], ScaleX, ScaleY FB[n]],
// HasRotate UB[1] [NRotateBits UB[5], RotateSkew0, RotateSkew1 FB[n]],
// NTranslateBits UB[5], TranslateX, TranslateY SB[n]. FB is 16.16 fixed.
Matrix ReadMatrix(Reader& in);

// RGB: three bytes; RGBA: four (alpha last).
Rgba ReadRgb(Reader& in);
Rgba ReadRgba(Reader& in);

// DefineShape (1), DefineShape2 (2) or DefineShape3 (3) body after the
// character id: ShapeBounds RECT, then SHAPEWITHSTYLE.
Shape ReadShape(Reader& in, int shapeVersion);

}  // namespace swf
