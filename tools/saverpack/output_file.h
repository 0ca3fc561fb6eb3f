// The installer's output file: where it really goes, what it must not be,
// and the temporary file that becomes it only when it is complete.
//
// - An output that is a symbolic link is written to the link's target (the
//   link stays); the temporary file is made in the target's folder.
// - An existing output that is not a regular file (a folder, a device, a
//   pipe, a socket) is refused, and so is an output that is the same file as
//   one of the build's inputs (compared by device and inode, so hard links,
//   symbolic links and other spellings of a path are caught).
// - The temporary file is removed when the build fails, and also when the
//   process is stopped by SIGINT, SIGTERM or SIGHUP.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "file_io.h"

namespace saverpack {

// A file the build reads, with the words that name it in messages.
struct BuildInput {
  std::filesystem::path path;
  std::string what;  // "manifest", "stub", "slot 7 file"
};

// The file that `output` names once symbolic links are followed. Throws
// PackError when it exists and is not a regular file or is one of `inputs`.
std::filesystem::path ResolveOutput(const std::filesystem::path& output,
                                    const std::vector<BuildInput>& inputs);

// A new file beside `target`, created exclusively, that replaces `target`
// through Commit. `shown` is the name used in messages (the output as the
// user wrote it).
class TempOutput {
 public:
  TempOutput(const std::filesystem::path& target, std::string shown);
  TempOutput(const TempOutput&) = delete;
  TempOutput& operator=(const TempOutput&) = delete;
  ~TempOutput();
  int fd() const { return handle_.get(); }
  const std::string& shown() const { return shown_; }
  // Flushes the file to disk and renames it over the target.
  void Commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path path_;
  std::string shown_;
  FileHandle handle_;
  bool committed_ = false;
};

}  // namespace saverpack
