#include "data_settings.h"

#include <algorithm>

#include "manifest_syntax.h"

namespace saverpack {
namespace {

std::optional<uint32_t> ParseSpeed(std::string_view text) {
  const auto value = ParseWholeNumber(text, saver::kMinSpeed, saver::kMaxSpeed);
  if (!value) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

std::optional<std::string> ReadColour(std::string_view key, std::string_view value,
                                      std::optional<uint32_t>& into) {
  into = saver::ParseColour(value);
  if (into) return std::nullopt;
  std::string problem = "'" + std::string(key) + "' must be a colour #RRGGBB (six hex digits)";
  if (value.empty()) {
    problem +=
        "; write it in quotes (\"#RRGGBB\") or without the '#': a '#' after a blank "
        "starts a comment";
  }
  return problem;
}

}  // namespace

bool EngineSettingsSource::Given() const {
  return picture || text || background || textColour || speed || textOverPicture;
}

bool IsEngineSettingKey(std::string_view key) {
  return key == "picture" || key == "text" || key == "background" || key == "text_colour" ||
         key == "speed" || key == "text_over_picture";
}

std::optional<std::string> ReadEngineSetting(std::string_view key, std::string_view value,
                                             EngineSettingsSource& into) {
  saver::SaverSettings probe;
  if (key == "picture") {
    probe.picture = value;
    into.picture = probe.picture;
    return saver::SettingsProblem(probe);
  }
  if (key == "text") {
    probe.text = value;
    into.text = probe.text;
    return saver::SettingsProblem(probe);
  }
  if (key == "background") return ReadColour(key, value, into.background);
  if (key == "text_colour") return ReadColour(key, value, into.textColour);
  if (key == "speed") {
    into.speed = ParseSpeed(value);
    if (into.speed) return std::nullopt;
    return "'speed' must be a whole number from " + std::to_string(saver::kMinSpeed) + " to " +
           std::to_string(saver::kMaxSpeed) + " (pixels per second)";
  }
  if (value != "0" && value != "1") return "'" + std::string(key) + "' must be 0 or 1";
  into.textOverPicture = value == "1";
  return std::nullopt;
}

std::optional<int> EngineSettingsVersion(const saver::SaverDataHeaderBytes& header) {
  if (!std::equal(saver::kSettingsMagic.begin(), saver::kSettingsMagic.end(), header.begin())) {
    return std::nullopt;
  }
  return header[saver::kSettingsVersionOffset] | (header[saver::kSettingsVersionOffset + 1] << 8);
}

saver::SaverSettings ApplyEngineSettings(saver::SaverSettings base,
                                         const EngineSettingsSource& given) {
  if (given.picture) base.picture = *given.picture;
  if (given.text) base.text = *given.text;
  if (given.background) base.background = *given.background;
  if (given.textColour) base.textColour = *given.textColour;
  if (given.speed) base.speed = *given.speed;
  if (given.textOverPicture) {
    const uint16_t others = base.flags & static_cast<uint16_t>(~saver::kFlagTextOverPicture);
    base.flags = *given.textOverPicture
                     ? static_cast<uint16_t>(others | saver::kFlagTextOverPicture)
                     : others;
  }
  return base;
}

}  // namespace saverpack
