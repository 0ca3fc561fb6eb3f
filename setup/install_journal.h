// The install journal: what an install changed, so that a failure can put
// the machine back as it was.
//
// Before the install sequence creates or replaces a file, the journal
// records it; a file that already exists is first copied to a backup beside
// it ("~ib<n>.tmp" in the same folder). After a failure `Rollback` deletes
// the files the run created and moves every backup back over its file;
// after success `Commit` deletes the backups. The system.ini screensaver
// entry is recorded before it is written, and restored the same way.
//
// The journal is kept in a file between steps, so that a run that is killed
// half-way is rolled back by the next run of an installer for the same saver
// folder (`Recover`) before that run starts its own work. While the run adds
// entries the file stays open and each new entry is appended with one write;
// any other change (a discarded entry, `Rollback`, `Commit`) rewrites it whole
// and closes it. Every path the journal touches, from memory or from
// the file, must pass the install path check it is given; it touches
// nothing else.
//
// Journal file: Windows-1252 text, CR LF lines, the first line the marker
// below; then one line per entry, fields separated by '|' (which no Windows
// path can hold):
//   C|path            created by the run: deleted by a rollback
//   B|path|backup     replaced by the run: backup holds the old bytes
//   S|0 or 1|value    system.ini [boot] SCRNSAVE.EXE before the run
//                     (1: present with this value; 0: absent)
//   D|backup          after a commit: a backup still to be deleted
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "os.h"

namespace setup {

using PathCheck = std::function<bool(const std::string&)>;

class InstallJournal {
 public:
  InstallJournal(os::Platform& platform, std::string journalPath, PathCheck allowed);
  ~InstallJournal();
  InstallJournal(const InstallJournal&) = delete;
  InstallJournal& operator=(const InstallJournal&) = delete;

  // Before `path` is created or replaced. An existing file is copied to its
  // backup first. 0; -40 for a path the check refuses; the system's error
  // number when the backup or the journal cannot be written; -32 when the
  // file is held open without sharing, so that it cannot be read (nothing
  // has changed then). A path already recorded keeps its first state.
  int32_t BeforeWrite(const std::string& path);
  // `path` was left as it was after all (it was busy): its backup goes.
  void Discard(const std::string& path);
  // True when this run recorded `path` (created or replaced it).
  bool Recorded(const std::string& path) const;
  // Before system.ini [boot] SCRNSAVE.EXE is written. 0, or the error
  // number of the journal's own write.
  int32_t BeforeScreenSaverEntry();

  // Deletes what the run created and restores what it replaced. What cannot
  // be undone now (a file held open elsewhere) stays in the journal for the
  // next run; the journal file goes when nothing is left.
  void Rollback();
  // Keeps the run's files: deletes the backups, then the journal file.
  void Commit();

  // Finishes the journal an earlier run left at `journalPath`: a committed
  // one's backups are deleted, any other is rolled back. No file: nothing.
  static void Recover(os::Platform& platform, const std::string& journalPath,
                      const PathCheck& allowed);

 private:
  struct Entry {
    char kind = 0;  // 'C', 'B', 'S' or 'D', as in the file
    std::string path;
    std::string backup;    // B; the old value for S
    bool present = false;  // S
  };

  Entry* Find(const std::string& path);
  std::string NewBackupName(const std::string& path) const;
  // Writes the entries to the journal file, or deletes it when none is left;
  // with `keepOpen` the file stays open for `Append`.
  void Save(bool keepOpen = false);
  // Adds `entry` to the entries and to the journal file. Throws IoError, and
  // then leaves the entries as they were.
  void Append(const Entry& entry);
  // Append, with its failure as the system's error number.
  int32_t AppendEntry(const Entry& entry);
  void SaveQuietly();  // Save, a failure ignored
  static std::string Line(const Entry& entry);
  bool Load();
  bool Valid(const Entry& entry) const;
  bool Undo(const Entry& entry);  // true when done
  bool RemoveFile(const std::string& path);

  os::Platform& platform_;
  std::string journalPath_;
  PathCheck allowed_;
  std::vector<Entry> entries_;
  std::unique_ptr<os::WriteStream> file_;  // the journal file while entries are appended
};

}  // namespace setup
