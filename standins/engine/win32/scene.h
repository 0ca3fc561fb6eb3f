// What the engine's window shows. A scene is told the window's size, moves
// on with time and paints a whole frame; the window owns the timing and the
// double buffering. MakeScene picks one through ChooseScene: a movie scene
// (played by a control inside the window) can join the bitmap and the
// drawing here without changing the window.
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
  virtual void Resize(Extent area) = 0;
  virtual void Advance(uint32_t elapsedMs) = 0;
  virtual void Paint(HDC dc, Extent area) = 0;
};

// `scale` shrinks pictures, text and speed for the preview's small window
// (1 in full screen).
std::unique_ptr<Scene> MakeScene(const EngineContext& context, double scale);

}  // namespace engine::win32
