// The `verify` and `sign` commands of the command line.
#pragma once

#include <string_view>
#include <vector>

namespace saverpack {

int RunVerifyCommand(const std::vector<std::string_view>& args);
int RunSignCommand(const std::vector<std::string_view>& args);

}  // namespace saverpack
