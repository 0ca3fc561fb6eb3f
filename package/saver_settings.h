// The screen saver engine's own settings inside the saver data file's
// 1240-byte header, which the installer copies unchanged into saver.dat.
//
// The installer interprets only two fields of that header (recordCount at 212
// and firstRecordMode at 1204); the engine keeps its settings in bytes the
// installer leaves alone. Integers are little-endian; texts are ANSI, zero-
// terminated within their field (a text that fills its field has no zero).
//
//   Offset  Size  Field
//   0       4     magic "SVRS" (no magic: the header carries no engine
//                 settings and the engine uses its defaults)
//   4       2     version, u16, 1 (a later version keeps these offsets)
//   6       2     flags, u16: bit 0 = draw the text over the picture too
//   8       4     background colour, u32 0x00BBGGRR
//   12      4     text colour, u32 0x00BBGGRR
//   16      4     speed, u32, pixels per second the picture or text moves
//                 (1..1000; other values read as the default)
//   20      4     reserved, zero
//   24      64    text shown by the drawn animation (empty: the title)
//   88      124   reserved, zero
//   212     4     recordCount (the installer's; never written here)
//   216     256   picture: file name in the saver folder of the bitmap or
//                 movie to show (empty: the installer's preview bitmap)
//   472     732   reserved, zero
//   1204    4     firstRecordMode (the installer's; never written here)
//   1208    32    reserved, zero
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "constants_shared.h"

namespace saver {

constexpr std::array<uint8_t, 4> kSettingsMagic = {'S', 'V', 'R', 'S'};
constexpr uint16_t kSettingsVersion = 1;
constexpr int kSettingsTextSize = 64;
constexpr int kSettingsPictureSize = 256;
constexpr uint32_t kMinSpeed = 1;
constexpr uint32_t kMaxSpeed = 1000;
constexpr uint16_t kFlagTextOverPicture = 0x0001;

// Offsets of the engine's fields and of the installer's two fields.
constexpr int kSettingsMagicOffset = 0;
constexpr int kSettingsVersionOffset = 4;
constexpr int kSettingsFlagsOffset = 6;
constexpr int kSettingsBackgroundOffset = 8;
constexpr int kSettingsTextColourOffset = 12;
constexpr int kSettingsSpeedOffset = 16;
constexpr int kSettingsTextOffset = 24;
constexpr int kRecordCountOffset = 212;
constexpr int kSettingsPictureOffset = 216;
constexpr int kFirstRecordModeOffset = 1204;

using SaverDataHeaderBytes = std::array<uint8_t, kSaverDataHeaderSize>;

struct SaverSettings {
  uint32_t background = 0x00000000;  // black
  uint32_t textColour = 0x00FFFFFF;  // white
  uint32_t speed = 60;
  uint16_t flags = 0;
  std::string text;     // at most kSettingsTextSize bytes
  std::string picture;  // at most kSettingsPictureSize bytes, a bare file name

  bool operator==(const SaverSettings&) const = default;
};

// Why `settings` cannot be stored (a text or name too long, a picture name
// with a path or a character Windows refuses, a speed out of range);
// nullopt when it can.
std::optional<std::string> SettingsProblem(const SaverSettings& settings);

// Writes the engine's fields of `settings` into `header` and zeroes the
// engine's reserved bytes; recordCount and firstRecordMode stay as they are.
// The caller checks SettingsProblem first: over-long texts are cut.
void WriteEngineSettings(SaverDataHeaderBytes& header, const SaverSettings& settings);

// A whole header: the engine's settings plus the installer's two fields.
SaverDataHeaderBytes MakeSaverDataHeader(const SaverSettings& settings, int32_t recordCount,
                                         int32_t firstRecordMode);

// The engine's settings from the first bytes of saver.dat (or of a data
// file). Defaults when the bytes are fewer than a header or carry no magic;
// a speed out of range reads as the default, a picture name with a path
// reads as empty.
SaverSettings ReadEngineSettings(std::span<const uint8_t> header);

// "#RRGGBB" or "RRGGBB" (hex digits, either case) as 0x00BBGGRR.
std::optional<uint32_t> ParseColour(std::string_view text);

}  // namespace saver
