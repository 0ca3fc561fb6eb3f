#include "slot_stream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "codec/dcl.h"
#include "pack_error.h"
#include "progress.h"

namespace saverpack {
namespace {

constexpr size_t kChunk = 1 << 16;
constexpr unsigned kDictionarySize = 4096;

// State shared with the codec's callbacks. A C++ exception must not cross
// the codec, so a callback keeps it and stops the codec; the caller throws it
// once the codec has returned.
struct CodecStreams {
  SlotReader* input = nullptr;
  PackageOutput* output = nullptr;
  // Reading back: the stored bytes still to explode.
  uint64_t readOffset = 0;
  uint64_t readLeft = 0;
  // Comparing: the exploded length so far and whether it matched the input.
  uint64_t compared = 0;
  bool differs = false;
  std::vector<uint8_t> scratch;
  std::exception_ptr error;
};

unsigned ReadFromSlot(char* buf, unsigned* size, void* param) {
  auto* s = static_cast<CodecStreams*>(param);
  try {
    return static_cast<unsigned>(s->input->Read({reinterpret_cast<uint8_t*>(buf), *size}));
  } catch (...) {
    s->error = std::current_exception();
    return *size + 1;
  }
}

void AppendToOutput(char* buf, unsigned* size, void* param) {
  auto* s = static_cast<CodecStreams*>(param);
  try {
    s->output->Append({reinterpret_cast<const uint8_t*>(buf), *size});
  } catch (...) {
    s->error = std::current_exception();
    *size = 0;
  }
}

unsigned ReadFromOutput(char* buf, unsigned* size, void* param) {
  auto* s = static_cast<CodecStreams*>(param);
  const auto n = static_cast<unsigned>(std::min<uint64_t>(*size, s->readLeft));
  try {
    s->output->ReadAt(s->readOffset, {reinterpret_cast<uint8_t*>(buf), n});
  } catch (...) {
    s->error = std::current_exception();
    return *size + 1;
  }
  s->readOffset += n;
  s->readLeft -= n;
  return n;
}

// Compares exploded bytes with the next bytes of the input.
void CompareWithSlot(char* buf, unsigned* size, void* param) {
  auto* s = static_cast<CodecStreams*>(param);
  try {
    s->scratch.resize(*size);
    size_t got = 0;
    while (got < *size) {
      const size_t n = s->input->Read(std::span(s->scratch).subspan(got));
      if (n == 0) break;
      got += n;
    }
    if (got != *size || std::memcmp(buf, s->scratch.data(), *size) != 0) s->differs = true;
    s->compared += *size;
  } catch (...) {
    s->error = std::current_exception();
  }
  if (s->differs || s->error) *size = 0;
}

void RethrowKept(const CodecStreams& s) {
  if (s.error) std::rethrow_exception(s.error);
}

}  // namespace

SlotReader::SlotReader(const std::filesystem::path& file, uint64_t size, std::string what)
    : file_(file), handle_(OpenForReading(file, what)), size_(size), what_(std::move(what)) {}

SlotReader::SlotReader(std::span<const uint8_t> bytes, std::string what)
    : bytes_(bytes), size_(bytes.size()), what_(std::move(what)) {}

SlotReader::SlotReader(const FileHandle& file, uint64_t size, std::string what)
    : handle_(::dup(file.get())), size_(size), what_(std::move(what)) {
  if (handle_.get() < 0 || ::lseek(handle_.get(), 0, SEEK_SET) != 0) {
    throw PackError("cannot read " + what_ + ": " + std::strerror(errno));
  }
}

size_t SlotReader::Read(std::span<uint8_t> buffer) {
  const auto n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size_ - done_));
  if (n == 0) return 0;
  if (handle_.get() < 0) {
    std::memcpy(buffer.data(), bytes_.data() + done_, n);
    done_ += n;
    ReportProgress(n);
    return n;
  }
  const std::string label = what_ + " '" + file_.string() + "'";
  const size_t got = ReadSome(handle_.get(), buffer.first(n), label);
  if (got == 0) {
    throw PackError("cannot read " + label + ": it ended at byte " + std::to_string(done_) +
                    " of " + std::to_string(size_) + " (did it change during the build?)");
  }
  done_ += got;
  ReportProgress(got);
  return got;
}

void SlotReader::Rewind() {
  if (handle_.get() >= 0 && file_.empty()) {
    if (::lseek(handle_.get(), 0, SEEK_SET) != 0) {
      throw PackError("cannot read " + what_ + ": " + std::strerror(errno));
    }
  } else if (handle_.get() >= 0) {
    handle_ = OpenForReading(file_, what_);
  }
  done_ = 0;
}

PackageOutput::PackageOutput(int fd, uint64_t limit, std::string what)
    : fd_(fd), limit_(limit), what_(std::move(what)) {
  buffer_.reserve(kChunk);
}

void PackageOutput::Append(std::span<const uint8_t> bytes) {
  if (size() + bytes.size() > limit_) throw TooLarge{};
  while (!bytes.empty()) {
    const size_t n = std::min(bytes.size(), kChunk - buffer_.size());
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    bytes = bytes.subspan(n);
    if (buffer_.size() == kChunk) Flush();
  }
}

void PackageOutput::Flush() {
  WriteAllAt(fd_, flushed_, buffer_, what_);
  flushed_ += buffer_.size();
  buffer_.clear();
}

void PackageOutput::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
  Flush();
  WriteAllAt(fd_, offset, bytes, what_);
}

void PackageOutput::ReadAt(uint64_t offset, std::span<uint8_t> buffer) {
  Flush();
  ReadAllAt(fd_, offset, buffer, what_);
}

void PackageOutput::Truncate(uint64_t size) {
  Flush();
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    throw PackError("cannot write " + what_ + ": " + std::strerror(errno));
  }
  flushed_ = size;
}

uint64_t StoreSlot(SlotReader& input, PackageOutput& out) {
  std::vector<uint8_t> chunk(kChunk);
  uint64_t stored = 0;
  while (const size_t n = input.Read(chunk)) {
    out.Append(std::span(chunk).first(n));
    stored += n;
  }
  return stored;
}

uint64_t ImplodeSlot(SlotReader& input, PackageOutput& out, Level level) {
  const int codecLevel = level == Level::kBest ? DCL_LEVEL_BEST : DCL_LEVEL_DEFAULT;
  std::vector<char> work(dcl_implode_work_size(codecLevel));
  CodecStreams streams;
  streams.input = &input;
  streams.output = &out;
  unsigned type = DCL_BINARY;
  unsigned dsize = kDictionarySize;
  const uint64_t start = out.size();
  const unsigned rc = dcl_implode_level(ReadFromSlot, AppendToOutput, work.data(), &streams, &type,
                                        &dsize, codecLevel);
  RethrowKept(streams);
  if (rc != DCL_OK) throw PackError("implode failed with code " + std::to_string(rc));
  return out.size() - start;
}

void VerifyImploded(PackageOutput& out, uint64_t offset, uint64_t length, SlotReader& input) {
  input.Rewind();
  std::vector<char> work(DCL_EXPLODE_WORK_SIZE);
  CodecStreams streams;
  streams.input = &input;
  streams.output = &out;
  streams.readOffset = offset;
  streams.readLeft = length;
  const unsigned rc = dcl_explode(ReadFromOutput, CompareWithSlot, work.data(), &streams);
  RethrowKept(streams);
  if (rc != DCL_OK || streams.differs || streams.compared != input.size()) {
    throw PackError(input.what() + ": the imploded data does not expand back to the file");
  }
}

EncodedEntry EncodeEntry(SlotReader& input, PackageOutput& out, bool compress, Level level) {
  const uint64_t start = out.size();
  if (compress) {
    const uint64_t imploded = ImplodeSlot(input, out, level);
    if (imploded <= input.size()) {
      VerifyImploded(out, start, imploded, input);
      return {imploded, true, 0};
    }
    out.Truncate(start);
    input.Rewind();
    return {StoreSlot(input, out), false, imploded};
  }
  return {StoreSlot(input, out), false, 0};
}

}  // namespace saverpack
