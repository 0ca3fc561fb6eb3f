// Helpers for the codec tests and tools: driving the callback API over
// memory buffers, and finding real files on this machine to use as corpus.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dcl.h"

namespace dcl::testing {

using Bytes = std::vector<uint8_t>;

// Memory source and sink for the read/write callbacks. `max_read` limits how
// many bytes one read call hands out (1 makes every call deliver one byte).
struct Stream {
  const Bytes* input = nullptr;
  size_t in_pos = 0;
  unsigned max_read = 0xFFFFFFFFu;
  Bytes output;
  unsigned reads = 0;
  unsigned writes = 0;
  unsigned largest_request = 0;  // largest *size a read call asked for

  static unsigned Read(char* buf, unsigned* size, void* param);
  static void Write(char* buf, unsigned* size, void* param);
};

struct CodecResult {
  unsigned code = 0;
  Bytes data;
};

CodecResult Implode(const Bytes& in, unsigned type, unsigned dsize, int level = DCL_LEVEL_DEFAULT,
                    unsigned max_read = 0xFFFFFFFFu);
CodecResult Explode(const Bytes& in, unsigned max_read = 0xFFFFFFFFu);

Bytes FromString(const std::string& s);
std::optional<Bytes> ReadFile(const std::filesystem::path& path);

// A deterministic 24-bit BMP of a smooth pattern with some noise.
Bytes MakeBitmap(unsigned width, unsigned height);

// Real files found on this machine: 32-bit PE executables and DLLs of
// min_size..max_size bytes (in a fixed order), and English text. Returns
// those that exist (possibly none).
std::vector<std::filesystem::path> FindPeFiles(size_t max_files, uintmax_t min_size,
                                               uintmax_t max_size);
std::vector<std::filesystem::path> FindTextFiles();

// The first `megabytes` MB of the PE files FindPeFiles finds, concatenated:
// the corpus of the benchmarks.
Bytes LoadPeCorpus(size_t megabytes);

}  // namespace dcl::testing
