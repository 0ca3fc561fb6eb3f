// File access for the builder: sizes, small whole-file and range reads, and
// the descriptor-level reads and writes that stream entries through fixed
// buffers. Failures become one-line PackError messages that name the file
// and the reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace saverpack {

// Size of a regular file; `what` describes the file in the message.
uintmax_t FileSize(const std::filesystem::path& file, std::string_view what);

// All bytes of a regular file (meant for small files: check the size first).
std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& file, std::string_view what);

// `count` bytes from `offset`; fails when the file is shorter.
std::vector<uint8_t> ReadFileRange(const std::filesystem::path& file, uint64_t offset,
                                   uint64_t count);

// An open file descriptor, closed on destruction.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }
  int get() const { return fd_; }
  int Release();
  void Close();

 private:
  int fd_ = -1;
};

// Opens a file for reading; `what` describes it in the message.
FileHandle OpenForReading(const std::filesystem::path& file, std::string_view what);

// Reads up to `buffer.size()` bytes at the file position; 0 at its end.
// Throws "cannot read WHAT: reason".
size_t ReadSome(int fd, std::span<uint8_t> buffer, std::string_view what);

// Writes all of `bytes` at `offset`; throws "cannot write WHAT: reason".
void WriteAllAt(int fd, uint64_t offset, std::span<const uint8_t> bytes, std::string_view what);

// Reads exactly `buffer.size()` bytes at `offset`.
void ReadAllAt(int fd, uint64_t offset, std::span<uint8_t> buffer, std::string_view what);

}  // namespace saverpack
