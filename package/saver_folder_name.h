// The saver folder's name: one rule for the installer, which creates the
// folder, and the engine, which finds it again to uninstall.
//
// The folder lies directly under the Windows folder and is named after the
// package title followed by " dir". Characters that would make the title a
// path or an invalid name become '_', and a title of dots only ("." or "..",
// which would name the Windows folder or its parent) becomes as many
// underscores. Letter case, blanks and dots elsewhere stay as the title has
// them: Windows compares the names without regard to case, and the suffix
// keeps trailing blanks and dots, and device names ("CON dir"), away from the
// end of the name. An empty title gives "LMX temp\ dir".
#pragma once

#include <string>
#include <string_view>

#include "dataStructures_shared.h"

namespace saver {

inline constexpr std::string_view kSaverFolderSuffix = " dir";

// The part before the suffix.
inline std::string SaverFolderBaseName(std::string_view title) {
  if (title.empty()) return "LMX temp\\";
  std::string name(title);
  for (char& c : name) {
    if (IsForbiddenNameChar(c)) c = '_';
  }
  if (name.find_first_not_of('.') == std::string::npos) name.assign(name.size(), '_');
  return name;
}

// The folder's name under the Windows folder, without a trailing separator.
inline std::string SaverFolderName(std::string_view title) {
  return SaverFolderBaseName(title) + std::string(kSaverFolderSuffix);
}

}  // namespace saver
