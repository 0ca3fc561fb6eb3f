// The one error type of the package builder: a refused input, a file that is
// not a package, or an input/output failure. The message is a single line
// that names the problem; the command-line front end prints it as is.
#pragma once

#include <stdexcept>

namespace saverpack {

class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace saverpack
