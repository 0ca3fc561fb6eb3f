// GDI drawing of a movie frame into any device context.
#pragma once

#include <windows.h>

#include "swf_player.h"

namespace flashctl {

// The frame `player` shows, scaled into `area` by `scaleMode` (see
// swf::FitMovie); the parts of the area outside the stage get the
// background colour too.
void DrawFrame(HDC dc, const RECT& area, const swf::Movie& movie, const swf::Player& player,
               int scaleMode);

// What a control shows for a movie it cannot read: light grey with a
// darker frame, the same whatever the file held.
void DrawPlaceholder(HDC dc, const RECT& area);

// A control with no movie yet: plain white.
void DrawEmpty(HDC dc, const RECT& area);

}  // namespace flashctl
