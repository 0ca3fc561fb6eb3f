// The system's message text for an error number, as the installer shows it.
#pragma once

#include <cstdint>
#include <string>

#include "os.h"

namespace app {

// At most 256 bytes of the system's text, with trailing spaces, control
// characters and periods removed; empty for unknown and negative numbers.
std::string SystemErrorText(os::Platform& platform, int32_t code);

}  // namespace app
