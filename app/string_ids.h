// Identifiers of the program's string table (strings.inc).
#pragma once

namespace app {

enum StringId : unsigned {
#define SAVER_STRING(name, id, text) name = id,
#include "strings.inc"
#undef SAVER_STRING
};

}  // namespace app
