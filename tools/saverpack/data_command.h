// `saverpack data`: builds saver data files from a data manifest and lists
// them.
//
//   saverpack data build MANIFEST -o FILE.ssd [--level default|best]
//   saverpack data list FILE.ssd
#pragma once

#include <string_view>
#include <vector>

namespace saverpack {

// Runs `data build` or `data list` with the arguments after "data". Returns
// the exit code: 0 done, 2 usage error (reported here). A refused input
// throws PackError for the caller to report (exit code 1).
int RunDataCommand(const std::vector<std::string_view>& args);

}  // namespace saverpack
