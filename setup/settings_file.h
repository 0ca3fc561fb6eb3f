// The saver.ini settings object: an ini file written through the platform's
// own ini functions, so the file is exactly what Windows writes.
#pragma once

#include <string>

#include "os.h"

namespace setup {

class SettingsFile {
 public:
  SettingsFile(os::Platform& platform, std::string path)
      : platform_(platform), path_(std::move(path)) {}
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  // Throws os::IoError with the system's error number when refused.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  const std::string& path() const { return path_; }

 private:
  os::Platform& platform_;
  std::string path_;
};

}  // namespace setup
