#include "implode_bytes.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "codec/dcl.h"
#include "pack_error.h"

namespace saverpack {
namespace {

// The codec's pass-through parameter: the input still to be read and the
// output gathered so far.
struct Streams {
  std::span<const uint8_t> input;
  std::vector<uint8_t> output;
};

unsigned ReadInput(char* buf, unsigned* size, void* param) {
  auto* s = static_cast<Streams*>(param);
  const size_t n = std::min<size_t>(*size, s->input.size());
  if (n != 0) std::memcpy(buf, s->input.data(), n);
  s->input = s->input.subspan(n);
  return static_cast<unsigned>(n);
}

void WriteOutput(char* buf, unsigned* size, void* param) {
  auto* s = static_cast<Streams*>(param);
  const auto* bytes = reinterpret_cast<const uint8_t*>(buf);
  s->output.insert(s->output.end(), bytes, bytes + *size);
}

constexpr unsigned kDictionarySize = 4096;

}  // namespace

std::vector<uint8_t> ImplodeBytes(std::span<const uint8_t> data, Level level) {
  const int codecLevel = level == Level::kBest ? DCL_LEVEL_BEST : DCL_LEVEL_DEFAULT;
  std::vector<char> work(dcl_implode_work_size(codecLevel));
  Streams streams{data, {}};
  streams.output.reserve(data.size() / 2 + 64);
  unsigned type = DCL_BINARY;
  unsigned dsize = kDictionarySize;
  const unsigned rc =
      dcl_implode_level(ReadInput, WriteOutput, work.data(), &streams, &type, &dsize, codecLevel);
  if (rc != DCL_OK) throw PackError("implode failed with code " + std::to_string(rc));
  return std::move(streams.output);
}

std::vector<uint8_t> ExplodeBytes(std::span<const uint8_t> stream) {
  std::vector<char> work(DCL_EXPLODE_WORK_SIZE);
  Streams streams{stream, {}};
  const unsigned rc = dcl_explode(ReadInput, WriteOutput, work.data(), &streams);
  if (rc != DCL_OK) throw PackError("explode failed with code " + std::to_string(rc));
  return std::move(streams.output);
}

}  // namespace saverpack
