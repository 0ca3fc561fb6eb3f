#include "pk_stuff.h"

#include <algorithm>
#include <cstring>

#include "error_text.h"
#include "string_ids.h"

namespace package {
namespace {

// The library's explode work area, shared by all objects.
alignas(8) char explodeWorkBuffer[TCompressor::kExplodeWorkSize];

std::string LibraryPath(os::Platform& platform) {
  const std::string dir = platform.WindowsDirectory();
  return dir + (!dir.empty() && dir.back() == '\\' ? "impborl.dll" : "\\impborl.dll");
}

}  // namespace

bool TCompressor::compressionWarningPending = true;

TCompressor::TCompressor(os::Platform& platform, app::InstallerView& view)
    : platform_(platform), view_(view) {
  const std::string path = LibraryPath(platform_);
  if (!platform_.FileExists(path)) return;
  libraryHandle = platform_.LoadLibrary(path);
  if (!libraryHandle) {
    const int32_t code = platform_.LastError();
    if (compressionWarningPending) {
      compressionWarningPending = false;
      view_.MessageBox(platform_.LoadText(app::kStrCompressionProblem) + "\r\n\r\n" +
                           app::SystemErrorText(platform_, code, path),
                       app::BoxIcon::kError);
    }
    return;
  }
  implodeProc = reinterpret_cast<ImplodeProc>(libraryHandle->Symbol("_implode"));
  explodeProc = reinterpret_cast<ExplodeProc>(libraryHandle->Symbol("_explode"));
  crc32Proc = reinterpret_cast<Crc32Proc>(libraryHandle->Symbol("_crc32"));
  loaded = implodeProc && explodeProc && crc32Proc;
  if (!loaded) libraryHandle.reset();
}

TCompressor::~TCompressor() = default;

int32_t TCompressor::ExplodeToFile(const std::string& fileName, const uint8_t* data, int32_t count,
                                   int64_t sizeLimit) {
  outputCrc = 0xFFFFFFFFu;
  int32_t result = 0;
  inputStream.assign(data, data + std::max<int32_t>(count, 0));
  inputPosition = 0;
  outputLimit = sizeLimit;
  outputWritten = 0;
  limitReached = false;
  outputStream = platform_.CreateFile(fileName);
  try {
    TCompressor* self = this;
    explodeProc(&ExplodeRead, &ExplodeWrite, explodeWorkBuffer, &self);
    outputStream->Close();
  } catch (const os::IoError& e) {
    result = e.code();
    view_.MessageBox(platform_.LoadText(app::kStrZipError) + "\r\n\r\n" +
                         app::SystemErrorText(platform_, result, fileName),
                     app::BoxIcon::kError);
  }
  outputStream.reset();
  inputStream.clear();
  outputCrc = ~outputCrc;
  return result;
}

// The library's read callback: the next bytes of the compressed block.
unsigned TCompressor::ExplodeRead(char* buf, unsigned* size, void* param) {
  TCompressor* self = *static_cast<TCompressor**>(param);
  if (self->limitReached) return 0;  // the end of input ends the expansion
  const size_t left = self->inputStream.size() - self->inputPosition;
  const size_t n = std::min<size_t>(*size, left);
  std::memcpy(buf, self->inputStream.data() + self->inputPosition, n);
  self->inputPosition += n;
  return static_cast<unsigned>(n);
}

// The library's write callback: expanded bytes go to the file and the CRC.
// Errors cannot travel through the library and are dropped here; the caller
// checks the finished file's size. Once the output has passed the size limit
// nothing more is written, the count handed back is 0 (which ends the
// library's expansion) and the read callback reports the end of the input.
void TCompressor::ExplodeWrite(char* buf, unsigned* size, void* param) {
  TCompressor* self = *static_cast<TCompressor**>(param);
  if (self->limitReached) {
    *size = 0;
    return;
  }
  self->outputWritten += *size;
  if (self->outputLimit >= 0 && self->outputWritten > self->outputLimit) {
    self->limitReached = true;
  }
  try {
    self->outputStream->Write(buf, *size);
  } catch (const os::IoError&) {
    return;
  }
  if (*size > 0) {
    unsigned long crc = self->outputCrc;
    self->outputCrc = static_cast<uint32_t>(self->crc32Proc(buf, size, &crc));
  }
  if (self->limitReached) *size = 0;
}

}  // namespace package
