// Reading back the small files the installer keeps for itself (the install
// journal, the list of installed files).
#pragma once

#include <cstdint>
#include <string>

#include "os.h"

namespace setup {

// The whole file; empty when it is empty or larger than `limit`, which no
// file the installer wrote can be. Throws os::IoError.
inline std::string ReadSmallFile(os::Platform& platform, const std::string& path, int64_t limit) {
  auto stream = platform.OpenRead(path);
  const int64_t size = stream->Size();
  if (size <= 0 || size > limit) return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  bytes.resize(stream->Read(bytes.data(), static_cast<uint32_t>(size)));
  return bytes;
}

}  // namespace setup
