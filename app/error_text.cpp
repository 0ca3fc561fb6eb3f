#include "error_text.h"

namespace app {

std::string SystemErrorText(os::Platform& platform, int32_t code) {
  if (code <= 0) return "";
  std::string text = platform.ErrorText(code).substr(0, 256);
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.back());
    if (c > ' ' && c != '.') break;
    text.pop_back();
  }
  return text;
}

}  // namespace app
