// The one way the installer makes the path of a file it writes, replaces,
// restores or deletes, and the one check every such path passes.
//
// Installed files lie directly in the Windows folder (the engine, support
// libraries) or in the saver folder (the screensaver's files, some of them
// in subfolders named by the saver data file). A name that would leave its
// folder or that Windows takes for a device never becomes a path.
#pragma once

#include <string>
#include <string_view>

#include "windows_case.h"

namespace saver {

// `folder` (absolute: "X:\..." or "\\server\...", with its trailing
// backslash) followed by `name`; empty when the folder is not absolute or
// the name would leave it (StaysInFolder) or names a device.
std::string PathInFolder(const std::string& folder, std::string_view name);

// A path the install may touch: the Windows folder followed by a name that
// PathInFolder accepts, or the saver folder followed by a relative path
// that stays inside it and names no device in any component. Folders are
// compared without regard to letter case, as Windows does.
bool IsInstallPath(std::string_view path, std::string_view windowsFolder,
                   std::string_view saverFolder);

}  // namespace saver
