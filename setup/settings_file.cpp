#include "settings_file.h"

namespace setup {

void SettingsFile::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
  if (platform_.WriteIniString(path_, section, key, value)) return;
  const int32_t code = platform_.LastError();
  throw os::IoError(code != 0 ? code : os::err::kWriteFault, "cannot write " + path_);
}

}  // namespace setup
