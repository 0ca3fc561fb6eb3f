#include "summary.h"

#include <cstdio>

#include "saver_paths.h"

namespace engine {

std::string ColourText(uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF,
                (colour >> 16) & 0xFF);
  return text;
}

std::string SettingsSummary(const std::string& title, const saver::SaverSettings& settings,
                            const SceneChoice& scene) {
  const std::string shows = scene.kind == SceneKind::kDrawn ? "a drawn animation"
                            : scene.kind == SceneKind::kMovie
                                ? "the movie " + BaseName(scene.path)
                                : "the picture " + BaseName(scene.path);
  const std::string text = settings.text.empty() ? title : settings.text;
  return title + " Screen Saver\r\n\r\nShows: " + shows + "\r\nText: " + text +
         "\r\nColours: " + ColourText(settings.textColour) + " on " +
         ColourText(settings.background) + "\r\nSpeed: " + std::to_string(settings.speed) +
         " pixels per second\r\n\r\nThese settings come with the screen saver.";
}

}  // namespace engine
