// Explodes arbitrary bytes. Besides never crashing or touching memory outside
// its buffers, explode must: return a defined code; produce no more output
// than the input's bits can describe; give the same result whether the
// input arrives whole or one byte per read; and when it succeeds, its output
// must survive an implode/explode round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dcl.h"
#include "test_support.h"

namespace {

using dcl::testing::Bytes;

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Bytes input(data, data + size);
  const dcl::testing::CodecResult whole = dcl::testing::Explode(input);
  Check(whole.code == DCL_OK || whole.code == DCL_BAD_DATA);
  // The densest item is a 518-byte match in 22 bits (flag, 7-bit length
  // code, 8 extra bits, 2-bit distance code, 4 low bits).
  const size_t bits = size > 2 ? (size - 2) * 8 : 0;
  Check(whole.data.size() <= (bits / 22 + 1) * 518);

  const dcl::testing::CodecResult bytewise = dcl::testing::Explode(input, 1);
  Check(bytewise.code == whole.code && bytewise.data == whole.data);
  if (whole.code != DCL_OK) return 0;

  const dcl::testing::CodecResult packed =
      dcl::testing::Implode(whole.data, data[0], 64u << data[1]);
  Check(packed.code == DCL_OK);
  const dcl::testing::CodecResult again = dcl::testing::Explode(packed.data);
  Check(again.code == DCL_OK && again.data == whole.data);
  return 0;
}
