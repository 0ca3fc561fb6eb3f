// One JSON object per output line: the driver's whole reporting format.
//
// Texts from windows are UTF-16; everything outside printable ASCII is
// written as a \uXXXX escape, so every line is plain ASCII whatever the
// window texts hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace saverdrv {

// Appends `text` as a quoted JSON string to `out`.
void AppendJsonString(std::string& out, std::wstring_view text);
void AppendJsonString(std::string& out, std::string_view text);

class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::wstring_view value);
  JsonObject& Add(std::string_view key, std::string_view value);
  JsonObject& Add(std::string_view key, const char* value) {
    return Add(key, std::string_view(value));
  }
  JsonObject& Add(std::string_view key, int64_t value);
  JsonObject& Add(std::string_view key, int value) { return Add(key, int64_t{value}); }
  JsonObject& Add(std::string_view key, unsigned long value) {
    return Add(key, static_cast<int64_t>(value));
  }
  JsonObject& Add(std::string_view key, bool value);
  // `json` must already be a valid JSON value (object or array).
  JsonObject& AddRaw(std::string_view key, std::string_view json);
  std::string Text() const { return body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_ = "{";
};

// Builds a JSON array from already formatted values.
class JsonArray {
 public:
  void Push(const std::string& json);
  std::string Text() const { return body_ + "]"; }

 private:
  std::string body_ = "[";
};

// Writes one line to stdout and flushes it at once, so a test reading the
// output file sees it while the driver is still running.
void EmitLine(const JsonObject& object);

}  // namespace saverdrv
