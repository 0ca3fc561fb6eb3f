#include "error_text.h"

namespace app {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Where an insert was dropped: removes the space before it from `out`, or
// else skips the space after it in `text` (at `next`).
void DropSpaceBeside(std::string& out, const std::string& text, size_t& next) {
  if (!out.empty() && out.back() == ' ') {
    out.pop_back();
  } else if (next < text.size() && text[next] == ' ') {
    ++next;
  }
}

}  // namespace

// An insert is '%' and a number, optionally followed by a "!format!" part;
// "%%" is a percent sign.
std::string FillInserts(const std::string& text, const std::string& fileName) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%' || i + 1 >= text.size()) {
      out += text[i++];
      continue;
    }
    if (text[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    size_t end = i + 1;
    while (end < text.size() && IsDigit(text[end])) ++end;
    if (end == i + 1) {
      out += text[i++];
      continue;
    }
    const bool first = text.compare(i + 1, end - i - 1, "1") == 0;
    if (end < text.size() && text[end] == '!') {
      const size_t close = text.find('!', end + 1);
      end = close == std::string::npos ? text.size() : close + 1;
    }
    if (first && !fileName.empty()) {
      out += fileName;
    } else {
      DropSpaceBeside(out, text, end);
    }
    i = end;
  }
  return out;
}

std::string SystemErrorText(os::Platform& platform, int32_t code, const std::string& fileName) {
  if (code <= 0) return "";
  std::string text = FillInserts(platform.ErrorText(code).substr(0, 256), fileName);
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.back());
    if (c > ' ' && c != '.') break;
    text.pop_back();
  }
  return text;
}

}  // namespace app
