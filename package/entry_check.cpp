// The check of the entries' CRC-32 markers during preparation.
#include <algorithm>
#include <optional>
#include <vector>

#include "crc32.h"
#include "entry_marker.h"
#include "fInstall.h"
#include "step_codes.h"

namespace app {
namespace {

// Entries are read in pieces of this size; no entry is held whole.
constexpr uint32_t kCheckChunk = 64 * 1024;

}  // namespace

// Runs right after CheckPackage, so every entry's stored bytes lie inside
// the working copy. A package without markers reads nothing here.
int32_t TInstallerForm::CheckEntryMarkers(os::ReadStream& stream) {
  std::vector<uint8_t> chunk;
  const auto storedCrc = [&](int slot) -> std::optional<uint32_t> {
    const saver::PackageEntry& entry = package.table[slot];
    if (chunk.empty()) chunk.resize(kCheckChunk);
    stream.Seek(entry.startOffset());
    saver::Crc32Stream crc;
    for (int64_t left = entry.storedLength(); left > 0;) {
      const auto want = static_cast<uint32_t>(std::min<int64_t>(left, kCheckChunk));
      const uint32_t got = stream.Read(chunk.data(), want);
      if (got != want) return std::nullopt;
      crc.Update({chunk.data(), got});
      left -= got;
    }
    return crc.value();
  };
  const auto checks = saver::CheckDirectory(package, storedCrc, true);
  for (int slot = 0; slot < saver::kPackageSlots; ++slot) {
    if (checks[slot] == saver::EntryCheck::kDamaged || checks[slot] == saver::EntryCheck::kLost) {
      ShowInstallError(kErrEntryChecksum, package.table[slot].name());
      return kErrEntryChecksum;
    }
  }
  return kOk;
}

}  // namespace app
