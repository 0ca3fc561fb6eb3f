// Binding to the decompression library impborl.dll: `TCompressor`.
//
// Each object loads the library from the Windows folder when made and frees it
// when destroyed; it expands one imploded block held in memory into a file.
// The library's work area is one static buffer, so only one ExplodeToFile may
// run at a time (the installer has one thread).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dcl.h"
#include "installer_view.h"
#include "os.h"

namespace package {

class TCompressor {
 public:
  // Create: looks for impborl.dll in the Windows folder and loads it. Never
  // fails; `loaded` tells whether the library and its three exports are there.
  TCompressor(os::Platform& platform, app::InstallerView& view);
  ~TCompressor();  // Destroy
  TCompressor(const TCompressor&) = delete;
  TCompressor& operator=(const TCompressor&) = delete;

  static constexpr int64_t kNoSizeLimit = -1;

  // Expands `count` imploded bytes into a new file `fileName` (replacing one).
  // Returns 0, or the number of an input/output error, which it also shows.
  // A file that cannot be created throws os::IoError to the caller. The
  // library's own result is not looked at: callers check the file's size.
  // With a `sizeLimit` (0 or more), the expansion ends as soon as the output
  // passes it: the file then holds at most the limit plus the one write that
  // passed it, so a stream that expands far beyond the size its caller
  // expects cannot fill the disk.
  int32_t ExplodeToFile(const std::string& fileName, const uint8_t* data, int32_t count,
                        int64_t sizeLimit = kNoSizeLimit);

  // True when the last ExplodeToFile was ended by its size limit.
  bool limitReached = false;

  bool loaded = false;
  uint32_t outputCrc = 0;

  // The one-time "System experiencing problem using compression" box.
  static bool compressionWarningPending;
  static constexpr unsigned kExplodeWorkSize = DCL_EXPLODE_WORK_SIZE;  // 12596 bytes

 private:
  using ImplodeProc = unsigned (*)(dcl_read_fn, dcl_write_fn, char*, void*, unsigned*, unsigned*);
  using ExplodeProc = unsigned (*)(dcl_read_fn, dcl_write_fn, char*, void*);
  using Crc32Proc = unsigned long (*)(char*, unsigned*, unsigned long*);

  static unsigned ExplodeRead(char* buf, unsigned* size, void* param);
  static void ExplodeWrite(char* buf, unsigned* size, void* param);

  os::Platform& platform_;
  app::InstallerView& view_;
  ImplodeProc implodeProc = nullptr;
  ExplodeProc explodeProc = nullptr;
  Crc32Proc crc32Proc = nullptr;
  std::unique_ptr<os::WriteStream> outputStream;
  std::vector<uint8_t> inputStream;
  size_t inputPosition = 0;
  int64_t outputLimit = kNoSizeLimit;
  int64_t outputWritten = 0;
  std::unique_ptr<os::Library> libraryHandle;
};

}  // namespace package
