// The screen saver engine's settings as a data manifest gives them: each key
// is optional, and a key left out keeps the value the header already has
// (the template's settings, else the engine's defaults). The byte layout is
// in package/saver_settings.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "package/saver_settings.h"

namespace saverpack {

struct EngineSettingsSource {
  std::optional<std::string> picture;  // Windows-1252, a bare file name or empty
  std::optional<std::string> text;     // Windows-1252
  std::optional<uint32_t> background;  // 0x00BBGGRR
  std::optional<uint32_t> textColour;  // 0x00BBGGRR
  std::optional<uint32_t> speed;
  std::optional<bool> textOverPicture;

  // Whether the manifest gives any of the settings.
  bool Given() const;
};

// Whether `key` is one of the engine's settings keys: picture, text,
// background, text_colour, speed, text_over_picture.
bool IsEngineSettingKey(std::string_view key);

// Stores the value of a settings key in `into`; returns why the value is
// refused (a picture that is not a bare file name, a text over 64 bytes, a
// colour that is not #RRGGBB, a speed outside 1..1000, a switch not 0 or 1).
std::optional<std::string> ReadEngineSetting(std::string_view key, std::string_view value,
                                             EngineSettingsSource& into);

// The version of the engine's settings that `header` carries; nothing when
// it does not start with the magic "SVRS".
std::optional<int> EngineSettingsVersion(const saver::SaverDataHeaderBytes& header);

// `base` with the given settings put over it; the flag bits that the
// manifest does not set keep their values.
saver::SaverSettings ApplyEngineSettings(saver::SaverSettings base,
                                         const EngineSettingsSource& given);

}  // namespace saverpack
