// Path checks the fuzz targets share.
#pragma once

#include <string>

namespace fuzz {

// An absolute "C:\..." path none of whose parts is made of dots (and blanks)
// only, such as "..", which Windows reads as a step up; dots inside a name
// ("saver..v2.dll") are fine.
inline bool AbsoluteWithoutDotParts(const std::string& path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  size_t start = 3;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (!part.empty() && part.find_first_not_of(". ") == std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace fuzz
