// Options and output shared by the command line's build commands.
#pragma once

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "progress.h"

namespace saverpack {

// --werror and --quiet, wherever they stand among a command's arguments.
struct CliOptions {
  bool werror = false;
  bool quiet = false;

  // Takes `arg` when it is one of these options.
  bool Take(std::string_view arg) {
    if (arg == "--werror") return werror = true;
    if (arg == "--quiet" || arg == "-q") return quiet = true;
    return false;
  }
};

// Whether a command's arguments ask for its help.
inline bool AsksForHelp(const std::vector<std::string_view>& args) {
  for (std::string_view arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

// Prints one warning line on standard error.
inline void PrintWarning(const std::string& text) {
  std::cerr << "saverpack: " << text << "\n" << std::flush;
}

}  // namespace saverpack
