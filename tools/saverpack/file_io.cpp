#include "file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "pack_error.h"

namespace saverpack {
namespace {

[[noreturn]] void FailRead(const std::filesystem::path& file, std::string_view what,
                           const std::string& reason) {
  throw PackError("cannot read " + std::string(what) + " '" + file.string() + "': " + reason);
}

[[noreturn]] void FailErrno(std::string_view verb, std::string_view what) {
  throw PackError(std::string(verb) + " " + std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

uintmax_t FileSize(const std::filesystem::path& file, std::string_view what) {
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (ec) FailRead(file, what, ec.message());
  if (std::filesystem::is_directory(status)) FailRead(file, what, "it is a directory");
  if (!std::filesystem::is_regular_file(status)) FailRead(file, what, "not a regular file");
  const uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) FailRead(file, what, ec.message());
  return size;
}

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& file, std::string_view what) {
  const uintmax_t size = FileSize(file, what);
  std::ifstream in(file, std::ios::binary);
  if (!in) FailRead(file, what, std::strerror(errno));
  std::vector<uint8_t> bytes(size);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (static_cast<uintmax_t>(in.gcount()) != size) FailRead(file, what, "short read");
  return bytes;
}

std::vector<uint8_t> ReadFileRange(const std::filesystem::path& file, uint64_t offset,
                                   uint64_t count) {
  std::ifstream in(file, std::ios::binary);
  if (!in) FailRead(file, "file", std::strerror(errno));
  in.seekg(static_cast<std::streamoff>(offset));
  std::vector<uint8_t> bytes(count);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  if (!in || static_cast<uint64_t>(in.gcount()) != count) FailRead(file, "file", "short read");
  return bytes;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

int FileHandle::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void FileHandle::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

FileHandle OpenForReading(const std::filesystem::path& file, std::string_view what) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) FailRead(file, what, std::strerror(errno));
  return FileHandle(fd);
}

size_t ReadSome(int fd, std::span<uint8_t> buffer, std::string_view what) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) FailErrno("cannot read", what);
  }
}

void WriteAllAt(int fd, uint64_t offset, std::span<const uint8_t> bytes, std::string_view what) {
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) FailErrno("cannot write", what);
    bytes = bytes.subspan(static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
  }
}

void ReadAllAt(int fd, uint64_t offset, std::span<uint8_t> buffer, std::string_view what) {
  while (!buffer.empty()) {
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailErrno("cannot read", what);
    if (n == 0) throw PackError("cannot read " + std::string(what) + ": it ends early");
    buffer = buffer.subspan(static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
  }
}

}  // namespace saverpack
