// The progress line of a long build: percent done and speed on standard
// error, shown only while a ProgressLine is alive, standard error is a
// terminal and the build reads more than a few megabytes.
#pragma once

#include <cstdint>

namespace saverpack {

// Bytes the build will read in all (an imploded entry is read twice: to
// implode it and to check it).
void ExpectProgress(uint64_t total);
// Bytes just read.
void ReportProgress(uint64_t bytes);

// Shows the line for its lifetime (unless `quiet`) and clears it at the end.
class ProgressLine {
 public:
  explicit ProgressLine(bool quiet);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine();
};

}  // namespace saverpack
