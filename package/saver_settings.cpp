#include "saver_settings.h"

#include <algorithm>
#include <cstring>

namespace saver {
namespace {

void PutU16(SaverDataHeaderBytes& header, int offset, uint16_t value) {
  header[offset] = static_cast<uint8_t>(value);
  header[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(SaverDataHeaderBytes& header, int offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) header[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t GetU16(std::span<const uint8_t> bytes, int offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

uint32_t GetU32(std::span<const uint8_t> bytes, int offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[offset + i];
  return value;
}

void PutText(SaverDataHeaderBytes& header, int offset, int size, const std::string& text) {
  std::fill_n(header.begin() + offset, size, uint8_t{0});
  const size_t count = std::min(text.size(), static_cast<size_t>(size));
  std::memcpy(header.data() + offset, text.data(), count);
}

std::string GetText(std::span<const uint8_t> bytes, int offset, int size) {
  const auto field = bytes.subspan(offset, size);
  const auto end = std::find(field.begin(), field.end(), uint8_t{0});
  return std::string(field.begin(), end);
}

// A name Windows accepts as one file in one folder.
bool IsBareFileName(std::string_view name) {
  if (name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
  });
}

bool SpeedInRange(uint32_t speed) { return speed >= kMinSpeed && speed <= kMaxSpeed; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The engine's own bytes: everything but the installer's two fields.
bool IsEngineByte(int offset) {
  const auto inField = [offset](int start) { return offset >= start && offset < start + 4; };
  return !inField(kRecordCountOffset) && !inField(kFirstRecordModeOffset);
}

}  // namespace

std::optional<std::string> SettingsProblem(const SaverSettings& settings) {
  if (settings.text.size() > static_cast<size_t>(kSettingsTextSize)) {
    return "text longer than " + std::to_string(kSettingsTextSize) + " bytes";
  }
  if (settings.picture.size() > static_cast<size_t>(kSettingsPictureSize)) {
    return "picture name longer than " + std::to_string(kSettingsPictureSize) + " bytes";
  }
  if (!IsBareFileName(settings.picture)) {
    return "picture must be a plain file name in the saver folder: " + settings.picture;
  }
  if (!SpeedInRange(settings.speed)) {
    return "speed must be " + std::to_string(kMinSpeed) + " to " + std::to_string(kMaxSpeed);
  }
  if (settings.background > 0xFFFFFF || settings.textColour > 0xFFFFFF) {
    return "colours are 0x00BBGGRR values";
  }
  return std::nullopt;
}

void WriteEngineSettings(SaverDataHeaderBytes& header, const SaverSettings& settings) {
  for (int offset = 0; offset < kSaverDataHeaderSize; ++offset) {
    if (IsEngineByte(offset)) header[offset] = 0;
  }
  std::copy(kSettingsMagic.begin(), kSettingsMagic.end(), header.begin() + kSettingsMagicOffset);
  PutU16(header, kSettingsVersionOffset, kSettingsVersion);
  PutU16(header, kSettingsFlagsOffset, settings.flags);
  PutU32(header, kSettingsBackgroundOffset, settings.background);
  PutU32(header, kSettingsTextColourOffset, settings.textColour);
  PutU32(header, kSettingsSpeedOffset, settings.speed);
  PutText(header, kSettingsTextOffset, kSettingsTextSize, settings.text);
  PutText(header, kSettingsPictureOffset, kSettingsPictureSize, settings.picture);
}

SaverDataHeaderBytes MakeSaverDataHeader(const SaverSettings& settings, int32_t recordCount,
                                         int32_t firstRecordMode) {
  SaverDataHeaderBytes header{};
  WriteEngineSettings(header, settings);
  PutU32(header, kRecordCountOffset, static_cast<uint32_t>(recordCount));
  PutU32(header, kFirstRecordModeOffset, static_cast<uint32_t>(firstRecordMode));
  return header;
}

SaverSettings ReadEngineSettings(std::span<const uint8_t> header) {
  SaverSettings settings;
  if (header.size() < static_cast<size_t>(kSaverDataHeaderSize)) return settings;
  if (!std::equal(kSettingsMagic.begin(), kSettingsMagic.end(), header.begin())) return settings;
  settings.flags = GetU16(header, kSettingsFlagsOffset);
  settings.background = GetU32(header, kSettingsBackgroundOffset) & 0xFFFFFF;
  settings.textColour = GetU32(header, kSettingsTextColourOffset) & 0xFFFFFF;
  const uint32_t speed = GetU32(header, kSettingsSpeedOffset);
  if (SpeedInRange(speed)) settings.speed = speed;
  settings.text = GetText(header, kSettingsTextOffset, kSettingsTextSize);
  settings.picture = GetText(header, kSettingsPictureOffset, kSettingsPictureSize);
  if (!IsBareFileName(settings.picture)) settings.picture.clear();
  return settings;
}

std::optional<uint32_t> ParseColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 6) return std::nullopt;
  uint32_t rgb = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    rgb = (rgb << 4) | static_cast<uint32_t>(digit);
  }
  const uint32_t red = rgb >> 16, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
  return red | (green << 8) | (blue << 16);
}

}  // namespace saver
