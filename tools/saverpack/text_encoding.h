// Text as the builder meets it: manifests are UTF-8, while titles and names
// in a package are single bytes of the Windows-1252 code page that the
// installer passes to the ANSI Windows functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace saverpack {

// One character decoded from UTF-8: its code point and how many bytes it took.
struct DecodedChar {
  char32_t codePoint = 0;
  size_t length = 0;
};

// Decodes the character at the start of `text` (not empty). Nothing for an
// ill-formed sequence: a stray continuation byte, a truncated or overlong
// sequence, a surrogate or a value past U+10FFFF.
std::optional<DecodedChar> DecodeUtf8(std::string_view text);

// The byte that stands for `codePoint` in Windows-1252, or nothing when the
// code page has no such character (C1 controls included).
std::optional<uint8_t> ToWindows1252(char32_t codePoint);

// The character that a Windows-1252 byte stands for; nothing for the five
// bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
std::optional<char32_t> FromWindows1252(uint8_t byte);

// Appends the UTF-8 form of `codePoint` to `out`.
void AppendUtf8(std::string& out, char32_t codePoint);

// Windows-1252 bytes shown as UTF-8 for a terminal or a message: control
// bytes, DEL and the undefined bytes are escaped as \xNN (\x01, \x81).
std::string Windows1252ForDisplay(std::string_view bytes);

}  // namespace saverpack
