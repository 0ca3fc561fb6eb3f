// Streaming of entries through fixed buffers: a slot's input is read in
// chunks, stored as is or imploded into the installer, and an imploded
// entry is read back and exploded to compare it with its input. Memory use
// does not grow with the size of an entry.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "file_io.h"
#include "implode_bytes.h"

namespace saverpack {

// One slot's input read front to back: a file of a size measured before the
// build, or bytes in memory.
class SlotReader {
 public:
  SlotReader(const std::filesystem::path& file, uint64_t size, std::string what);
  SlotReader(std::span<const uint8_t> bytes, std::string what);
  // Reads `size` bytes from the start of an open file (a temporary one).
  SlotReader(const FileHandle& file, uint64_t size, std::string what);
  // Up to `buffer.size()` bytes; 0 once the measured size has been read.
  // Throws when the file ends before its measured size.
  size_t Read(std::span<uint8_t> buffer);
  // Starts again from the first byte.
  void Rewind();
  uint64_t size() const { return size_; }
  const std::string& what() const { return what_; }

 private:
  std::filesystem::path file_;
  FileHandle handle_;
  std::span<const uint8_t> bytes_;
  uint64_t size_ = 0;
  uint64_t done_ = 0;
  std::string what_;
};

// The installer being written: appended through a fixed buffer, never past
// `limit` bytes, with positioned writes and reads for the header and for
// reading back entries.
class PackageOutput {
 public:
  PackageOutput(int fd, uint64_t limit, std::string what);
  // Appends; throws TooLarge when the file would pass the limit.
  void Append(std::span<const uint8_t> bytes);
  void Flush();
  uint64_t size() const { return flushed_ + buffer_.size(); }
  void WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
  void ReadAt(uint64_t offset, std::span<uint8_t> buffer);
  // Drops everything from `size` on (to write an entry again).
  void Truncate(uint64_t size);

  struct TooLarge {};

 private:
  int fd_;
  uint64_t limit_;
  std::string what_;
  uint64_t flushed_ = 0;
  std::vector<uint8_t> buffer_;
};

// Appends the input as is; returns the number of bytes stored.
uint64_t StoreSlot(SlotReader& input, PackageOutput& out);

// Appends the imploded input (binary literals, 4096-byte dictionary) and
// returns the stored length. Throws PackError when the codec fails.
uint64_t ImplodeSlot(SlotReader& input, PackageOutput& out, Level level);

// Explodes the `length` bytes at `offset` of the output and compares them
// with the input from its start; throws PackError unless they are equal.
void VerifyImploded(PackageOutput& out, uint64_t offset, uint64_t length, SlotReader& input);

// How an entry was written.
struct EncodedEntry {
  uint64_t stored = 0;
  bool compressed = false;
  // Imploding was asked for but made the entry larger: this many bytes.
  uint64_t implodedLarger = 0;
};

// Appends the input stored, or imploded and verified when `compress` is
// set; an imploded entry larger than its input is dropped and the input
// stored instead (`implodedLarger` then says how large it was).
EncodedEntry EncodeEntry(SlotReader& input, PackageOutput& out, bool compress, Level level);

}  // namespace saverpack
