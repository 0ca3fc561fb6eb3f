#include "manifest_syntax.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "pack_error.h"
#include "text_encoding.h"

namespace saverpack {
namespace {

constexpr std::string_view kBlanks = " \t";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// 1-based column of byte `offset`: the characters before it, plus one.
size_t ColumnOf(std::string_view line, size_t offset) {
  size_t column = 1;
  for (size_t i = 0; i < offset && i < line.size(); ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
  }
  return column;
}

// A '#' at the start of the line or after a blank starts a comment.
bool StartsComment(std::string_view line, size_t i) {
  return line[i] == '#' && (i == 0 || IsBlank(line[i - 1]));
}

size_t SkipBlanks(std::string_view line, size_t i) {
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i;
}

void CheckUtf8(const SourceLine& line) {
  std::string_view rest = line.text;
  while (!rest.empty()) {
    const auto c = DecodeUtf8(rest);
    if (!c) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(rest[0]));
      FailAtColumn(line, line.text.size() - rest.size(),
                   std::string("byte ") + hex + " is not UTF-8 (save the manifest as UTF-8)");
    }
    rest.remove_prefix(c->length);
  }
}

// The value in double quotes that opens at `open`; `end` receives the
// position after the closing quote.
ManifestValue QuotedValue(const SourceLine& line, size_t open, size_t& end) {
  const std::string_view s = line.text;
  ManifestValue value;
  for (size_t i = open + 1; i < s.size(); ++i) {
    if (s[i] == '"') {
      end = i + 1;
      return value;
    }
    if (s[i] == '\\') {
      if (i + 1 >= s.size() || (s[i + 1] != '"' && s[i + 1] != '\\')) {
        FailAtColumn(line, i, "unknown escape in quotes: only \\\" and \\\\ are allowed");
      }
      ++i;
    }
    value.text += s[i];
    value.offsets.push_back(i);
  }
  FailAtColumn(line, open, "the quote opened here is not closed");
}

ManifestValue PlainValue(std::string_view s, size_t start) {
  size_t end = start;
  while (end < s.size() && !StartsComment(s, end)) ++end;
  while (end > start && IsBlank(s[end - 1])) --end;
  ManifestValue value;
  for (size_t i = start; i < end; ++i) {
    value.text += s[i];
    value.offsets.push_back(i);
  }
  return value;
}

}  // namespace

void FailAtColumn(const SourceLine& line, size_t offset, const std::string& what) {
  throw PackError(std::string(line.origin) + ":" + std::to_string(line.number) + ":" +
                  std::to_string(ColumnOf(line.text, offset)) + ": " + what);
}

void FailAtLine(const SourceLine& line, const std::string& what) {
  throw PackError(std::string(line.origin) + ":" + std::to_string(line.number) + ": " + what);
}

std::string_view CheckManifestEncoding(std::string_view text, std::string_view origin) {
  constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (text.starts_with(kUtf8Bom)) return text.substr(kUtf8Bom.size());
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
    throw PackError(std::string(origin) + ": the file is UTF-16, which is not supported; " +
                    "save it as UTF-8");
  }
  if (text.find('\0') != std::string_view::npos) {
    throw PackError(std::string(origin) + ": the file holds NUL bytes (UTF-16 or binary?); " +
                    "a manifest is UTF-8 text");
  }
  return text;
}

std::vector<std::string_view> SplitManifestLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::optional<ManifestEntry> ParseManifestLine(const SourceLine& line) {
  CheckUtf8(line);
  const std::string_view s = line.text;
  const size_t first = SkipBlanks(s, 0);
  if (first == s.size() || s[first] == '#') return std::nullopt;
  size_t eq = first;
  while (eq < s.size() && s[eq] != '=' && !StartsComment(s, eq)) ++eq;
  if (eq == s.size() || s[eq] != '=') FailAtLine(line, "expected 'key = value'");
  std::string_view key = s.substr(first, eq - first);
  key = key.substr(0, key.find_last_not_of(kBlanks) + 1);
  if (key.empty()) FailAtLine(line, "missing key before '='");
  ManifestEntry entry{std::string(key), {}};
  const size_t start = SkipBlanks(s, eq + 1);
  if (start < s.size() && s[start] == '"') {
    size_t end = 0;
    entry.value = QuotedValue(line, start, end);
    end = SkipBlanks(s, end);
    if (end < s.size() && s[end] != '#') {
      FailAtColumn(line, end, "only a comment may follow the closing quote");
    }
  } else {
    entry.value = PlainValue(s, start);
  }
  return entry;
}

std::string ValueToWindows1252(const SourceLine& line, const ManifestValue& value,
                               std::string_view what) {
  std::string out;
  std::string_view rest = value.text;
  while (!rest.empty()) {
    const size_t index = value.text.size() - rest.size();
    const auto c = DecodeUtf8(rest);
    const auto byte = c ? ToWindows1252(c->codePoint) : std::nullopt;
    if (!byte) {
      FailAtColumn(line, value.offsets[index],
                   std::string(what) + ": '" + std::string(rest.substr(0, c ? c->length : 1)) +
                       "' does not exist in the Windows-1252 code page the installer uses");
    }
    out += static_cast<char>(*byte);
    rest.remove_prefix(c->length);
  }
  return out;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const auto c = DecodeUtf8(text);
    const auto byte = c ? ToWindows1252(c->codePoint) : std::nullopt;
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    text.remove_prefix(c->length);
  }
  return out;
}

std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t low, int64_t high) {
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

std::string NearestKeyHint(std::string_view key, const std::vector<std::string>& known) {
  // Levenshtein distance over bytes, one row at a time.
  const auto distance = [](std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
      size_t diagonal = row[0];
      row[0] = i;
      for (size_t j = 1; j <= b.size(); ++j) {
        const size_t above = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
        diagonal = above;
      }
    }
    return row[b.size()];
  };
  const size_t allowed = key.size() >= 5 ? 2 : 1;
  std::string best;
  size_t bestDistance = allowed + 1;
  for (const std::string& candidate : known) {
    const size_t d = distance(key, candidate);
    if (d < bestDistance && 2 * d < key.size()) {
      best = candidate;
      bestDistance = d;
    }
  }
  return best.empty() ? std::string() : " (did you mean '" + best + "'?)";
}

}  // namespace saverpack
