// The list of the files an installation put into its saver folder, which the
// installer leaves there for the engine's uninstall.
//
// File layout (Windows-1252 text, every line ends in CR LF):
//
//   line 1       the marker "[installed files 1]"
//   each next    one name, relative to the saver folder ("saver.dat",
//                "movies\intro.scf"): no drive, no root, no empty, "." or
//                ".." component, no control character
//
// Names are kept once, compared without regard to case as Windows compares
// file names. The list never names itself. A reader skips lines that are not
// such names, so a damaged or hostile list can only name files inside the
// saver folder; a file without the marker is no list at all.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace saver {

inline constexpr std::string_view kInstalledListName = "installed files.lst";
inline constexpr std::string_view kInstalledListMarker = "[installed files 1]";

// Whether a name may stand in the list.
bool IsListableName(std::string_view name);

// Whether two names name the same file as Windows compares them (letter case
// of Windows-1252 ignored, '/' and '\' alike).
bool SameFileName(std::string_view a, std::string_view b);

// `names` without the ones that cannot stand in the list and without
// repeats (the first spelling stays), in their order.
std::vector<std::string> ListableNames(const std::vector<std::string>& names);

// The list's bytes for `names` (filtered by ListableNames).
std::string FormatInstalledList(const std::vector<std::string>& names);

// The names of a list; nothing when the bytes do not start with the marker
// line. Accepts LF alone as a line end, too.
std::optional<std::vector<std::string>> ParseInstalledList(std::string_view bytes);

// The part of `path` below `folder` (which ends in a backslash), when the
// path lies there; compared as Windows compares paths.
std::optional<std::string> NameInFolder(std::string_view folder, std::string_view path);

}  // namespace saver
