// Small whole-file and range reads for the builder; failures become one-line
// PackError messages that name the file and the reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace saverpack {

// Size of a regular file; `what` describes the file in the message.
uintmax_t FileSize(const std::filesystem::path& file, std::string_view what);

// All bytes of a regular file.
std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& file, std::string_view what);

// `count` bytes from `offset`; fails when the file is shorter.
std::vector<uint8_t> ReadFileRange(const std::filesystem::path& file, uint64_t offset,
                                   uint64_t count);

}  // namespace saverpack
