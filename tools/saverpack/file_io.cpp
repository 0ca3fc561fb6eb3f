#include "file_io.h"

#include <fstream>
#include <string>

#include "pack_error.h"

namespace saverpack {
namespace {

[[noreturn]] void FailRead(const std::filesystem::path& file, std::string_view what,
                           const std::string& reason) {
  throw PackError("cannot read " + std::string(what) + " '" + file.string() + "': " + reason);
}

}  // namespace

uintmax_t FileSize(const std::filesystem::path& file, std::string_view what) {
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (ec) FailRead(file, what, ec.message());
  if (!std::filesystem::is_regular_file(status)) FailRead(file, what, "not a regular file");
  const uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) FailRead(file, what, ec.message());
  return size;
}

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& file, std::string_view what) {
  const uintmax_t size = FileSize(file, what);
  std::ifstream in(file, std::ios::binary);
  if (!in) FailRead(file, what, "cannot open");
  std::vector<uint8_t> bytes(size);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (static_cast<uintmax_t>(in.gcount()) != size) FailRead(file, what, "short read");
  return bytes;
}

std::vector<uint8_t> ReadFileRange(const std::filesystem::path& file, uint64_t offset,
                                   uint64_t count) {
  std::ifstream in(file, std::ios::binary);
  if (!in) FailRead(file, "file", "cannot open");
  in.seekg(static_cast<std::streamoff>(offset));
  std::vector<uint8_t> bytes(count);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  if (!in || static_cast<uint64_t>(in.gcount()) != count) FailRead(file, "file", "short read");
  return bytes;
}

}  // namespace saverpack
