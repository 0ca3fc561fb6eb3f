// What the engine's window shows. A scene is told the window's size, moves
// on with time and paints a whole frame; the window owns the timing and the
// double buffering. MakeScene picks one through ChooseScene: a movie played
// by the Shockwave Flash control inside the window when a control can be
// created, else the bitmap or the drawing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "engine_context.h"
#include "motion.h"

namespace engine::win32 {

class Scene {
 public:
  virtual ~Scene() = default;
  // Called once the window exists, with its client size; a movie scene puts
  // its control there.
  virtual void ShowIn(HWND /*window*/, Extent /*area*/) {}
  virtual void Resize(Extent area) = 0;
  virtual void Advance(uint32_t elapsedMs) = 0;
  virtual void Paint(HDC dc, Extent area) = 0;
};

// `scale` shrinks pictures, text and speed for the preview's small window
// (1 in full screen).
std::unique_ptr<Scene> MakeScene(const EngineContext& context, double scale);

// Whether this system has a Shockwave Flash control the engine can create.
bool CanPlayMovies();

}  // namespace engine::win32
