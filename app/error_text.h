// The system's message text for an error number, as the installer shows it.
#pragma once

#include <cstdint>
#include <string>

#include "os.h"

namespace app {

// At most 256 bytes of the system's text, with trailing spaces, control
// characters and periods removed; empty for unknown and negative numbers.
// The system's texts can hold inserts ("Bad EXE format for %1."): %1 becomes
// `fileName`, the file the error concerns; an insert with nothing to fill it
// (every other number, or %1 without a file name) is dropped with one space
// beside it, so that no raw insert reaches the user.
std::string SystemErrorText(os::Platform& platform, int32_t code, const std::string& fileName = "");

// `text` with its inserts filled or dropped as SystemErrorText does.
std::string FillInserts(const std::string& text, const std::string& fileName);

}  // namespace app
