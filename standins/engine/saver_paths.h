// Where an installed screen saver's parts are, derived from the engine's own
// file name: the title is the engine's base name (Windows folder + title +
// ".scr"), its files are in the saver folder under the Windows folder (named
// by saver::SaverFolderName, the installer's rule),
// its uninstall entry is the key <title> under HKEY_LOCAL_MACHINE's
// Software\Microsoft\Windows\CurrentVersion\Uninstall, and system.ini [boot] SCRNSAVE.EXE names it
// while it is the current screen saver (in its short 8.3 form, as the installer writes it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// `folder` with exactly one trailing backslash ("" stays "").
std::string WithTrailingSeparator(std::string_view folder);

// `path` without trailing backslashes.
std::string WithoutTrailingSeparator(std::string_view path);

// The last component of a path ('\' and '/' both separate).
std::string BaseName(std::string_view path);

// The engine's title: its long file name without the extension.
std::string TitleFromEnginePath(std::string_view longPath);

std::string SaverFolder(std::string_view windowsFolder, std::string_view title);
std::string InstalledEnginePath(std::string_view windowsFolder, std::string_view title);
std::string SettingsPath(std::string_view saverFolder);

// The uninstall entry's key under HKEY_LOCAL_MACHINE; empty for an empty
// title, which must never name the Uninstall key itself.
std::string UninstallKeyPath(std::string_view title);

// Whether two paths name the same file as Windows compares them: without
// regard to case or to '/' versus '\', ignoring surrounding blanks and
// double quotes.
bool SamePath(std::string_view a, std::string_view b);

// Whether the SCRNSAVE.EXE value names one of `engineForms` (the long and
// short forms of the engine's path).
bool NamesEngine(std::string_view iniValue, const std::vector<std::string>& engineForms);

// The copy of the engine that removes the engine's file once the
// uninstalling engine has ended, and its command line.
std::string RemoverPath(std::string_view tempFolder, std::string_view title);
std::string RemoverCommandLine(std::string_view remover, uint64_t processHandle,
                               std::string_view enginePath);

}  // namespace engine
