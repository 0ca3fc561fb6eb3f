#include "dataFunctions_shared.h"

namespace setup {

int32_t LastSystemError(os::Platform& platform) { return platform.LastError(); }

}  // namespace setup
