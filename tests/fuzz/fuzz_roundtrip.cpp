// Implode then explode must give back the input, in every literal mode,
// dictionary size and level, with reads of any size. The first input byte
// picks the setting (bit 0 mode, bits 1-2 dictionary, bit 3 level, bits
// 4-7 the read size), the rest is the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dcl.h"

namespace {

struct Io {
  const uint8_t* in;
  size_t size;
  size_t pos;
  unsigned max_read;
  std::vector<uint8_t> out;
};

unsigned Read(char* buf, unsigned* size, void* param) {
  auto* io = static_cast<Io*>(param);
  size_t n = io->size - io->pos;
  if (n > *size) n = *size;
  if (n > io->max_read) n = io->max_read;
  if (n != 0) std::memcpy(buf, io->in + io->pos, n);
  io->pos += n;
  return static_cast<unsigned>(n);
}

void Write(char* buf, unsigned* size, void* param) {
  auto* io = static_cast<Io*>(param);
  io->out.insert(io->out.end(), buf, buf + *size);
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t setting = data[0];
  unsigned type = setting & 1;
  unsigned dsize = 1024u << ((setting >> 1) & 3);  // 8192 is refused
  int level = (setting >> 3) & 1 ? DCL_LEVEL_BEST : DCL_LEVEL_DEFAULT;
  unsigned max_read = (setting >> 4) == 0 ? 0xFFFFFFFFu : (setting >> 4) * 97u;
  const uint8_t* in = data + 1;
  size_t in_size = size - 1;

  std::vector<char> work(dcl_implode_work_size(level));
  Io packer{in, in_size, 0, max_read, {}};
  unsigned code = dcl_implode_level(Read, Write, work.data(), &packer, &type, &dsize, level);
  if (dsize == 8192) {
    Check(code == DCL_INVALID_DICTSIZE && packer.out.empty());
    return 0;
  }
  Check(code == DCL_OK);
  // Never worse than 9 bits per byte (ASCII literals: 14), plus header and end.
  Check(packer.out.size() <= 2 + (in_size * (type ? 14 : 9) + 16 + 7) / 8);

  std::vector<char> work2(DCL_EXPLODE_WORK_SIZE);
  Io unpacker{packer.out.data(), packer.out.size(), 0, max_read, {}};
  Check(dcl_explode(Read, Write, work2.data(), &unpacker) == DCL_OK);
  Check(unpacker.out.size() == in_size);
  Check(in_size == 0 || std::memcmp(unpacker.out.data(), in, in_size) == 0);
  return 0;
}
