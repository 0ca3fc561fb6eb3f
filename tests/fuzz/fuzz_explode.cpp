// Explodes arbitrary bytes. Besides never crashing or touching memory outside
// its buffers, explode must: return a defined code; produce no more output
// than the input's bits can describe; give the same result whether the
// input arrives whole or one byte per read; and when it succeeds, its output
// must survive an implode/explode round trip.
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

unsigned RunExplode(const uint8_t* data, size_t size, unsigned max_read,
                    std::vector<uint8_t>& out) {
  std::vector<char> work(DCL_EXPLODE_WORK_SIZE);
  Io io{data, size, 0, max_read, {}};
  unsigned code = dcl_explode(Read, Write, work.data(), &io);
  out = std::move(io.out);
  return code;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> whole;
  unsigned code = RunExplode(data, size, 0xFFFFFFFFu, whole);
  Check(code == DCL_OK || code == DCL_BAD_DATA);
  // The densest item is a 518-byte match in 22 bits (flag, 7-bit length
  // code, 8 extra bits, 2-bit distance code, 4 low bits).
  size_t bits = size > 2 ? (size - 2) * 8 : 0;
  Check(whole.size() <= (bits / 22 + 1) * 518);

  std::vector<uint8_t> bytewise;
  Check(RunExplode(data, size, 1, bytewise) == code);
  Check(bytewise == whole);
  if (code != DCL_OK) return 0;

  std::vector<char> work(DCL_IMPLODE_WORK_SIZE);
  Io packer{whole.data(), whole.size(), 0, 0xFFFFFFFFu, {}};
  unsigned type = data[0];
  unsigned dsize = 64u << data[1];
  Check(dcl_implode(Read, Write, work.data(), &packer, &type, &dsize) == DCL_OK);
  std::vector<uint8_t> again;
  Check(RunExplode(packer.out.data(), packer.out.size(), 0xFFFFFFFFu, again) == DCL_OK);
  Check(again == whole);
  return 0;
}
