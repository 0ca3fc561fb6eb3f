// The `_crc32` export: the register of the reflected CRC-32 (polynomial
// 0xEDB88320) advanced over `*size` bytes from `*crc`, without the customary
// initial and final inversion: the caller starts from 0xFFFFFFFF and
// complements the final value. The arithmetic is the installer's own
// (package/crc32.h), so the library and the installer agree by
// construction.
#include "package/crc32.h"

#include "dcl.h"

extern "C" unsigned long dcl_crc32(char* buf, unsigned* size, unsigned long* crc) {
  return saver::Crc32Update(static_cast<uint32_t>(*crc), reinterpret_cast<const uint8_t*>(buf),
                            *size);
}
