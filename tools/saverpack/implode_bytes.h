// Whole-buffer wrappers around the implode codec, in the form the package
// uses: binary literals and a 4096-byte dictionary.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace saverpack {

enum class Level { kDefault, kBest };

// Implodes `data`; throws PackError when the codec reports a failure.
std::vector<uint8_t> ImplodeBytes(std::span<const uint8_t> data, Level level);

// Explodes a whole implode stream; throws PackError on bad data.
std::vector<uint8_t> ExplodeBytes(std::span<const uint8_t> stream);

}  // namespace saverpack
