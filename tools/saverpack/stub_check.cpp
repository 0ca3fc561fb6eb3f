// Checks that the stub is a Windows program before anything is appended.
//
// Bytes read (little-endian, offsets in the stub file):
//   0            "MZ"
//   0x3C   u32   offset P of the PE header
//   P            "PE\0\0"
//   P + 4  u16   machine: 0x014C i386, 0x8664 x86-64
//   P + 22 u16   characteristics: 0x0002 executable image, 0x2000 DLL
//   P + 24 u16   optional header magic: 0x010B PE32, 0x020B PE32+
#include <cstdio>

#include "pack_error.h"
#include "package_writer.h"

namespace saverpack {
namespace {

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineX64 = 0x8664;
constexpr uint16_t kMagicPe32 = 0x010B;
constexpr uint16_t kMagicPe32Plus = 0x020B;
constexpr uint16_t kExecutableImage = 0x0002;
constexpr uint16_t kDll = 0x2000;

uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

void CheckStubProgram(std::span<const uint8_t> stub, const std::string& shown) {
  const auto refuse = [&](const std::string& why) {
    throw PackError("the stub '" + shown + "' is not a Windows program: " + why);
  };
  if (stub.size() < 0x40 || stub[0] != 'M' || stub[1] != 'Z') refuse("it does not start with MZ");
  const uint64_t pe = U32(stub, 0x3C);
  if (pe + 26 > stub.size() || stub[pe] != 'P' || stub[pe + 1] != 'E' || stub[pe + 2] != 0 ||
      stub[pe + 3] != 0) {
    refuse("it has no PE header");
  }
  const uint16_t machine = U16(stub, pe + 4);
  const uint16_t magic = U16(stub, pe + 24);
  const bool i386 = machine == kMachineI386 && magic == kMagicPe32;
  const bool x64 = machine == kMachineX64 && magic == kMagicPe32Plus;
  if (!i386 && !x64) {
    refuse("machine " + Hex(machine) + " with optional header " + Hex(magic) +
           " (expected i386 PE32 or x86-64 PE32+)");
  }
  const uint16_t characteristics = U16(stub, pe + 22);
  if ((characteristics & kDll) != 0) refuse("it is a DLL");
  if ((characteristics & kExecutableImage) == 0) refuse("it is not marked executable");
}

}  // namespace saverpack
