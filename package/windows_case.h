// How Windows compares file names in the installer's code page
// (Windows-1252): one rule for the installer, the engine and the builder.
#pragma once

#include <algorithm>
#include <string_view>

namespace saver {

// A character of a name as the file system compares it: upper case for the
// ASCII letters and the accented Windows-1252 letters (à..þ but the
// division sign; š œ ž ÿ to Š Œ Ž Ÿ), '/' as '\'.
constexpr unsigned char FoldedNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (c == '/') return '\\';
  if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) {
    return static_cast<unsigned char>(u - 0x20);
  }
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<unsigned char>(u - 0x10);
  if (u == 0xFF) return 0x9F;
  return u;
}

// Two names (or paths) that Windows takes for the same.
inline bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return FoldedNameChar(x) == FoldedNameChar(y); });
}

}  // namespace saver
