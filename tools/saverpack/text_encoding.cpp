#include "text_encoding.h"

#include <array>
#include <cstdio>

namespace saverpack {
namespace {

// Characters of bytes 0x80..0x9F; 0 marks a byte the code page leaves
// undefined. Bytes 0xA0..0xFF stand for U+00A0..U+00FF.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::optional<DecodedChar> DecodeUtf8(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return DecodedChar{lead, 1};
  size_t length = 0;
  char32_t value = 0;
  char32_t smallest = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() < length) return std::nullopt;
  for (size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!IsContinuation(c)) return std::nullopt;
    value = value << 6 | (c & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return std::nullopt;
  }
  return DecodedChar{value, length};
}

std::optional<uint8_t> ToWindows1252(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<uint8_t>(codePoint);
  }
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == codePoint) {
      return static_cast<uint8_t>(0x80 + i);
    }
  }
  return std::nullopt;
}

std::optional<char32_t> FromWindows1252(uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char32_t c = kHighControls[byte - 0x80];
  if (c == 0) return std::nullopt;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Windows1252ForDisplay(std::string_view bytes) {
  std::string out;
  for (char b : bytes) {
    const auto byte = static_cast<uint8_t>(b);
    const auto c = FromWindows1252(byte);
    if (!c || byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      AppendUtf8(out, *c);
    }
  }
  return out;
}

}  // namespace saverpack
