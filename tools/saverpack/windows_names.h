// File names as the installer's Windows will take them: one rule set for
// the package's slot names and the saver data file's record names, built on
// the installer's own checks (package/dataStructures_shared.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace saverpack {

// The longest path the installer's ANSI file functions take (MAX_PATH less
// the terminating zero).
constexpr size_t kMaxWindowsPath = 259;
// What the builder allows for the Windows folder of the user's machine
// ("C:\WINDOWS\" is 11 characters; a per-user Windows folder of a terminal
// server or a deep install can be far longer).
constexpr size_t kWindowsFolderAllowance = 64;

// Why Windows would not store `name` (Windows-1252) as one file of its own
// in a folder: "is empty", "contains '/'", "is a reserved device name ...",
// "ends in '.' ..."; nothing when it would.
std::optional<std::string> FileNameProblem(std::string_view name);

// The name upper-cased the way Windows compares names (ASCII and the
// Windows-1252 letters).
std::string WindowsFolded(std::string_view name);

// Why `name` in the saver folder ("<Windows folder><title> dir\") may make
// a path too long for the installer, counting the Windows folder as
// kWindowsFolderAllowance characters; nothing when it fits. Without a title
// (a data file built alone) the longest title, 64 bytes, is assumed.
std::optional<std::string> SaverFolderPathProblem(std::optional<std::string_view> title,
                                                  std::string_view name);

// The same for a name in the Windows folder itself.
std::optional<std::string> WindowsFolderPathProblem(std::string_view name);

}  // namespace saverpack
