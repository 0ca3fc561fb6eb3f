#include "json_line.h"

#include <cstdio>

namespace saverdrv {
namespace {

void AppendEscapedUnit(std::string& out, unsigned unit) {
  switch (unit) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      break;
  }
  if (unit >= 0x20 && unit < 0x7F) {
    out += static_cast<char>(unit);
    return;
  }
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", unit & 0xFFFF);
  out += escape;
}

}  // namespace

void AppendJsonString(std::string& out, std::wstring_view text) {
  out += '"';
  for (wchar_t unit : text) AppendEscapedUnit(out, static_cast<unsigned>(unit));
  out += '"';
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (char byte : text) AppendEscapedUnit(out, static_cast<unsigned char>(byte));
  out += '"';
}

void JsonObject::Key(std::string_view key) {
  if (body_.size() > 1) body_ += ',';
  AppendJsonString(body_, key);
  body_ += ':';
}

JsonObject& JsonObject::Add(std::string_view key, std::wstring_view value) {
  Key(key);
  AppendJsonString(body_, value);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view value) {
  Key(key);
  AppendJsonString(body_, value);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, int64_t value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  Key(key);
  body_ += json;
  return *this;
}

void JsonArray::Push(const std::string& json) {
  if (body_.size() > 1) body_ += ',';
  body_ += json;
}

void EmitLine(const JsonObject& object) {
  const std::string line = object.Text() + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

}  // namespace saverdrv
