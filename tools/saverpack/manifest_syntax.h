// The line syntax shared by the builder's manifests, usable by any manifest
// of `key = value` lines:
//
//   - The text is UTF-8; a UTF-8 byte-order mark at the start is skipped.
//     UTF-16 (a UTF-16 byte-order mark or NUL bytes) is refused by name.
//   - Lines end with LF, CRLF or a lone CR.
//   - Blank lines and lines whose first non-blank character is '#' are
//     comments. Elsewhere a '#' that follows a blank starts a comment.
//   - `key = value`: blanks around key and value are dropped. A value in
//     double quotes is taken as written between them ('#' and blanks
//     included); inside the quotes \" stands for " and \\ for \. Only blanks
//     or a comment may follow the closing quote.
//
// Errors are PackError messages "ORIGIN:LINE:COLUMN: what", the column
// counted in characters from 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace saverpack {

// Where a line stands, for messages.
struct SourceLine {
  std::string_view origin;
  int number = 0;
  std::string_view text;
};

// A value as written and, for each of its bytes, the byte offset in the line
// it came from (so that a fault in the value can be shown with its column).
struct ManifestValue {
  std::string text;
  std::vector<size_t> offsets;
};

struct ManifestEntry {
  std::string key;
  ManifestValue value;
};

// Throws PackError "origin:line:column: what" for byte `offset` of the line.
[[noreturn]] void FailAtColumn(const SourceLine& line, size_t offset, const std::string& what);
// Throws PackError "origin:line: what".
[[noreturn]] void FailAtLine(const SourceLine& line, const std::string& what);

// Drops a UTF-8 byte-order mark; refuses UTF-16 text and NUL bytes.
std::string_view CheckManifestEncoding(std::string_view text, std::string_view origin);

// Splits at LF, CRLF and lone CR; the line ends are not kept.
std::vector<std::string_view> SplitManifestLines(std::string_view text);

// Parses one line: nothing for a blank or comment line; otherwise its key
// and value. Throws on ill-formed UTF-8, a line without '=', a missing key,
// an unclosed quote, an unknown escape or text after the closing quote.
std::optional<ManifestEntry> ParseManifestLine(const SourceLine& line);

// The value converted to the installer's Windows-1252 code page; a character
// the code page lacks is refused with its column. `what` names the value in
// the message ("title", "'slot7.name'").
std::string ValueToWindows1252(const SourceLine& line, const ManifestValue& value,
                               std::string_view what);

// A whole decimal number in [low, high] (a leading '-' only for a negative
// one; no blanks, no '+'), or nothing.
std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t low, int64_t high);

// " (did you mean 'KEY'?)" with the known key nearest to `key` in edit
// distance, when one is near enough to be a slip of the keyboard; else "".
std::string NearestKeyHint(std::string_view key, const std::vector<std::string>& known);

// UTF-8 text in Windows-1252, or nothing when a character does not exist
// there (or the text is not UTF-8).
std::optional<std::string> Utf8ToWindows1252(std::string_view text);

}  // namespace saverpack
