// The settings box's text: what the screen saver shows and how.
#pragma once

#include <string>

#include "saver_settings.h"
#include "scene_choice.h"

namespace engine {

std::string SettingsSummary(const std::string& title, const saver::SaverSettings& settings,
                            const SceneChoice& scene);

// "#RRGGBB" of a 0x00BBGGRR colour.
std::string ColourText(uint32_t colour);

}  // namespace engine
