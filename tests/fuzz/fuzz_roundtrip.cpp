// Implode then explode must give back the input, in every literal mode,
// dictionary size and level, with reads of any size. The first input byte
// picks the setting (bit 0 mode, bits 1-2 dictionary, bit 3 level, bits
// 4-7 the read size), the rest is the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dcl.h"
#include "test_support.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t setting = data[0];
  const unsigned type = setting & 1;
  const unsigned dsize = 1024u << ((setting >> 1) & 3);  // 8192 is refused
  const int level = (setting >> 3) & 1 ? DCL_LEVEL_BEST : DCL_LEVEL_DEFAULT;
  const unsigned max_read = (setting >> 4) == 0 ? 0xFFFFFFFFu : (setting >> 4) * 97u;
  const dcl::testing::Bytes input(data + 1, data + size);

  const dcl::testing::CodecResult packed =
      dcl::testing::Implode(input, type, dsize, level, max_read);
  if (dsize == 8192) {
    Check(packed.code == DCL_INVALID_DICTSIZE && packed.data.empty());
    return 0;
  }
  Check(packed.code == DCL_OK);
  // Never worse than 9 bits per byte (ASCII literals: 14), plus header and end.
  Check(packed.data.size() <= 2 + (input.size() * (type ? 14 : 9) + 16 + 7) / 8);

  const dcl::testing::CodecResult unpacked = dcl::testing::Explode(packed.data, max_read);
  Check(unpacked.code == DCL_OK && unpacked.data == input);
  return 0;
}
