// Checks that the stub is this project's installer program before anything
// is appended: a Windows program (its PE header, file_kinds.h) that carries
// the stub marker (package/constants_shared.h), a resource whose text is
//   "saverpack installer stub, package at " N
// with N in decimal, the offset at which the stub reads its package.
#include <algorithm>
#include <string_view>

#include "file_kinds.h"
#include "pack_error.h"
#include "package/constants_shared.h"
#include "package_writer.h"

namespace saverpack {

void CheckStubProgram(std::span<const uint8_t> stub, const std::string& shown) {
  const auto refuse = [&](const std::string& why) {
    throw PackError("the stub '" + shown + "' is not a Windows program: " + why);
  };
  const PeResult pe = ReadPeHeader(stub);
  if (!pe.header) refuse(pe.problem);
  if (!pe.header->IsI386() && !pe.header->IsX64()) {
    refuse(DescribeMachine(*pe.header) + " (expected i386 PE32 or x86-64 PE32+)");
  }
  if (pe.header->IsDll()) refuse("it is a DLL");
  if (!pe.header->IsExecutable()) refuse("it is not marked executable");
}

void CheckStubMarker(std::span<const uint8_t> stub, const std::string& shown) {
  const std::string_view prefix = saver::kStubMarkerPrefix;
  const auto found = std::search(stub.begin(), stub.end(), prefix.begin(), prefix.end());
  if (found == stub.end()) {
    throw PackError("the stub '" + shown +
                    "' is not the installer stub: it lacks the marker that install.exe "
                    "carries (a screen saver or another program would only run itself); give "
                    "--stub the install.exe built from app/win32");
  }
  uint64_t offset = 0;
  auto digit = found + static_cast<std::ptrdiff_t>(prefix.size());
  for (; digit != stub.end() && *digit >= '0' && *digit <= '9' && offset < (1u << 31); ++digit) {
    offset = offset * 10 + (*digit - '0');
  }
  if (offset != static_cast<uint64_t>(saver::PackageOffset)) {
    throw PackError("the stub '" + shown + "' reads its package at " + std::to_string(offset) +
                    "; this saverpack writes packages at " + std::to_string(saver::PackageOffset) +
                    " (build the stub and saverpack from the same sources)");
  }
}

}  // namespace saverpack
