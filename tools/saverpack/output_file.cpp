#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>
#include <sstream>

#include "pack_error.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;

// The temporary file to remove if a signal stops the build. The handler
// reads it only while `gTempArmed` is set.
std::array<char, 4096> gTempPath{};
volatile std::sig_atomic_t gTempArmed = 0;

extern "C" void RemoveTempAndDie(int signal) {
  if (gTempArmed) ::unlink(gTempPath.data());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void CatchStopSignals() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    action.sa_handler = RemoveTempAndDie;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    sigaction(signal, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
  }
}

void Arm(const fs::path& path) {
  gTempArmed = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  const std::string& text = path.native();
  if (text.size() >= gTempPath.size()) return;
  std::memcpy(gTempPath.data(), text.c_str(), text.size() + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  gTempArmed = 1;
}

void Disarm() {
  gTempArmed = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

std::string KindOf(const fs::file_status& status) {
  switch (status.type()) {
    case fs::file_type::directory:
      return "a directory";
    case fs::file_type::character:
      return "a character device";
    case fs::file_type::block:
      return "a block device";
    case fs::file_type::fifo:
      return "a named pipe";
    case fs::file_type::socket:
      return "a socket";
    default:
      return "not a regular file";
  }
}

// Follows symbolic links at the end of `path` to the file they name.
fs::path FollowLinks(const fs::path& output) {
  fs::path path = output;
  for (int depth = 0; depth < 40; ++depth) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) throw PackError("cannot follow '" + output.string() + "': " + ec.message());
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  throw PackError("cannot follow '" + output.string() + "': too many levels of symbolic links");
}

fs::path NameBeside(const fs::path& target) {
  std::random_device random;
  std::ostringstream name;
  name << '.' << target.filename().string() << ".tmp" << std::hex << random() << random();
  return target.parent_path() / name.str();
}

}  // namespace

fs::path ResolveOutput(const fs::path& output, const std::vector<BuildInput>& inputs) {
  const fs::path target = FollowLinks(output);
  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  if (!fs::exists(status)) return target;
  if (!fs::is_regular_file(status)) {
    throw PackError("the output '" + output.string() + "' is " + KindOf(status) +
                    ", not a regular file; choose another output");
  }
  for (const BuildInput& input : inputs) {
    if (fs::equivalent(target, input.path, ec) && !ec) {
      throw PackError("the output '" + output.string() + "' is the same file as the " + input.what +
                      " '" + input.path.string() +
                      "'; building would destroy it, choose another output");
    }
  }
  return target;
}

TempOutput::TempOutput(const fs::path& target, std::string shown)
    : target_(target), shown_(std::move(shown)) {
  CatchStopSignals();
  mode_t mode = 0666;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) mode = existing.st_mode & 07777;
  for (int attempt = 0; attempt < 16 && handle_.get() < 0; ++attempt) {
    path_ = NameBeside(target);
    handle_ = FileHandle(::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (handle_.get() < 0 && errno != EEXIST) break;
  }
  if (handle_.get() >= 0) {
    Arm(path_);
  } else {
    const int error = errno;
    throw PackError("cannot create '" + shown_ + "': " + std::strerror(error));
  }
}

TempOutput::~TempOutput() {
  if (committed_) return;
  handle_.Close();
  ::unlink(path_.c_str());
  Disarm();
}

void TempOutput::Commit() {
  if (::fsync(handle_.get()) != 0) {
    throw PackError("cannot write '" + shown_ + "': " + std::strerror(errno));
  }
  handle_.Close();
  if (::rename(path_.c_str(), target_.c_str()) != 0) {
    throw PackError("cannot write '" + shown_ + "': " + std::strerror(errno));
  }
  committed_ = true;
  Disarm();
}

}  // namespace saverpack
